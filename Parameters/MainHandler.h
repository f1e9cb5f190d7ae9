#pragma once

#include <QObject>
#include <atomic>

// The application's signal hub. The busy flag and the lock overlay's visibility
// are read by the transducer worker, so both are atomic copies kept by the GUI thread.
class MainHandler : public QObject
{
    Q_OBJECT
public:
    explicit MainHandler(QObject *parent = nullptr);

    static MainHandler *instance;

    bool isBusy() const { return m_busy.load(std::memory_order_acquire); }
    void setBusy(bool busy) { m_busy.store(busy, std::memory_order_release); }

    // Kept by the screen lock overlay of the main window as it is shown and hidden.
    void setOverlayVisible(bool visible) { m_overlayVisible.store(visible, std::memory_order_release); }
    bool overlayVisible() const { return m_overlayVisible.load(std::memory_order_acquire); }

signals:
    void setLockScreenMaxVal(int);
    void lockScreenAddVal();
    void setScreenLockState(bool isLocked);
    void connectStateChnanged(bool isConnected);
    void fontChanged();
    void dataMeasured();
    void configurationLoad();

private:
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_overlayVisible{false};
};

// True when the main window's lock overlay exists and is shown.
bool isScreenLocked();
