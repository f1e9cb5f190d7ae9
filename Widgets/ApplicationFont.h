#pragma once

#include <QFont>

// The application font; the main window keeps it equal to the font given to
// QApplication::setFont.
extern QFont applicationFont;
// The line height of applicationFont, as of the last updateFontMetrics.
extern int fontLineHeight;

void updateFontMetrics();
