#pragma once

#include <QFrame>

// The green band of the reference indicator: the middle quarter of its scale.
class IndicatorEtalonSetpoint : public QFrame
{
    Q_OBJECT
public:
    explicit IndicatorEtalonSetpoint(QWidget *parent = nullptr);
};
