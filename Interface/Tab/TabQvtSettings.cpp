#include "Interface/Tab/TabQvtSettings.h"

#include "Devices/AirHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Interface/GraphWidget.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabSettings.h"
#include "Parameters/FormBuilder.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/PrField.h"
#include "Parameters/Units.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/Icons.h"
#include "Widgets/Question.h"

#include <QGridLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

TabQvtSettings *TabQvtSettings::instance = nullptr;

namespace {

const double NaN = std::numeric_limits<double>::quiet_NaN();

// A value on a tolerance bound passes. Entered in MPa or kgf/cm² and converted to kPa it may
// land a rounding step beyond the bound; this much of the span (far below anything the
// fields show) still counts as on it.
constexpr double BoundSlack = 1e-9;

// Whether a deviation exceeds tolerance (both in kPa).
bool beyond(double deviation, double tolerance, double span)
{
    return std::fabs(deviation) > tolerance + BoundSlack * std::fabs(span);
}

int displayUnits()
{
    return TAIR::instance->prUnits->value();
}

}

TabQvtSettings::TabQvtSettings(QWidget *parent) : Tab(parent)
{
    beginForm(this);
    setFormReceiver(this, SLOT(onFieldChanged()));

    grid()->setContentsMargins(0, 0, 0, 0);
    grid()->setSpacing(0);

    m_leftColumn = new QWidget(this);
    m_leftColumn->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    m_leftLayout = new QVBoxLayout(m_leftColumn);
    m_rightColumn = new QWidget(this);
    m_rightColumn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_rightLayout = new QVBoxLayout(m_rightColumn);

    TabSettings *settings = TabSettings::instance;
    m_linkGroup = settings->linkGroup();
    m_infoGroup = settings->infoGroup();
    m_settingsPanel = settings->deviceSettingsPanel();

    buildTrimPanel();

    m_nestedTabs = new HTabWidget(m_leftColumn);
    m_nestedTabs->addTab(m_settingsPanel, tr("Параметры"));
    m_nestedTabs->addTab(m_trimPanel, tr("Подстройка"));
    m_spacer = makeVSpacer(m_leftColumn);

    grid()->addWidget(m_leftColumn, 0, 0);
    grid()->addWidget(m_rightColumn, 0, 1);
    placeSharedWidgets();

    setTrimState(TrimIdle);
    connect(AirHandler::instance, SIGNAL(taskFinished(int)), this, SLOT(onTaskFinished(int)));
    connect(Measure::instance, SIGNAL(etalonUnitsChanged()), this, SLOT(onUnitsUpdated()));
    setConnectedState(false);
    instance = this;
}

TabQvtSettings::~TabQvtSettings()
{
    if (instance == this)
        instance = nullptr;
}

HButton *TabQvtSettings::addButton(const QString &text, int id, int iconSlot)
{
    auto *button = new HButton(text, uint8_t(id), iconOf(iconSlot), m_trimPanel);
    connect(button, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    return button;
}

void TabQvtSettings::buildTrimPanel()
{
    TAIR *tair = TAIR::instance;
    m_trimPanel = new QWidget(this);

    m_averagingGroup = new HGroupBox(tr("Усреднение"), m_trimPanel);
    m_averagingGroup->setCheckable(true);
    m_averagingGroup->setChecked(true);
    auto *averagingLayout = new QVBoxLayout(m_averagingGroup);
    // The count has no caption of its own: the group's title says what it is.
    m_averageCountField = new PrField(tair->prTrimAverageCount, m_averagingGroup, PrField::EditorOnly);
    averagingLayout->addWidget(m_averageCountField);
    connect(m_averagingGroup, SIGNAL(toggled(bool)), this, SLOT(updateTrimAverage()));
    connect(m_averageCountField, SIGNAL(changed()), this, SLOT(updateTrimAverage()));

    m_startButton = addButton(tr("Начать\nподстройку"), ButtonStart, Icons::Start);

    m_lowGroup = buildPointGroup(&m_measuredLowField, &m_referenceLowField, ButtonAcceptLow);
    m_highGroup = buildPointGroup(&m_measuredHighField, &m_referenceHighField, ButtonAcceptHigh);
    onUnitsUpdated();

    m_writeButton = addButton(tr("Записать"), ButtonWrite, Icons::Write);
    m_cancelButton = addButton(tr("Отмена"), ButtonCancel, Icons::Stop);

    auto *layout = new QGridLayout(m_trimPanel);
    layout->addWidget(m_startButton, 0, 0);
    layout->addWidget(m_averagingGroup, 0, 1);
    layout->addWidget(m_lowGroup, 1, 0, 1, 2);
    layout->addWidget(m_highGroup, 2, 0, 1, 2);
    layout->addWidget(m_writeButton, 3, 0);
    layout->addWidget(m_cancelButton, 3, 1);
}

HGroupBox *TabQvtSettings::buildPointGroup(PrField **measured, PrField **reference, int buttonId)
{
    TAIR *tair = TAIR::instance;
    const bool low = buttonId == ButtonAcceptLow;
    auto *group = new HGroupBox(QString(), m_trimPanel);
    // The fields are placed by row and column, so the group gets its grid after them.
    setFormParent(group);
    *measured = addConnectedField(low ? tair->prTrimMeasuredLow : tair->prTrimMeasuredHigh, -1);
    *reference = addConnectedField(low ? tair->prTrimReferenceLow : tair->prTrimReferenceHigh, -1);
    auto *accept = new HButton(tr("Принять"), uint8_t(buttonId), iconOf(Icons::Current), group);
    accept->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    connect(accept, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));

    auto *layout = new QGridLayout(group);
    layout->addWidget(*measured, 0, 0);
    layout->addWidget(*reference, 1, 0);
    layout->addWidget(accept, 0, 1, 2, 1);
    return group;
}

void TabQvtSettings::placeSharedWidgets()
{
    m_leftLayout->addWidget(m_linkGroup);
    m_leftLayout->addWidget(m_infoGroup);
    m_leftLayout->addWidget(m_nestedTabs);
    m_leftLayout->addWidget(m_spacer);
    if (TabGraph::instance)
        m_rightLayout->addWidget(TabGraph::instance->graphWidget());
}

void TabQvtSettings::showEvent(QShowEvent *)
{
    placeSharedWidgets();
}

void TabQvtSettings::onFieldChanged()
{
}

void TabQvtSettings::onButtonPressed()
{
    auto *button = qobject_cast<HButton *>(sender());
    if (!button)
        return;
    switch (button->id()) {
    case ButtonStart:
        // The trim goes on when the table read reports back (onTaskFinished).
        AirHandler::instance->requestTask(AirHandler::TaskReadTable);
        break;
    case ButtonCancel:
        setTrimState(TrimIdle);
        break;
    case ButtonWrite:
        askWrite();
        break;
    case ButtonAcceptLow:
        acceptLowPoint();
        break;
    case ButtonAcceptHigh:
        acceptHighPoint();
        break;
    default:
        break;
    }
}

void TabQvtSettings::askWrite()
{
    const bool write = askQuestion(tr("Записать градуировочные коэффициэнты в ЦРЗ?"), tr("Записать"), tr("Отмена"));
    // A change of the link while the question was open has ended the trim: the table read
    // before it is no longer the transducer's.
    if (!write || m_trimState != TrimReadyToWrite)
        return;
    AirHandler::instance->requestTask(AirHandler::TaskWriteTable);
    setTrimState(TrimIdle);
}

void TabQvtSettings::acceptLowPoint()
{
    if (m_trimState != TrimLowPoint)
        return;
    const TAIR *tair = TAIR::instance;
    const int units = displayUnits();
    const double measured = toKPa(tair->prTrimMeasuredLow->value(), units);
    const double reference = toKPa(tair->prTrimReferenceLow->value(), units);
    // Every comparison with NaN is false: a failed reading would pass every check below.
    if (!std::isfinite(measured) || !std::isfinite(reference)) {
        MessageHandler::showWarning(tr("Значение давления не определено!"));
        return;
    }
    const double span = tair->upperLimit - tair->lowerLimit;
    const double centre = std::max(tair->lowerLimit, 0.0);
    if (beyond(reference - centre, 0.02 * span, span)) {
        MessageHandler::showWarning(tr("Эталонное давление должно быть в пределах ±2% от нижней границы диапазона ЦРЗ!"));
        return;
    }
    if (beyond(reference - measured, 0.01 * span, span)) {
        MessageHandler::showWarning(tr("Измеренное давление должно быть в пределах ±1% от эталонного!"));
        return;
    }
    setTrimState(TrimHighPoint);
}

void TabQvtSettings::acceptHighPoint()
{
    if (m_trimState != TrimHighPoint)
        return;
    const TAIR *tair = TAIR::instance;
    const int units = displayUnits();
    const double measuredLow = toKPa(tair->prTrimMeasuredLow->value(), units);
    const double referenceLow = toKPa(tair->prTrimReferenceLow->value(), units);
    const double measuredHigh = toKPa(tair->prTrimMeasuredHigh->value(), units);
    const double referenceHigh = toKPa(tair->prTrimReferenceHigh->value(), units);
    if (!std::isfinite(measuredLow) || !std::isfinite(referenceLow) || !std::isfinite(measuredHigh)
        || !std::isfinite(referenceHigh)) {
        MessageHandler::showWarning(tr("Значение давления не определено!"));
        return;
    }
    const double span = tair->upperLimit - tair->lowerLimit;
    if (beyond(referenceHigh - tair->upperLimit, 0.05 * span, span)) {
        MessageHandler::showWarning(tr("Эталонное давление должно быть в пределах ±5% от верхней границы диапазона ЦРЗ!"));
        return;
    }
    if (beyond((referenceHigh - referenceLow) - (measuredHigh - measuredLow), 0.01 * span, span)) {
        MessageHandler::showWarning(tr("Измеренный интревал (Pmax - Pmin) должен быть в пределах ±1% от эталонного "
                                       "интервала (Pmax - Pmin)!"));
        return;
    }
    setTrimState(TrimReadyToWrite);
}

void TabQvtSettings::setTrimState(unsigned state)
{
    MainHandler *hub = MainHandler::instance;
    disconnect(hub, SIGNAL(dataMeasured()), this, SLOT(setTrimMeasuredLo()));
    disconnect(hub, SIGNAL(dataMeasured()), this, SLOT(setTrimMeasuredHi()));

    const bool taking = state == TrimLowPoint || state == TrimHighPoint;
    m_startButton->setEnabled(state == TrimIdle);
    m_cancelButton->setEnabled(state != TrimIdle);
    m_writeButton->setEnabled(state == TrimReadyToWrite);
    m_lowGroup->setEnabled(state == TrimLowPoint);
    m_highGroup->setEnabled(state == TrimHighPoint);

    if (TabGraph::instance)
        TabGraph::instance->setMeasuring(taking ? 1 : 0);

    TAIR *tair = TAIR::instance;
    const int units = displayUnits();
    if (taking) {
        const bool low = state == TrimLowPoint;
        // The reference is pre-filled from the range; the low point is taken at 0 when the
        // range reaches below it.
        const double v = low ? std::max(0.0, fromKPa(units, tair->lowerLimit)) : fromKPa(units, tair->upperLimit);
        const QString text = low ? tr("Установите давление, соответствующее нижнему диапазону ЦРЗ (%1).")
                                 : tr("Установите давление, соответствующее верхнему диапазону ЦРЗ (%1).");
        MessageHandler::showInfo(text.arg(formatNumber(v, 3) + QLatin1Char(' ') + Measure::instance->unitsText()));
        (low ? tair->prTrimReferenceLow : tair->prTrimReferenceHigh)->setValue(v);
        (low ? m_referenceLowField : m_referenceHighField)->refreshEditors();
        // Until the first reading of this trim arrives the point has no measured value: what
        // an earlier trim left there must not be accepted.
        (low ? tair->prTrimMeasuredLow : tair->prTrimMeasuredHigh)->setValue(NaN);
        (low ? m_measuredLowField : m_measuredHighField)->refreshEditors();
        connect(hub, SIGNAL(dataMeasured()), this, low ? SLOT(setTrimMeasuredLo()) : SLOT(setTrimMeasuredHi()));
    }

    m_trimState = state;
    updateTrimAverage();
    emit trimStateChanged(state != TrimIdle);
}

void TabQvtSettings::takeReading(unsigned state)
{
    // A reading queued before its point was accepted or cancelled arrives after the
    // disconnect: it belongs to no point.
    if (m_trimState != state)
        return;
    const Measure::Reading reading = Measure::instance->reading();
    // A reading the transducer flags as bad is no measured value, whatever number it carries.
    const double value = reading.status == 0 ? fromKPa(displayUnits(), reading.value) : NaN;
    TAIR *tair = TAIR::instance;
    if (state == TrimLowPoint) {
        tair->prTrimMeasuredLow->setValue(value);
        m_measuredLowField->refreshEditors();
    } else {
        tair->prTrimMeasuredHigh->setValue(value);
        m_measuredHighField->refreshEditors();
    }
}

void TabQvtSettings::setTrimMeasuredLo()
{
    takeReading(TrimLowPoint);
}

void TabQvtSettings::setTrimMeasuredHi()
{
    takeReading(TrimHighPoint);
}

void TabQvtSettings::updateTrimAverage()
{
    const bool taking = m_trimState == TrimLowPoint || m_trimState == TrimHighPoint;
    const int count = std::clamp(TAIR::instance->prTrimAverageCount->value(), 0, 255);
    AirHandler::instance->setAveraging(taking && m_averagingGroup->isChecked(), uint8_t(count));
}

void TabQvtSettings::onTaskFinished(int task)
{
    // The phase of this very task: a table task asked for after it may be running by now.
    if (task == AirHandler::TaskReadTable) {
        setTrimState(AirHandler::instance->taskPhase(task) == 0 ? TrimLowPoint : TrimIdle);
    } else if (task == AirHandler::TaskWriteTable) {
        // A failure has been reported by the worker already.
        if (AirHandler::instance->taskPhase(task) == 0)
            MessageHandler::showInfo(tr("Подстройка успешно завершена."));
    }
}

void TabQvtSettings::onUnitsUpdated()
{
    const QString units = Measure::instance->unitsText();
    m_lowGroup->setTitle(tr("P мин, ") + units);
    m_highGroup->setTitle(tr("P макс, ") + units);
}

void TabQvtSettings::setConnectedState(bool connected)
{
    m_infoGroup->setVisible(connected);
    m_nestedTabs->setVisible(connected && TAIR::instance->isNewVersion());
    setTrimState(TrimIdle);
}

void TabQvtSettings::setVerificationRunning(bool running)
{
    m_infoGroup->setEnabled(!running);
    m_settingsPanel->setEnabled(!running);
    m_trimPanel->setEnabled(!running);
}
