#include "Parameters/EditField.h"
#include "Parameters/FormBuilder.h"
#include "Parameters/HEditableEnumEdit.h"
#include "Parameters/HPathEdit.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/PrField.h"
#include "Widgets/HButton.h"
#include "Widgets/Tab.h"
#include "Widgets/TabHolderWidget.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <cmath>
#include <limits>
#include <memory>

namespace {
constexpr uint8_t Owns = HAbstractParametr::OwnsTitle;

const EnumList &units()
{
    static const EnumList list{{"Па", 0}, {"кПа", 1}, {"МПа", 2}, {"бар", 8}};
    return list;
}

// A page that records what its field slot saw: the sender's index and the parameter's
// value at that moment.
class RecordingPage : public Tab
{
    Q_OBJECT
public:
    std::function<QString()> read;
    QList<int> indexes;
    QStringList seen;

public slots:
    void onFieldChanged()
    {
        auto *field = qobject_cast<PrField *>(sender());
        indexes << (field ? field->fieldIndex() : -2);
        seen << (read ? read() : QString());
    }
};

// One parameter of each edited type, with a way to edit it as the operator would
// and to read it back as text.
struct Case
{
    std::unique_ptr<HAbstractParametr> parametr;
    std::function<void(QWidget *)> edit;
    std::function<void()> changeBehindTheEditor;
    std::function<QString()> value;
    std::function<QString(QWidget *)> shown;
    QString edited;
    QString changedBehind;
};

Case makeCase(int type)
{
    Case c;
    switch (type) {
    case HAbstractParametr::TypeEnum: {
        auto *p = new ParametrEnum("Единицы", units(), Owns);
        p->setValue(1);
        c.parametr.reset(p);
        c.edit = [](QWidget *e) { static_cast<QComboBox *>(e)->setCurrentIndex(3); };
        c.changeBehindTheEditor = [p] { p->setValue(2); };
        c.value = [p] { return QString::number(p->value()); };
        c.shown = [](QWidget *e) { return static_cast<QComboBox *>(e)->currentData().toString(); };
        c.edited = "8";
        c.changedBehind = "2";
        break;
    }
    case HAbstractParametr::TypeString: {
        auto *p = new ParametrString("Поверитель", 20, Owns);
        p->setValue("Иванов");
        c.parametr.reset(p);
        c.edit = [](QWidget *e) { QTest::keyClicks(e, "2"); };
        c.changeBehindTheEditor = [p] { p->setValue("Петров"); };
        c.value = [p] { return p->value(); };
        c.shown = [](QWidget *e) { return static_cast<QLineEdit *>(e)->text(); };
        c.edited = "Петров2";
        c.changedBehind = "Петров";
        break;
    }
    case HAbstractParametr::TypeDouble: {
        auto *p = new ParametrDouble("Давление", -10, 100, Owns);
        p->setValue(1.5);
        c.parametr.reset(p);
        c.edit = [](QWidget *e) { static_cast<QDoubleSpinBox *>(e)->setValue(42.125); };
        c.changeBehindTheEditor = [p] { p->setValue(-3.25); };
        c.value = [p] { return QString::number(p->value()); };
        c.shown = [](QWidget *e) { return QString::number(static_cast<QDoubleSpinBox *>(e)->value()); };
        c.edited = "42.125";
        c.changedBehind = "-3.25";
        break;
    }
    case HAbstractParametr::TypeInt: {
        auto *p = new ParametrInt("Знаков", 0, 9, Owns);
        p->setValue(3);
        c.parametr.reset(p);
        c.edit = [](QWidget *e) { QTest::keyClick(e, Qt::Key_Up); };
        c.changeBehindTheEditor = [p] { p->setValue(7); };
        c.value = [p] { return QString::number(p->value()); };
        c.shown = [](QWidget *e) { return QString::number(static_cast<QSpinBox *>(e)->value()); };
        c.edited = "8";
        c.changedBehind = "7";
        break;
    }
    case HAbstractParametr::TypePath: {
        auto *p = new ParametrPath("Папка", Owns);
        p->setValue("/tmp/a");
        c.parametr.reset(p);
        c.edit = [](QWidget *e) { QTest::keyClicks(static_cast<HPathEdit *>(e)->lineEdit(), "b"); };
        c.changeBehindTheEditor = [p] { p->setValue("/srv"); };
        c.value = [p] { return p->value(); };
        c.shown = [](QWidget *e) { return static_cast<HPathEdit *>(e)->lineEdit()->text(); };
        c.edited = "/srvb";
        c.changedBehind = "/srv";
        break;
    }
    }
    return c;
}
}

class TestEditors : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();

    void oneWriteBackPerEditAndNoneOnRefresh_data();
    void oneWriteBackPerEditAndNoneOnRefresh();
    void enumWithUnknownValueShowsNoEntry();
    void doubleThatIsNoNumberShowsDash();
    void keysOverTheDash_data();
    void keysOverTheDash();
    void programTextLongerThanTheLimitShowsWhole();
    void changingTheParameterTypeReplacesTheEditor();
    void multiLineTextIsCutToMaxLength();
    void freeTextEnumWritesOnlyOnFocusLossOrReturn();
    void cancelledPathDialogKeepsThePath_data();
    void cancelledPathDialogKeepsThePath();
    void chosenFolderReplacesThePath();
    void pathButtonFollowsTheFont();
    void captionSuffixIsReplaced();
    void layoutKinds_data();
    void layoutKinds();
    void pairFieldPutsEditorsSideBySide();
    void buttonIds();

    void connectedFieldsNotifyTheReceiverAfterTheWrite();
    void connectedFieldWithoutReceiverConnectsNothing();
    void fieldInAContainerWithoutLayout();
    void spacers();
};

void TestEditors::initTestCase()
{
    MainHandler::instance = new MainHandler();
}

void TestEditors::oneWriteBackPerEditAndNoneOnRefresh_data()
{
    QTest::addColumn<int>("type");
    QTest::newRow("enum") << int(HAbstractParametr::TypeEnum);
    QTest::newRow("string") << int(HAbstractParametr::TypeString);
    QTest::newRow("double") << int(HAbstractParametr::TypeDouble);
    QTest::newRow("int") << int(HAbstractParametr::TypeInt);
    QTest::newRow("path") << int(HAbstractParametr::TypePath);
}

void TestEditors::oneWriteBackPerEditAndNoneOnRefresh()
{
    QFETCH(int, type);
    Case c = makeCase(type);

    RecordingPage page;
    page.read = c.value;
    PrField field(c.parametr.get(), 7, &page);
    connect(&field, SIGNAL(changed()), &page, SLOT(onFieldChanged()));
    QWidget *editor = field.editor()->editor();
    QVERIFY(editor);
    QCOMPARE(c.shown(editor), c.value());

    // Refreshing, however often, emits nothing and adds no second write-back.
    QSignalSpy fieldChanged(field.editor(), SIGNAL(changed()));
    c.changeBehindTheEditor();
    field.refreshEditors();
    field.refreshEditors();
    QCOMPARE(fieldChanged.count(), 0);
    QVERIFY(page.seen.isEmpty());
    QCOMPARE(c.shown(editor), c.changedBehind);
    QCOMPARE(field.editor()->editor(), editor);

    c.edit(editor);
    QCOMPARE(c.value(), c.edited);
    // The page heard of the edit once, and the parameter already held the new value.
    QCOMPARE(page.seen, QStringList{c.edited});
    QCOMPARE(page.indexes, QList<int>{7});
    QCOMPARE(fieldChanged.count(), 1);
}

void TestEditors::enumWithUnknownValueShowsNoEntry()
{
    ParametrEnum p("Единицы", units(), Owns);
    p.setValue(99);
    EditField field(&p);
    auto *box = qobject_cast<QComboBox *>(field.editor());
    QVERIFY(box);
    QCOMPARE(box->count(), 4);
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->itemText(1), QStringLiteral("кПа"));
    QCOMPARE(p.value(), 99);

    box->setCurrentIndex(2);
    QCOMPARE(p.value(), 2);

    // Emptying the box from outside writes no made-up id.
    box->setCurrentIndex(-1);
    QCOMPARE(p.value(), 2);
}

void TestEditors::doubleThatIsNoNumberShowsDash()
{
    ParametrDouble p("Измеренное", -99, -99, Owns);
    p.setValue(std::numeric_limits<double>::quiet_NaN());
    EditField field(&p);
    QSignalSpy changed(&field, &EditField::changed);
    auto *box = qobject_cast<QDoubleSpinBox *>(field.editor());
    QVERIFY(box);
    // Not the 0 that the spin box would make of it.
    QCOMPARE(box->text(), QStringLiteral("-"));
    QVERIFY(std::isnan(p.value()));

    // A number again shows as a number, also one that was shown as "-" before.
    p.setValue(0.0);
    field.refresh();
    QCOMPARE(box->value(), 0.0);
    QVERIFY(box->text() != QStringLiteral("-"));
    p.setValue(std::numeric_limits<double>::infinity());
    field.refresh();
    QCOMPARE(box->text(), QStringLiteral("-"));
    QCOMPARE(changed.count(), 0);

    // The operator's number replaces it.
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("12"));
    QCOMPARE(p.value(), 12.0);
}

// What the operator does in a field that shows "-": the minimum typed there is a number like any
// other, the arrows step from 0, and a lone sign left there is still no number.
void TestEditors::keysOverTheDash_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");   // once Return has been pressed
    const double NaN = std::numeric_limits<double>::quiet_NaN();
    QTest::newRow("the minimum typed") << 0.0 << 1.0 << QList<int>{Qt::Key_0} << 0.0 << "0,000";
    QTest::newRow("up") << -10.0 << 10.0 << QList<int>{Qt::Key_Up} << 1.0 << "1,000";
    QTest::newRow("a lone minus") << -10.0 << 10.0 << QList<int>{Qt::Key_Minus} << NaN << "-";
    QTest::newRow("minus and a digit") << -10.0 << 10.0 << QList<int>{Qt::Key_Minus, Qt::Key_3} << -3.0 << "-3,000";
}

void TestEditors::keysOverTheDash()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(QList<int>, keys);
    QFETCH(double, stored);
    QFETCH(QString, shown);

    ParametrDouble p("Коэффициент", min, max, Owns);
    p.setValue(std::numeric_limits<double>::quiet_NaN());
    QWidget window;
    auto *field = new EditField(&p, &window);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    auto *box = qobject_cast<QDoubleSpinBox *>(field->editor());
    QVERIFY(box);
    QCOMPARE(box->text(), QStringLiteral("-"));
    QTest::mouseClick(box, Qt::LeftButton);
    QVERIFY(box->hasFocus());
    for (int key : keys)
        QTest::keyClick(box, Qt::Key(key));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->text(), shown);
    if (std::isnan(stored))
        QVERIFY(std::isnan(p.value()));
    else
        QCOMPARE(p.value(), stored);
}

// The limit is the operator's: a longer text the program puts into the field shows whole, and
// typing never makes a text longer than the limit or than it already is.
void TestEditors::programTextLongerThanTheLimitShowsWhole()
{
    ParametrString p("Диапазон", 5, Owns);
    p.setValue("abcdefgh");
    QWidget window;
    auto *field = new EditField(&p, &window);
    window.show();
    auto *edit = qobject_cast<QLineEdit *>(field->editor());
    QVERIFY(edit);
    QCOMPARE(edit->text(), QStringLiteral("abcdefgh"));

    edit->setFocus();
    edit->end(false);
    QTest::keyClicks(edit, "x");
    QCOMPARE(p.value(), QStringLiteral("abcdefgh"));
    // Shortened in the middle, the text takes nothing more in place of it...
    edit->setCursorPosition(2);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, "x");
    QCOMPARE(p.value(), QStringLiteral("abdefgh"));
    QCOMPARE(edit->cursorPosition(), 2);
    // ...and below the limit it keeps to the limit.
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClick(edit, Qt::Key_Delete);
    QCOMPARE(p.value(), QStringLiteral("abgh"));
    QTest::keyClicks(edit, "xyz");
    QCOMPARE(p.value(), QStringLiteral("abxgh"));

    // The program's next text shows whole again.
    p.setValue("0123456789");
    field->refresh();
    QCOMPARE(edit->text(), QStringLiteral("0123456789"));
}

void TestEditors::changingTheParameterTypeReplacesTheEditor()
{
    ParametrString line("Строка", 10, Owns);
    ParametrString text("Текст", 10, Owns | HAbstractParametr::AltEditor);
    ParametrInt number("Число", 0, 5, Owns);
    line.setValue("one");
    text.setValue("two");

    EditField field(&line);
    QPointer<QWidget> first = field.editor();
    QVERIFY(qobject_cast<QLineEdit *>(first));

    // Same type code, other widget: the one-line editor must not be reused as a text edit.
    field.setParametr(&text);
    auto *edit = qobject_cast<QTextEdit *>(field.editor());
    QVERIFY(edit);
    QCOMPARE(edit->toPlainText(), QStringLiteral("two"));
    QTRY_VERIFY(first.isNull());

    field.setParametr(&number);
    auto *spin = qobject_cast<QSpinBox *>(field.editor());
    QVERIFY(spin);
    QCOMPARE(spin->maximum(), 5);
    QSignalSpy spy(&field, SIGNAL(changed()));
    spin->setValue(4);
    QCOMPARE(number.value(), 4);
    QCOMPARE(text.value(), QStringLiteral("two"));
    QCOMPARE(spy.count(), 1);

    // A parameter without an editor, and none at all, leave the field usable.
    field.setParametr(nullptr);
    QCOMPARE(field.parametr(), &number);
}

void TestEditors::multiLineTextIsCutToMaxLength()
{
    ParametrString p("Примечание", 5, Owns | HAbstractParametr::AltEditor);
    p.setValue("abc");
    PrField field(&p);
    auto *edit = qobject_cast<QTextEdit *>(field.editor()->editor());
    QVERIFY(edit);
    QCOMPARE(edit->toPlainText(), QStringLiteral("abc"));
    QCOMPARE(edit->wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);

    QStringList heard;
    connect(&field, &PrField::changed, [&] { heard << p.value(); });
    edit->setPlainText("abcdefgh");
    QCOMPARE(p.value(), QStringLiteral("abcde"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("abcde"));
    // The cut text put back reports once more; every report sees the cut value.
    for (const QString &value : heard)
        QCOMPARE(value, QStringLiteral("abcde"));
    QVERIFY(!heard.isEmpty());

    // Typing at the end of a full text adds nothing.
    edit->moveCursor(QTextCursor::End);
    QTest::keyClicks(edit, "xy");
    QCOMPARE(p.value(), QStringLiteral("abcde"));
    QCOMPARE(edit->toPlainText(), QStringLiteral("abcde"));

    edit->setPlainText("ab\ncd");
    QCOMPARE(p.value(), QStringLiteral("ab\ncd"));
}

void TestEditors::freeTextEnumWritesOnlyOnFocusLossOrReturn()
{
    static const EnumList owners{{"ООО Ромашка", 0}, {"АО Лютик", 1}};
    ParametrEditableEnum p("Владелец", owners, Owns);
    p.setText("Свой");
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *fieldPtr = new PrField(&p, &window);
    PrField &field = *fieldPtr;
    auto *other = new QLineEdit(&window);
    layout->addWidget(fieldPtr);
    layout->addWidget(other);
    window.show();
    QApplication::setActiveWindow(&window);
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QSignalSpy spy(&field, SIGNAL(changed()));
    auto *box = qobject_cast<HEditableEnumEdit *>(field.editor()->editor());
    QVERIFY(box);
    QVERIFY(box->isEditable());
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentText(), QStringLiteral("Свой"));

    // Typing and picking from the list leave the parameter alone.
    QTest::keyClicks(box->lineEdit(), "-2");
    box->setCurrentIndex(1);
    QCOMPARE(p.text(), QStringLiteral("Свой"));
    QCOMPARE(spy.count(), 0);

    box->setFocus();
    QTRY_VERIFY(box->hasFocus());
    QCOMPARE(spy.count(), 0);
    other->setFocus();
    QTRY_COMPARE(p.text(), QStringLiteral("АО Лютик"));
    QCOMPARE(spy.count(), 1);

    // Keys reach the combo box through its line edit, as they do for the operator.
    box->setEditText("Третий");
    QTest::keyClick(box->lineEdit(), Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(p.text(), QStringLiteral("АО Лютик"));
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    QCOMPARE(p.text(), QStringLiteral("Третий"));
    QCOMPARE(spy.count(), 2);

    // A refresh shows the parameter's text again without reporting.
    p.setText("Четвёртый");
    field.refreshEditors();
    QCOMPARE(box->currentText(), QStringLiteral("Четвёртый"));
    QCOMPARE(box->count(), 2);
    QCOMPARE(spy.count(), 2);
}

namespace {
// What the operator saw of the last file dialog answered below.
struct SeenDialog
{
    QString title;
    QStringList nameFilters;
    QString directory;
    bool foldersOnly = false;
};
SeenDialog lastDialog;

// Answers the next modal file dialog: rejects it, or selects a folder and accepts.
void answerNextDialog(const QString &folder = QString())
{
    lastDialog = SeenDialog();
    QTimer::singleShot(50, [folder] {
        auto tries = std::make_shared<int>(0);
        auto step = std::make_shared<std::function<void()>>();
        *step = [folder, tries, step] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            if (!dialog) {
                if (++*tries < 200)
                    QTimer::singleShot(50, *step);
                return;
            }
            lastDialog.title = dialog->windowTitle();
            lastDialog.nameFilters = dialog->nameFilters();
            lastDialog.directory = dialog->directory().absolutePath();
            lastDialog.foldersOnly = dialog->testOption(QFileDialog::ShowDirsOnly);
            if (folder.isEmpty()) {
                dialog->reject();
            } else {
                if (auto *name = dialog->findChild<QLineEdit *>("fileNameEdit"))
                    name->setText(folder);
                QMetaObject::invokeMethod(dialog, "accept");
            }
        };
        (*step)();
    });
}
}

void TestEditors::cancelledPathDialogKeepsThePath_data()
{
    QTest::addColumn<bool>("folder");
    QTest::newRow("folder") << true;
    QTest::newRow("file") << false;
}

void TestEditors::cancelledPathDialogKeepsThePath()
{
    QFETCH(bool, folder);
    QTemporaryDir dir;
    ParametrPath p("Путь", Owns | (folder ? HAbstractParametr::AltEditor : 0));
    p.setValue(dir.path());
    if (!folder)
        p.setNameFilters({"*.xlsx"});
    QWidget window;
    auto *field = new PrField(&p, &window);
    window.show();
    QSignalSpy spy(field, SIGNAL(changed()));
    auto *edit = qobject_cast<HPathEdit *>(field->editor()->editor());
    QVERIFY(edit);
    QCOMPARE(edit->selectButton()->text(), QStringLiteral("Выбрать..."));

    answerNextDialog();
    edit->selectButton()->click();
    QCOMPARE(p.value(), dir.path());
    QCOMPARE(edit->lineEdit()->text(), dir.path());
    QCOMPARE(spy.count(), 0);

    // The dialog opens where the path points, with the title and filter of its kind.
    QCOMPARE(lastDialog.title, folder ? QStringLiteral("Выбор дериктории") : QStringLiteral("Выбор файла"));
    QCOMPARE(QDir(lastDialog.directory).canonicalPath(), QDir(dir.path()).canonicalPath());
    QCOMPARE(lastDialog.foldersOnly, folder);
    if (!folder)
        QCOMPARE(lastDialog.nameFilters, QStringList{QStringLiteral("(*.xlsx)")});
}

void TestEditors::chosenFolderReplacesThePath()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("Протоколы"));
    const QString chosen = dir.path() + "/Протоколы";
    ParametrPath p("Папка протоколов", Owns | HAbstractParametr::AltEditor);
    p.setValue(dir.path());
    QWidget window;
    auto *field = new PrField(&p, &window);
    window.show();
    QSignalSpy spy(field, SIGNAL(changed()));
    auto *edit = qobject_cast<HPathEdit *>(field->editor()->editor());

    answerNextDialog(chosen);
    edit->selectButton()->click();
    QCOMPARE(QDir(p.value()).canonicalPath(), QDir(chosen).canonicalPath());
    QCOMPARE(spy.count(), 1);
}

void TestEditors::pathButtonFollowsTheFont()
{
    const QFont original = QApplication::font();
    HPathEdit edit;
    const auto expected = [&] {
        return QFontMetrics(edit.font()).horizontalAdvance(edit.selectButton()->text()) + 20;
    };
    QCOMPARE(edit.selectButton()->width(), expected());
    QCOMPARE(edit.selectButton()->minimumWidth(), expected());
    const int before = edit.selectButton()->minimumWidth();

    for (int size : {original.pointSize() * 3, qMax(5, original.pointSize() - 3)}) {
        QFont font = original;
        font.setPointSize(size);
        QApplication::setFont(font);
        emit MainHandler::instance->fontChanged();
        QCOMPARE(edit.selectButton()->minimumWidth(), expected());
        QCOMPARE(edit.selectButton()->maximumWidth(), expected());
    }
    QVERIFY(edit.selectButton()->minimumWidth() < before);
    QApplication::setFont(original);
    emit MainHandler::instance->fontChanged();
    QCOMPARE(edit.selectButton()->minimumWidth(), before);
}

void TestEditors::captionSuffixIsReplaced()
{
    ParametrDouble p("Верхний предел", -99, -99, Owns);
    PrField field(&p);
    QVERIFY(field.caption());
    QCOMPARE(field.caption()->text(), QStringLiteral("Верхний предел"));
    field.appendCaptionText("кПа");
    QCOMPARE(field.caption()->text(), QStringLiteral("Верхний предел, кПа"));
    field.appendCaptionText("МПа");
    QCOMPARE(field.caption()->text(), QStringLiteral("Верхний предел, МПа"));
    // A suffix holding ", " itself is replaced whole.
    field.appendCaptionText("кгс/см², изб.");
    field.appendCaptionText("бар");
    QCOMPARE(field.caption()->text(), QStringLiteral("Верхний предел, бар"));

    ParametrEnum unit("Единицы", units(), Owns);
    unit.setValue(8);
    field.appendCaptionParametr(&unit);
    QCOMPARE(field.caption()->text(), QStringLiteral("Верхний предел, бар"));
    unit.setValue(0);
    field.appendCaptionParametr(&unit);
    QCOMPARE(field.caption()->text(), QStringLiteral("Верхний предел, Па"));

    // Without a caption there is nothing to extend.
    PrField bare(&p, nullptr, PrField::EditorOnly);
    bare.appendCaptionText("кПа");
    QVERIFY(!bare.caption());
}

void TestEditors::layoutKinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("hasCaption");
    QTest::addColumn<bool>("captionLeft");
    QTest::newRow("above") << 0 << true << false;
    QTest::newRow("left") << 1 << true << true;
    QTest::newRow("alone") << 2 << false << false;
    QTest::newRow("unknown") << 5 << false << false;
}

void TestEditors::layoutKinds()
{
    QFETCH(int, kind);
    QFETCH(bool, hasCaption);
    QFETCH(bool, captionLeft);
    ParametrInt p("Количество", 1, 4, Owns);
    QWidget window;
    auto *outer = new QVBoxLayout(&window);
    auto *field = new PrField(&p, &window, kind);
    outer->addWidget(field);
    window.resize(400, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QCOMPARE(field->fieldIndex(), -1);
    QCOMPARE(field->caption() != nullptr, hasCaption);
    QCOMPARE(field->layout() != nullptr, kind <= 2);
    if (field->layout())
        QCOMPARE(field->layout()->spacing(), 2);
    if (hasCaption) {
        QCOMPARE(field->caption()->text(), QStringLiteral("Количество"));
        const QRect c = field->caption()->geometry();
        const QRect e = field->editor()->geometry();
        if (captionLeft)
            QVERIFY(c.right() < e.left());
        else
            QVERIFY(c.bottom() < e.top());
    }
}

void TestEditors::pairFieldPutsEditorsSideBySide()
{
    ParametrDouble from("от", 0, 100, Owns);
    ParametrDouble to("до", 0, 100, Owns);
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    setFormParent(&window);
    PrField *field = addPairField("Диапазон", &from, &to);
    QCOMPARE(layout->indexOf(field), 0);
    QCOMPARE(field->fieldIndex(), -1);
    QCOMPARE(field->editors().size(), 2);
    QCOMPARE(field->caption()->text(), QStringLiteral("Диапазон"));
    window.resize(500, 200);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QRect a = field->editors().at(0)->geometry();
    const QRect b = field->editors().at(1)->geometry();
    QVERIFY(a.right() < b.left());
    QCOMPARE(a.top(), b.top());
    const QRect caption = field->caption()->geometry();
    QVERIFY(caption.bottom() < a.top());
    // The caption spans both editors.
    QVERIFY(caption.left() <= a.left() && caption.right() >= b.right());

    QSignalSpy spy(field, SIGNAL(changed()));
    static_cast<QDoubleSpinBox *>(field->editors().at(1)->editor())->setValue(60);
    QCOMPARE(to.value(), 60.0);
    QCOMPARE(from.value(), 0.0);
    QCOMPARE(spy.count(), 1);
    field->refreshEditors();
    QCOMPARE(spy.count(), 1);
    setFormParent(nullptr);
}

void TestEditors::buttonIds()
{
    HButton plain;
    HButton text("Старт");
    HButton withId("Стоп", 200);
    HButton withIcon("Сохранить", 7, QIcon());
    QCOMPARE(plain.id(), uint8_t(0));
    QCOMPARE(text.id(), uint8_t(0));
    QCOMPARE(text.text(), QStringLiteral("Старт"));
    QCOMPARE(withId.id(), uint8_t(200));
    QCOMPARE(withIcon.id(), uint8_t(7));
    QCOMPARE(withIcon.iconSize(), QSize(20, 20));
}

void TestEditors::connectedFieldsNotifyTheReceiverAfterTheWrite()
{
    ParametrInt count("Количество", 1, 4, Owns);
    ParametrString name("Имя", 10, Owns);
    ParametrInt plain("Без слота", 0, 9, Owns);

    RecordingPage page;
    auto *group = new QWidget(page.holder());
    auto *layout = new QVBoxLayout(group);
    page.grid()->addWidget(group, 0, 0);

    beginForm(&page);
    setFormReceiver(&page, SLOT(onFieldChanged()));
    setFormParent(group);
    PrField *first = addConnectedField(&count, 3);
    PrField *second = addConnectedField(&name, 5);
    PrField *third = addField(&plain);
    QCOMPARE(first->parent(), group);
    QCOMPARE(layout->indexOf(first), 0);
    QCOMPARE(layout->indexOf(second), 1);
    QCOMPARE(layout->indexOf(third), 2);
    QCOMPARE(first->fieldIndex(), 3);
    QCOMPARE(third->fieldIndex(), -1);
    QVERIFY(first->caption());

    page.read = [&] { return QString::number(count.value()) + "|" + name.value(); };
    static_cast<QSpinBox *>(first->editor()->editor())->setValue(2);
    static_cast<QLineEdit *>(second->editor()->editor())->setText("ЦРЗ");
    static_cast<QSpinBox *>(third->editor()->editor())->setValue(9);
    QCOMPARE(page.indexes, (QList<int>{3, 5}));
    QCOMPARE(page.seen, (QStringList{"2|", "2|ЦРЗ"}));
    QCOMPARE(plain.value(), 9);
}

void TestEditors::connectedFieldWithoutReceiverConnectsNothing()
{
    ParametrInt p("Число", 0, 9, Owns);
    RecordingPage page;
    setFormReceiver(&page, SLOT(onFieldChanged()));
    beginForm(&page);
    setFormParent(page.holder());
    PrField *field = addConnectedField(&p, 4);
    QCOMPARE(field->fieldIndex(), 4);
    QCOMPARE(field->parent(), page.holder());
    static_cast<QSpinBox *>(field->editor()->editor())->setValue(6);
    QCOMPARE(p.value(), 6);
    QVERIFY(page.indexes.isEmpty());
    setFormParent(nullptr);
}

void TestEditors::fieldInAContainerWithoutLayout()
{
    ParametrInt p("Число", 0, 9, Owns);
    beginForm(nullptr);
    PrField *field = nullptr;
    {
        QWidget container;
        setFormParent(&container);
        field = addField(&p);
        QCOMPARE(field->parent(), &container);
        QVERIFY(!container.layout());
    }
    // The container has gone: later fields get no parent instead of a dangling one.
    std::unique_ptr<PrField> orphan(addField(&p));
    QVERIFY(!orphan->parent());
}

void TestEditors::spacers()
{
    QWidget parent;
    auto *layout = new QVBoxLayout(&parent);
    setFormParent(&parent);
    QWidget *v = makeVSpacer(&parent);
    QWidget *h = makeHSpacer(&parent);
    QCOMPARE(v->parent(), &parent);
    QCOMPARE(layout->count(), 0);
    QCOMPARE(v->minimumSize(), QSize(0, 0));
    QCOMPARE(v->sizePolicy().horizontalPolicy(), QSizePolicy::Maximum);
    QCOMPARE(v->sizePolicy().verticalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(h->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(h->sizePolicy().verticalPolicy(), QSizePolicy::Maximum);
    setFormParent(nullptr);
}

QTEST_MAIN(TestEditors)
#include "tst_editors.moc"
