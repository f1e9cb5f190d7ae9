#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;

// The measured pressure as large text and, during a verification, the nominal pressure of the
// current point beside it. A click on a value selects it for copying; a second click deselects it.
class MeasureDisplay : public QWidget
{
    Q_OBJECT
public:
    // Fields wider than their text by more than this keep their width until the text grows or
    // shrinks further, so the display does not jitter with the length of the number.
    static constexpr int WidthHysteresis = 50;
    static constexpr int MinimumFieldWidth = 200;

    explicit MeasureDisplay(QWidget *parent = nullptr);

    void setMeasuredText(const QString &text);
    // The nominal pressure in display units.
    void setNominal(double value);
    void setNominalVisible(bool visible);
    bool isNominalVisible() const;
    void fitWidths();

    // The width a value field takes for a text of textWidth pixels, from its current width.
    static int fittedWidth(int currentWidth, int textWidth);

    QLineEdit *measuredField() const { return m_measuredValue; }
    QLineEdit *nominalField() const { return m_nominalValue; }
    QLabel *measuredCaption() const { return m_measuredCaption; }

public slots:
    void onFontChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    void fitWidth(QLineEdit *field);

    QLabel *m_measuredCaption;
    QLineEdit *m_measuredValue;
    QLabel *m_nominalCaption;
    QLineEdit *m_nominalValue;
};
