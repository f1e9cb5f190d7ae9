// The protocol page over the run page of the real main window: its settings fields, the list of
// the protocol folder, saving under the screen lock on a thread of its own, deleting, opening
// through the desktop, and protocols written from every built-in template and read back with
// openpyxl. Leaves pictures of the page and of the name dialog in <build>/screenshots/.
#include "ProtocolCheck.h"

#include "Devices/AirHandler.h"
#include "Devices/TAIR.h"
#include "Documents/MessageNamePick.h"
#include "Documents/ModelProtocols.h"
#include "Documents/TabProtocols.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabVerification.h"
#include "Messages.h"
#include "Parameters/EditField.h"
#include "Parameters/HPathEdit.h"
#include "Parameters/PrField.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/Icons.h"
#include "Widgets/MessageBox.h"
#include "Workstation.h"
#include "XlsxCheck.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMutex>
#include <QPushButton>
#include <QSemaphore>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <memory>
#include <utility>

#ifdef Q_OS_LINUX
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Holds the writing of a document at its start, in the save's own thread, until released.
class SaveGate
{
public:
    // A thread given as passing (the transducer's worker) is not held.
    void arm(QThread *passing = nullptr)
    {
        m_connection = QObject::connect(MainHandler::instance, &MainHandler::setLockScreenMaxVal, [this, passing](int) {
            if (QThread::currentThread() == qApp->thread() || QThread::currentThread() == passing)
                return;
            ++m_waiting;
            m_entered.release();
            m_open.acquire();
            --m_waiting;
        });
    }
    // Waits, with the event loop running, until a save is held.
    bool waitUntilHeld() { return QTest::qWaitFor([this]() { return m_entered.tryAcquire(); }, 30000); }
    void release() { m_open.release(); }
    // Lets a save that a failed case left held go on, so the next case starts clean.
    bool disarm()
    {
        QObject::disconnect(m_connection);
        m_open.release(m_waiting.load());
        const bool gone = QTest::qWaitFor([this]() { return m_waiting.load() == 0; }, 30000);
        m_entered.tryAcquire(m_entered.available());
        m_open.tryAcquire(m_open.available());
        return gone;
    }

private:
    QMetaObject::Connection m_connection;
    QSemaphore m_entered;
    QSemaphore m_open;
    std::atomic<int> m_waiting{0};
};

// The lock signals as they are sent, from whichever thread, with the busy flag at that moment.
struct LockRecord
{
    struct Entry
    {
        bool locked;
        bool busy;
        bool guiThread;
    };
    void start()
    {
        connection = QObject::connect(MainHandler::instance, &MainHandler::setScreenLockState, [this](bool locked) {
            QMutexLocker lock(&mutex);
            entries.append({locked, MainHandler::instance->isBusy(), QThread::currentThread() == qApp->thread()});
        });
    }
    void stop() { QObject::disconnect(connection); }
    ~LockRecord() { stop(); }
    QList<Entry> taken()
    {
        QMutexLocker lock(&mutex);
        return entries;
    }

    QMetaObject::Connection connection;
    QMutex mutex;
    QList<Entry> entries;
};

struct Warning
{
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
};

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// While it lasts, the folder can be written but not listed, as a share may grant. Root lists any
// folder, so the calling thread (and a thread it starts meanwhile) sets aside its power to pass
// over permissions, and takes it back at the end.
class UnlistableFolder
{
public:
    explicit UnlistableFolder(const QString &path) : m_path(path), m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFile::WriteOwner | QFile::ExeOwner);
#ifdef Q_OS_LINUX
        if (::geteuid() == 0 && ::syscall(SYS_capget, &m_header, m_saved) == 0) {
            __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
            lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
            m_lowered = ::syscall(SYS_capset, &m_header, lowered) == 0;
        }
#endif
    }
    ~UnlistableFolder()
    {
#ifdef Q_OS_LINUX
        if (m_lowered)
            ::syscall(SYS_capset, &m_header, m_saved);
#endif
        QFile::setPermissions(m_path, m_permissions);
    }
    UnlistableFolder(const UnlistableFolder &) = delete;
    UnlistableFolder &operator=(const UnlistableFolder &) = delete;

private:
    QString m_path;
    QFile::Permissions m_permissions;
#ifdef Q_OS_LINUX
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] = {};
    bool m_lowered = false;
#endif
};

}

class TestTabProtocols : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void pageOverTheRunPage();
    void defaultNames_data();
    void defaultNames();
    void templateFieldFollowsTheSet();
    void listFollowsTheFolder();
    void saveUnderTheLock();
    void failedSaveShowsItsError();
    void secondNameDuringASave();
    void documentOnDiskIsKept_data();
    void documentOnDiskIsKept();
    void deleteRow_data();
    void deleteRow();
    void nothingSelected_data();
    void nothingSelected();
    void openThroughTheDesktop_data();
    void openThroughTheDesktop();
    void protocolFromEachTemplate_data();
    void protocolFromEachTemplate();
    void connectWhileSaving();
    void screenshots();

public slots:
    void openUrl(const QUrl &url) { m_opened << url.toLocalFile(); }

private:
    PrField *field(int index) const
    {
        for (PrField *f : m_page->findChildren<PrField *>())
            if (f->fieldIndex() == index)
                return f;
        return nullptr;
    }
    static QLineEdit *pathEdit(PrField *f) { return static_cast<HPathEdit *>(f->editor()->editor())->lineEdit(); }
    // As the operator chooses them in the page's fields.
    void setDocumentSet(int set) { static_cast<QComboBox *>(field(0)->editor()->editor())->setCurrentIndex(set); }
    void setFolder(const QString &path) { pathEdit(field(1))->setText(path); }
    // The folder typed again, after files came into it behind the page's back.
    void relist()
    {
        const QString path = folder();
        setFolder(QString());
        setFolder(path);
    }
    void setTemplate(const QString &path) { pathEdit(m_page->templateField())->setText(path); }
    QString folder() const { return Settings::instance->protocolPath()->value(); }
    QString file(const QString &name) const { return folder() + QLatin1Char('/') + name; }
    bool touch(const QString &name) const
    {
        QFile f(file(name));
        return f.open(QIODevice::WriteOnly) && f.write("x") == 1;
    }
    void click(int button) { QTest::mouseClick(m_page->button(button), Qt::LeftButton); }
    void selectRow(int row)
    {
        QTableView *table = m_page->fileTable();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                          table->visualRect(m_page->model()->index(row, 0)).center());
    }
    int currentRow() const { return m_page->fileTable()->currentIndex().row(); }
    // The name dialog the save button has opened.
    MessageNamePick *nameDialog() const
    {
        const auto dialogs = m_station->window()->findChildren<MessageNamePick *>();
        return dialogs.isEmpty() ? nullptr : dialogs.last();
    }
    // Save button, then the name in the dialog and its save button.
    void saveAs(const QString &name)
    {
        click(TabProtocols::ButtonSave);
        MessageNamePick *dialog = nameDialog();
        QVERIFY(dialog);
        QTRY_VERIFY(dialog->isVisible());
        dialog->nameEdit()->setText(name);
        QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    }
    bool waitForSave() { return QTest::qWaitFor([this]() { return !m_page->isSaving(); }, 60000); }
    // The warning boxes shown since the last call, in order; each was closed with its Ok button.
    QList<Warning> takeWarnings() { return std::exchange(m_warnings, {}); }

    std::unique_ptr<TestSupport::Workstation> m_station;
    TabProtocols *m_page = nullptr;
    QTemporaryDir m_dir;
    int m_case = 0;
    SaveGate m_gate;
    QStringList m_opened;
    // Takes down every warning box as it comes, so that none can hold a case up.
    QTimer m_modalWatch;
    QList<Warning> m_warnings;
};

void TestTabProtocols::initTestCase()
{
    QVERIFY(m_dir.isValid());
    connect(&m_modalWatch, &QTimer::timeout, this, [this]() {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            m_warnings.append({box->windowTitle(), box->text(), box->standardButtons()});
            box->done(QMessageBox::Ok);
        }
    });
    m_modalWatch.start(20);
    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    ProtocolSetup::setTexts();
    QVERIFY(!ProtocolSetup::apply(0).isEmpty());
    m_station->window()->tabWidget()->setCurrentWidget(TabVerification::instance);
    QVERIFY(!TabProtocols::instance);
    // The run page's "Свидетельства и протоколы" (id 3) creates the page over itself.
    HButton *certificates = nullptr;
    for (HButton *button : TabVerification::instance->findChildren<HButton *>())
        if (button->id() == 3 && button->text() == QStringLiteral("Свидетельства\nи протоколы"))
            certificates = button;
    QVERIFY(certificates && certificates->isEnabled());
    QTest::mouseClick(certificates, Qt::LeftButton);
    m_page = TabProtocols::instance;
    QVERIFY(m_page);
    QVERIFY(ModelProtocols::instance);
    QTRY_VERIFY(m_page->isVisible());
}

void TestTabProtocols::init()
{
    // Every case its own folder.
    const QString path = m_dir.filePath(QStringLiteral("случай %1").arg(++m_case));
    QVERIFY(QDir().mkpath(path));
    setFolder(path);
    QCOMPARE(folder(), path);
    setDocumentSet(0);
    TabProtocols::showProtocols(TabVerification::instance);
    QTRY_VERIFY(m_page->isVisible());
}

void TestTabProtocols::cleanup()
{
    for (const Warning &warning : takeWarnings())
        QFAIL(qPrintable(QStringLiteral("a warning nobody expected: ") + warning.text));
    QVERIFY(m_gate.disarm());
    QVERIFY(waitForSave());
    qDeleteAll(m_station->window()->findChildren<MessageNamePick *>());
    qDeleteAll(m_station->window()->findChildren<MessageBox *>(QString(), Qt::FindDirectChildrenOnly));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    m_opened.clear();
}

void TestTabProtocols::cleanupTestCase()
{
    m_station->closeDown();
}

void TestTabProtocols::pageOverTheRunPage()
{
    QWidget *runPage = TabVerification::instance;
    QCOMPARE(m_page->parentWidget(), runPage);
    QCOMPARE(m_page->geometry(), runPage->rect());
    QVERIFY(m_page->isAncestorOf(runPage->childAt(runPage->rect().center())));

    const QStringList captions{"Назад", "Сохранить файл", "Удалить файл", "Открыть файл",
                               "Открыть папку с\nрезультатами"};
    const int icons[] = {Icons::Exit, Icons::ElementAdd, Icons::ElementRemove, Icons::Excel, Icons::FileOpen};
    for (int id = 0; id < 5; ++id) {
        HButton *button = m_page->button(id);
        QCOMPARE(button->text(), captions.at(id));
        QCOMPARE(int(button->id()), id);
        QCOMPARE(button->icon().cacheKey(), Icons::instance->icon(icons[id]).cacheKey());
        QVERIFY(button->isVisible());
    }
    QCOMPARE(m_page->fileTable()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Имя файла"));
    QCOMPARE(m_page->fileTable()->model()->headerData(4, Qt::Vertical).toString(), QStringLiteral("5"));

    // The window's size and font changes: the page keeps covering the run page.
    MainWindow *window = m_station->window();
    window->resize(1000, 700);
    QTRY_COMPARE(m_page->size(), runPage->size());
    window->resize(1280, 800);
    QTRY_COMPARE(m_page->size(), runPage->size());
    m_station->action(MainWindow::ActionFontUp)->trigger();
    QCOMPARE(m_page->size(), runPage->size());
    m_station->action(MainWindow::ActionFontDown)->trigger();

    // Back hides it; it stays hidden when the run page comes back.
    click(TabProtocols::ButtonBack);
    QVERIFY(!m_page->isVisible());
    window->tabWidget()->setCurrentWidget(TabGraph::instance);
    window->tabWidget()->setCurrentWidget(runPage);
    QTRY_VERIFY(runPage->isVisible());
    QVERIFY(!m_page->isVisible());
    // Shown over it again, and put away when another page is chosen.
    TabProtocols::showProtocols(runPage);
    QTRY_VERIFY(m_page->isVisible());
    QCOMPARE(TabProtocols::instance, m_page);
    window->tabWidget()->setCurrentWidget(TabGraph::instance);
    window->tabWidget()->setCurrentWidget(runPage);
    QTRY_VERIFY(runPage->isVisible());
    QVERIFY(!m_page->isVisible());
}

void TestTabProtocols::defaultNames_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<QString>("templatePath");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("calibration") << 0 << "D:/Templates/my.form.xlsx" << " калибровка";
    QTest::newRow("verification") << 1 << "D:/Templates/my.form.xlsx" << " поверка";
    QTest::newRow("own template, dots in its name") << 2 << "D:/Templates/my.form.xlsx" << " my.form";
    QTest::newRow("own template, no path") << 2 << "" << " ";
    QTest::newRow("own template, dot in a folder") << 2 << "/srv/шаблоны.v2/протокол" << " протокол";
    QTest::newRow("own template, no folder") << 2 << "шаблон.xlsx" << " шаблон";
}

void TestTabProtocols::defaultNames()
{
    QFETCH(int, set);
    QFETCH(QString, templatePath);
    QFETCH(QString, suffix);
    setDocumentSet(set);
    setTemplate(templatePath);
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    click(TabProtocols::ButtonSave);
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    MessageNamePick *dialog = nameDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->captionLabel()->text(), QStringLiteral("Выберите имя для сохранения документа"));
    const QString name = dialog->nameEdit()->text();
    QVERIFY2(name.startsWith(QStringLiteral("Результаты  ")) && name.endsWith(suffix), qPrintable(name));
    const QString date = name.mid(12, 19);
    QCOMPARE(name.size(), 12 + 19 + suffix.size());
    const QDateTime when = QDateTime::fromString(date, QStringLiteral("yyyy.MM.dd-hh.mm.ss"));
    QVERIFY2(when >= before && when <= after, qPrintable(name));
    QCOMPARE(TabProtocols::defaultProtocolName(set, templatePath, when), name);
}

void TestTabProtocols::templateFieldFollowsTheSet()
{
    PrField *templateField = m_page->templateField();
    QVERIFY(!templateField->isVisible());
    setDocumentSet(2);
    QCOMPARE(Settings::instance->documentSet()->value(), 2);
    QVERIFY(templateField->isVisible());
    QCOMPARE(templateField->caption()->text(), QStringLiteral("Путь к шаблону"));
    setDocumentSet(1);
    QVERIFY(!templateField->isVisible());
    setDocumentSet(2);
    QVERIFY(templateField->isVisible());
    setDocumentSet(0);
    QVERIFY(!templateField->isVisible());
}

void TestTabProtocols::listFollowsTheFolder()
{
    QVERIFY(m_page->model()->fileNames().isEmpty());
    const QString other = m_dir.filePath(QStringLiteral("другая папка"));
    QVERIFY(QDir().mkpath(other + QStringLiteral("/вложенная")));
    const QStringList files{"протокол.xlsx", "заметки.txt", "без расширения", ".скрытый.xlsx"};
    for (const QString &name : files) {
        QFile f(other + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

    setFolder(other);
    // Every file, whatever its extension; no folders.
    QCOMPARE(sorted(m_page->model()->fileNames()), sorted(files));
    QCOMPARE(m_page->fileTable()->model()->rowCount(), files.size());
    setFolder(m_dir.filePath(QStringLiteral("нет такой")));
    QCOMPARE(m_page->model()->rowCount(), 0);
    setFolder(QString());
    QCOMPARE(m_page->model()->rowCount(), 0);
}

void TestTabProtocols::saveUnderTheLock()
{
    QVERIFY(touch(QStringLiteral("раньше.txt")));
    relist();
    LockRecord record;
    record.start();
    QSignalSpy steps(MainHandler::instance, &MainHandler::setLockScreenMaxVal);
    m_gate.arm();

    saveAs(QStringLiteral("Протокол под замком"));
    QVERIFY(m_gate.waitUntilHeld());
    QVERIFY(m_page->isSaving());
    QVERIFY(MainHandler::instance->isBusy());
    QVERIFY(isScreenLocked());
    QVERIFY(!m_station->window()->isEnabled());
    QCOMPARE(steps.first().first().toInt(), 4);

    // The worker's tasks and idle turns leave the lock up while the busy flag is set.
    AirHandler::instance->requestTask(TestSupport::Workstation::NoTask);
    QVERIFY(m_station->waitForTask(TestSupport::Workstation::NoTask));
    QTest::qWait(1000);   // ten idle turns
    QVERIFY(isScreenLocked());
    QVERIFY(!m_station->window()->isEnabled());

    m_gate.release();
    QVERIFY(waitForSave());
    record.stop();
    QVERIFY(!MainHandler::instance->isBusy());
    QVERIFY(m_station->waitUntilUnlocked());

    // Raised with the flag set, and lowered by the page before it cleared it; never by the worker.
    const QList<LockRecord::Entry> entries = record.taken();
    QVERIFY(!entries.isEmpty());
    QVERIFY(entries.first().locked && entries.first().busy && entries.first().guiThread);
    QVERIFY(!entries.last().locked && entries.last().busy && entries.last().guiThread);
    for (const LockRecord::Entry &entry : entries)
        QVERIFY(entry.locked || entry.guiThread);

    QVERIFY(QFileInfo(file(QStringLiteral("Протокол под замком.xlsx"))).isFile());
    QCOMPARE(sorted(m_page->model()->fileNames()),
             sorted(QStringList{"Протокол под замком.xlsx", "раньше.txt"}));
    QCOMPARE(currentRow(), 1);
    QCOMPARE(m_station->window()->focusWidget(), m_page->fileTable());
}

void TestTabProtocols::failedSaveShowsItsError()
{
    const QString broken = m_dir.filePath(QStringLiteral("сломанный.xlsx"));
    QFile f(broken);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("это не книга");
    f.close();
    setDocumentSet(2);
    setTemplate(broken);
    // A file that came while the page did not look.
    QVERIFY(touch(QStringLiteral("пришёл.xlsx")));
    QCOMPARE(m_page->model()->rowCount(), 0);

    saveAs(QStringLiteral("не выйдет"));
    QVERIFY(waitForSave());
    const QList<Warning> warnings = takeWarnings();
    QCOMPARE(warnings.size(), 1);
    const Warning &warning = warnings.first();
    QCOMPARE(warning.title, QStringLiteral("Сохранение протокола"));
    QCOMPARE(warning.text, QStringLiteral("Ошибка при открытии файла шаблона!"));
    QCOMPARE(warning.text, ExcelSaver::instance->lastError());
    QCOMPARE(warning.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(!MainHandler::instance->isBusy());
    QVERIFY(m_station->waitUntilUnlocked());
    QCOMPARE(m_page->model()->fileNames(), QStringList{"пришёл.xlsx"});
    QCOMPARE(currentRow(), 0);
}

void TestTabProtocols::secondNameDuringASave()
{
    QSignalSpy steps(MainHandler::instance, &MainHandler::setLockScreenMaxVal);
    m_gate.arm();
    saveAs(QStringLiteral("первый"));
    QVERIFY(m_gate.waitUntilHeld());
    // No second dialog can be reached now (the window is locked); a name that comes all the same
    // changes nothing.
    m_page->onProtocolNamePick(QStringLiteral("второй"));
    m_gate.release();
    QVERIFY(waitForSave());
    QCOMPARE(m_page->model()->fileNames(), QStringList{"первый.xlsx"});
    int fromPage = 0;
    for (const QList<QVariant> &step : steps)
        fromPage += step.first().toInt() == 4 ? 1 : 0;
    QCOMPARE(fromPage, 1);

    // The next save after it runs.
    QVERIFY(m_gate.disarm());
    saveAs(QStringLiteral("третий"));
    QVERIFY(waitForSave());
    QCOMPARE(sorted(m_page->model()->fileNames()), sorted(QStringList{"первый.xlsx", "третий.xlsx"}));
}

// The folder's listing can miss a document that is there all the same; the save would replace it.
void TestTabProtocols::documentOnDiskIsKept_data()
{
    QTest::addColumn<bool>("unlistable");
    QTest::newRow("written after the list was loaded") << false;
    QTest::newRow("folder that cannot be listed") << true;
}

void TestTabProtocols::documentOnDiskIsKept()
{
    QFETCH(bool, unlistable);
    QCOMPARE(m_page->model()->rowCount(), 0);
    // Another workstation writes it while the page shows the folder.
    const QByteArray theirs("документ другого рабочего места");
    {
        QFile other(file(QStringLiteral("Протокол.xlsx")));
        QVERIFY(other.open(QIODevice::WriteOnly));
        QCOMPARE(other.write(theirs), qint64(theirs.size()));
    }
    std::unique_ptr<UnlistableFolder> closed;
    if (unlistable) {
        closed.reset(new UnlistableFolder(folder()));
        if (!ModelProtocols::listFolder(folder()).isEmpty())
            QSKIP("this system lists the folder without the right to list it");
    }

    saveAs(QStringLiteral("Протокол"));
    QVERIFY(waitForSave());
    closed.reset();
    QFile kept(file(QStringLiteral("Протокол.xlsx")));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), theirs);
    QCOMPARE(TestSupport::takeMessageTexts(m_station->window()),
             QStringList{"Документ с таким именем уже существует!"});
    MessageNamePick *dialog = nameDialog();
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->nameEdit()->text(), QStringLiteral("Протокол"));
    QVERIFY(!isScreenLocked());
}

void TestTabProtocols::deleteRow_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("selected");   // -1: no current row
    QTest::newRow("last of several") << 3 << 2 << 1;
    QTest::newRow("middle") << 3 << 1 << 1;
    QTest::newRow("first") << 3 << 0 << 0;
    QTest::newRow("only row") << 1 << 0 << -1;
}

void TestTabProtocols::deleteRow()
{
    QFETCH(int, files);
    QFETCH(int, row);
    QFETCH(int, selected);
    for (int i = 0; i < files; ++i)
        QVERIFY(touch(QStringLiteral("протокол %1.xlsx").arg(i + 1)));
    relist();
    const QStringList before = m_page->model()->fileNames();
    QCOMPARE(before.size(), files);
    selectRow(row);
    QCOMPARE(currentRow(), row);

    // Without a question: a box would fail the case in cleanup().
    click(TabProtocols::ButtonDelete);
    QVERIFY(!QFileInfo::exists(file(before.at(row))));
    QStringList left = before;
    left.removeAt(row);
    QCOMPARE(m_page->model()->fileNames(), left);
    QCOMPARE(currentRow(), selected);
    if (selected >= 0)
        QCOMPARE(m_page->fileTable()->currentIndex().data().toString(), left.at(selected));
    QCOMPARE(m_station->window()->focusWidget(), m_page->fileTable());
}

void TestTabProtocols::nothingSelected_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QString>("title");
    QTest::newRow("delete") << int(TabProtocols::ButtonDelete) << "Удаление протокола";
    QTest::newRow("open") << int(TabProtocols::ButtonOpenFile) << "Открытие протокола";
}

void TestTabProtocols::nothingSelected()
{
    QFETCH(int, button);
    QFETCH(QString, title);
    QVERIFY(touch(QStringLiteral("протокол.xlsx")));
    relist();
    QVERIFY(!m_page->fileTable()->currentIndex().isValid());
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");

    click(button);
    const QList<Warning> warnings = takeWarnings();
    QCOMPARE(warnings.size(), 1);
    QCOMPARE(warnings.first().title, title);
    QCOMPARE(warnings.first().text, QStringLiteral("Протокол не выбран"));
    QCOMPARE(warnings.first().buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(QFileInfo::exists(file(QStringLiteral("протокол.xlsx"))));
    QVERIFY(m_opened.isEmpty());
}

void TestTabProtocols::openThroughTheDesktop_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("opened");   // relative to the protocol folder; ".." its parent
    QTest::newRow("open button") << "button" << "протокол #1.xlsx";
    QTest::newRow("double click") << "double click" << "протокол #1.xlsx";
    QTest::newRow("enter") << "enter" << "протокол #1.xlsx";
    QTest::newRow("removed since listed") << "gone" << ".";
    QTest::newRow("folder") << "folder" << ".";
    QTest::newRow("missing folder") << "missing folder" << "..";
}

void TestTabProtocols::openThroughTheDesktop()
{
    QFETCH(QString, how);
    QFETCH(QString, opened);
    QVERIFY(touch(QStringLiteral("протокол #1.xlsx")));
    relist();
    QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
    selectRow(0);
    QTableView *table = m_page->fileTable();
    const QPoint onRow = table->visualRect(table->currentIndex()).center();

    if (how == QLatin1String("button")) {
        click(TabProtocols::ButtonOpenFile);
    } else if (how == QLatin1String("double click")) {
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, Qt::NoModifier, onRow);
    } else if (how == QLatin1String("enter")) {
        QTest::keyClick(table, Qt::Key_Return);
    } else if (how == QLatin1String("gone")) {
        QVERIFY(QFile::remove(file(QStringLiteral("протокол #1.xlsx"))));
        click(TabProtocols::ButtonOpenFile);
    } else if (how == QLatin1String("folder")) {
        click(TabProtocols::ButtonOpenFolder);
    } else {
        setFolder(folder() + QStringLiteral("/нет такой"));
        click(TabProtocols::ButtonOpenFolder);
    }
    const QString expected = QDir::cleanPath(folder() + QLatin1Char('/') + opened);
    QCOMPARE(m_opened.size(), 1);
    QCOMPARE(QDir::cleanPath(m_opened.first()), expected);
}

void TestTabProtocols::protocolFromEachTemplate_data()
{
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("fixture");
    QTest::addColumn<QString>("templateFile");
    // The fixtures: 0 method A with one gauge, 1 method B with four, 2 method A with three.
    QTest::newRow("calibration, method A") << 0 << 2 << "default_template_calibration_A.xlsx";
    QTest::newRow("calibration, method B") << 0 << 1 << "default_template_calibration_B.xlsx";
    QTest::newRow("verification, method A") << 1 << 0 << "default_template_verification_A.xlsx";
    QTest::newRow("verification, method B") << 1 << 1 << "default_template_verification_B.xlsx";
    QTest::newRow("own template") << 2 << 0 << "custom_template.xlsx";
}

void TestTabProtocols::protocolFromEachTemplate()
{
    QFETCH(int, set);
    QFETCH(int, fixture);
    QFETCH(QString, templateFile);
    QVERIFY(!ProtocolSetup::apply(fixture).isEmpty());
    const QString source = QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/") + templateFile;
    setDocumentSet(set);
    if (set == 2)
        setTemplate(source);

    const QString name = QStringLiteral("Протокол ") + QString::fromUtf8(QTest::currentDataTag());
    saveAs(name);
    QVERIFY(waitForSave());
    QVERIFY2(ExcelSaver::instance->lastError().isEmpty(), qPrintable(ExcelSaver::instance->lastError()));
    QCOMPARE(m_page->model()->fileNames(), QStringList{name + QStringLiteral(".xlsx")});
    QCOMPARE(currentRow(), 0);
    ProtocolCheck::verify(source, file(name + QStringLiteral(".xlsx")), set, fixture);
}

// A connect that lands while a document is written: the document keeps the transducer's texts of
// the moment the save began, and the writing thread never reads the record the worker writes
// (a ThreadSanitizer build of this test shows it).
void TestTabProtocols::connectWhileSaving()
{
    QVERIFY(!ProtocolSetup::apply(0).isEmpty());
    setDocumentSet(2);
    setTemplate(QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/custom_template.xlsx"));
    const auto referenceLine = [this](const QString &name) {
        const QJsonObject cells = XlsxCheck::cells(XlsxCheck::dump(file(name + QStringLiteral(".xlsx"))), "Протокол");
        for (const QJsonValue &cell : cells)
            if (cell.toObject().value("v").toString().startsWith(QStringLiteral("Эталон:")))
                return cell.toObject().value("v").toString();
        return QString();
    };
    // The worker's thread, as it reports a task.
    std::atomic<QThread *> worker{nullptr};
    const QMetaObject::Connection seen = connect(
        AirHandler::instance, &AirHandler::taskFinished, AirHandler::instance,
        [&worker](int) { worker.store(QThread::currentThread()); }, Qt::DirectConnection);
    AirHandler::instance->requestTask(TestSupport::Workstation::NoTask);
    QVERIFY(m_station->waitForTask(TestSupport::Workstation::NoTask));
    disconnect(seen);
    QVERIFY(worker.load());
    QVERIFY(m_station->waitUntilUnlocked());

    m_gate.arm(worker.load());
    saveAs(QStringLiteral("при подключении"));
    QVERIFY(m_gate.waitUntilHeld());
    // The connect and the settings read it leads to; the page's refresh after it is the GUI
    // thread's last look at the record before the next request.
    AirHandler::instance->requestTask(AirHandler::TaskConnect);
    QVERIFY(m_station->waitForTask(AirHandler::TaskReadSettings));
    QVERIFY(TAIR::instance->isConnected());
    QCOMPARE(TAIR::instance->prSerialNumber->value(), QStringLiteral("12345678"));
    m_gate.release();
    QVERIFY(waitForSave());
    QVERIFY(m_gate.disarm());
    QVERIFY(m_station->waitUntilUnlocked());
    const QString line = referenceLine(QStringLiteral("при подключении"));
    QVERIFY2(line.contains(QStringLiteral("зав. № T-0451,")) && line.endsWith(QStringLiteral(", 0…1,6 МПа")),
             qPrintable(line));

    // Connects racing the writing thread, unheld.
    for (int n = 1; n <= 3; ++n) {
        saveAs(QStringLiteral("гонка %1").arg(n));
        AirHandler::instance->requestTask(AirHandler::TaskConnect);
        QVERIFY(m_station->waitForTask(AirHandler::TaskReadSettings));
        QVERIFY(waitForSave());
        QVERIFY(m_station->waitUntilUnlocked());
        QVERIFY2(ExcelSaver::instance->lastError().isEmpty(), qPrintable(ExcelSaver::instance->lastError()));
        QVERIFY(referenceLine(QStringLiteral("гонка %1").arg(n)).contains(QStringLiteral("зав. № ")));
    }

    QAction *disconnect = m_station->action(MainWindow::ActionDisconnect);
    QVERIFY(disconnect && disconnect->isEnabled());
    disconnect->trigger();
    QTRY_VERIFY(!TAIR::instance->isConnected());
    QVERIFY(m_station->waitUntilUnlocked());
    ProtocolSetup::setTexts();
}

void TestTabProtocols::screenshots()
{
    QVERIFY(!ProtocolSetup::apply(1).isEmpty());
    setDocumentSet(1);
    for (const QString &name : {QStringLiteral("Результаты  2026.12.09-07.25.41 поверка"),
                                QStringLiteral("Результаты  2026.12.10-10.02.17 поверка"),
                                QStringLiteral("Сертификат МП-100 зав. № 4512")}) {
        saveAs(name);
        QVERIFY(waitForSave());
    }
    QVERIFY(touch(QStringLiteral("Заметки по поверке.txt")));
    relist();
    selectRow(1);
    QVERIFY(!TestSupport::saveScreenshot(m_station->window(), QStringLiteral("protocols_page")).isEmpty());

    click(TabProtocols::ButtonSave);
    QTRY_VERIFY(nameDialog() && nameDialog()->isVisible());
    QVERIFY(!TestSupport::saveScreenshot(m_station->window(), QStringLiteral("protocols_name_dialog")).isEmpty());
}

APPDIR_TEST_MAIN(TestTabProtocols)

#include "tst_tabprotocols.moc"
