#include "Interface/Tab/TabSettings.h"

#include "Devices/AirHandler.h"
#include "Devices/HidHandler.h"
#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/TabDeviceConfig.h"
#include "Interface/Tab/TabVerification.h"
#include "Parameters/Dictionary.h"
#include "Parameters/FormBuilder.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/PrField.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/Icons.h"
#include "Widgets/Question.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <mutex>

TabSettings *TabSettings::instance = nullptr;

namespace {
QVBoxLayout *columnLayout(QWidget *column)
{
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    return layout;
}
}

TabSettings::TabSettings(QWidget *parent) : Tab(parent)
{
    beginForm(this);
    setFormReceiver(this, SLOT(onFieldChanged()));

    buildLinkGroup();
    buildInfoGroup();
    buildDeviceSettingsPanel();
    buildConditionsGroup();
    buildConductGroup();
    buildDevicesGroup();
    applyFieldChange(FieldDeviceCount);
    buildMethodGroup();
    buildParametersGroup();
    placeColumns();

    m_verificationUnits = TAIR::instance->prUnits->value();
    applyFieldChange(FieldAccuracyClass);
    applyFieldChange(FieldAutoStep);
    applyFieldChange(FieldUnits);
    applyFieldChange(FieldMethod);

    connect(Verification::instance, SIGNAL(stateChanged()), this, SLOT(onVerificatonStateChanged()));
    instance = this;
}

TabSettings::~TabSettings()
{
    if (instance == this)
        instance = nullptr;
}

void TabSettings::buildLinkGroup()
{
    m_linkGroup = new HGroupBox(tr("Связь"), this);
    auto *layout = new QVBoxLayout(m_linkGroup);

    auto *search = new HButton(tr("Обновить список портов"), ButtonSearchPorts, iconOf(Icons::Update), m_linkGroup);
    layout->addWidget(search);

    m_portChoice.reset(new ParametrEnum(Dictionary::instance->comPortCaption, m_portItems));
    m_portChoice->setValue(-1);
    m_portField = new PrField(m_portChoice.get(), FieldPort, m_linkGroup, PrField::CaptionLeft);
    layout->addWidget(m_portField);

    auto *connectButton =
        new HButton(tr("Установка связи с ЦРЗ"), ButtonConnect, iconOf(Icons::SearchDev), m_linkGroup);
    layout->addWidget(connectButton);

    connect(search, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    connect(connectButton, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    // Heard before the first refresh: a port search that ends in between still reaches the field.
    connect(AirHandler::instance, SIGNAL(taskFinished(int)), this, SLOT(onAirTaskComplete(int)));
    refreshPortField();
    connect(m_portField, SIGNAL(changed()), this, SLOT(onFieldChanged()));
}

void TabSettings::buildInfoGroup()
{
    TAIR *tair = TAIR::instance;
    m_infoGroup = new HGroupBox(tr("Информация о ЦРЗ"), this);
    m_infoGroup->setFixedCharCount(25);
    new QVBoxLayout(m_infoGroup);
    setFormParent(m_infoGroup);

    m_typeField = addField(tair->prDeviceType);
    m_serialField = addField(tair->prSerialNumber);
    m_serialField->setEnabled(false);
    PrField *owner = addField(tair->prOwner);
    m_deviceUnitsField = addField(tair->prDeviceUnits);
    m_deviceUnitsField->setVisible(false);
    m_minField = addConnectedField(tair->prMin, FieldTransducerMin);
    m_maxField = addConnectedField(tair->prMax, FieldTransducerMax);
    m_rangeTextField = addField(tair->prRange);
    m_rangeTextField->setEnabled(false);
    m_versionField = addField(tair->prSoftwareVersion);
    m_versionField->setEnabled(false);
    PrField *registry = addField(tair->prRegistryNumber);
    PrField *index = addField(tair->prIndex);
    m_modelField = addField(tair->prQvtModel);

    m_refreshList << m_typeField << m_serialField << owner << m_deviceUnitsField << m_minField << m_maxField
                  << m_rangeTextField << m_versionField << registry << index << m_modelField;
}

void TabSettings::buildDeviceSettingsPanel()
{
    TAIR *tair = TAIR::instance;
    m_panel = new QWidget(this);
    // The fields are placed in the grid by row, so they are made before it is the panel's layout.
    setFormParent(m_panel);
    auto *grid = new QGridLayout;
    int row = 0;
    for (HAbstractParametr *parametr :
         {static_cast<HAbstractParametr *>(tair->prAverageCount), static_cast<HAbstractParametr *>(tair->prDeviceDecimals),
          static_cast<HAbstractParametr *>(tair->prBuzzerLevel), static_cast<HAbstractParametr *>(tair->prUnitsLanguage)}) {
        PrField *field = addField(parametr);
        grid->addWidget(field, row++, 0, 1, 2);
        m_deviceSettingFields << field;
    }
    auto *read = new HButton(tr("Считать"), ButtonReadSettings, iconOf(Icons::Read), m_panel);
    auto *write = new HButton(tr("Записать"), ButtonWriteSettings, iconOf(Icons::Write), m_panel);
    auto *zero = new HButton(tr("Подстройка нуля"), ButtonZeroTrim, iconOf(Icons::Current), m_panel);
    grid->addWidget(read, 4, 0);
    grid->addWidget(write, 4, 1);
    grid->addWidget(zero, 5, 0, 1, 2);
    m_panel->setLayout(grid);
    for (HButton *button : {read, write, zero})
        connect(button, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));

    m_refreshList << m_deviceSettingFields;
}

void TabSettings::buildConditionsGroup()
{
    Conditions *conditions = Conditions::instance;
    m_conditionsGroup = new HGroupBox(tr("Условия поверки"), this);
    auto *layout = new QVBoxLayout(m_conditionsGroup);
    setFormParent(m_conditionsGroup);

    m_conditionFields << addField(conditions->prTemperature) << addField(conditions->prHumidity)
                      << addField(conditions->prPressure);
    addField(conditions->prReadConditions);
    auto *read = new HButton(tr("Считать"), ButtonReadConditions, iconOf(Icons::Read), m_conditionsGroup);
    layout->addWidget(read);
    connect(read, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    addField(HidHandler::instance->serial());
}

void TabSettings::buildConductGroup()
{
    Conditions *conditions = Conditions::instance;
    m_conductGroup = new HGroupBox(tr("Информация о проведении поверки"), this);
    m_conductGroup->setFixedCharCount(35);
    new QVBoxLayout(m_conductGroup);
    setFormParent(m_conductGroup);
    addField(conditions->prConditionsVrName);
    addField(conditions->prDate);
}

void TabSettings::buildDevicesGroup()
{
    m_devicesGroup = new HGroupBox(tr("Поверяемые СИ"), this);
    m_devicesGroup->setFixedCharCount(50);
    auto *layout = new QVBoxLayout(m_devicesGroup);

    m_deviceCountField = new PrField(Conditions::instance->prVrDeviceCount, FieldDeviceCount, m_devicesGroup,
                                     PrField::CaptionLeft);
    layout->addWidget(m_deviceCountField);
    connect(m_deviceCountField, SIGNAL(changed()), this, SLOT(onFieldChanged()));

    m_deviceTabs = new HTabWidget(m_devicesGroup);
    // As tall as the device form, not as the column: the method group stands right below.
    m_deviceTabs->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    for (int i = 0; i < DeviceCount; ++i)
        m_deviceTabs->addTab(buildDeviceTab(i), tr("Прибор №") + QString::number(i + 1));
    layout->addWidget(m_deviceTabs);
}

QWidget *TabSettings::buildDeviceTab(int index)
{
    VrDevice *device = Conditions::instance->vrDevices.at(index);
    auto *tab = new Tab(m_deviceTabs);
    tab->setBackgroundFilled(false);
    // Its group widens for the form; the settings page scrolls, not the device tab.
    tab->setFitsContent(true);
    // The page itself has no layout: the fields are placed in its grid by row and column.
    setFormParent(tab);
    QGridLayout *grid = tab->grid();

    const QList<HAbstractParametr *> left{device->prName,         device->prSerial,       device->prOwner,
                                          device->prVrDocumentVr, device->prVrDocumentCl, device->prVrOrder,
                                          device->prSignalType};
    const QList<HAbstractParametr *> right{device->prDevType,       device->prDevInv,     device->prYear,
                                           device->prAmbiant,       device->prCheckSystemGr, device->prCheckUsage,
                                           device->prCheckRSolid,   device->prCheckR};
    for (int row = 0; row < left.size(); ++row)
        grid->addWidget(addField(left.at(row)), row, 0);
    for (int row = 0; row < right.size(); ++row)
        grid->addWidget(addField(right.at(row)), row, 1);
    grid->addWidget(addField(device->prNotes), 8, 0, 1, 2);

    auto *buttons = new QWidget(tab);
    auto *row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    auto *cards = new HButton(tr("Сохранение/загрузка\nконфигурации прибора"), ButtonDeviceCards,
                              iconOf(Icons::FileSave), buttons);
    auto *clear = new HButton(tr("Очистить"), ButtonClearDevice, iconOf(Icons::Clear), buttons);
    row->addWidget(cards);
    row->addWidget(clear);
    grid->addWidget(buttons, 9, 0, 1, 2);
    connect(cards, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    connect(clear, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    return tab;
}

void TabSettings::buildMethodGroup()
{
    m_methodGroup = new HGroupBox(tr("Способ поверки"), this);
    m_methodGroup->setFixedCharCount(50);
    auto *layout = new QVBoxLayout(m_methodGroup);
    setFormParent(m_methodGroup);
    addConnectedField(Verification::instance->prVerificationMode, FieldMethod);
    m_methodDescription = new QLabel(m_methodGroup);
    m_methodDescription->setWordWrap(true);
    layout->addWidget(m_methodDescription);
}

void TabSettings::buildParametersGroup()
{
    Verification *verification = Verification::instance;
    Conditions *conditions = Conditions::instance;
    m_parametersGroup = new HGroupBox(tr("Параметры поверки"), this);
    m_parametersGroup->setFixedCharCount(25);
    new QVBoxLayout(m_parametersGroup);
    setFormParent(m_parametersGroup);

    addConnectedField(TAIR::instance->prUnits, FieldUnits);
    m_rangeField = addPairField(tr("Диапазон показаний"), verification->prMinValue, verification->prMaxValue);
    m_accuracyClassField = addConnectedField(conditions->prConditionsVrClassTpye, FieldAccuracyClass);
    addConnectedField(verification->prAutoStepCompute, FieldAutoStep);
    m_stepField = addField(verification->prStep);
    addConnectedField(Settings::instance->decimals(), FieldDecimals);
    addConnectedField(conditions->prVrCoeff, FieldReserveCoefficient);
    m_scaleDivisionField = addConnectedField(conditions->prIndicatorStep, FieldScaleDivision);

    m_rangeField->setFieldIndex(FieldRange);
    connect(m_rangeField, SIGNAL(changed()), this, SLOT(onFieldChanged()));
    m_stepField->setFieldIndex(FieldStep);
    connect(m_stepField, SIGNAL(changed()), this, SLOT(onFieldChanged()));
}

void TabSettings::placeColumns()
{
    m_noteLabel = new QLabel(tr("При изменении единиц измерений ЦРЗ через кнопку на приборе необходимо повторно "
                                "выполнить установку связи с ЦРЗ для считывания единиц измерений прибора."),
                             this);
    m_noteLabel->setWordWrap(true);

    m_leftColumn = new QWidget(this);
    m_leftLayout = columnLayout(m_leftColumn);
    m_leftSpacer = makeVSpacer(m_leftColumn);
    m_leftLayout->addWidget(m_linkGroup);
    m_leftLayout->addWidget(m_infoGroup);
    m_leftLayout->addWidget(m_conditionsGroup);
    m_leftLayout->addWidget(m_leftSpacer);

    auto *middle = new QWidget(this);
    QVBoxLayout *middleLayout = columnLayout(middle);
    middleLayout->addWidget(m_conductGroup);
    middleLayout->addWidget(m_parametersGroup);
    middleLayout->addWidget(makeVSpacer(middle));
    middleLayout->addWidget(m_noteLabel);
    middleLayout->addWidget(makeVSpacer(middle));

    auto *right = new QWidget(this);
    QVBoxLayout *rightLayout = columnLayout(right);
    rightLayout->addWidget(m_devicesGroup);
    rightLayout->addWidget(m_methodGroup);
    rightLayout->addWidget(makeVSpacer(right));

    QGridLayout *page = grid();
    page->addWidget(m_leftColumn, 0, 0);
    page->addWidget(m_panel, 1, 0, Qt::AlignTop);
    page->addWidget(middle, 0, 1, 2, 1);
    page->addWidget(right, 0, 2, 2, 1);
    page->setRowStretch(1, 1);
    // Spare width goes to the right of the columns.
    page->setColumnStretch(3, 1);
}

VrDevice *TabSettings::currentDevice() const
{
    const int index = m_deviceTabs->currentIndex();
    const QList<VrDevice *> &devices = Conditions::instance->vrDevices;
    return index >= 0 && index < devices.size() ? devices.at(index) : nullptr;
}

void TabSettings::onButtonPressed()
{
    if (auto *button = qobject_cast<HButton *>(sender()))
        processButton(button->id());
}

void TabSettings::onFieldChanged()
{
    if (auto *field = qobject_cast<PrField *>(sender()))
        applyFieldChange(field->fieldIndex());
}

void TabSettings::processButton(int id)
{
    if (isHandling())
        return;
    setHandling(true);
    AirHandler *air = AirHandler::instance;
    switch (id) {
    case ButtonSearchPorts:
        air->requestTask(AirHandler::TaskSearchPorts);
        break;
    case ButtonConnect:
        air->requestTask(AirHandler::TaskConnect);
        break;
    case ButtonReadSettings:
        air->requestTask(AirHandler::TaskReadSettings);
        break;
    case ButtonWriteSettings:
        air->requestTask(AirHandler::TaskWriteSettings);
        break;
    case ButtonZeroTrim:
        askZeroTrim();
        break;
    case ButtonReadConditions:
        readAmbientConditions(true);
        break;
    case ButtonDeviceCards:
        showDeviceCards(currentDevice());
        break;
    case ButtonClearDevice:
        clearCurrentDevice();
        break;
    default:
        break;
    }
    setHandling(false);
}

void TabSettings::askZeroTrim()
{
    if (askQuestion(tr("Установить ноль ЦРЗ?"), tr("Установить"), tr("Отмена")))
        AirHandler::instance->requestTask(AirHandler::TaskZeroTrim);
}

void TabSettings::readAmbientConditions(bool failureClears)
{
    Conditions *conditions = Conditions::instance;
    HidHandler *meter = HidHandler::instance;
    if (meter->readConditions()) {
        conditions->prTemperature->setValue(formatNumber(meter->temperature, 0));
        conditions->prHumidity->setValue(formatNumber(meter->humidity, 0));
        conditions->prPressure->setValue(formatNumber(convertUnits(UnitPa, UnitMmHg, meter->pressure), 0));
    } else if (failureClears) {
        const QString none = QStringLiteral("-");
        conditions->prTemperature->setValue(none);
        conditions->prHumidity->setValue(none);
        conditions->prPressure->setValue(none);
    }
    refreshFields(m_conditionFields);
}

void TabSettings::clearCurrentDevice()
{
    VrDevice *device = currentDevice();
    if (!device)
        return;
    device->prName->setValue(tr("Прибор ") + QString::number(m_deviceTabs->currentIndex() + 1));
    for (ParametrString *text : {device->prSerial, device->prOwner, device->prDevType, device->prDevInv,
                                 device->prYear, device->prAmbiant, device->prNotes})
        text->setValue(QString());
    device->prIntervalMax->setValue(0);
    device->prIntervalMin->setValue(0);
    device->prDevUnits->setValue(0);
    refreshAllFields();
}

void TabSettings::showDeviceCards(VrDevice *device)
{
    TabDeviceConfig::showDeviceConfig(this);
    TabDeviceConfig::instance->setDevice(device);
}

void TabSettings::applyFieldChange(int id)
{
    Conditions *conditions = Conditions::instance;
    Verification *verification = Verification::instance;
    switch (id) {
    case FieldPort:
        AirHandler::instance->setPortIndex(m_portChoice->value());
        AirHandler::instance->requestTask(AirHandler::TaskOpenPort);
        break;
    case FieldDeviceCount:
        enableDeviceTabs();
        refreshRunPage();
        break;
    case FieldAccuracyClass:
        conditions->parseAccuracyClass();
        m_accuracyClassField->refreshEditors();
        applyStepRule();
        refreshRunPage();
        break;
    case FieldReserveCoefficient:
        refreshRunPage();
        break;
    case FieldUnits:
        convertVerificationUnits(m_verificationUnits, TAIR::instance->prUnits->value());
        emit Measure::instance->etalonUnitsChanged();
        m_rangeField->appendCaptionParametr(TAIR::instance->prUnits);
        m_stepField->appendCaptionParametr(TAIR::instance->prUnits);
        m_rangeField->refreshEditors();
        m_stepField->refreshEditors();
        applyStepRule();
        break;
    case FieldDecimals:
        emit Settings::instance->decimalsChanged();
        break;
    case FieldAutoStep: {
        const bool automatic = verification->prAutoStepCompute->value() == 1;
        m_stepField->setEnabled(!automatic);
        if (automatic) {
            verification->computeAutoStep();
            m_stepField->refreshEditors();
        }
        break;
    }
    case FieldRange:
    case FieldScaleDivision:
        applyStepRule();
        break;
    case FieldMethod: {
        if (TabVerification::instance)
            TabVerification::instance->onVrModeChanged();
        if (verification->prVerificationMode->value() == 0) {
            m_methodDescription->setText(Dictionary::instance->methodADescription);
            enableDeviceTabs();
        } else if (verification->prVerificationMode->value() == 1) {
            m_methodDescription->setText(Dictionary::instance->methodBDescription);
        }
        break;
    }
    case FieldTransducerMin:
    case FieldTransducerMax: {
        AirHandler::instance->recomputeDisplayValues();
        // The edited limits themselves have not changed: refreshing their editors would
        // rewrite the text under the operator's cursor.
        QList<PrField *> changed = m_refreshList;
        changed.removeAll(m_minField);
        changed.removeAll(m_maxField);
        refreshFields(changed);
        break;
    }
    default:
        break;
    }
}

void TabSettings::refreshRunPage()
{
    // The run page's columns and results follow at once, not at the next START.
    if (TabVerification::instance)
        TabVerification::instance->updateParametrs();
}

void TabSettings::enableDeviceTabs()
{
    const int count = Conditions::instance->prVrDeviceCount->value();
    for (int i = 0; i < m_deviceTabs->count(); ++i)
        m_deviceTabs->setTabEnabled(i, i < count);
}

void TabSettings::applyStepRule()
{
    Verification *verification = Verification::instance;
    if (verification->prAutoStepCompute->value() != 1)
        return;
    verification->computeAutoStep();
    m_stepField->refreshEditors();
}

void TabSettings::convertVerificationUnits(int from, int to)
{
    m_verificationUnits = to;
    if (from == to || !(unitFactor(from) > 0) || !(unitFactor(to) > 0))
        return;
    // The factors are decimal, their products in binary are not: 0.6 MPa would become
    // 600.0000000000001 kPa. Fifteen significant digits drop that noise and keep every digit
    // a field shows.
    auto convert = [from, to](ParametrDouble *parametr) {
        const double x = convertUnits(from, to, parametr->value());
        parametr->setValue(std::isfinite(x) ? QString::number(x, 'g', 15).toDouble() : x);
    };
    Verification *verification = Verification::instance;
    convert(verification->prMinValue);
    convert(verification->prMaxValue);
    convert(verification->prStep);
    // The division's field holds 0.001 to 1000 in any unit, and conf.ini keeps nothing beyond:
    // a division the new unit puts outside takes the nearest the field holds. The points taken
    // keep their uncertainties, which were worked out when they were stored.
    ParametrDouble *division = Conditions::instance->prIndicatorStep;
    convert(division);
    if (std::isfinite(division->value()))
        division->setValue(std::clamp(division->value(), division->min(), division->max()));
    m_scaleDivisionField->refreshEditors();
}

void TabSettings::refreshPortField()
{
    Dictionary *dict = Dictionary::instance;
    int chosen = -1;
    {
        std::lock_guard<std::mutex> lock(dict->comPortsMutex);
        m_portItems = dict->comPorts;
        chosen = AirHandler::instance->portParametr()->value();
    }
    m_portChoice->setValue(chosen);
    m_portField->refreshEditors();
}

void TabSettings::refreshFields(const QList<PrField *> &fields)
{
    for (PrField *field : fields)
        field->refreshEditors();
}

void TabSettings::onAirTaskComplete(int task)
{
    switch (task) {
    case AirHandler::TaskSearchPorts:
        refreshPortField();
        break;
    case AirHandler::TaskReadSettings:
    case AirHandler::TaskWriteSettings:
        refreshFields(m_deviceSettingFields);
        refreshFields(m_refreshList);
        break;
    default:
        break;
    }
}

void TabSettings::setConnectedState(bool connected)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{m_conditionsGroup, m_devicesGroup, m_infoGroup,
                                                            m_conductGroup, m_methodGroup, m_parametersGroup,
                                                            m_noteLabel})
        widget->setVisible(connected);
    if (!connected)
        return;

    TAIR *tair = TAIR::instance;
    const bool old = tair->isOldVersion();
    if (old) {
        tair->prSerialNumber->setValue(QString());
        tair->prSoftwareVersion->setValue(QString());
        refreshFields({m_serialField, m_rangeTextField, m_versionField});
        AirHandler::instance->recomputeDisplayValues();
    }
    m_modelField->refreshEditors();
    m_serialField->setEnabled(old);
    m_versionField->setEnabled(old);
    m_rangeTextField->setEnabled(false);
    m_deviceUnitsField->setVisible(old);
    m_minField->setVisible(old);
    m_maxField->setVisible(old);

    // The connect has written the identity. The device settings and the software version are
    // the read-settings task's, which may be running now: they are refreshed when it finishes.
    QList<PrField *> identity = m_refreshList;
    for (PrField *field : qAsConst(m_deviceSettingFields))
        identity.removeAll(field);
    identity.removeAll(m_versionField);
    refreshFields(identity);
}

void TabSettings::onVerificatonStateChanged()
{
    const bool running = Verification::instance->state() == 0;
    for (QWidget *widget : std::initializer_list<QWidget *>{m_conditionsGroup, m_devicesGroup, m_infoGroup,
                                                            m_conductGroup, m_panel, m_parametersGroup,
                                                            m_methodGroup})
        widget->setEnabled(!running);
    // Read at the start and at the end of a run. A failed read at the end keeps what the
    // start read: the run took place in those conditions.
    if (Conditions::instance->prReadConditions->value() == 1)
        readAmbientConditions(running);
}

void TabSettings::adjustWidth()
{
    const int width = m_conductGroup->width();
    if (m_noteLabel->maximumWidth() != width)
        m_noteLabel->setMaximumWidth(width);
}

void TabSettings::showEvent(QShowEvent *event)
{
    // The transducer settings page may have shown the link and information groups meanwhile.
    m_leftLayout->addWidget(m_linkGroup);
    m_leftLayout->addWidget(m_infoGroup);
    m_leftLayout->addWidget(m_conditionsGroup);
    m_leftLayout->addWidget(m_leftSpacer);
    adjustWidth();
    Tab::showEvent(event);
}
