// The system-wide port lock: threads and processes wait for each other on one
// name, run side by side on different names, and a killed holder frees it.

#include "LinuxLock.h"
#include "Platform.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <future>
#include <thread>
#include <unistd.h>

using vorta::nativePlatform;

namespace {
// Unique per run, so that parallel test runs do not meet.
std::string uniqueName(const char *what)
{
    return std::string("tst_portlock_") + what + "_" + std::to_string(getpid());
}
} // namespace

class TestPortLock : public QObject
{
    Q_OBJECT
private slots:
    void sameNameSerialisesThreads();
    void differentNamesRunInParallel();
    void otherProcessHoldsUntilItExits();
    void killedHolderFreesTheLock();
    void nameStaysInTheLockFolder_data();
    void nameStaysInTheLockFolder();
};

void TestPortLock::sameNameSerialisesThreads()
{
    const std::string name = uniqueName("same");
    std::atomic<int> inside{0};
    std::atomic<int> worst{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < 5; ++i) {
                auto lock = nativePlatform().lockPort(name);
                if (!lock) {
                    ++failures;
                    continue;
                }
                const int now = ++inside;
                int seen = worst.load();
                while (now > seen && !worst.compare_exchange_weak(seen, now)) {
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                --inside;
            }
        });
    }
    for (auto &t : threads)
        t.join();
    QCOMPARE(failures.load(), 0);
    QCOMPARE(worst.load(), 1);
}

void TestPortLock::differentNamesRunInParallel()
{
    const std::string a = uniqueName("a");
    const std::string b = uniqueName("b");
    auto lockA = nativePlatform().lockPort(a);
    QVERIFY(lockA);
    // While a is held, b is taken at once from another thread.
    auto other = std::async(std::launch::async, [&] { return bool(nativePlatform().lockPort(b)); });
    QCOMPARE(other.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    QVERIFY(other.get());
}

void TestPortLock::otherProcessHoldsUntilItExits()
{
    const std::string name = uniqueName("process");
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {"--hold", QString::fromStdString(name), "stdin"});
    QVERIFY(holder.waitForReadyRead(30000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    auto waiter = std::async(std::launch::async, [&] { return bool(nativePlatform().lockPort(name)); });
    // Still held by the other process: we wait.
    QCOMPARE(waiter.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    // The holder lets go when its input ends, and exits.
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0);
    QCOMPARE(waiter.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    QVERIFY(waiter.get());
}

void TestPortLock::killedHolderFreesTheLock()
{
    const std::string name = uniqueName("killed");
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(), {"--hold", QString::fromStdString(name), "forever"});
    QVERIFY(holder.waitForReadyRead(30000));
    QCOMPARE(holder.readLine().trimmed(), QByteArray("locked"));

    auto waiter = std::async(std::launch::async, [&] { return bool(nativePlatform().lockPort(name)); });
    QCOMPARE(waiter.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
    ::kill(static_cast<pid_t>(holder.processId()), SIGKILL);
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(waiter.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    QVERIFY(waiter.get());
}

void TestPortLock::nameStaysInTheLockFolder_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("parent folders") << QByteArray("../../tmp/x");
    QTest::newRow("absolute path") << QByteArray("/dev/ttyUSB0");
    QTest::newRow("dots alone") << QByteArray("..");
    QTest::newRow("case kept") << QByteArray("Com3");
    QTest::newRow("percent and spaces") << QByteArray("a%2F b");
}

void TestPortLock::nameStaysInTheLockFolder()
{
    QFETCH(QByteArray, name);
    const std::string file = vorta::lockFileName(name.toStdString());
    QVERIFY(file.find('/') == std::string::npos);
    QVERIFY(file.rfind("QZL_", 0) == 0);
    // Distinct names stay distinct: the escape is reversible.
    QVERIFY(vorta::lockFileName(name.toLower().toStdString()) != file || name.toLower() == name);

    auto lock = nativePlatform().lockPort(name.toStdString());
    QVERIFY(lock);
    const QFileInfo info(QString::fromStdString(vorta::lockFolder() + "/" + file));
    QVERIFY(info.exists());
    QCOMPARE(info.absolutePath(), QFileInfo(QString::fromStdString(vorta::lockFolder())).absoluteFilePath());
}

// A child process: takes the lock, says so, and holds it until its input
// ends ("stdin") or until it is killed ("forever").
static int hold(const char *name, const char *until)
{
    auto lock = nativePlatform().lockPort(name);
    if (!lock)
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    if (std::strcmp(until, "stdin") == 0) {
        while (std::getchar() != EOF) {
        }
        return 0;
    }
    for (;;)
        pause();
}

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], "--hold") == 0)
        return hold(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TestPortLock test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_portlock.moc"
