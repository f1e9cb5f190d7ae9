#pragma once

#include "Widgets/Tab.h"

// The transducer settings and trim page; for now it shows its title only.
class TabQvtSettings : public Tab
{
    Q_OBJECT
public:
    explicit TabQvtSettings(QWidget *parent = nullptr);
    ~TabQvtSettings() override;

    static TabQvtSettings *instance;

    void setConnectedState(bool connected);
    void setVerificationRunning(bool running);

signals:
    // True while a trim runs; the main window then locks the other pages.
    void trimStateChanged(bool active);
};
