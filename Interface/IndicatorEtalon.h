#pragma once

#include <QFrame>

class IndicatorEtalonNeedle;
class IndicatorEtalonSetpoint;
class QLabel;

// A horizontal bar indicator of the reference pressure: a needle over a scale from minimum to
// maximum, a band over its middle quarter and the scale values printed under it.
class IndicatorEtalon : public QFrame
{
    Q_OBJECT
public:
    explicit IndicatorEtalon(QWidget *parent = nullptr);

    // Sets the scale and its labels; the next value moves the needle.
    void setRange(double min, double max);
    // Moves the needle; NaN (a bad reading) or an empty scale puts it at the left end.
    void setValue(double x);

    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    double value() const { return m_value; }

    static constexpr int ScaleBarHeight = 15;
    // From this width on the band's own values are printed too.
    static constexpr int BandLabelsWidth = 201;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    IndicatorEtalonSetpoint *m_setpoint;
    IndicatorEtalonNeedle *m_needle;
    QWidget *m_scaleBar;
    QLabel *m_minLabel;
    QLabel *m_midLabel;
    QLabel *m_maxLabel;
    QLabel *m_lowerBandLabel;
    QLabel *m_upperBandLabel;
    double m_minimum = 0.0;
    double m_maximum = 0.0;
    double m_value = 0.0;
};
