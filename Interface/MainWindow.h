#pragma once

#include <QMainWindow>

class HTabWidget;
class QAction;
class QMenu;
class ScreenLocker;

// The workstation's only window: the menus, the screen lock overlay and the four pages.
// It reaches the pages only through their instance pointers.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    enum Action {
        ActionExit = 0,
        ActionFullScreen = 1,
        ActionConnect = 2,
        ActionDisconnect = 3,
        ActionFontUp = 4,
        ActionFontDown = 5,
        ActionHelp = 6,
        ActionAbout = 7
    };

    static constexpr int MinimumFontSize = 5;
    static constexpr int MaximumFontSize = 80;
    // The wheel's angle per notch, in eighths of a degree: one font step.
    static constexpr int WheelStep = 120;

    explicit MainWindow(QWidget *parent = nullptr);
    // Runs the once-only shutdown, then destroys the window.
    ~MainWindow() override;

    static MainWindow *instance;

    static QString version();
    // "Мановера   v2.9": the window's and the about box's title.
    static QString titleText();
    static QString aboutText();

    // Carries out menu action id 0..7; any other id does nothing.
    void activateAction(int id);

    ScreenLocker *screenLocker() const { return m_locker; }
    HTabWidget *tabWidget() const { return m_tabs; }
    // The menu action of an id; null for an unknown id.
    QAction *action(int id) const;
    // The help topic of the page in front.
    int helpTopic() const;

signals:
    void sizeChanged();

public slots:
    void onActionActivate();
    void onConnectedStateChanged(bool connected);
    void onFontChanged();
    void setScreenLockState(bool isLocked);
    void onVerificatonStateChanged();
    void onTrimStateChanged(bool active);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    // Control with the wheel over any widget of the window, before the widget has it.
    bool eventFilter(QObject *watched, QEvent *event) override;
    // Tab passes over what a page, message or lock laid over the window covers.
    bool focusNextPrevChild(bool next) override;

private:
    QAction *addMenuAction(QMenu *menu, const QString &text, int id, const QIcon &icon = QIcon());
    void buildMenus();
    void changeFontSize(int size);
    // One font step per notch of a Control+wheel turn; takes the event.
    void turnFontWheel(QWheelEvent *event);

    ScreenLocker *m_locker = nullptr;
    HTabWidget *m_tabs = nullptr;
    QAction *m_connectAction = nullptr;
    QAction *m_disconnectAction = nullptr;
    // Wheel angle not yet turned into a font step (touchpads send small steps).
    int m_wheelAngle = 0;
};
