#pragma once

#include "Devices/ExternalDeviceHandler.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>

class HAbstractParametr;
class ParametrEnum;
class QiroChannel;
class TAIR;

// The worker that drives the reference transducer: its work() loops over numbered tasks in
// the worker thread, one at a time. The GUI asks for a task by number and learns its end from
// taskFinished(int); every exchange with the transducer happens in the worker thread.
class AirHandler : public ExternalDeviceHandler
{
    Q_OBJECT
public:
    enum Task {
        TaskIdle = 0,
        TaskSearchPorts = 1,
        TaskOpenPort = 2,
        TaskConnect = 3,
        TaskMeasure = 4,
        TaskReadSettings = 5,
        TaskWriteSettings = 6,
        TaskZeroTrim = 7,
        TaskReadTable = 8,
        TaskWriteTable = 9
    };

    // Written to the calibration access parameter before the table rows, 0 after them.
    static constexpr uint8_t CalibrationAccessValue = 0x5A;
    static constexpr uint16_t ModeWord = 240;
    static constexpr int ZeroTrimReadings = 5;

    // Starts the worker; its first task is the port search.
    explicit AirHandler(QObject *parent = nullptr);
    ~AirHandler() override;

    static AirHandler *instance;

    // GUI thread. Requests run in the order asked, each after the task in hand; a request
    // taken replaces the chained next task. None replaces another that is not yet taken, and
    // one equal to a request still waiting is dropped. A task that locks the screen locks it
    // at once, so that what asked for it cannot ask again before the worker takes it.
    void requestTask(int task);
    // Any thread: whether a request waits that the worker has not taken yet.
    bool requestWaiting();
    // Turns an idle next task into a reading; returns the next task as it was (0: taken).
    int startMeasuring();
    // The range of TAIR from its typed minimum and maximum (in the transducer's units); kept
    // as it is while the transducer's units are unknown.
    void recomputeDisplayValues();
    void setAveraging(bool on, uint8_t count);
    bool averagingOn() const { return m_averaging.load(std::memory_order_acquire); }
    uint8_t averageCount() const { return m_averageCount.load(std::memory_order_acquire); }
    // Outcome of the last table task: 2 running, 1 failed, 0 done.
    int taskPhase() const { return m_phase.load(std::memory_order_acquire); }
    // The same for the last run of one table task (TaskReadTable or TaskWriteTable): a table
    // task asked for right after it may already run when its taskFinished arrives.
    int taskPhase(int task) const;

    // The chosen port: its value is an index of Dictionary::comPorts, -1 for none. The worker
    // refills both in the port search; an editor reads and writes it under
    // Dictionary::comPortsMutex, the accessors below lock it themselves.
    ParametrEnum *portParametr() const { return m_port.get(); }
    int portIndex() const;
    void setPortIndex(int index);
    // The name of the chosen port; empty when there is none.
    QString portName() const;

signals:
    void taskFinished(int task);

protected:
    void work() override;

private:
    void handleTask(int task);
    void idle();
    void searchPorts();
    void openPort();
    void connectDevice();
    bool readIdentity();
    void measure();
    // continuing: a read that counts on in the progress of the task before it (the connect it
    // follows, or the write it reads back).
    bool transferSettings(int command, bool continuing);
    bool transferParametr(int command, int parameter, HAbstractParametr *parametr);
    bool writeModeWord(uint16_t word);
    void zeroTrim();
    bool averageMeasure(int count, double *mean);
    void readTable();
    void writeTable();
    bool readTairRecord(int parameter, int row);
    bool writeTairRecord(int parameter, int row);

    // A good answer of exactly size bytes.
    bool readExactly(int parameter, int size);
    bool readFloat(int parameter, float *value);
    void setDisconnected();
    void applyLimits(double lowerKPa, double upperKPa);

    // Takes the oldest request into *task; false when none waits.
    bool takeRequest(int *task);
    // A task taken while the link is down sends nothing; false (and a log line) then.
    bool linkUp() const;
    // The phase of a table task, which is also the last table task's phase.
    void setPhase(int task, int phase);

    std::unique_ptr<ParametrEnum> m_port;
    TAIR *m_tair = nullptr;
    std::atomic<int> m_nextTask{TaskIdle};
    int m_task = TaskSearchPorts;
    // Worker thread only: the task handled before the one in hand.
    int m_previousTask = TaskIdle;
    // Requests not yet taken, oldest first.
    std::mutex m_requestsMutex;
    std::deque<int> m_requests;
    std::atomic<uint8_t> m_averageCount{10};
    std::atomic<bool> m_averaging{false};
    std::atomic<int> m_phase{0};
    std::atomic<int> m_readTablePhase{0};
    std::atomic<int> m_writeTablePhase{0};
    // Worker thread only.
    std::unique_ptr<QiroChannel> m_channel;
    QList<double> m_samples;
    // The series of Measure the samples and the reference's history belong to.
    unsigned m_series = 0;
    // A table read whole since the transducer connected, not yet written back.
    bool m_tableRead = false;
};
