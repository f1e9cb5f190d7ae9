#include "Parameters/EditField.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/PrField.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/HDoubleSpinBoxDelegate.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/Tab.h"
#include "Widgets/TabHolderWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QStyleOptionGroupBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

namespace {
constexpr uint8_t Owns = HAbstractParametr::OwnsTitle;

const EnumList &items()
{
    static const EnumList list{{"один", 1}, {"два", 2}, {"три", 3}};
    return list;
}

// Each refresh refills the combo box once, inserting every item: counts the refreshes.
struct RefreshCounter
{
    explicit RefreshCounter(PrField *field)
    {
        auto *box = qobject_cast<QComboBox *>(field->editor()->editor());
        QObject::connect(box->model(), &QAbstractItemModel::rowsInserted, [this] { ++rows; });
    }
    int refreshes() const { return rows / items().size(); }
    int rows = 0;
};
}

class TestWidgetKit : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void refreshAllFieldsReachesNestedFieldsOnce();
    void pageScrollsWhenSmallerThanItsContent();
    void holderBackground_data();
    void holderBackground();
    void groupBoxWidthInCharacters_data();
    void groupBoxWidthInCharacters();
    void groupBoxFollowsFontChanges();
    void groupBoxHoldsWhatItShows();
    void delegateRangeAndDecimals();
    void delegateLeavesEmptyCellEmpty_data();
    void delegateLeavesEmptyCellEmpty();
    void applicationFontMetrics();
};

void TestWidgetKit::initTestCase()
{
    MainHandler::instance = new MainHandler();
}

void TestWidgetKit::refreshAllFieldsReachesNestedFieldsOnce()
{
    ParametrEnum top("Верх", items(), Owns);
    ParametrEnum grouped("В группе", items(), Owns);
    ParametrEnum deep("Глубоко", items(), Owns);
    ParametrInt pairA("a", 0, 9, Owns);
    ParametrInt pairB("b", 0, 9, Owns);

    Tab page;
    auto *topField = new PrField(&top, page.holder());
    page.grid()->addWidget(topField, 0, 0);

    auto *group = new HGroupBox("Группа", page.holder());
    auto *groupLayout = new QVBoxLayout(group);
    auto *groupField = new PrField(&grouped, group);
    groupLayout->addWidget(groupField);
    page.grid()->addWidget(group, 1, 0);

    auto *tabs = new HTabWidget(page.holder());
    auto *inner = new QWidget;
    auto *innerGroup = new HGroupBox("Внутри", inner);
    (new QVBoxLayout(inner))->addWidget(innerGroup);
    auto *deepField = new PrField(&deep, innerGroup);
    (new QVBoxLayout(innerGroup))->addWidget(deepField);
    tabs->addTab(new QWidget, "первая");
    tabs->addTab(inner, "вторая");
    page.grid()->addWidget(tabs, 2, 0);

    auto *pair = new PrField("Пара", page.holder());
    pair->addEditor(&pairA);
    pair->addEditor(&pairB);
    page.grid()->addWidget(pair, 3, 0);

    RefreshCounter topCount(topField), groupCount(groupField), deepCount(deepField);
    top.setValue(2);
    grouped.setValue(3);
    deep.setValue(1);
    pairA.setValue(4);
    pairB.setValue(5);

    page.refreshAllFields();
    QCOMPARE(topCount.refreshes(), 1);
    QCOMPARE(groupCount.refreshes(), 1);
    QCOMPARE(deepCount.refreshes(), 1);
    QCOMPARE(qobject_cast<QComboBox *>(topField->editor()->editor())->currentText(), QStringLiteral("два"));
    QCOMPARE(qobject_cast<QComboBox *>(groupField->editor()->editor())->currentText(), QStringLiteral("три"));
    QCOMPARE(qobject_cast<QComboBox *>(deepField->editor()->editor())->currentText(), QStringLiteral("один"));
    QCOMPARE(qobject_cast<QSpinBox *>(pair->editors().at(0)->editor())->value(), 4);
    QCOMPARE(qobject_cast<QSpinBox *>(pair->editors().at(1)->editor())->value(), 5);
}

void TestWidgetKit::pageScrollsWhenSmallerThanItsContent()
{
    Tab page;
    QCOMPARE(page.grid()->contentsMargins(), QMargins(5, 5, 5, 5));
    QCOMPARE(page.scrollArea()->frameShape(), QFrame::NoFrame);
    QVERIFY(page.scrollArea()->widgetResizable());
    QCOMPARE(page.scrollArea()->widget(), page.holder());
    QVERIFY(!page.isHandling());

    auto *content = new QWidget(page.holder());
    content->setMinimumSize(900, 700);
    page.grid()->addWidget(content, 0, 0);
    QCOMPARE(page.sizeHint(), page.holder()->sizeHint());

    page.resize(400, 300);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QCOMPARE(page.scrollArea()->size(), QSize(400, 300));
    QTRY_VERIFY(page.scrollArea()->horizontalScrollBar()->isVisible());
    QTRY_VERIFY(page.scrollArea()->verticalScrollBar()->isVisible());

    page.resize(1200, 1000);
    QTRY_COMPARE(page.scrollArea()->size(), QSize(1200, 1000));
    QTRY_VERIFY(!page.scrollArea()->horizontalScrollBar()->isVisible());
    QTRY_VERIFY(!page.scrollArea()->verticalScrollBar()->isVisible());
}

void TestWidgetKit::holderBackground_data()
{
    QTest::addColumn<bool>("filled");
    QTest::newRow("light background") << true;
    QTest::newRow("window background") << false;
}

void TestWidgetKit::holderBackground()
{
    QFETCH(bool, filled);
    Tab page;
    page.setBackgroundFilled(filled);
    QCOMPARE(page.holder()->isBackgroundFilled(), filled);
    page.resize(200, 150);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    const QImage image = page.grab().toImage();
    const QColor expected = filled ? QColor(Qt::lightGray).lighter(120) : page.palette().color(QPalette::Window);
    QCOMPARE(QColor(image.pixel(100, 75)).rgb(), expected.rgb());
}

void TestWidgetKit::groupBoxWidthInCharacters_data()
{
    QTest::addColumn<int>("chars");
    QTest::addColumn<int>("minimum");
    QTest::newRow("ten characters") << 10 << 0;
    QTest::newRow("minimum larger") << 10 << 2000;
    QTest::newRow("no characters") << 0 << 120;
}

void TestWidgetKit::groupBoxWidthInCharacters()
{
    QFETCH(int, chars);
    QFETCH(int, minimum);
    HGroupBox box("Группа");
    QVERIFY(box.autoFillBackground());
    box.setMinimumFixedWidth(minimum);
    // The minimum alone changes nothing until the width is fitted.
    QCOMPARE(box.maximumWidth(), QWIDGETSIZE_MAX);
    box.setFixedCharCount(chars);
    const int w = QFontMetrics(box.font()).horizontalAdvance(QString(chars, '#'));
    QCOMPARE(box.minimumWidth(), qMax(w, minimum));
    QCOMPARE(box.maximumWidth(), qMax(w, minimum));
}

void TestWidgetKit::groupBoxFollowsFontChanges()
{
    const QFont original = QApplication::font();
    HGroupBox box("Группа");
    HGroupBox free("Свободная");
    box.setFixedCharCount(10);
    // Set twice: still one connection, one fit per font change.
    box.setFixedCharCount(10);
    free.setFixedCharCount(-1);
    const int before = box.width();

    QFont larger = original;
    larger.setPointSize(original.pointSize() * 2);
    QApplication::setFont(larger);
    emit MainHandler::instance->fontChanged();
    const int w = QFontMetrics(box.font()).horizontalAdvance(QString(10, '#'));
    QCOMPARE(box.minimumWidth(), w);
    QCOMPARE(box.maximumWidth(), w);
    QVERIFY(w > before);
    QCOMPARE(free.maximumWidth(), QWIDGETSIZE_MAX);
    QCOMPARE(free.minimumWidth(), 0);

    QApplication::setFont(original);
    emit MainHandler::instance->fontChanged();
    QCOMPARE(box.maximumWidth(), before);

    // Freed again, the width stays free through font changes.
    box.setMinimumFixedWidth(50);
    box.setFixedCharCount(-1);
    QCOMPARE(box.maximumWidth(), QWIDGETSIZE_MAX);
    QApplication::setFont(larger);
    emit MainHandler::instance->fontChanged();
    QCOMPARE(box.maximumWidth(), QWIDGETSIZE_MAX);
    QCOMPARE(box.minimumWidth(), 0);
    QApplication::setFont(original);
}

void TestWidgetKit::groupBoxHoldsWhatItShows()
{
    // Five characters are too few for the title and the caption; the caption stands on a page
    // nested in the group, as the device tabs of the settings page do.
    HGroupBox box("Информация о проведении поверки");
    auto *layout = new QVBoxLayout(&box);
    auto *tabs = new HTabWidget(&box);
    layout->addWidget(tabs);
    auto *page = new Tab(tabs);
    page->setFitsContent(true);
    tabs->addTab(page, "Прибор №1");
    auto *caption = new QLabel("Регистрационный номер эталона", page->holder());
    page->grid()->addWidget(caption, 0, 0);
    box.setFixedCharCount(5);
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    const auto whole = [&]() {
        const QRect onPage(caption->mapTo(page, QPoint(0, 0)), caption->size());
        return caption->width() >= caption->sizeHint().width() && page->rect().contains(onPage)
            && !page->scrollArea()->horizontalScrollBar()->isVisible();
    };
    QTRY_VERIFY(whole());
    QStyleOptionGroupBox option;
    option.initFrom(&box);
    option.text = box.title();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect title = box.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &box);
    QVERIFY(title.width() >= box.fontMetrics().horizontalAdvance(box.title()));
    QVERIFY(box.rect().contains(title));

    // A longer caption widens the group once the layouts have run.
    const int before = box.width();
    caption->setText("Индекс заказа (класса точности), регистрационный номер эталона");
    QTRY_VERIFY(whole());
    QVERIFY(box.width() > before);
}

void TestWidgetKit::delegateRangeAndDecimals()
{
    QStandardItemModel model(2, 1);
    model.setData(model.index(0, 0), 12.5, Qt::EditRole);
    QTableView view;
    view.setModel(&model);
    HDoubleSpinBoxDelegate delegate;
    QCOMPARE(delegate.decimals(), 4);
    view.setItemDelegate(&delegate);
    QStyleOptionViewItem option;
    option.rect = QRect(3, 4, 120, 30);

    std::unique_ptr<QWidget> first(delegate.createEditor(view.viewport(), option, model.index(0, 0)));
    auto *box = qobject_cast<QDoubleSpinBox *>(first.get());
    QVERIFY(box);
    QVERIFY(box->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(box->decimals(), 4);
    QCOMPARE(box->minimum(), -1e16);
    QCOMPARE(box->maximum(), 1e16);
    delegate.updateEditorGeometry(box, option, model.index(0, 0));
    QCOMPARE(box->geometry(), option.rect);

    delegate.setEditorData(box, model.index(0, 0));
    QCOMPARE(box->value(), 12.5);
    QSignalSpy spy(&delegate, SIGNAL(valueChanged(double)));
    box->setValue(-0.12345);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.at(0).at(0).toDouble(), -0.1235);
    delegate.setModelData(box, &model, model.index(1, 0));
    QCOMPARE(model.data(model.index(1, 0), Qt::EditRole).toDouble(), -0.1235);

    box->setValue(5e17);
    delegate.setModelData(box, &model, model.index(1, 0));
    QCOMPARE(model.data(model.index(1, 0), Qt::EditRole).toDouble(), 1e16);

    // New decimals reach only editors opened afterwards.
    delegate.setDecimals(2);
    QCOMPARE(box->decimals(), 4);
    std::unique_ptr<QWidget> second(delegate.createEditor(view.viewport(), option, model.index(0, 0)));
    QCOMPARE(qobject_cast<QDoubleSpinBox *>(second.get())->decimals(), 2);
}

void TestWidgetKit::delegateLeavesEmptyCellEmpty_data()
{
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QVariant>("after");
    // A cell without a reading shows "-"; an editor opened on it and left must not store the 0 it
    // starts at.
    QTest::newRow("empty cell passed through") << QVariant("-") << QString() << QVariant("-");
    QTest::newRow("empty cell, 0 typed") << QVariant("-") << QString("0") << QVariant(0.0);
    QTest::newRow("empty cell, 7 typed") << QVariant("-") << QString("7") << QVariant(7.0);
    QTest::newRow("stored reading passed through") << QVariant(2.5) << QString() << QVariant(2.5);
}

void TestWidgetKit::delegateLeavesEmptyCellEmpty()
{
    QFETCH(QVariant, before);
    QFETCH(QString, typed);
    QFETCH(QVariant, after);
    QStandardItemModel model(2, 1);
    model.setData(model.index(0, 0), before, Qt::EditRole);
    QTableView view;
    view.setModel(&model);
    HDoubleSpinBoxDelegate delegate;
    view.setItemDelegate(&delegate);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    // As the run page leaves a cell: the current cell moves on and the view commits its editor.
    view.setEditTriggers(QAbstractItemView::CurrentChanged);
    view.setCurrentIndex(model.index(1, 0));
    view.setCurrentIndex(model.index(0, 0));
    QDoubleSpinBox *box = nullptr;
    for (auto *editor : view.viewport()->findChildren<QDoubleSpinBox *>()) {
        if (editor->isVisible())
            box = editor;
    }
    QVERIFY(box);
    if (!typed.isEmpty()) {
        box->selectAll();
        QTest::keyClicks(box, typed);
    }
    view.setCurrentIndex(model.index(1, 0));
    const QVariant stored = model.data(model.index(0, 0), Qt::EditRole);
    QCOMPARE(stored.userType() == QMetaType::QString, after.userType() == QMetaType::QString);
    QCOMPARE(stored.toString(), after.toString());
}

void TestWidgetKit::applicationFontMetrics()
{
    applicationFont = QApplication::font();
    applicationFont.setPointSize(30);
    updateFontMetrics();
    QCOMPARE(fontLineHeight, QFontMetrics(applicationFont).height());
    const int large = fontLineHeight;
    applicationFont.setPointSize(8);
    updateFontMetrics();
    QVERIFY(fontLineHeight < large);
}

QTEST_MAIN(TestWidgetKit)
#include "tst_widgetkit.moc"
