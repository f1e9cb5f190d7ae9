#pragma once

#include "Widgets/Tab.h"

#include <QMutex>

class GraphWidget;
class HButton;
class LinenPlot;
class MeasureDisplay;
class QGridLayout;
class QTimer;

// The graph page: START/STOP of the continuous measurement, the live graph and the measure
// display. While measuring, a 1000 ms timer asks for one reading a tick; each reading that comes
// back is plotted and shown. The verification page and the transducer settings page start and
// stop the measurement here, and borrow the graph and the display into their own layouts while
// they are shown; this page takes them back when it is shown.
class TabGraph : public Tab
{
    Q_OBJECT
public:
    static constexpr int MeasureIntervalMs = 1000;

    explicit TabGraph(QWidget *parent = nullptr);
    ~TabGraph() override;

    static TabGraph *instance;

    // 1 starts (the plot is cleared), 0 stops (the plot keeps its data); other values do nothing.
    void setMeasuring(int state);
    void setConnectedState(bool connected);
    // Cleared while a verification runs: the button stays disabled.
    void setStartAllowed(bool allowed);
    void setStartButtonState(bool measuring);

    bool isStartAllowed() const { return m_startAllowed; }
    bool isConnected() const { return m_connected; }

    GraphWidget *graphWidget() const { return m_graphWidget; }
    MeasureDisplay *measureDisplay() const { return m_display; }
    LinenPlot *plot() const { return m_plot; }
    HButton *measureButton() const { return m_measureButton; }
    QTimer *measureTimer() const { return m_timer; }

    // The button's height for a line height of the page's font.
    static int measureButtonHeight(int lineHeight);

public slots:
    void updateDisplayUnits();
    void updateData();
    void onEtalonUnitsChanged();
    void onButtonPressed();
    void onMeasureTime();
    void onFontChanged();

protected:
    void showEvent(QShowEvent *event) override;

private:
    GraphWidget *m_graphWidget;
    MeasureDisplay *m_display;
    LinenPlot *m_plot;
    // Taken only in the GUI thread: it guards against re-entry (a reading while the plot is
    // being reset), not against other threads.
    QMutex m_mutex;
    QTimer *m_timer;
    QWidget *m_controlPanel;
    QGridLayout *m_panelGrid;
    HButton *m_measureButton;
    bool m_startAllowed = true;
    bool m_connected = false;
};
