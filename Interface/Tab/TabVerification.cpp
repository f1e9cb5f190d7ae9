#include "Interface/Tab/TabVerification.h"

#include <QGridLayout>
#include <QLabel>

TabVerification *TabVerification::instance = nullptr;

TabVerification::TabVerification(QWidget *parent) : Tab(parent)
{
    grid()->addWidget(new QLabel(tr("Поверка"), this), 0, 0, Qt::AlignCenter);
    instance = this;
}

TabVerification::~TabVerification()
{
    if (instance == this)
        instance = nullptr;
}

void TabVerification::setConnectedState(bool)
{
}
