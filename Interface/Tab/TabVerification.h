#pragma once

#include "Widgets/Tab.h"

#include <QList>
#include <QMutex>

class EditField;
class HButton;
class HDoubleSpinBoxDelegate;
class IndicatorEtalon;
class MeasureDisplay;
class ParametrString;
class QGridLayout;
class QHeaderView;
class QLabel;
class QTableView;
class QVBoxLayout;

// The verification run page: the points table, START/STOP of a run, the steps from point to
// point, the readings of the reference stored into the devices' columns and the largest reduced
// error and variation of each device. While it is shown it hosts the graph page's live graph and
// measure display; during a method-B run it shows the reference against the current setpoint.
class TabVerification : public Tab
{
    Q_OBJECT
public:
    enum ButtonId {
        ButtonStart = 0,
        ButtonStop = 1,
        ButtonNextPoint = 2,
        ButtonProtocols = 3,
        ButtonZeroTrim = 4
    };

    static constexpr int DeviceColumns = 4;
    static constexpr int MinimumStartButtonHeight = 70;

    // A device's "Установить" button over the current row (method A with several devices).
    struct DeviceButton
    {
        HButton *button = nullptr;
        // Still due at the current point.
        bool shown = false;
    };

    // The two result cells of one device column.
    struct ResultCells
    {
        ParametrString *errorText = nullptr;
        ParametrString *variationText = nullptr;
        EditField *errorCell = nullptr;
        EditField *variationCell = nullptr;
    };

    explicit TabVerification(QWidget *parent = nullptr);
    ~TabVerification() override;

    static TabVerification *instance;
    // Keeps updateSize() from running inside itself (a resize it causes calls it again).
    static QMutex sizeGuard;

    // 0 start, 1 stop, 2 next point, 3 certificates and protocols; other ids do nothing.
    void processButton(int id);
    // False, after a message, when a device under test failed one of its checks.
    bool checkDevicesBeforeStart();
    // -1: no current row.
    void setCurrentPoint(int row);
    void setConnectedState(bool connected);
    // Shows a result in its cell: "-" for NaN; the cells of devices beyond the count stay hidden.
    void formatResultCell(EditField *cell, ParametrString *text, double value, int device);

    static int startButtonHeight(int lineHeight);

    HButton *startButton() const { return m_startButton; }
    HButton *nextPointButton() const { return m_nextButton; }
    HButton *protocolsButton() const { return m_protocolsButton; }
    HButton *zeroTrimButton() const { return m_zeroTrimButton; }
    IndicatorEtalon *indicator() const { return m_indicator; }
    QWidget *currentRowMarker() const { return m_marker; }
    QTableView *table() const { return m_table; }
    HButton *deviceButton(int device) const { return m_deviceButtons.at(device).button; }
    EditField *errorCell(int device) const { return m_resultCells.at(device).errorCell; }
    EditField *variationCell(int device) const { return m_resultCells.at(device).variationCell; }
    QString errorText(int device) const;
    QString variationText(int device) const;

signals:
    void singalUpdateSize();

public slots:
    void onVrModeChanged();
    void onButtonPressed();
    void onMeasureButtonPressed();
    void updateParametrs();
    void updateSize();
    void currentPointChanged();
    void onTableDataChanged();
    void onDecimalsChanged();
    void onSectionClicked(int row);
    void onDataMeasured();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void startRun();
    void stopRun();
    void nextPoint();
    // The reference's reading rounded to the display decimals, in display units; false when the
    // reading is no good one (a failed status or a value that is no number).
    bool takeReading(double *value) const;
    // True, after telling the operator, while the readings are not yet this run's: until a
    // reading taken since START and since the link last changed has arrived, and two are in the
    // history for the point's uncertainty.
    bool refusedForOldReadings();
    // Focus to the next device button still due after this one (-1: the first), in order and
    // round, else to the next-point button.
    void focusAfterDeviceButton(int device);
    // Writes one stored reading into a cell and repaints the table, which the model does not tell.
    void storeReading(int row, int column, double value);
    void hideRowWidgets();
    // The focus on the operator's next step in the run.
    void focusNextStep();
    void updateIndicatorVisibility();
    void updateMethodCaption();
    void colourCell(EditField *cell, const QColor &colour);

    int m_currentColumn = 0;
    QWidget *m_topPanel;
    QGridLayout *m_topGrid;
    HButton *m_startButton;
    HButton *m_nextButton;
    HButton *m_protocolsButton;
    QLabel *m_methodCaption;
    HButton *m_zeroTrimButton;
    IndicatorEtalon *m_indicator;
    QWidget *m_marker;
    QTableView *m_table;
    QHeaderView *m_verticalHeader;
    HDoubleSpinBoxDelegate *m_delegate;
    QWidget *m_graphHolder;
    QVBoxLayout *m_graphLayout;
    QList<ResultCells> m_resultCells;
    QList<DeviceButton> m_deviceButtons;
    bool m_firstShow = true;
    MeasureDisplay *m_display = nullptr;
    bool m_connected = false;
    // The run started the graph page's measuring and stops it.
    bool m_runMeasures = false;
};
