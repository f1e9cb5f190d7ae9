#pragma once

#include "Widgets/Tab.h"

// The verification settings page; for now it shows its title only.
class TabSettings : public Tab
{
    Q_OBJECT
public:
    explicit TabSettings(QWidget *parent = nullptr);
    ~TabSettings() override;

    static TabSettings *instance;

    void setConnectedState(bool connected);
    void adjustWidth();

public slots:
    // Also hears the run page's zero-trim button.
    void onButtonPressed();
};
