#include "Interface/MeasureDisplay.h"

#include "Devices/Measure.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>

#include <cmath>
#include <cstdlib>

namespace {

QLineEdit *makeValueField(QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setFrame(false);
    field->setReadOnly(true);
    field->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The display takes the clicks itself. A frameless reading is no stop for Tab, where its focus
    // could not be seen; a click still hands it the focus, for copying.
    field->setAttribute(Qt::WA_TransparentForMouseEvents);
    field->setFocusPolicy(Qt::ClickFocus);
    field->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Maximum);
    return field;
}

QLabel *makeCaption(const QString &text, QWidget *parent)
{
    auto *caption = new QLabel(text, parent);
    caption->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    return caption;
}

// The pixels a field needs to show its whole text: the text and the line edit's own margins.
int textWidthOf(const QLineEdit *field)
{
    constexpr int InnerMargins = 2 * 2;
    const QMargins text = field->textMargins();
    const QMargins contents = field->contentsMargins();
    return field->fontMetrics().horizontalAdvance(field->text()) + InnerMargins + text.left() + text.right()
        + contents.left() + contents.right();
}

void setFontSize(QWidget *widget, const QFont &base, int increase)
{
    QFont font = base;
    if (base.pointSize() > 0)
        font.setPointSize(base.pointSize() + increase);
    widget->setFont(font);
}

}

MeasureDisplay::MeasureDisplay(QWidget *parent) : QWidget(parent)
{
    m_measuredCaption = makeCaption(tr("Измеренное давление:"), this);
    m_measuredValue = makeValueField(this);
    m_nominalCaption = makeCaption(tr("Номинальное давление:"), this);
    m_nominalValue = makeValueField(this);

    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto *grid = new QGridLayout(this);
    grid->setSpacing(1);
    grid->setContentsMargins(1, 1, 1, 1);
    grid->addWidget(m_nominalCaption, 0, 0);
    grid->addWidget(m_nominalValue, 1, 0);
    auto *spacer = new QWidget(this);
    spacer->setFixedWidth(20);
    grid->addWidget(spacer, 0, 1);
    grid->addWidget(m_measuredCaption, 0, 2);
    grid->addWidget(m_measuredValue, 1, 2);
    auto *filler = new QWidget(this);
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    grid->addWidget(filler);

    // A line edit that loses the focus loses its selection: the display takes click focus and
    // passes it on to the field chosen last, which keeps it, so a second click finds the
    // selection and clears it.
    setFocusPolicy(Qt::ClickFocus);

    if (MainHandler::instance)
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
    onFontChanged();
    setNominalVisible(false);
}

void MeasureDisplay::setMeasuredText(const QString &text)
{
    const bool selected = m_measuredValue->hasSelectedText();
    m_measuredValue->setText(text);
    if (selected)
        m_measuredValue->selectAll();
    fitWidths();
}

void MeasureDisplay::setNominal(double value)
{
    const int decimals = Settings::instance ? Settings::instance->decimals()->value() : 2;
    const QString units = Measure::instance ? Measure::instance->unitsText() : QString();
    const bool selected = m_nominalValue->hasSelectedText();
    m_nominalValue->setText(QStringLiteral("  ") + formatNumber(value, decimals) + QLatin1Char(' ') + units);
    m_nominalValue->setCursorPosition(0);
    if (selected)
        m_nominalValue->selectAll();
    fitWidths();
}

void MeasureDisplay::setNominalVisible(bool visible)
{
    m_nominalCaption->setVisible(visible);
    m_nominalValue->setVisible(visible);
}

bool MeasureDisplay::isNominalVisible() const
{
    return m_nominalCaption->isVisibleTo(this);
}

int MeasureDisplay::fittedWidth(int currentWidth, int textWidth)
{
    if (textWidth > currentWidth || std::abs(currentWidth - textWidth) > WidthHysteresis)
        return std::max(textWidth, MinimumFieldWidth);
    return currentWidth;
}

void MeasureDisplay::fitWidth(QLineEdit *field)
{
    const int width = fittedWidth(field->width(), textWidthOf(field));
    if (width != field->width())
        field->setFixedWidth(width);
}

void MeasureDisplay::fitWidths()
{
    fitWidth(m_measuredValue);
    fitWidth(m_nominalValue);
}

void MeasureDisplay::onFontChanged()
{
    const QFont base = font();
    setFontSize(m_measuredCaption, base, 4);
    setFontSize(m_nominalCaption, base, 4);
    setFontSize(m_measuredValue, base, 16);
    setFontSize(m_nominalValue, base, 16);
    // A field left as wide as its text in the smaller font would cut the number off at the left.
    fitWidths();
}

void MeasureDisplay::mousePressEvent(QMouseEvent *event)
{
    const int x = int(std::lround(event->localPos().x()));
    const bool nominal = isNominalVisible() && x <= m_nominalCaption->width();
    QLineEdit *clicked = nominal ? m_nominalValue : m_measuredValue;
    QLineEdit *other = nominal ? m_measuredValue : m_nominalValue;
    if (clicked->hasSelectedText()) {
        clicked->deselect();
        return;
    }
    other->deselect();
    clicked->selectAll();
    setFocusProxy(clicked);
    clicked->setFocus(Qt::OtherFocusReason);
}
