#include "Widgets/HTabWidget.h"

HTabWidget::HTabWidget(QWidget *parent) : QTabWidget(parent)
{
}
