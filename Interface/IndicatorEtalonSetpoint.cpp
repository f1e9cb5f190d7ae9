#include "Interface/IndicatorEtalonSetpoint.h"

IndicatorEtalonSetpoint::IndicatorEtalonSetpoint(QWidget *parent) : QFrame(parent)
{
    // The line of the frame marks the middle of the scale.
    setFrameShape(QFrame::VLine);
    setFrameShadow(QFrame::Plain);
    QPalette look = palette();
    look.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::green, Qt::SolidPattern));
    setPalette(look);
    setAutoFillBackground(true);
}
