#pragma once

#include "Parameters/EnumItem.h"
#include "Widgets/Tab.h"

#include <QList>
#include <memory>

class HGroupBox;
class HTabWidget;
class ParametrEnum;
class PrField;
class QLabel;
class QVBoxLayout;
class VrDevice;

// The verification settings page: the link to the reference transducer, its identity and
// device settings, the ambient conditions, the conduct of the verification, the gauges under
// test, the method and the verification parameters. Every field edits a parameter owned
// elsewhere; the page owns only the widgets. Its buttons ask the transducer worker for tasks,
// and its reactions to edited fields keep dependent values, captions and other pages in step.
class TabSettings : public Tab
{
    Q_OBJECT
public:
    // The ids that the fields' changed() passes on to applyFieldChange.
    enum Field {
        FieldPort = 0,
        FieldDeviceCount = 1,
        FieldAccuracyClass = 2,
        FieldUnits = 3,
        FieldDecimals = 4,
        FieldStep = 5,
        FieldAutoStep = 6,
        FieldRange = 7,
        FieldScaleDivision = 8,
        FieldMethod = 9,
        FieldReserveCoefficient = 10,
        FieldTransducerMin = 11,
        FieldTransducerMax = 12
    };

    // The ids of the buttons, for processButton.
    enum Button {
        ButtonSearchPorts = 0,
        ButtonConnect = 1,
        ButtonReadSettings = 2,
        ButtonWriteSettings = 3,
        ButtonZeroTrim = 4,
        ButtonReadConditions = 5,
        ButtonDeviceCards = 6,
        ButtonClearDevice = 7
    };

    static constexpr int DeviceCount = 4;

    explicit TabSettings(QWidget *parent = nullptr);
    ~TabSettings() override;

    static TabSettings *instance;

    // Ignored while a press is being handled (the zero-trim question included).
    void processButton(int id);
    void applyFieldChange(int id);
    // The groups shown and the identity fields by the link and the transducer's version.
    void setConnectedState(bool connected);
    // The note follows the width of the conduct group.
    void adjustWidth();

    // The transducer settings page shows these on its own page while it is shown: the two
    // groups come back with this page's every show, the panel stays there once taken.
    HGroupBox *linkGroup() const { return m_linkGroup; }
    HGroupBox *infoGroup() const { return m_infoGroup; }
    QWidget *deviceSettingsPanel() const { return m_panel; }

    HGroupBox *conditionsGroup() const { return m_conditionsGroup; }
    HGroupBox *conductGroup() const { return m_conductGroup; }
    HGroupBox *devicesGroup() const { return m_devicesGroup; }
    HGroupBox *methodGroup() const { return m_methodGroup; }
    HGroupBox *parametersGroup() const { return m_parametersGroup; }
    QWidget *leftColumn() const { return m_leftColumn; }
    HTabWidget *deviceTabs() const { return m_deviceTabs; }
    PrField *portField() const { return m_portField; }
    PrField *rangeField() const { return m_rangeField; }
    PrField *stepField() const { return m_stepField; }
    QLabel *methodDescription() const { return m_methodDescription; }
    QLabel *noteLabel() const { return m_noteLabel; }
    // The record of the device tab in front.
    VrDevice *currentDevice() const;

public slots:
    // Hears the page's buttons and the run page's zero-trim button.
    void onButtonPressed();
    void onAirTaskComplete(int task);
    void onFieldChanged();
    // Locks the form while a verification runs.
    void onVerificatonStateChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildLinkGroup();
    void buildInfoGroup();
    void buildDeviceSettingsPanel();
    void buildConditionsGroup();
    void buildConductGroup();
    void buildDevicesGroup();
    QWidget *buildDeviceTab(int index);
    void buildMethodGroup();
    void buildParametersGroup();
    void placeColumns();

    void refreshPortField();
    void enableDeviceTabs();
    void refreshRunPage();
    void applyStepRule();
    // The range, the step and the scale division keep their pressures in the new units.
    void convertVerificationUnits(int from, int to);
    void askZeroTrim();
    // The ambient conditions from the meter. A failed read writes "-" only when asked to.
    void readAmbientConditions(bool failureClears);
    void clearCurrentDevice();
    // The device-card page opens here, with the record of the device tab in front.
    void showDeviceCards(VrDevice *device);
    void refreshFields(const QList<PrField *> &fields);

    HGroupBox *m_linkGroup = nullptr;
    HGroupBox *m_infoGroup = nullptr;
    QWidget *m_panel = nullptr;
    HGroupBox *m_conditionsGroup = nullptr;
    HGroupBox *m_conductGroup = nullptr;
    HGroupBox *m_devicesGroup = nullptr;
    HGroupBox *m_methodGroup = nullptr;
    HGroupBox *m_parametersGroup = nullptr;

    QWidget *m_leftColumn = nullptr;
    QVBoxLayout *m_leftLayout = nullptr;
    QWidget *m_leftSpacer = nullptr;

    // The worker refills the port list and the choice in every port search. The field edits
    // this copy, taken under the list's guard; a choice goes back through AirHandler.
    EnumList m_portItems;
    std::unique_ptr<ParametrEnum> m_portChoice;
    PrField *m_portField = nullptr;

    HTabWidget *m_deviceTabs = nullptr;
    PrField *m_deviceCountField = nullptr;

    QList<PrField *> m_conditionFields;
    QList<PrField *> m_deviceSettingFields;

    PrField *m_accuracyClassField = nullptr;
    PrField *m_stepField = nullptr;
    PrField *m_rangeField = nullptr;
    PrField *m_scaleDivisionField = nullptr;
    QLabel *m_methodDescription = nullptr;
    // The display units the range, the step and the scale division are written in.
    int m_verificationUnits = -1;

    PrField *m_typeField = nullptr;
    PrField *m_serialField = nullptr;
    PrField *m_rangeTextField = nullptr;
    PrField *m_versionField = nullptr;
    PrField *m_deviceUnitsField = nullptr;
    PrField *m_modelField = nullptr;
    PrField *m_minField = nullptr;
    PrField *m_maxField = nullptr;
    QLabel *m_noteLabel = nullptr;

    // The eleven transducer information fields, then the four device settings.
    QList<PrField *> m_refreshList;
};
