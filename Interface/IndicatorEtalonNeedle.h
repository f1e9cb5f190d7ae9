#pragma once

#include <QFrame>

// The red needle of the reference indicator.
class IndicatorEtalonNeedle : public QFrame
{
    Q_OBJECT
public:
    explicit IndicatorEtalonNeedle(QWidget *parent = nullptr);

    static constexpr int NeedleWidth = 6;
};
