#include "Widgets/ApplicationFont.h"

#include <QFontMetrics>

QFont applicationFont;
int fontLineHeight = 0;

void updateFontMetrics()
{
    fontLineHeight = QFontMetrics(applicationFont).height();
}
