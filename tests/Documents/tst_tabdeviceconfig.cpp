// The device-card page on the real main window, offscreen, opened from the settings page's
// device tabs with the simulated transducer connected: saving the device of the tab in front,
// the limit of 200 cards, failed writes, the filters with their icons, sorting with load and
// delete acting on the shown row, loading into the settings page, the warnings without a current
// row, hiding, and the filter editors standing over their columns as the window and the font
// change. Leaves pictures of a filtered list in <build>/screenshots/.
#include "Documents/ModelDeviceConf.h"
#include "Documents/TabDeviceConfig.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabSettings.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/PrField.h"
#include "Parameters/Settings.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/VrDevice.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSettings>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <algorithm>

#include "CardFiles.h"

#include <csignal>
#include <sys/resource.h>

namespace {

// A modal box that the page showed, as the operator saw it.
struct Shown
{
    QString title;
    QString text;
    bool okOnly = false;
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A card as another copy of the program may have left it: only the given keys.
// A helper's failed check ends the test that called it.
#define CHECK(call)                                                                                                  \
    do {                                                                                                             \
        call;                                                                                                        \
        if (QTest::currentTestFailed())                                                                              \
            return;                                                                                                  \
    } while (false)

// Types as the operator does, key by key; keyClicks takes Latin-1 only.
void typeText(QWidget *widget, const QString &text)
{
    widget->setFocus();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

QString nameIn(const QString &path)
{
    return QSettings(path, QSettings::IniFormat).value(QStringLiteral("device->prName")).toString();
}

}

class TestTabDeviceConfig : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void savesTheDeviceOfTheTabInFront();
    void limitOfTwoHundred();
    void failedWriteWarns_data();
    void failedWriteWarns();
    void filtersAndIcons_data();
    void filtersAndIcons();
    void sortedRowsLoadAndDeleteTheirOwnFile();
    void loadShowsValuesOnSettingsPage();
    void noCurrentRowWarns_data();
    void noCurrentRowWarns();
    void backAndOtherTabsHide();
    void followsWindowAndFont();

private:
    // Clicks the settings page's card button on device tab `tab` (0..3); returns the page shown.
    TabDeviceConfig *openFromTab(int tab);
    void click(int id);
    QLineEdit *filterLine(int column) const;
    QTableView *table() const { return TabDeviceConfig::instance->cardTable(); }
    QAbstractItemModel *shownModel() const { return table()->model(); }
    QStringList shownColumn(int column) const;
    QStringList cardFiles() const;
    QString cardPath(const QString &name) const { return m_folder + QLatin1Char('/') + name; }
    // Makes a row current as the operator does, with a click on its first cell.
    void clickRow(int row);
    // The shown row whose source row differs, after sorting by column: it tells the shown row's
    // file from the file that the same row number has in the unsorted list.
    int rowAwayFromSource();
    // The editors stand over the first four columns, their icons at the right end inside them.
    void checkFilterPlacement();
    void fillDevice(VrDevice *device, const QString &name);

    std::unique_ptr<TestSupport::Workstation> m_station;
    TabSettings *m_settings = nullptr;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
    QTimer m_modalWatch;
    QList<Shown> m_shown;
};

void TestTabDeviceConfig::initTestCase()
{
    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    // The devices group is shown only with the transducer connected.
    QVERIFY(m_station->connectTransducer());
    m_settings = TabSettings::instance;
    QVERIFY(m_settings);
    // All four device tabs, as the operator enables them.
    for (PrField *field : m_settings->findChildren<PrField *>()) {
        if (field->editor() && field->editor()->parametr() == Conditions::instance->prVrDeviceCount) {
            auto *box = qobject_cast<QComboBox *>(field->editor()->editor());
            QVERIFY(box);
            box->setCurrentIndex(box->findData(4));
        }
    }
    QVERIFY(m_settings->deviceTabs()->isTabEnabled(3));

    // Every modal box is noted and closed with its one button; a box that the page should not
    // have shown fails the test that caused it instead of blocking the run.
    m_modalWatch.setInterval(20);
    connect(&m_modalWatch, &QTimer::timeout, this, [this]() {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        Shown shown;
        shown.title = box->windowTitle();
        shown.text = box->text();
        shown.okOnly = box->buttons().size() == 1 && box->button(QMessageBox::Ok);
        m_shown << shown;
        if (QAbstractButton *ok = box->buttons().value(0))
            QTest::mouseClick(ok, Qt::LeftButton);
        else
            box->reject();
    });
    m_modalWatch.start();
}

void TestTabDeviceConfig::init()
{
    if (TabDeviceConfig::instance) {
        TabDeviceConfig::instance->hide();
        for (int column = 0; column < TabDeviceConfig::FilterEditorCount; ++column)
            filterLine(column)->clear();
    }
    m_station->window()->tabWidget()->setCurrentWidget(m_settings);
    QVERIFY(m_station->waitUntilUnlocked());
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QStringLiteral("Мановера/Устройства"));
    Settings::instance->deviceConfPath()->setValue(m_folder);
    m_shown.clear();
}

void TestTabDeviceConfig::cleanupTestCase()
{
    m_modalWatch.stop();
    m_station.reset();
}

TabDeviceConfig *TestTabDeviceConfig::openFromTab(int tab)
{
    QTabBar *bar = m_settings->deviceTabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(tab).center());
    if (m_settings->deviceTabs()->currentIndex() != tab)
        return nullptr;
    HButton *cards = TestSupport::buttonOf(m_settings->deviceTabs()->currentWidget(), TabSettings::ButtonDeviceCards);
    if (!cards || !cards->isVisible())
        return nullptr;
    QTest::mouseClick(cards, Qt::LeftButton);
    TabDeviceConfig *page = TabDeviceConfig::instance;
    return page && page->isVisible() ? page : nullptr;
}

void TestTabDeviceConfig::click(int id)
{
    TestSupport::clickButton(TabDeviceConfig::instance, id);
}

QLineEdit *TestTabDeviceConfig::filterLine(int column) const
{
    EditField *editor = TabDeviceConfig::instance->filterEditor(column);
    return editor ? qobject_cast<QLineEdit *>(editor->editor()) : nullptr;
}

QStringList TestTabDeviceConfig::shownColumn(int column) const
{
    QStringList texts;
    for (int row = 0; row < shownModel()->rowCount(); ++row)
        texts << shownModel()->index(row, column).data().toString();
    return texts;
}

QStringList TestTabDeviceConfig::cardFiles() const
{
    QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    names.sort();
    return names;
}

void TestTabDeviceConfig::clickRow(int row)
{
    const QModelIndex index = shownModel()->index(row, 0);
    table()->scrollTo(index);
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      table()->visualRect(index).center());
    QCOMPARE(table()->currentIndex().row(), row);
}

int TestTabDeviceConfig::rowAwayFromSource()
{
    auto *proxy = qobject_cast<QSortFilterProxyModel *>(shownModel());
    for (int row = 0; row < proxy->rowCount(); ++row) {
        if (proxy->mapToSource(proxy->index(row, 0)).row() != row)
            return row;
    }
    return -1;
}

void TestTabDeviceConfig::checkFilterPlacement()
{
    TabDeviceConfig *page = TabDeviceConfig::instance;
    QHeaderView *header = table()->horizontalHeader();
    // At least a line of the font and 20 pixels, and never so low that the editor clips its text.
    const int height = std::max({fontLineHeight, 20, page->filterEditor(0)->editor()->minimumSizeHint().height()});
    for (int column = 0; column < TabDeviceConfig::FilterEditorCount; ++column) {
        EditField *editor = page->filterEditor(column);
        QVERIFY(editor->isVisible());
        const QPoint editorAt = editor->mapTo(page, QPoint(0, 0));
        const QPoint sectionAt = header->viewport()->mapTo(page, QPoint(header->sectionViewportPosition(column), 0));
        QCOMPARE(editorAt.x(), sectionAt.x());
        QCOMPARE(editor->width(), header->sectionSize(column) - 5);
        QCOMPARE(editor->height(), height);
        // Inside the bar, above the table.
        QVERIFY(page->filterBar()->rect().contains(editor->geometry()));
        QVERIFY(editorAt.y() + editor->height() <= table()->mapTo(page, QPoint(0, 0)).y());

        QLabel *icon = page->filterIcon(column);
        QCOMPARE(icon->geometry().right() + 1, editor->width());
        QVERIFY(qAbs(icon->geometry().center().y() - editor->height() / 2) <= 1);
        QVERIFY(icon->testAttribute(Qt::WA_TransparentForMouseEvents));
        const QPixmap pixmap = icon->pixmap(Qt::ReturnByValue);
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), QSize(20, 20));
    }
}

void TestTabDeviceConfig::fillDevice(VrDevice *device, const QString &name)
{
    device->prName->setValue(name);
    device->prSerial->setValue(name + QStringLiteral("-зав"));
    device->prDevType->setValue(QStringLiteral("МП-100"));
    device->prDevInv->setValue(QStringLiteral("ИН-") + name);
    device->prCheckR->setValue(1);
    m_settings->refreshAllFields();
}

void TestTabDeviceConfig::savesTheDeviceOfTheTabInFront()
{
    QList<VrDevice *> devices = Conditions::instance->vrDevices;
    fillDevice(devices.at(0), QStringLiteral("Первый"));
    fillDevice(devices.at(2), QStringLiteral("Третий"));

    TabDeviceConfig *page = openFromTab(2);
    QVERIFY(page);
    QCOMPARE(page->parentWidget(), m_settings);
    QCOMPARE(page->geometry(), m_settings->rect());
    QCOMPARE(page->device(), devices.at(2));
    QVERIFY(QFileInfo(m_folder).isDir());  // the missing folder is made on listing
    QCOMPARE(shownModel()->rowCount(), 0);

    CHECK(click(TabDeviceConfig::ButtonSave));
    QCOMPARE(cardFiles(), QStringList{"1.devconf"});
    QCOMPARE(nameIn(cardPath("1.devconf")), QStringLiteral("Третий"));
    QCOMPARE(QSettings(cardPath("1.devconf"), QSettings::IniFormat).value("device->prCheckR").toInt(), 1);
    QCOMPARE(shownColumn(ModelDeviceConf::ColumnName), QStringList{"Третий"});
    QCOMPARE(shownColumn(ModelDeviceConf::ColumnSerial), QStringList{"Третий-зав"});

    // Opened again from the first tab, the page works on the first device.
    CHECK(click(TabDeviceConfig::ButtonBack));
    QVERIFY(page->isHidden());
    QCOMPARE(openFromTab(0), page);
    QCOMPARE(page->device(), devices.at(0));
    CHECK(click(TabDeviceConfig::ButtonSave));
    QCOMPARE(cardFiles(), (QStringList{"1.devconf", "2.devconf"}));
    QCOMPARE(nameIn(cardPath("2.devconf")), QStringLiteral("Первый"));
    QCOMPARE(shownModel()->rowCount(), 2);
    QVERIFY(m_shown.isEmpty());
}

void TestTabDeviceConfig::limitOfTwoHundred()
{
    QVERIFY(QDir().mkpath(m_folder));
    for (int i = 1; i <= ModelDeviceConf::cardLimit; ++i) {
        QFile card(cardPath(QString::number(i) + ".devconf"));
        QVERIFY(card.open(QIODevice::WriteOnly));
        card.write("[General]\ndevice-%3EprName=card " + QByteArray::number(i) + "\n");
    }
    TabDeviceConfig *page = openFromTab(1);
    QVERIFY(page);
    QCOMPARE(shownModel()->rowCount(), 200);

    CHECK(click(TabDeviceConfig::ButtonSave));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).title, QStringLiteral("Сохранение шаблона"));
    QCOMPARE(m_shown.at(0).text, QStringLiteral("Максимальное количество шаблонов: 200"));
    QVERIFY(m_shown.at(0).okOnly);
    QCOMPARE(cardFiles().size(), 200);
    QVERIFY(page->isVisible());

    // One deleted, the next save goes through and takes the number after the largest.
    CHECK(clickRow(5));
    const QString deleted = shownModel()->index(5, ModelDeviceConf::ColumnFileName).data().toString();
    CHECK(click(TabDeviceConfig::ButtonDelete));
    QVERIFY(!QFile::exists(cardPath(deleted)));
    QCOMPARE(shownModel()->rowCount(), 199);
    CHECK(click(TabDeviceConfig::ButtonSave));
    QCOMPARE(m_shown.size(), 1);
    QVERIFY(QFile::exists(cardPath("201.devconf")));
    QCOMPARE(shownModel()->rowCount(), 200);
}

void TestTabDeviceConfig::failedWriteWarns_data()
{
    QTest::addColumn<bool>("folderUnderAFile");
    // Permissions do not stop root: a folder that cannot exist, or a disk that takes no bytes.
    QTest::newRow("the folder's path runs through a file") << true;
    QTest::newRow("the disk refuses the bytes") << false;
}

void TestTabDeviceConfig::failedWriteWarns()
{
    QFETCH(bool, folderUnderAFile);
    fillDevice(Conditions::instance->vrDevices.at(0), QStringLiteral("Несохраняемый"));
    QStringList before;
    if (folderUnderAFile) {
        QFile blocker(m_dir->filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("x");
        blocker.close();
        m_folder = m_dir->filePath("blocker/Устройства");
        Settings::instance->deviceConfPath()->setValue(m_folder);
    } else {
        QVERIFY(QDir().mkpath(m_folder));
        CardFiles::writeCard(cardPath("1.devconf"), {{"device->prName", "Был"}});
        before = cardFiles();
    }
    TabDeviceConfig *page = openFromTab(0);
    QVERIFY(page);
    const QByteArray existing = readAll(cardPath("1.devconf"));
    // Added behind the page's back: the list is reloaded after the failed save too.
    if (!folderUnderAFile) {
        CardFiles::writeCard(cardPath("7.devconf"), {{"device->prName", "Чужой"}});
        before = cardFiles();
        QCOMPARE(shownModel()->rowCount(), 1);
    }

    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    if (!folderUnderAFile) {
        struct rlimit small = old;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    click(TabDeviceConfig::ButtonSave);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).title, QStringLiteral("Сохранение шаблона"));
    QCOMPARE(m_shown.at(0).text, QStringLiteral("Ошибка при сохранении шаблона!"));
    QVERIFY(m_shown.at(0).okOnly);
    // No card, whole or partial, and no temporary file left behind.
    QCOMPARE(cardFiles(), before);
    QCOMPARE(readAll(cardPath("1.devconf")), existing);
    QCOMPARE(shownModel()->rowCount(), before.size());
    QVERIFY(page->isVisible());
}

void TestTabDeviceConfig::filtersAndIcons_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("name, ignoring case") << 0 << "мАнО" << QStringList{"1.devconf", "2.devconf", "4.devconf"};
    QTest::newRow("type") << 1 << "вп" << QStringList{"3.devconf", "4.devconf"};
    QTest::newRow("serial, ignoring case") << 2 << "ab" << QStringList{"1.devconf", "2.devconf", "3.devconf"};
    QTest::newRow("inventory, a question mark") << 3 << "1?0" << QStringList{"1.devconf", "4.devconf"};
    QTest::newRow("a star filters nothing") << 1 << "*"
                                            << QStringList{"1.devconf", "2.devconf", "3.devconf", "4.devconf"};
    QTest::newRow("nothing matches") << 0 << "zzz" << QStringList{};
}

void TestTabDeviceConfig::filtersAndIcons()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    QVERIFY(QDir().mkpath(m_folder));
    CardFiles::writeFilterCards(m_folder);
    TabDeviceConfig *page = openFromTab(0);
    QVERIFY(page);
    for (int i = 0; i < TabDeviceConfig::FilterEditorCount; ++i)
        QVERIFY(page->filterIcon(i)->isVisible());

    QLineEdit *line = filterLine(column);
    QVERIFY(line);
    typeText(line, text);
    QCOMPARE(line->text(), text);
    QStringList files = shownColumn(ModelDeviceConf::ColumnFileName);
    files.sort();
    QCOMPARE(files, shown);
    for (int i = 0; i < TabDeviceConfig::FilterEditorCount; ++i)
        QCOMPARE(page->filterIcon(i)->isVisible(), i != column);

    // The filter stays through a reload, as when the page is opened again.
    QCOMPARE(openFromTab(0), page);
    QCOMPARE(shownModel()->rowCount(), shown.size());
    QVERIFY(!page->filterIcon(column)->isVisible());

    // Emptied, the list is whole and the icon is back.
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Backspace);
    QCOMPARE(shownModel()->rowCount(), CardFiles::filterCards().size());
    QVERIFY(page->filterIcon(column)->isVisible());
}

void TestTabDeviceConfig::sortedRowsLoadAndDeleteTheirOwnFile()
{
    QVERIFY(QDir().mkpath(m_folder));
    const QStringList names{"Вакуумметр", "Барометр", "Амперметр", "Дифманометр", "Гигрометр"};
    const QStringList serials{"C-3", "A-1", "B-2", "E-5", "D-4"};
    for (int i = 0; i < names.size(); ++i)
        CardFiles::writeCard(cardPath(QString::number(i + 1) + ".devconf"),
                  {{"device->prName", names.at(i)}, {"device->prSerial", serials.at(i)}});
    TabDeviceConfig *page = openFromTab(1);
    QVERIFY(page);
    VrDevice *second = Conditions::instance->vrDevices.at(1);

    // Clicking the serial number's header sorts by it, one way or the other.
    QHeaderView *header = table()->horizontalHeader();
    const auto clickHeader = [&](int section) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(section) + header->sectionSize(section) / 2,
                                 header->height() / 2));
    };
    clickHeader(ModelDeviceConf::ColumnSerial);
    QCOMPARE(header->sortIndicatorSection(), int(ModelDeviceConf::ColumnSerial));
    QStringList sorted = serials;
    std::sort(sorted.begin(), sorted.end());
    if (header->sortIndicatorOrder() == Qt::DescendingOrder)
        std::reverse(sorted.begin(), sorted.end());
    QCOMPARE(shownColumn(ModelDeviceConf::ColumnSerial), sorted);
    clickHeader(ModelDeviceConf::ColumnSerial);
    std::reverse(sorted.begin(), sorted.end());
    QCOMPARE(shownColumn(ModelDeviceConf::ColumnSerial), sorted);

    int row = rowAwayFromSource();
    QVERIFY(row >= 0);
    CHECK(clickRow(row));
    const QString loadedName = shownModel()->index(row, ModelDeviceConf::ColumnName).data().toString();
    CHECK(click(TabDeviceConfig::ButtonLoad));
    QCOMPARE(second->prName->value(), loadedName);
    QCOMPARE(second->prSerial->value(), shownColumn(ModelDeviceConf::ColumnSerial).at(row));
    QVERIFY(page->isHidden());

    QCOMPARE(openFromTab(1), page);
    row = rowAwayFromSource();
    QVERIFY(row >= 0);
    CHECK(clickRow(row));
    const QString file = shownModel()->index(row, ModelDeviceConf::ColumnFileName).data().toString();
    const QString deletedName = shownModel()->index(row, ModelDeviceConf::ColumnName).data().toString();
    CHECK(click(TabDeviceConfig::ButtonDelete));
    QVERIFY(!QFile::exists(cardPath(file)));
    QCOMPARE(cardFiles().size(), names.size() - 1);
    QVERIFY(!shownColumn(ModelDeviceConf::ColumnName).contains(deletedName));
    QCOMPARE(shownModel()->rowCount(), names.size() - 1);
    QVERIFY(page->isVisible());  // deleting asks nothing and stays on the page
    QVERIFY(m_shown.isEmpty());
}

void TestTabDeviceConfig::loadShowsValuesOnSettingsPage()
{
    QVERIFY(QDir().mkpath(m_folder));
    CardFiles::writeCard(cardPath("4.devconf"), {{"device->prName", "Манометр ДМ-02"},
                                      {"device->prSerial", "№ 4711"},
                                      {"device->prOwner", "ООО \"Лаборатория\""},
                                      {"device->prNotes", "Царапина на стекле"},
                                      {"device->prVrOrder", 1},
                                      {"device->prCheckR", 1}});
    VrDevice *fourth = Conditions::instance->vrDevices.at(3);
    fourth->prDevInv->setValue(QStringLiteral("прежний"));
    fourth->prVrOrder->setValue(0);
    fourth->prCheckR->setValue(0);
    m_settings->refreshAllFields();

    TabDeviceConfig *page = openFromTab(3);
    QVERIFY(page);
    CHECK(clickRow(0));
    CHECK(click(TabDeviceConfig::ButtonLoad));
    QVERIFY(page->isHidden());
    QVERIFY(m_settings->isVisible());

    // The settings page's editors of the fourth device show the card; a key it lacks keeps its value.
    QWidget *tab = m_settings->deviceTabs()->widget(3);
    const auto editorOf = [tab](const HAbstractParametr *parametr) { return TestSupport::editorOf(tab, parametr); };
    QCOMPARE(qobject_cast<QLineEdit *>(editorOf(fourth->prName))->text(), QStringLiteral("Манометр ДМ-02"));
    QCOMPARE(qobject_cast<QLineEdit *>(editorOf(fourth->prSerial))->text(), QStringLiteral("№ 4711"));
    QCOMPARE(qobject_cast<QLineEdit *>(editorOf(fourth->prOwner))->text(), QStringLiteral("ООО \"Лаборатория\""));
    QCOMPARE(qobject_cast<QLineEdit *>(editorOf(fourth->prDevInv))->text(), QStringLiteral("прежний"));
    QCOMPARE(qobject_cast<QComboBox *>(editorOf(fourth->prVrOrder))->currentText(), QStringLiteral("периодическая"));
    QCOMPARE(qobject_cast<QComboBox *>(editorOf(fourth->prCheckR))->currentText(),
             QStringLiteral("не соответствует"));
    QCOMPARE(fourth->prNotes->value(), QStringLiteral("Царапина на стекле"));
    QVERIFY(m_shown.isEmpty());
}

void TestTabDeviceConfig::noCurrentRowWarns_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("title");
    QTest::newRow("load") << int(TabDeviceConfig::ButtonLoad) << "Загрузка шаблона";
    QTest::newRow("delete") << int(TabDeviceConfig::ButtonDelete) << "Удаление шаблона";
}

void TestTabDeviceConfig::noCurrentRowWarns()
{
    QFETCH(int, id);
    QFETCH(QString, title);
    QVERIFY(QDir().mkpath(m_folder));
    CardFiles::writeCard(cardPath("1.devconf"), {{"device->prName", "Единственный"}});
    VrDevice *first = Conditions::instance->vrDevices.at(0);
    first->prName->setValue(QStringLiteral("Свой"));
    TabDeviceConfig *page = openFromTab(0);
    QVERIFY(page);
    QCOMPARE(shownModel()->rowCount(), 1);
    QVERIFY(!table()->currentIndex().isValid());

    CHECK(click(id));
    QCOMPARE(m_shown.size(), 1);
    QCOMPARE(m_shown.at(0).title, title);
    QCOMPARE(m_shown.at(0).text, QStringLiteral("Шаблон не выбран"));
    QVERIFY(m_shown.at(0).okOnly);
    QCOMPARE(cardFiles(), QStringList{"1.devconf"});
    QCOMPARE(first->prName->value(), QStringLiteral("Свой"));
    QVERIFY(page->isVisible());
}

void TestTabDeviceConfig::backAndOtherTabsHide()
{
    TabDeviceConfig *page = openFromTab(0);
    QVERIFY(page);
    CHECK(click(TabDeviceConfig::ButtonBack));
    QVERIFY(page->isHidden());
    QVERIFY(m_settings->isVisible());

    // Left for another page, it is gone when the settings page comes back.
    QCOMPARE(openFromTab(0), page);
    HTabWidget *tabs = m_station->window()->tabWidget();
    tabs->setCurrentIndex(2);
    QVERIFY(!page->isVisible());
    tabs->setCurrentWidget(m_settings);
    QVERIFY(m_settings->isVisible());
    QVERIFY(page->isHidden());
}

void TestTabDeviceConfig::followsWindowAndFont()
{
    QVERIFY(QDir().mkpath(m_folder));
    const QStringList kinds{"Манометр", "Вакуумметр", "Мановакуумметр", "Термометр"};
    for (int i = 0; i < 9; ++i)
        CardFiles::writeCard(cardPath(QString::number(i + 1) + ".devconf"),
                  {{"device->prName", kinds.at(i % kinds.size()) + QStringLiteral(" показывающий")},
                   {"device->prDevType", QStringLiteral("МП-%1").arg(100 + i)},
                   {"device->prSerial", QStringLiteral("%1").arg(4700 + i * 13)},
                   {"device->prDevInv", QStringLiteral("ИН-%1").arg(i * 7)}});
    TabDeviceConfig *page = openFromTab(0);
    QVERIFY(page);
    QTRY_VERIFY(page->filterEditor(0)->isVisible());
    CHECK(checkFilterPlacement());
    // The tenth card widens the row numbers, which moves the columns.
    fillDevice(Conditions::instance->vrDevices.at(0), QStringLiteral("Манометр образцовый"));
    CHECK(click(TabDeviceConfig::ButtonSave));
    QCOMPARE(shownModel()->rowCount(), 10);
    CHECK(checkFilterPlacement());

    typeText(filterLine(0), QStringLiteral("МАНО"));
    QCOMPARE(shownModel()->rowCount(), 6);
    CHECK(checkFilterPlacement());
    qInfo("screenshot: %s",
          qPrintable(TestSupport::saveScreenshot(m_station->window(), QStringLiteral("device_cards_filtered"))));

    MainWindow *window = m_station->window();
    const QSize original = window->size();
    for (const QSize &size : {QSize(1000, 700), QSize(1500, 950)}) {
        window->resize(size);
        QTRY_COMPARE(window->size(), size);
        QTRY_COMPARE(page->size(), m_settings->size());
        QCOMPARE(page->pos(), QPoint(0, 0));
        CHECK(checkFilterPlacement());
    }

    // A larger font: editors as tall as its lines and their frames, still over their columns.
    const int pointSize = applicationFont.pointSize();
    for (int step = 0; step < 6; ++step)
        window->activateAction(MainWindow::ActionFontUp);
    QVERIFY(fontLineHeight > 20);
    // The taller tab bar leaves the settings page less room once the layouts have run, after
    // the font signal.
    const QSize before = m_settings->size();
    QVERIFY2(QTest::qWaitFor([&]() { return m_settings->size() != before; }, 5000),
             "the larger font left the settings page's size as it was");
    QCOMPARE(page->size(), m_settings->size());
    CHECK(checkFilterPlacement());
    qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(
                                m_station->window(), QStringLiteral("device_cards_filtered_large_font"))));
    while (applicationFont.pointSize() > pointSize)
        window->activateAction(MainWindow::ActionFontDown);
    window->resize(original);
    QTRY_COMPARE(page->size(), m_settings->size());
}

APPDIR_TEST_MAIN(TestTabDeviceConfig)

#include "tst_tabdeviceconfig.moc"
