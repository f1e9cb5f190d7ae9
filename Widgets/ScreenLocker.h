#pragma once

#include <QColor>
#include <QPoint>
#include <QWidget>
#include <cstdint>

class QFrame;
class QGridLayout;
class QProgressBar;
class QPushButton;

// The overlay that covers the main window while a long job runs, with a progress bar
// telling what goes on and how much of it is done. Input is blocked by the window,
// which disables itself meanwhile; the overlay only shows it.
class ScreenLocker : public QWidget
{
    Q_OBJECT
public:
    // 0 device search (the look from construction), 1 exchange at start-up,
    // 2 exchange without Cancel.
    enum State : uint8_t { StateSearch = 0, StateStartupExchange = 1, StateExchange = 2, NoState = 255 };

    explicit ScreenLocker(QWidget *parent = nullptr);
    ~ScreenLocker() override;

    void setState(uint8_t kind);
    uint8_t state() const { return m_state; }

    QColor overlayColor() const { return m_overlayColor; }
    QPushButton *cancelButton() const { return m_cancelButton; }
    QProgressBar *progressBar() const { return m_progressBar; }
    QFrame *panel() const { return m_panel; }

signals:
    void buttonPushed();

public slots:
    void setProgressValue(int value);
    void setMaxProgress(int maximum);
    void addProgress();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    // The worker asks whether the lock is shown; it reads this copy, never the widget.
    void publishVisibility(bool visible);

    QColor m_overlayColor;
    QPushButton *m_cancelButton;
    QProgressBar *m_progressBar;
    uint8_t m_state = NoState;
    QGridLayout *m_outerLayout;
    QPoint m_offset;
    QFrame *m_panel;
};
