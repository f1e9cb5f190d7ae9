#include "Interface/IndicatorEtalonNeedle.h"

IndicatorEtalonNeedle::IndicatorEtalonNeedle(QWidget *parent) : QFrame(parent)
{
    setFixedWidth(NeedleWidth);
    // The line of the frame marks the needle's centre.
    setFrameShape(QFrame::VLine);
    setFrameShadow(QFrame::Plain);
    QPalette look = palette();
    look.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::red, Qt::SolidPattern));
    setPalette(look);
    setAutoFillBackground(true);
}
