#include "Widgets/HDoubleSpinBox.h"

#include "Parameters/Units.h"
#include "Widgets/EditorWheel.h"

#include <QKeyEvent>
#include <QLineEdit>

#include <cmath>
#include <limits>

HDoubleSpinBox::HDoubleSpinBox(QWidget *parent) : QDoubleSpinBox(parent)
{
    setLocale(numberLocale());
    takeWheelOnlyWithFocus(this);
    // The box goes back to the stand-in by itself when the operator leaves a text that is no
    // number; that is still no number.
    connect(this, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, [this](double x) {
        if (!m_showing && x != minimum())
            m_noNumber = false;
    });
    connect(this, &QAbstractSpinBox::editingFinished, this, [this]() {
        if (m_noNumber) {
            // Left without a number: the "-" again, not the stand-in's digits.
            showNumber(std::numeric_limits<double>::quiet_NaN());
        } else if (!specialValueText().isEmpty()) {
            // A number has been entered: the minimum is a number like any other from now on.
            // Not while typing, since the text would be rewritten under the operator's keys.
            setSpecialValueText(QString());
        }
    });
}

void HDoubleSpinBox::showNumber(double x)
{
    m_showing = true;
    m_noNumber = !std::isfinite(x);
    setSpecialValueText(m_noNumber ? QStringLiteral("-") : QString());
    setValue(m_noNumber ? minimum() : x);
    m_showing = false;
}

double HDoubleSpinBox::number() const
{
    return m_noNumber ? std::numeric_limits<double>::quiet_NaN() : value();
}

QString HDoubleSpinBox::withLocalePoint(QString text) const
{
    const QChar point = locale().decimalPoint();
    for (QChar &c : text) {
        if (c == QLatin1Char('.') || c == QLatin1Char(','))
            c = point;
    }
    return text;
}

QValidator::State HDoubleSpinBox::validate(QString &text, int &pos) const
{
    // What is changed here is what the line edit holds.
    text = withLocalePoint(text);
    return QDoubleSpinBox::validate(text, pos);
}

double HDoubleSpinBox::valueFromText(const QString &text) const
{
    return QDoubleSpinBox::valueFromText(withLocalePoint(text));
}

void HDoubleSpinBox::stepBy(int steps)
{
    if (!m_noNumber || specialValueText().isEmpty()) {
        QDoubleSpinBox::stepBy(steps);
        return;
    }
    setSpecialValueText(QString());
    const double start = qBound(minimum(), 0.0, maximum());
    setValue(start);
    QDoubleSpinBox::stepBy(steps);
    // Held at a bound, the box would report no change from the stand-in.
    if (m_noNumber) {
        m_noNumber = false;
        emit valueChanged(value());
    }
}

void HDoubleSpinBox::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    const bool printable = !typed.isEmpty() && typed.at(0).isPrint()
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!m_noNumber || specialValueText().isEmpty() || !(printable || event->matches(QKeySequence::Paste))) {
        QDoubleSpinBox::keyPressEvent(event);
        return;
    }
    // The first key over the "-": it is no sign the operator gave, so what is typed replaces it.
    // Without the special text the minimum is a number the operator may type.
    setSpecialValueText(QString());
    lineEdit()->selectAll();
    QDoubleSpinBox::keyPressEvent(event);
    // A number equal to the stand-in changes no value, so the box would report nothing.
    if (m_noNumber && hasAcceptableInput()) {
        m_noNumber = false;
        emit valueChanged(value());
    }
}
