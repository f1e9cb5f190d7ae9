#include "Parameters/MessageHandler.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

class TestMessageHandler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void shortcutsCarryTheirType();
    void messagesFromAWorkerArriveInTheGuiThreadInOrder();

private:
    MessageHandler *hub = nullptr;
};

void TestMessageHandler::initTestCase()
{
    hub = new MessageHandler();
    QCOMPARE(MessageHandler::instance, hub);
}

void TestMessageHandler::shortcutsCarryTheirType()
{
    QSignalSpy spy(hub, SIGNAL(showMessageSignal(QString,int)));
    MessageHandler::showInfo("i");
    MessageHandler::showWarning("w");
    MessageHandler::showError("e");
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.at(0), QVariantList({"i", 0}));
    QCOMPARE(spy.at(1), QVariantList({"w", 1}));
    QCOMPARE(spy.at(2), QVariantList({"e", 2}));
}

void TestMessageHandler::messagesFromAWorkerArriveInTheGuiThreadInOrder()
{
    QStringList received;
    QList<QThread *> threads;
    // Queued into the receiver's thread, like the hub's own slot.
    QObject receiver;
    connect(hub, &MessageHandler::showMessageSignal, &receiver, [&](QString text, int) {
        threads << QThread::currentThread();
        received << text;
    });

    QThread *worker = QThread::create([] {
        for (int i = 0; i < 50; ++i)
            MessageHandler::showError(QString::number(i));
    });
    worker->start();
    QVERIFY(worker->wait(30000));
    delete worker;

    QTRY_COMPARE_WITH_TIMEOUT(received.size(), 50, 10000);
    for (int i = 0; i < 50; ++i) {
        QCOMPARE(received.at(i), QString::number(i));
        QCOMPARE(threads.at(i), QThread::currentThread());
    }
}

QTEST_MAIN(TestMessageHandler)
#include "tst_messagehandler.moc"
