#pragma once

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

// The message hub: any thread hands it a text and a type (0 information, 1 warning,
// 2 error, 3 question; any other value is shown as an error), and the message is shown
// over the main window in the GUI thread.
class MessageHandler : public QObject
{
    Q_OBJECT
public:
    explicit MessageHandler(QObject *parent = nullptr);

    static MessageHandler *instance;

    // Safe from any thread: they only emit showMessageSignal.
    static void showInfo(const QString &text);
    static void showWarning(const QString &text);
    static void showError(const QString &text);

signals:
    void showMessageSignal(QString text, int type);

public slots:
    void showMessageSlot(QString text, int type);

private slots:
    void showPending();

private:
    static void post(const QString &text, int type);

    // Messages that arrived while there was no window to show them over, in order.
    QList<QPair<QString, int>> m_pending;
};
