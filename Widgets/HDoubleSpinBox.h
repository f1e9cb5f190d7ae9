#pragma once

#include <QDoubleSpinBox>

// The spin box of every number the operator types. It shows the program's number locale,
// whatever the system's, and takes "," and "." alike as the decimal separator, whichever key
// (the keypad's too) gives it. It can show "-" for a value that is no number; what the
// operator types then replaces the "-" instead of following it.
class HDoubleSpinBox : public QDoubleSpinBox
{
    Q_OBJECT
public:
    explicit HDoubleSpinBox(QWidget *parent = nullptr);

    // Shows x, or "-" when x is not a number.
    void showNumber(double x);
    // What the box holds: NaN until a number has been entered over its "-".
    double number() const;

    QValidator::State validate(QString &text, int &pos) const override;
    double valueFromText(const QString &text) const override;
    // From "-" the steps start at 0, not at the minimum that stands in for it.
    void stepBy(int steps) override;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Both separators as the locale's decimal point.
    QString withLocalePoint(QString text) const;

    // The box's value is only the stand-in (its minimum) for a value that is no number.
    bool m_noNumber = false;
    bool m_showing = false;
};
