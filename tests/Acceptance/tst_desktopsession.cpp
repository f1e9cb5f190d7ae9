// The real program as the operator starts it (scripts/run.sh: the Release build with the bundled
// simulator and its control FIFO), on the X server of xsession.sh, driven only by X input events
// (xdotool) and read back through the clipboard (xclip), the window's X properties and the
// files it writes. A stand-in xdg-open first on PATH records what help asks to open. Leaves
// pictures of the screen in <build>/screenshots/acceptance-x-*.png.
#include "Screenshot.h"
#include "TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

namespace {

// The main window's title, and the about box's.
const QString TitlePattern = QStringLiteral("^Мановера   v2\\.9$");
constexpr int LongWaitMs = 60000;

// Runs a helper program to its end; its standard output, or a null text when it failed.
QString runTool(const QString &program, const QStringList &arguments, int timeoutMs = LongWaitMs)
{
    QProcess p;
    p.start(program, arguments);
    if (!p.waitForStarted(timeoutMs) || !p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return QString();
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning().noquote() << program << arguments.join(QLatin1Char(' ')) << "failed:" << p.readAllStandardError();
        return QString();
    }
    // Empty, not null, when the program printed nothing.
    return QString::fromUtf8(p.readAllStandardOutput()).append(QLatin1String(""));
}

bool xdotool(const QStringList &arguments)
{
    return !runTool(QStringLiteral("xdotool"), arguments).isNull();
}

// The operator's texts that the session types.
const QString Owner = QStringLiteral("ООО Эталон-Сервис");
const QString RegistryNumber = QStringLiteral("РЭ-2024/117");
const QString Verifier = QStringLiteral("Петров П. П.");

// xdotool types a character that the keyboard map lacks by binding it to a spare key for that
// one press and unbinding it right after; a program that reads the map in between gets no
// character (seen: one in three texts lost a letter). The letters of the session's texts get
// keys of their own beforehand, lower and upper case on one key, and a few spare keys stay free.
bool bindLetters(const QString &texts)
{
    QList<QChar> letters;
    for (const QChar c : texts) {
        const QChar lower = c.toLower();
        if (c.unicode() > 0x7f && c.isLetter() && !letters.contains(lower))
            letters << lower;
    }
    static const QRegularExpression unbound(QStringLiteral("^keycode\\s+(\\d+)\\s*=\\s*$"));
    QStringList spare;
    const QString map = runTool(QStringLiteral("xmodmap"), {QStringLiteral("-pke")});
    for (const QString &line : map.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch m = unbound.match(line);
        if (m.hasMatch())
            spare << m.captured(1);
    }
    if (spare.size() < letters.size() + 2) {
        qWarning() << "too few unbound keys for" << letters.size() << "letters:" << spare.size();
        return false;
    }
    for (int i = 0; i < letters.size(); ++i) {
        const QString binding = QStringLiteral("keycode %1 = U%2 U%3")
                                    .arg(spare.at(i))
                                    .arg(letters.at(i).unicode(), 4, 16, QLatin1Char('0'))
                                    .arg(letters.at(i).toUpper().unicode(), 4, 16, QLatin1Char('0'));
        if (runTool(QStringLiteral("xmodmap"), {QStringLiteral("-e"), binding}).isNull())
            return false;
    }
    return true;
}

bool key(const QString &keys)
{
    return xdotool({QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60"), keys});
}

bool type(const QString &text)
{
    return xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), text});
}

// The text of the field in focus, through the clipboard.
QString copyFocusedText()
{
    key(QStringLiteral("ctrl+a"));
    key(QStringLiteral("ctrl+c"));
    // The copy reaches the clipboard owner through the server; a read right after the keys may
    // still find the previous owner's text, so the read is repeated until two agree.
    QString last;
    for (int i = 0; i < 20; ++i) {
        QTest::qWait(100);
        const QString now = runTool(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                               QStringLiteral("clipboard")});
        if (i > 0 && now == last)
            return now;
        last = now;
    }
    return last;
}

}

class TestDesktopSession : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void firstStartAndConnect();
    void fontSizeUpAndDown();
    void fullScreenAndBack();
    void helpOpensThePageOfTheTab();
    void aboutBox();
    void enterValues();
    void exitWithCtrlQWritesTheFiles();
    void secondStartShowsTheValues();

private:
    bool startProgram(QString *error);
    bool stopProgram(int timeoutMs = LongWaitMs);
    // The main window's X id, once it is mapped.
    QString waitForWindow(int timeoutMs = LongWaitMs);
    // Until the screen lock is down: the right end of the menu bar shows the plain window
    // colour, which the overlay darkens.
    bool waitUntilUnlocked(int timeoutMs = LongWaitMs);
    // A message box is over the window: its veil darkens the window far more than the lock does.
    bool messageShown() const;
    bool connectWithCtrlF();
    QRect windowGeometry() const;
    QStringList windowState() const;
    bool activate();
    void screenshot(const QString &name);
    bool sendControl(const QString &line);
    QString simulatorLog() const;
    // Moves the focus on through count fields of the form.
    void tabs(int count);
    // After a connect the focus is back where it was: nowhere, or on the tab bar, which an
    // activated window gives it first. Shift+Tab from either reaches the window's last stop, and
    // Tab from there the tab bar: the count goes on from the tab bar.
    void tabsFromTheTabBar(int count);

    QTemporaryDir m_root;
    QString m_appDir;
    QString m_helpRecord;
    QString m_standIns;
    std::unique_ptr<QProcess> m_program;
    QString m_control;
    QString m_window;
    QByteArray m_stderr;
    int m_defaultFontSize = 0;
    // Each step builds on the ones before it.
    bool m_broken = false;
};

void TestDesktopSession::initTestCase()
{
    QVERIFY2(qEnvironmentVariableIsSet("DISPLAY"), "runs on the X server of xsession.sh");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty(), "xdotool is missing");
    QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty(), "xclip is missing");
    QVERIFY2(bindLetters(Owner + RegistryNumber + Verifier), "cannot bind the letters to keys");
    QVERIFY(m_root.isValid());
    m_appDir = m_root.filePath(QStringLiteral("Мановера app"));
    m_standIns = m_root.filePath(QStringLiteral("bin"));
    m_helpRecord = m_root.filePath(QStringLiteral("help-opened.txt"));
    QVERIFY(QDir().mkpath(m_standIns));
    // The help launcher's viewer: records its argument instead of opening a browser.
    QFile viewer(m_standIns + QStringLiteral("/xdg-open"));
    QVERIFY(viewer.open(QIODevice::WriteOnly));
    viewer.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\n").arg(m_helpRecord).toUtf8());
    viewer.close();
    QVERIFY(viewer.setPermissions(viewer.permissions() | QFileDevice::ExeOwner));
}

void TestDesktopSession::cleanupTestCase()
{
    if (m_program && m_program->state() != QProcess::NotRunning) {
        // run.sh, the program and the simulator share the process group that setsid gave them.
        ::kill(-pid_t(m_program->processId()), SIGKILL);
        m_program->waitForFinished(LongWaitMs);
    }
}

void TestDesktopSession::init()
{
    if (m_broken)
        QSKIP("an earlier step failed");
}

void TestDesktopSession::cleanup()
{
    if (QTest::currentTestFailed()) {
        m_broken = true;
        screenshot(QStringLiteral("failed"));
        qWarning().noquote() << "simulator log, last lines:\n" << simulatorLog().right(2000);
    }
}

bool TestDesktopSession::startProgram(QString *error)
{
    cleanupTestCase();
    m_program.reset(new QProcess);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PATH"), m_standIns + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("MANOVERA_EXTRA_PORTS"));
    m_program->setProcessEnvironment(env);
    m_program->setWorkingDirectory(TestSupport::sourceDir());
    m_stderr.clear();
    connect(m_program.get(), &QProcess::readyReadStandardError, this,
            [this]() { m_stderr += m_program->readAllStandardError(); });
    // A process group of its own, so that a failed run can take down what the script started.
    m_program->start(QStringLiteral("setsid"),
                     {QStringLiteral("bash"), TestSupport::sourceDir() + QStringLiteral("/scripts/run.sh"),
                      QStringLiteral("--app-dir"), m_appDir, QStringLiteral("--"), QStringLiteral("--verbose")});
    if (!m_program->waitForStarted(LongWaitMs)) {
        *error = QStringLiteral("scripts/run.sh did not start");
        return false;
    }
    // "... steer it with: echo "pressure 500" > FIFO   (echo help > FIFO lists the commands)"
    static const QRegularExpression steer(QStringLiteral("> (\\S+)\\s+\\(echo help"));
    QByteArray out;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10 * LongWaitMs) {
        m_program->waitForReadyRead(200);
        out += m_program->readAllStandardOutput();
        const QRegularExpressionMatch m = steer.match(QString::fromUtf8(out));
        if (m.hasMatch()) {
            m_control = m.captured(1);
            break;
        }
        if (m_program->state() == QProcess::NotRunning)
            break;
    }
    if (m_control.isEmpty()) {
        *error = QStringLiteral("no control FIFO announced: ") + QString::fromUtf8(out + m_stderr);
        return false;
    }
    m_window = waitForWindow();
    if (m_window.isEmpty()) {
        *error = QStringLiteral("the main window did not appear");
        return false;
    }
    return true;
}

bool TestDesktopSession::stopProgram(int timeoutMs)
{
    return m_program->waitForFinished(timeoutMs) && m_program->exitStatus() == QProcess::NormalExit
        && m_program->exitCode() == 0;
}

QString TestDesktopSession::waitForWindow(int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        const QStringList ids = runTool(QStringLiteral("xdotool"),
                                        {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                         TitlePattern})
                                    .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!ids.isEmpty())
            return ids.first();
        QTest::qWait(200);
    }
    return QString();
}

QRect TestDesktopSession::windowGeometry() const
{
    const QString out = runTool(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_window});
    QMap<QString, int> v;
    for (const QString &line : out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList kv = line.split(QLatin1Char('='));
        if (kv.size() == 2)
            v.insert(kv[0], kv[1].toInt());
    }
    return QRect(v.value(QStringLiteral("X")), v.value(QStringLiteral("Y")), v.value(QStringLiteral("WIDTH")),
                 v.value(QStringLiteral("HEIGHT")));
}

QStringList TestDesktopSession::windowState() const
{
    const QString out = runTool(QStringLiteral("xprop"), {QStringLiteral("-id"), m_window, QStringLiteral("_NET_WM_STATE")});
    return out.section(QLatin1Char('='), 1).split(QLatin1Char(','), Qt::SkipEmptyParts).replaceInStrings(
        QRegularExpression(QStringLiteral("\\s")), QString());
}

bool TestDesktopSession::activate()
{
    return xdotool({QStringLiteral("windowactivate"), QStringLiteral("--sync"), m_window});
}

bool TestDesktopSession::waitUntilUnlocked(int timeoutMs)
{
    const QColor plain = QGuiApplication::palette().color(QPalette::Window);
    QElapsedTimer timer;
    timer.start();
    int calm = 0;
    while (timer.elapsed() < timeoutMs) {
        const QImage image = QGuiApplication::primaryScreen()->grabWindow(m_window.toULongLong()).toImage();
        if (!image.isNull()) {
            const QColor corner = image.pixelColor(image.width() - 3, 3);
            const bool unlocked = qAbs(corner.red() - plain.red()) <= 4 && qAbs(corner.green() - plain.green()) <= 4
                && qAbs(corner.blue() - plain.blue()) <= 4;
            // The worker lowers the lock between the tasks of a chain only at its end, but a
            // new task may follow at once: the window counts as free when it stays so.
            calm = unlocked ? calm + 1 : 0;
            if (calm >= 3)
                return true;
        }
        QTest::qWait(200);
    }
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(m_window.toULongLong()).toImage();
    qWarning() << "the window stays locked: corner" << (image.isNull() ? QColor() : image.pixelColor(image.width() - 3, 3))
               << "plain" << plain;
    screenshot(QStringLiteral("locked"));
    return false;
}

bool TestDesktopSession::messageShown() const
{
    return QGuiApplication::primaryScreen()->grabWindow(m_window.toULongLong()).toImage().pixelColor(0, 0).lightness()
        < 128;
}

bool TestDesktopSession::connectWithCtrlF()
{
    // The connect chain ends with the software version (parameter 28, 1C on the wire).
    static const QByteArray last = QByteArrayLiteral(";37;1C;");
    const int before = m_stderr.count(last);
    if (!activate()) {
        qWarning() << "cannot activate the window" << m_window;
        return false;
    }
    if (!key(QStringLiteral("ctrl+f")))
        return false;
    const bool chained = QTest::qWaitFor([&]() {
        return m_stderr.count(last) > before && m_stderr.indexOf(">> ", m_stderr.lastIndexOf(last)) >= 0;
    }, LongWaitMs);
    return chained && waitUntilUnlocked();
}

void TestDesktopSession::screenshot(const QString &name)
{
    QCoreApplication::processEvents();
    QString dir = qEnvironmentVariable("MANOVERA_SCREENSHOT_DIR");
    QVERIFY(!dir.isEmpty());
    QVERIFY(QDir().mkpath(dir));
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    QVERIFY(screen.save(dir + QStringLiteral("/acceptance-x-") + name + QStringLiteral(".png"), "PNG"));
}

bool TestDesktopSession::sendControl(const QString &line)
{
    QFile fifo(m_control);
    if (!fifo.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = line.toUtf8() + '\n';
    return fifo.write(bytes) == bytes.size();
}

QString TestDesktopSession::simulatorLog() const
{
    return QString::fromUtf8(m_stderr);
}

void TestDesktopSession::tabs(int count)
{
    for (int i = 0; i < count; ++i)
        key(QStringLiteral("Tab"));
}

void TestDesktopSession::tabsFromTheTabBar(int count)
{
    key(QStringLiteral("shift+Tab"));
    tabs(count + 1);
}

void TestDesktopSession::firstStartAndConnect()
{
    QString error;
    QVERIFY2(startProgram(&error), qPrintable(error));
    QVERIFY2(waitUntilUnlocked(), "the start-up lock stays up");
    screenshot(QStringLiteral("start"));
    QVERIFY2(connectWithCtrlF(), qPrintable(QStringLiteral("the connect chain did not end:\n") + simulatorLog().right(3000)));
    screenshot(QStringLiteral("connected"));
}

void TestDesktopSession::fontSizeUpAndDown()
{
    m_defaultFontSize = QSettings(m_appDir + QStringLiteral("/conf.ini"), QSettings::IniFormat)
                            .value(QStringLiteral("prMainFontSize"), 8).toInt();
    // The menus, the tab bar and the link group: the window itself may keep the height that a
    // larger font asked for.
    const auto grab = [this]() {
        return QGuiApplication::primaryScreen()->grabWindow(m_window.toULongLong(), 0, 0, 400, 160).toImage();
    };
    const QImage before = grab();
    QVERIFY(activate());
    QVERIFY(key(QStringLiteral("ctrl+plus")));
    QTRY_VERIFY_WITH_TIMEOUT(grab() != before, LongWaitMs);
    screenshot(QStringLiteral("font-larger"));
    // One step down brings back the very same picture.
    QVERIFY(key(QStringLiteral("ctrl+minus")));
    QTRY_VERIFY_WITH_TIMEOUT(grab() == before, LongWaitMs);
    // One step up stays for the next start.
    QVERIFY(key(QStringLiteral("ctrl+plus")));
    QTRY_VERIFY_WITH_TIMEOUT(grab() != before, LongWaitMs);
}

void TestDesktopSession::fullScreenAndBack()
{
    const QRect normal = windowGeometry();
    const QSize screen = QGuiApplication::primaryScreen()->size();
    QVERIFY(activate());
    QVERIFY(key(QStringLiteral("alt+Return")));
    QTRY_VERIFY_WITH_TIMEOUT(windowState().contains(QStringLiteral("_NET_WM_STATE_FULLSCREEN")), LongWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry().size(), screen, LongWaitMs);
    screenshot(QStringLiteral("fullscreen"));
    QVERIFY(key(QStringLiteral("alt+Return")));
    QTRY_VERIFY_WITH_TIMEOUT(!windowState().contains(QStringLiteral("_NET_WM_STATE_FULLSCREEN")), LongWaitMs);
    QTRY_COMPARE_WITH_TIMEOUT(windowGeometry().size(), normal.size(), LongWaitMs);
}

void TestDesktopSession::helpOpensThePageOfTheTab()
{
    QFile::remove(m_helpRecord);
    QVERIFY(activate());
    QVERIFY(key(QStringLiteral("F1")));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(m_helpRecord).size() > 0, LongWaitMs);
    QFile record(m_helpRecord);
    QVERIFY(record.open(QIODevice::ReadOnly));
    const QString opened = QString::fromUtf8(record.readAll()).trimmed();
    QCOMPARE(opened, m_appDir + QStringLiteral("/help/tabSettings.html"));
    // Where the help pages are installed, each page that the launcher names is among them.
    if (QFileInfo::exists(m_appDir + QStringLiteral("/help/index.html")))
        QVERIFY2(QFileInfo(opened).isFile(), "the help page is installed beside the program");
}

void TestDesktopSession::aboutBox()
{
    // "Помощь" is the last menu of the bar: open the first one with a click, then step left.
    const QRect frame = windowGeometry();
    QVERIFY(activate());
    QVERIFY(xdotool({QStringLiteral("mousemove"), QStringLiteral("--window"), m_window, QStringLiteral("20"),
                     QStringLiteral("10"), QStringLiteral("click"), QStringLiteral("1")}));
    QVERIFY(key(QStringLiteral("Left")));
    // Its last entry is "О программе".
    QVERIFY(key(QStringLiteral("Up")));
    QVERIFY(key(QStringLiteral("Return")));
    QString box;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&]() {
            const QStringList ids = runTool(QStringLiteral("xdotool"),
                                            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                             TitlePattern})
                                        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            for (const QString &id : ids)
                if (id != m_window)
                    box = id;
            return !box.isEmpty();
        }(),
        LongWaitMs);
    screenshot(QStringLiteral("about"));
    QVERIFY(key(QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(runTool(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                                   QStringLiteral("--name"),
                                                                   TitlePattern})
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                     .size()
                                 == 1,
                             LongWaitMs);
    QCOMPARE(windowGeometry(), frame);
}

void TestDesktopSession::enterValues()
{
    // From the tab bar, the form's focus order starts at the link group: refresh, port, connect,
    // the transducer's type, the owner.
    QVERIFY(activate());
    QVERIFY(key(QStringLiteral("ctrl+d")));
    QVERIFY(connectWithCtrlF());
    QVERIFY(activate());
    tabsFromTheTabBar(5);
    QCOMPARE(copyFocusedText(), QString());   // the transducer's owner, empty at the first start
    QVERIFY(type(Owner));
    QCOMPARE(copyFocusedText(), Owner);
    tabs(1);
    QVERIFY(type(RegistryNumber));
    QCOMPARE(copyFocusedText(), RegistryNumber);
    tabs(9);
    QVERIFY(type(Verifier));
    QCOMPARE(copyFocusedText(), Verifier);
    // Leaving the field commits it.
    tabs(1);
    screenshot(QStringLiteral("entered"));
}

void TestDesktopSession::exitWithCtrlQWritesTheFiles()
{
    QVERIFY(activate());
    QVERIFY(key(QStringLiteral("ctrl+q")));
    QVERIFY2(stopProgram(), "the program and run.sh end cleanly after Ctrl+Q");

    QSettings conf(m_appDir + QStringLiteral("/conf.ini"), QSettings::IniFormat);
    QCOMPARE(conf.status(), QSettings::NoError);
    QCOMPARE(conf.value(QStringLiteral("prOwner")).toString(), Owner);
    QCOMPARE(conf.value(QStringLiteral("prRegistryNumber")).toString(), RegistryNumber);
    QCOMPARE(conf.value(QStringLiteral("prConditionsVrName")).toString(), Verifier);
    QCOMPARE(conf.value(QStringLiteral("prMainFontSize")).toInt(), m_defaultFontSize + 1);

    QSettings qvt(m_appDir + QStringLiteral("/QvtSettings/12345678.ini"), QSettings::IniFormat);
    QCOMPARE(qvt.status(), QSettings::NoError);
    QCOMPARE(qvt.value(QStringLiteral("prOwner")).toString(), Owner);
    QCOMPARE(qvt.value(QStringLiteral("prRegistryNumber")).toString(), RegistryNumber);
}

void TestDesktopSession::secondStartShowsTheValues()
{
    QString error;
    QVERIFY2(startProgram(&error), qPrintable(error));
    QVERIFY(waitUntilUnlocked());

    // A transducer that does not answer: the connect fails with a message in the window, which
    // takes the focus; once the transducer answers again, connecting works.
    QVERIFY(sendControl(QStringLiteral("silent")));
    const int identifies = m_stderr.count("<< :0;0;");
    QVERIFY(activate());
    QVERIFY(key(QStringLiteral("ctrl+f")));
    QTRY_VERIFY_WITH_TIMEOUT(m_stderr.count("<< :0;0;") > identifies, LongWaitMs);
    QTRY_VERIFY_WITH_TIMEOUT(messageShown(), LongWaitMs);
    screenshot(QStringLiteral("no-answer"));
    // The box may come while the exchange's lock is still up, which keeps the keys from it: the
    // operator presses again until it is gone.
    bool answered = false;
    for (int i = 0; i < 10 && !answered; ++i) {
        QVERIFY(activate());
        QVERIFY(key(QStringLiteral("space")));
        answered = QTest::qWaitFor([this]() { return !messageShown(); }, 2000);
    }
    QVERIFY(answered);
    QVERIFY(waitUntilUnlocked());
    QVERIFY(sendControl(QStringLiteral("answer")));
    QVERIFY(connectWithCtrlF());
    QVERIFY(activate());
    tabsFromTheTabBar(5);
    QCOMPARE(copyFocusedText(), Owner);
    tabs(1);
    QCOMPARE(copyFocusedText(), RegistryNumber);
    tabs(9);
    QCOMPARE(copyFocusedText(), Verifier);
    screenshot(QStringLiteral("second-start"));
    QVERIFY(key(QStringLiteral("ctrl+q")));
    QVERIFY(stopProgram());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestDesktopSession test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktopsession.moc"
