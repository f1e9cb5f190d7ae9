#include "Interface/Tab/TabGraph.h"

#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/GraphWidget.h"
#include "Interface/LinenPlot.h"
#include "Interface/MeasureDisplay.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Widgets/HButton.h"
#include "Widgets/Icons.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QPen>
#include <QTimer>

#include <algorithm>
#include <limits>

TabGraph *TabGraph::instance = nullptr;

TabGraph::TabGraph(QWidget *parent) : Tab(parent)
{
    m_graphWidget = new GraphWidget(this);
    m_plot = m_graphWidget->plot();

    m_plot->addCurve(tr("Pэтал"), QPen(QBrush(Qt::red), 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    m_plot->removeLegend();

    m_controlPanel = new QWidget(this);
    m_controlPanel->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Maximum);
    m_panelGrid = new QGridLayout(m_controlPanel);
    m_measureButton = new HButton(m_controlPanel);
    m_measureButton->setFixedSize(100, 40);
    m_measureButton->setIconSize(QSize(20, 20));
    m_panelGrid->addWidget(m_measureButton, 0, 0);
    auto *filler = new QWidget(m_controlPanel);
    filler->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    filler->setMinimumWidth(100);
    m_panelGrid->addWidget(filler, 0, 1);
    m_display = new MeasureDisplay(this);
    m_panelGrid->addWidget(m_display, 0, 2);

    m_timer = new QTimer(this);
    m_timer->setInterval(MeasureIntervalMs);

    setStartButtonState(false);

    grid()->setSpacing(5);
    grid()->setContentsMargins(0, 0, 0, 0);
    grid()->addWidget(m_controlPanel, 0, 0);
    grid()->addWidget(m_graphWidget, 1, 0);

    m_startAllowed = true;
    m_connected = false;
    instance = this;

    onEtalonUnitsChanged();

    if (MainHandler::instance) {
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
        connect(MainHandler::instance, SIGNAL(dataMeasured()), this, SLOT(updateData()));
    }
    connect(m_measureButton, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    if (Measure::instance)
        connect(Measure::instance, SIGNAL(etalonUnitsChanged()), this, SLOT(onEtalonUnitsChanged()));
    connect(m_timer, SIGNAL(timeout()), this, SLOT(onMeasureTime()));

    onFontChanged();
}

TabGraph::~TabGraph()
{
    if (instance == this)
        instance = nullptr;
}

void TabGraph::setMeasuring(int state)
{
    if (!Measure::instance)
        return;
    if (state == 1) {
        Measure::instance->setMeasuring(true);
        m_plot->clear();
        setStartButtonState(true);
        m_timer->start();
    } else if (state == 0) {
        Measure::instance->setMeasuring(false);
        setStartButtonState(false);
        m_timer->stop();
    }
}

void TabGraph::onButtonPressed()
{
    setMeasuring(Measure::instance && Measure::instance->isMeasuring() ? 0 : 1);
}

void TabGraph::onMeasureTime()
{
    if (Measure::instance)
        Measure::instance->requestMeasurement();
}

void TabGraph::updateData()
{
    // A reading that arrives while the plot is being reset is dropped.
    if (!m_mutex.tryLock())
        return;
    const Measure *measure = Measure::instance;
    if (!measure || !measure->isMeasuring()) {
        m_mutex.unlock();
        return;
    }
    // Status and value of one and the same reading.
    const Measure::Reading reading = measure->reading();
    m_plot->appendSample();
    double value = std::numeric_limits<double>::quiet_NaN();
    if (reading.status != 0) {
        m_display->setMeasuredText(Measure::statusText(reading.status));
    } else {
        const int units = TAIR::instance ? TAIR::instance->prUnits->value() : UnitKPa;
        const int decimals = Settings::instance ? Settings::instance->decimals()->value() : 2;
        value = fromKPa(units, reading.value);
        m_display->setMeasuredText(QStringLiteral("  ") + formatNumber(value, decimals) + QLatin1Char(' ')
                                   + measure->unitsText());
    }
    m_plot->fillCurveTail(0, value);
    m_plot->updateSamples();
    m_mutex.unlock();
}

void TabGraph::onEtalonUnitsChanged()
{
    QMutexLocker lock(&m_mutex);
    m_plot->clear();
    updateDisplayUnits();
}

void TabGraph::updateDisplayUnits()
{
    const QString units = Measure::instance ? Measure::instance->unitsText() : QString();
    m_plot->setAxisTitle(QwtPlot::yLeft, tr("Давление, ") + units);
    m_plot->setAutoScale(2);
}

void TabGraph::setConnectedState(bool connected)
{
    if (Measure::instance && Measure::instance->isMeasuring()) {
        m_timer->stop();
        Measure::instance->setMeasuring(false);
        setStartButtonState(false);
        m_plot->clear();
    }
    m_measureButton->setEnabled(connected && m_startAllowed);
    m_connected = connected;
}

void TabGraph::setStartAllowed(bool allowed)
{
    m_startAllowed = allowed;
    m_measureButton->setEnabled(allowed && m_connected);
}

void TabGraph::setStartButtonState(bool measuring)
{
    if (measuring) {
        m_measureButton->setText(tr("СТОП"));
        m_measureButton->setIcon(iconOf(Icons::Stop));
    } else {
        m_measureButton->setText(tr("СТАРТ"));
        m_measureButton->setIcon(iconOf(Icons::Start));
        m_display->setMeasuredText(QString());
    }
}

int TabGraph::measureButtonHeight(int lineHeight)
{
    return std::max(70, int(2.2 * lineHeight));
}

void TabGraph::onFontChanged()
{
    m_measureButton->setFixedHeight(measureButtonHeight(QFontMetrics(font()).height()));
    // 100 pixels, or what the wider of its two captions needs at a large font, so that the
    // button keeps its width when it turns from one into the other.
    const QFontMetrics metrics(m_measureButton->font());
    const int shown = metrics.horizontalAdvance(m_measureButton->text());
    const int widest = std::max(metrics.horizontalAdvance(tr("СТАРТ")), metrics.horizontalAdvance(tr("СТОП")));
    m_measureButton->setFixedWidth(std::max(100, m_measureButton->sizeHint().width() - shown + widest));
}

void TabGraph::showEvent(QShowEvent *)
{
    // Take back what the other pages borrowed while they were shown.
    if (grid()->indexOf(m_graphWidget) < 0)
        grid()->addWidget(m_graphWidget, 1, 0);
    if (m_panelGrid->indexOf(m_display) < 0)
        m_panelGrid->addWidget(m_display, 0, 2);
}
