#include "Parameters/MessageHandler.h"

#include <QDebug>

MessageHandler *MessageHandler::instance = nullptr;

MessageHandler::MessageHandler(QObject *parent) : QObject(parent)
{
    instance = this;
    connect(this, SIGNAL(showMessageSignal(QString,int)), this, SLOT(showMessageSlot(QString,int)));
}

void MessageHandler::post(const QString &text, int type)
{
    // Before the hub exists nobody can show it; keep the text in the log at least.
    if (!instance) {
        qWarning() << "MESSAGE LOST" << type << text;
        return;
    }
    emit instance->showMessageSignal(text, type);
}

void MessageHandler::showInfo(const QString &text)
{
    post(text, 0);
}

void MessageHandler::showWarning(const QString &text)
{
    post(text, 1);
}

void MessageHandler::showError(const QString &text)
{
    post(text, 2);
}

void MessageHandler::showMessageSlot(QString text, int type)
{
    qDebug() << "MESSAGE" << type << text;
}
