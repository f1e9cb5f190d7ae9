#pragma once

#include "Widgets/Tab.h"

// The verification run page; for now it shows its title only.
class TabVerification : public Tab
{
    Q_OBJECT
public:
    explicit TabVerification(QWidget *parent = nullptr);
    ~TabVerification() override;

    static TabVerification *instance;

    void setConnectedState(bool connected);
};
