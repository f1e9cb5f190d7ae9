#include "Interface/Assistant.h"
#include "StandInViewer.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMetaEnum>
#include <QTemporaryDir>
#include <QtTest>

// Runs in an application folder whose name holds a blank, so that the page's path must reach
// the viewer as one argument.
class TestAssistant : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pageName_data();
    void pageName();
    void viewerGetsThePage_data();
    void viewerGetsThePage();
    void viewerThatCannotStart_data();
    void viewerThatCannotStart();

public slots:
    void openUrl(const QUrl &url) { m_opened << url; }

private:
    QTemporaryDir m_dir;
    TestSupport::StandInViewer m_standIn;
    QList<QUrl> m_opened;
};

void TestAssistant::initTestCase()
{
    QVERIFY(QCoreApplication::applicationDirPath().contains(QLatin1Char(' ')));
    QVERIFY(!m_standIn.program().isEmpty());
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
}

void TestAssistant::pageName_data()
{
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("page");
    QTest::newRow("main: the start page") << 0 << "";
    QTest::newRow("settings") << 1 << "tabSettings.html";
    QTest::newRow("device cards") << 2 << "tabDeviceConfig.html";
    QTest::newRow("verification run") << 3 << "tabVerification.html";
    QTest::newRow("protocols") << 4 << "tabProtocols.html";
    QTest::newRow("graph") << 5 << "tabGraph.html";
    QTest::newRow("transducer") << 6 << "tabQvt.html";
    QTest::newRow("templates") << 7 << "templates.html";
    QTest::newRow("verification") << 8 << "verification.html";
    QTest::newRow("above the enumeration") << 9 << ".html";
    QTest::newRow("negative") << -1 << ".html";
}

void TestAssistant::pageName()
{
    QFETCH(int, topic);
    QFETCH(QString, page);
    QCOMPARE(Assistant::pageName(topic), page);
    const QMetaEnum topics = QMetaEnum::fromType<Assistant::enumTopic>();
    QCOMPARE(topics.name(), "enumTopic");
    QCOMPARE(topics.keyCount(), 9);
}

void TestAssistant::viewerGetsThePage_data()
{
    QTest::addColumn<int>("topic");
    QTest::addColumn<QString>("file");
    QTest::newRow("main") << int(Assistant::topic_main) << "index.html";
    QTest::newRow("transducer") << int(Assistant::topic_tabQvt) << "tabQvt.html";
    QTest::newRow("outside the enumeration") << 42 << ".html";
}

void TestAssistant::viewerGetsThePage()
{
    QFETCH(int, topic);
    QFETCH(QString, file);
    m_standIn.clear();
    m_opened.clear();
    Assistant assistant;
    QCOMPARE(Assistant::instance, &assistant);
    assistant.setViewer(m_standIn.program());
    assistant.showHelp(topic);
    const QString page = QCoreApplication::applicationDirPath() + QStringLiteral("/help/") + file;
    QTRY_COMPARE_WITH_TIMEOUT(m_standIn.arguments(), (QStringList{"1", page}), 30000);
    QVERIFY(m_opened.isEmpty());
}

void TestAssistant::viewerThatCannotStart_data()
{
    QTest::addColumn<QString>("viewer");
    QTest::newRow("missing") << m_dir.filePath("no such viewer");
    QTest::newRow("not a program") << m_dir.filePath("plain.txt");
}

void TestAssistant::viewerThatCannotStart()
{
    QFETCH(QString, viewer);
    QFile plain(m_dir.filePath("plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    m_opened.clear();
    Assistant assistant;
    assistant.setViewer(viewer);
    assistant.showHelp(Assistant::topic_tabGraph);
    // The desktop's handler gets the help's start page, whatever the topic.
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(m_opened.first().toLocalFile(), QCoreApplication::applicationDirPath() + QStringLiteral("/help/index.html"));
}

APPDIR_TEST_MAIN_WITH(TestAssistant, QApplication, QStringLiteral("app folder"))

#include "tst_assistant.moc"
