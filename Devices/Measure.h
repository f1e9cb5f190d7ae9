#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <mutex>

// The last reading of the reference transducer: stored by the worker thread, read by the
// pages after MainHandler::dataMeasured().
class Measure : public QObject
{
    Q_OBJECT
public:
    static constexpr uint8_t NoAnswer = 255;

    struct Reading
    {
        uint8_t status;
        double value;   // kPa
        // False from invalidate() until a reading asked for after it has arrived: the one held
        // then tells the pressure as it was before, not as it is.
        bool current;
    };

    explicit Measure(QObject *parent = nullptr);
    ~Measure() override;

    static Measure *instance;

    void setMeasuring(bool on) { m_measuring = on; }
    bool isMeasuring() const { return m_measuring; }

    // Asks the worker for one reading; it is taken only when the worker is idle.
    // Returns the worker's next task as it was (0: the reading was taken on).
    int requestMeasurement();

    // Worker thread: stores one reading, then emits MainHandler::dataMeasured(). A reading of an
    // older series than the present one is stored and shown but is not current.
    void setValue(uint8_t status, double kPa, unsigned series);
    // A reading of the present series.
    void setValue(uint8_t status, double kPa) { setValue(status, kPa, series()); }

    // Worker thread: the series of the reading about to be asked for, taken before asking.
    unsigned series() const;
    // GUI thread: starts a new series. The reading held and the reference's history of good
    // readings no longer count: a run has started or the link has changed since.
    void invalidate();

    // Status and value of one and the same reading.
    Reading reading() const;
    double value() const { return reading().value; }
    uint8_t status() const { return reading().status; }
    // In the display units of TAIR.
    double displayValue() const;
    QString statusText() const;
    // The text of a status taken from one reading() snapshot.
    static QString statusText(uint8_t status);
    QString unitsText() const;

signals:
    void etalonUnitsChanged();

private:
    bool m_measuring = false;
    mutable std::mutex m_mutex;
    Reading m_reading;
    unsigned m_series = 0;
};
