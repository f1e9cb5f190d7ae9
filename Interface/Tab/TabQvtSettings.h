#pragma once

#include "Widgets/Tab.h"

class HButton;
class HGroupBox;
class HTabWidget;
class PrField;
class QVBoxLayout;

// The transducer settings page: the link, the transducer's identity and device settings next
// to the live graph, and the two-point trim of the span. The operator applies a pressure near
// the lower and then near the upper end of the range; the page takes the transducer's reading
// at each point next to the reference value the operator confirms, checks both against fixed
// tolerances, and finally has the worker rescale and write the calibration table.
//
// The link group, the information group and the settings panel belong to the settings page,
// the graph to the graph page: the panel moves into the nested tabs once, the others are taken
// into this page's layout on every show.
class TabQvtSettings : public Tab
{
    Q_OBJECT
public:
    enum Button { ButtonStart = 0, ButtonCancel = 1, ButtonWrite = 2, ButtonAcceptLow = 3, ButtonAcceptHigh = 4 };

    enum TrimState : unsigned { TrimIdle = 0, TrimLowPoint = 1, TrimHighPoint = 2, TrimReadyToWrite = 3 };

    // Needs the settings page and the graph page built before it.
    explicit TabQvtSettings(QWidget *parent = nullptr);
    ~TabQvtSettings() override;

    static TabQvtSettings *instance;

    void setTrimState(unsigned state);
    unsigned trimState() const { return m_trimState; }
    // Any change of the link ends a trim.
    void setConnectedState(bool connected);
    void setVerificationRunning(bool running);
    void placeSharedWidgets();

    HTabWidget *nestedTabs() const { return m_nestedTabs; }
    QWidget *trimPanel() const { return m_trimPanel; }
    HGroupBox *averagingGroup() const { return m_averagingGroup; }
    HGroupBox *lowPointGroup() const { return m_lowGroup; }
    HGroupBox *highPointGroup() const { return m_highGroup; }
    QWidget *leftColumn() const { return m_leftColumn; }
    QWidget *rightColumn() const { return m_rightColumn; }

signals:
    void trimStateChanged(bool active);

public slots:
    void onFieldChanged();
    void onButtonPressed();
    void onTaskFinished(int task);
    void setTrimMeasuredLo();
    void setTrimMeasuredHi();
    void updateTrimAverage();
    void onUnitsUpdated();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void buildTrimPanel();
    HGroupBox *buildPointGroup(PrField **measured, PrField **reference, int buttonId);
    HButton *addButton(const QString &text, int id, int iconSlot);
    void askWrite();
    void acceptLowPoint();
    void acceptHighPoint();
    // The measured value of the point in hand from the reading that has just arrived.
    void takeReading(unsigned state);

    QWidget *m_linkGroup = nullptr;
    QWidget *m_infoGroup = nullptr;
    QWidget *m_settingsPanel = nullptr;
    QWidget *m_trimPanel = nullptr;
    QWidget *m_leftColumn = nullptr;
    QVBoxLayout *m_leftLayout = nullptr;
    QWidget *m_rightColumn = nullptr;
    QVBoxLayout *m_rightLayout = nullptr;
    HTabWidget *m_nestedTabs = nullptr;
    QWidget *m_spacer = nullptr;

    HButton *m_startButton = nullptr;
    HGroupBox *m_averagingGroup = nullptr;
    PrField *m_averageCountField = nullptr;
    HGroupBox *m_lowGroup = nullptr;
    PrField *m_measuredLowField = nullptr;
    PrField *m_referenceLowField = nullptr;
    HGroupBox *m_highGroup = nullptr;
    PrField *m_measuredHighField = nullptr;
    PrField *m_referenceHighField = nullptr;
    HButton *m_writeButton = nullptr;
    HButton *m_cancelButton = nullptr;

    unsigned m_trimState = TrimIdle;
};
