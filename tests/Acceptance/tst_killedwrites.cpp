// The program killed (SIGKILL) while it writes conf.ini or a protocol: acceptance_writer writes
// in a loop through the program's own code and is killed at many points of a write. The file
// that was there must stay whole: QSettings reads every key of conf.ini, openpyxl opens the
// protocol, and the protocol folder lists no half-written file beside the document.
#include "Documents/ModelProtocols.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int Kills = 25;
constexpr int LongWaitMs = 60000;

// The number of the last "done N" line in out, 0 when none.
int lastDone(const QByteArray &out)
{
    static const QRegularExpression done(QStringLiteral("done (\\d+)\\n"));
    int last = 0;
    for (auto it = done.globalMatch(QString::fromUtf8(out)); it.hasNext();)
        last = it.next().captured(1).toInt();
    return last;
}

}

class TestKilledWrites : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void confIniStaysWhole();
    void protocolStaysWhole();

private:
    // Starts the writer, lets it finish one write, then kills it at a random point of a later
    // one: within about two writes' time. Returns the number of the last write it finished.
    int killWhileWriting(const QStringList &arguments, int *writeMs);

    QTemporaryDir m_appDir;
    QString m_writer;
    QRandomGenerator m_random{20261209};
};

void TestKilledWrites::initTestCase()
{
    QVERIFY(m_appDir.isValid());
    // The writer keeps conf.ini beside itself, as the program does: a copy of its own.
    const QString built = QCoreApplication::applicationDirPath() + QStringLiteral("/acceptance_writer");
    m_writer = m_appDir.filePath(QStringLiteral("acceptance_writer"));
    QVERIFY(QFile::copy(built, m_writer));
    QVERIFY(QFile::setPermissions(m_writer, QFile::permissions(built)));
    QVERIFY(QDir().mkpath(m_appDir.filePath(QStringLiteral("Templates"))));
    const QDir templates(QCoreApplication::applicationDirPath() + QStringLiteral("/Templates"));
    for (const QString &name : templates.entryList(QDir::Files))
        QVERIFY(QFile::copy(templates.filePath(name), m_appDir.filePath(QStringLiteral("Templates/") + name)));
}

int TestKilledWrites::killWhileWriting(const QStringList &arguments, int *writeMs)
{
    QProcess writer;
    writer.setProcessChannelMode(QProcess::SeparateChannels);
    writer.start(m_writer, arguments);
    if (!writer.waitForStarted(LongWaitMs))
        return -1;
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (lastDone(out) < 1 && writer.state() == QProcess::Running && timer.elapsed() < 10 * LongWaitMs) {
        writer.waitForReadyRead(100);
        out += writer.readAllStandardOutput();
    }
    if (lastDone(out) < 1) {
        qWarning().noquote() << writer.readAllStandardError();
        writer.kill();
        writer.waitForFinished();
        return -1;
    }
    // The first write took this long; later ones are about as long.
    if (*writeMs <= 0)
        *writeMs = qMax<int>(5, int(timer.elapsed()));
    QTest::qWait(int(m_random.bounded(2 * *writeMs)));
    writer.kill();
    writer.waitForFinished(LongWaitMs);
    out += writer.readAllStandardOutput();
    return lastDone(out);
}

void TestKilledWrites::confIniStaysWhole()
{
    const QString confPath = m_appDir.filePath(QStringLiteral("conf.ini"));
    QProcess once;
    once.start(m_writer, {QStringLiteral("conf"), QStringLiteral("once")});
    QVERIFY(once.waitForFinished(LongWaitMs) && once.exitCode() == 0);
    const QStringList keys = QSettings(confPath, QSettings::IniFormat).allKeys();
    QVERIFY(keys.size() > 50);

    int writeMs = 0;
    for (int i = 0; i < Kills; ++i) {
        const int done = killWhileWriting({QStringLiteral("conf")}, &writeMs);
        QVERIFY(done >= 1);
        QSettings conf(confPath, QSettings::IniFormat);
        QCOMPARE(conf.status(), QSettings::NoError);
        QStringList have = conf.allKeys();
        QStringList want = keys;
        have.sort();
        want.sort();
        QCOMPARE(have, want);
        // The last finished write, or the one the kill cut short if it got to its end.
        const QString name = conf.value(QStringLiteral("prConditionsVrName")).toString();
        QVERIFY2(name == QStringLiteral("Поверитель %1").arg(done) || name == QStringLiteral("Поверитель %1").arg(done + 1),
                 qPrintable(name));
    }
    // What an unfinished write leaves beside the file is the settings library's own (its lock,
    // and its temporary "conf.ini.XXXXXX"), which the program never reads.
    const QStringList left = QDir(m_appDir.path()).entryList(QStringList{QStringLiteral("conf.ini*")}, QDir::Files | QDir::Hidden);
    for (const QString &name : left)
        QVERIFY2(name == QLatin1String("conf.ini") || name == QLatin1String("conf.ini.lock")
                     || QRegularExpression(QStringLiteral("^conf\\.ini\\.[A-Za-z0-9]{6}$")).match(name).hasMatch(),
                 qPrintable(name));
}

void TestKilledWrites::protocolStaysWhole()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QString document = folder.filePath(QStringLiteral("Протокол.xlsx"));
    int writeMs = 0;
    for (int i = 0; i < Kills; ++i) {
        const int done = killWhileWriting({QStringLiteral("protocol"), folder.path()}, &writeMs);
        QVERIFY(done >= 1);
        QProcess python;
        python.start(TestSupport::python(),
                     {QStringLiteral("-c"),
                      QStringLiteral("import sys, openpyxl; wb = openpyxl.load_workbook(sys.argv[1]); print(len(wb.sheetnames))"),
                      document});
        QVERIFY(python.waitForFinished(LongWaitMs));
        QVERIFY2(python.exitCode() == 0 && python.readAllStandardOutput().trimmed().toInt() > 0,
                 python.readAllStandardError().constData());
        // The page lists the folder as it is: the document alone, no half-written file.
        QCOMPARE(ModelProtocols::listFolder(folder.path()), QStringList{QStringLiteral("Протокол.xlsx")});
    }
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    TestKilledWrites test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killedwrites.moc"
