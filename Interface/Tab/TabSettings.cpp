#include "Interface/Tab/TabSettings.h"

#include <QGridLayout>
#include <QLabel>

TabSettings *TabSettings::instance = nullptr;

TabSettings::TabSettings(QWidget *parent) : Tab(parent)
{
    grid()->addWidget(new QLabel(tr("Параметры поверки"), this), 0, 0, Qt::AlignCenter);
    instance = this;
}

TabSettings::~TabSettings()
{
    if (instance == this)
        instance = nullptr;
}

void TabSettings::setConnectedState(bool)
{
}

void TabSettings::adjustWidth()
{
}

void TabSettings::onButtonPressed()
{
}
