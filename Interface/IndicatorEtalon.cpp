#include "Interface/IndicatorEtalon.h"

#include "Interface/IndicatorEtalonNeedle.h"
#include "Interface/IndicatorEtalonSetpoint.h"

#include <QHBoxLayout>
#include <QLabel>

#include <cmath>

namespace {
QLabel *scaleLabel(const char *name, Qt::Alignment alignment, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setAlignment(alignment | Qt::AlignVCenter);
    return label;
}

QString scaleText(double x)
{
    return QString::number(x, 'g', 6);
}
}

IndicatorEtalon::IndicatorEtalon(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::Box);
    setFrameShadow(QFrame::Plain);
    setMinimumWidth(100);
    QPalette look = palette();
    look.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(Qt::yellow).lighter(150), Qt::SolidPattern));
    setPalette(look);
    setAutoFillBackground(true);

    // Created in this order so that the needle is drawn over the band and the scale over both.
    m_setpoint = new IndicatorEtalonSetpoint(this);
    m_needle = new IndicatorEtalonNeedle(this);
    m_needle->move(10, 0);
    m_needle->show();

    m_scaleBar = new QWidget(this);
    QPalette scaleLook = m_scaleBar->palette();
    scaleLook.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(Qt::darkGray).darker(200), Qt::SolidPattern));
    scaleLook.setBrush(QPalette::All, QPalette::WindowText, QBrush(Qt::white, Qt::SolidPattern));
    m_scaleBar->setPalette(scaleLook);
    QFont scaleFont = m_scaleBar->font();
    scaleFont.setPointSize(7);
    m_scaleBar->setFont(scaleFont);
    m_scaleBar->setAutoFillBackground(true);
    m_scaleBar->setFixedHeight(ScaleBarHeight);

    auto *layout = new QHBoxLayout(m_scaleBar);
    layout->setContentsMargins(3, 0, 3, 0);
    layout->setSpacing(0);
    m_minLabel = scaleLabel("minLabel", Qt::AlignLeft, m_scaleBar);
    m_midLabel = scaleLabel("midLabel", Qt::AlignHCenter, m_scaleBar);
    m_maxLabel = scaleLabel("maxLabel", Qt::AlignRight, m_scaleBar);
    layout->addWidget(m_minLabel);
    layout->addWidget(m_midLabel);
    layout->addWidget(m_maxLabel);
    // Beside the band, outside the layout: placed by resizeEvent.
    m_lowerBandLabel = scaleLabel("lowerBandLabel", Qt::AlignRight, m_scaleBar);
    m_upperBandLabel = scaleLabel("upperBandLabel", Qt::AlignLeft, m_scaleBar);
    m_lowerBandLabel->hide();
    m_upperBandLabel->hide();
}

void IndicatorEtalon::setRange(double min, double max)
{
    m_minimum = min;
    m_maximum = max;
    const double span = max - min;
    m_minLabel->setText(scaleText(min));
    m_midLabel->setText(scaleText(min + 0.5 * span));
    m_lowerBandLabel->setText(scaleText(min + 0.375 * span));
    m_upperBandLabel->setText(scaleText(min + 0.625 * span));
    m_maxLabel->setText(scaleText(max));
}

void IndicatorEtalon::setValue(double x)
{
    m_value = x;
    const int w = width();
    long double p = 0;
    if (!std::isnan(x) && m_maximum != m_minimum) {
        p = (static_cast<long double>(x) - m_minimum) * w / (static_cast<long double>(m_maximum) - m_minimum);
        // Clamped before it becomes an integer, so that a value far above the scale still stops
        // at the right end; NaN from an infinite scale stays at the left.
        if (std::isnan(p))
            p = 0;
        p = std::trunc(std::fmin(std::fmax(p, 0.0L), static_cast<long double>(w)));
    }
    m_needle->move(static_cast<int>(p) - m_needle->width() / 2, 1);
}

void IndicatorEtalon::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    const int w = width();
    const int h = height();
    const int b = m_scaleBar->height();

    m_setpoint->move(static_cast<int>(w * 3 * 0.125), 1);
    m_setpoint->resize(w / 4, h);
    m_scaleBar->move(0, h - b);
    m_scaleBar->resize(w, b);
    m_needle->resize(m_needle->width(), h);
    setValue(m_value);

    const bool bandLabels = w >= BandLabelsWidth;
    m_lowerBandLabel->setVisible(bandLabels);
    m_upperBandLabel->setVisible(bandLabels);
    if (bandLabels) {
        const QSize size(static_cast<int>(w * 0.375), b);
        m_lowerBandLabel->setGeometry(QRect(QPoint(0, 0), size));
        m_upperBandLabel->setGeometry(QRect(QPoint(static_cast<int>(w * 0.625), 0), size));
    }
}
