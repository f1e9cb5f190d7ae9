#include "Parameters/MessageHandler.h"

#include "Widgets/HostWindow.h"
#include "Widgets/MessageBox.h"

#include <QDebug>
#include <QTimer>

namespace {
constexpr int PendingRetryMs = 200;
}

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
    // Without a window the box would become a window of its own; such a message
    // waits for the main window instead of being lost.
    if (!m_pending.isEmpty() || !hostWindow()) {
        if (m_pending.isEmpty())
            QTimer::singleShot(PendingRetryMs, this, &MessageHandler::showPending);
        m_pending.append(qMakePair(text, type));
        return;
    }
    auto *box = new MessageBox(text, type);
    box->show();
}

void MessageHandler::showPending()
{
    if (!hostWindow()) {
        QTimer::singleShot(PendingRetryMs, this, &MessageHandler::showPending);
        return;
    }
    const auto pending = m_pending;
    m_pending.clear();
    for (const auto &message : pending)
        showMessageSlot(message.first, message.second);
}
