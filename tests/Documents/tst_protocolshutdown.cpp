// Closing the workstation while a protocol is being written: the shutdown waits for the document,
// which is whole afterwards, and saves the settings only then.
#include "ProtocolSetup.h"
#include "XlsxCheck.h"

#include "Documents/MessageNamePick.h"
#include "Documents/TabProtocols.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabVerification.h"
#include "Widgets/HButton.h"
#include "TestSupport.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <QApplication>
#include <QLineEdit>
#include <QSemaphore>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <thread>

class TestProtocolShutdown : public QObject
{
    Q_OBJECT
private slots:
    void closingWaitsForTheDocument();
};

void TestProtocolShutdown::closingWaitsForTheDocument()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    TestSupport::Workstation station;
    QString error;
    QVERIFY2(station.start(&error), qPrintable(error));
    ProtocolSetup::setTexts();
    QVERIFY(!ProtocolSetup::apply(1).isEmpty());
    Settings::instance->protocolPath()->setValue(dir.path());
    Settings::instance->documentSet()->setValue(1);
    station.window()->tabWidget()->setCurrentWidget(TabVerification::instance);
    TabProtocols::showProtocols(TabVerification::instance);
    TabProtocols *page = TabProtocols::instance;
    QTRY_VERIFY(page && page->isVisible());

    // The document is held at its start until the window has begun to close.
    QSemaphore held;
    QSemaphore release;
    std::atomic<bool> released{false};
    const QMetaObject::Connection gate = QObject::connect(MainHandler::instance, &MainHandler::setLockScreenMaxVal, [&](int) {
        if (QThread::currentThread() == qApp->thread())
            return;
        held.release();
        release.acquire();
    });
    QTest::mouseClick(page->button(TabProtocols::ButtonSave), Qt::LeftButton);
    MessageNamePick *dialog = station.window()->findChild<MessageNamePick *>();
    QVERIFY(dialog);
    dialog->nameEdit()->setText(QStringLiteral("Протокол при закрытии"));
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QVERIFY(QTest::qWaitFor([&]() { return held.tryAcquire(); }, 30000));
    QVERIFY(page->isSaving());

    std::thread releaser([&]() {
        QThread::msleep(500);
        released = true;
        release.release();
    });
    // The window goes, and with it the shutdown.
    station.closeDown();
    releaser.join();
    QObject::disconnect(gate);
    QVERIFY(released);

    const QString document = dir.filePath(QStringLiteral("Протокол при закрытии.xlsx"));
    QVERIFY(QFileInfo(document).isFile());
    const QJsonObject dump = XlsxCheck::dump(document);
    QCOMPARE(dump.value("sheets").toVariant().toStringList(),
             QStringList({"Протокол", " Прибор 1", " Прибор 2", " Прибор 3", " Прибор 4", "Свидетельство Прибор 1",
                          "Свидетельство Прибор 2", "Свидетельство Прибор 3", "Свидетельство Прибор 4"}));
    // The settings were saved after the document.
    const QFileInfo conf(QCoreApplication::applicationDirPath() + QStringLiteral("/conf.ini"));
    QVERIFY(conf.isFile());
    QVERIFY(conf.lastModified() >= QFileInfo(document).lastModified());
    QCOMPARE(QSettings(conf.filePath(), QSettings::IniFormat).value(QStringLiteral("prProtocolPath")).toString(),
             dir.path());
}

APPDIR_TEST_MAIN(TestProtocolShutdown)

#include "tst_protocolshutdown.moc"
