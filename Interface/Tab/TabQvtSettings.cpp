#include "Interface/Tab/TabQvtSettings.h"

#include <QGridLayout>
#include <QLabel>

TabQvtSettings *TabQvtSettings::instance = nullptr;

TabQvtSettings::TabQvtSettings(QWidget *parent) : Tab(parent)
{
    grid()->addWidget(new QLabel(tr("Настройка ЦРЗ"), this), 0, 0, Qt::AlignCenter);
    instance = this;
}

TabQvtSettings::~TabQvtSettings()
{
    if (instance == this)
        instance = nullptr;
}

void TabQvtSettings::setConnectedState(bool)
{
}

void TabQvtSettings::setVerificationRunning(bool)
{
}
