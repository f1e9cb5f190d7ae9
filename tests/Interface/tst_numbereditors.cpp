// The number editors of the workstation as the operator meets them, in the main window with the
// simulated transducer and in the system locale the run was started with (registered once with
// a C and once with a Russian locale): the settings page's fields, the trim points and the run
// table's cells show the program's decimal comma, take "," and "." (the keypad's key too) as the
// decimal separator and store what was typed, never a 0 for a text that is no number; a field
// showing "-" takes what is typed in place of it; a range text longer than its field's limit
// shows whole; the wheel scrolls the page past a spin box or combo box that is not being edited.
#include "Devices/AirHandler.h"
#include "Devices/TAIR.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabQvtSettings.h"
#include "Interface/Tab/TabSettings.h"
#include "Interface/Tab/TabVerification.h"
#include "Messages.h"
#include "Parameters/EditField.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Screenshot.h"
#include "TestSupport.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/HTabWidget.h"
#include "Workstation.h"

#include <QApplication>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QTableView>
#include <QWheelEvent>
#include <QtTest>
#include <QtTest/qtestspontaneevent.h>

#include <cmath>
#include <functional>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();

// Far below the last decimal any editor shows.
bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) < 1e-9;
}
}

class TestNumberEditors : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void everyEditorShowsTheProgramsNumbers();
    void typedSeparatorIsStored_data();
    void typedSeparatorIsStored();
    void noNumberIsNeverStored_data();
    void noNumberIsNeverStored();
    void typingReplacesTheDash_data();
    void typingReplacesTheDash();
    void rangeTextShowsWhole_data();
    void rangeTextShowsWhole();
    void wheelScrollsPastAnEditorNotBeingEdited_data();
    void wheelScrollsPastAnEditorNotBeingEdited();

private:
    MainWindow *window() const { return m_station->window(); }
    // The editor of a parameter on a page, null when there is none.
    static QWidget *editorOf(QWidget *page, const HAbstractParametr *parametr);
    // Brings up the editor by name ("scale division", "reserve coefficient", "trim reference" or
    // "method B cell"), as the operator would reach it; read gives what is stored.
    QDoubleSpinBox *reach(const QString &editor, std::function<double()> *read);
    QDoubleSpinBox *openCellEditor() const;
    void startMethodB();
    // Clicks into the box and selects its text with the keys.
    static void clickIntoAndSelect(QDoubleSpinBox *box);
    // Each character as its key; with keypad, as the keypad's.
    static void typeKeys(QWidget *to, const QString &keys, bool keypad = false);
    // Leaves the editor as the operator does: Return in a table cell, Tab out of a field.
    static void leave(const QString &editor, QWidget *box);
    // A turn of the wheel over the middle of widget, as the window system delivers it; the
    // widget under the pointer, null when it is not the widget or one of its children.
    QWidget *turnWheelOver(QWidget *widget, int delta);

    std::unique_ptr<TestSupport::Workstation> m_station;
};

void TestNumberEditors::initTestCase()
{
    qInfo("system locale %s", qPrintable(QLocale::system().name()));
    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    QVERIFY(m_station->connectTransducer());
}

void TestNumberEditors::init()
{
    TAIR::instance->prUnits->setValue(UnitKPa);
    Verification *v = Verification::instance;
    v->prVerificationMode->setValue(0);
    v->prAutoStepCompute->setValue(0);
    v->prMinValue->setValue(0);
    v->prMaxValue->setValue(100);
    v->prStep->setValue(12.5);
    Conditions::instance->prVrDeviceCount->setValue(1);
    Conditions::instance->prVrCoeff->setValue(0.8);
    Conditions::instance->prIndicatorStep->setValue(0.1);
    for (VrDevice *device : Conditions::instance->vrDevices) {
        for (ParametrEnum *check : {device->prCheckUsage, device->prCheckSystemGr, device->prCheckR, device->prCheckRSolid})
            check->setValue(0);
    }
    TabSettings::instance->applyFieldChange(TabSettings::FieldUnits);
    TabSettings::instance->refreshAllFields();
    TabVerification::instance->onVrModeChanged();
    window()->tabWidget()->setCurrentIndex(0);
}

void TestNumberEditors::cleanup()
{
    if (Verification::instance->state() == 0)
        TabVerification::instance->processButton(TabVerification::ButtonStop);
    TabQvtSettings::instance->setTrimState(TabQvtSettings::TrimIdle);
    TestSupport::takeMessages(window());
    window()->resize(1280, 800);
    QVERIFY(m_station->waitUntilUnlocked());
}

QWidget *TestNumberEditors::editorOf(QWidget *page, const HAbstractParametr *parametr)
{
    return TestSupport::editorOf(page, parametr);
}

QDoubleSpinBox *TestNumberEditors::openCellEditor() const
{
    for (QDoubleSpinBox *box : TabVerification::instance->table()->viewport()->findChildren<QDoubleSpinBox *>()) {
        if (box->isVisible())
            return box;
    }
    return nullptr;
}

void TestNumberEditors::startMethodB()
{
    Verification::instance->prVerificationMode->setValue(1);
    TabVerification::instance->onVrModeChanged();
    window()->tabWidget()->setCurrentIndex(1);
    QTest::mouseClick(TabVerification::instance->startButton(), Qt::LeftButton);
    QCOMPARE(Verification::instance->state(), 0);
    QTRY_VERIFY(openCellEditor());
}

QDoubleSpinBox *TestNumberEditors::reach(const QString &editor, std::function<double()> *read)
{
    if (editor == "method B cell") {
        startMethodB();
        if (QTest::currentTestFailed())
            return nullptr;
        *read = []() {
            const QVariant v = VrPointsModel::instance->data(VrPointsModel::instance->index(0, 2), Qt::EditRole);
            bool ok = false;
            const double x = v.toDouble(&ok);
            return ok && v.userType() != QMetaType::QString ? x : NaN;
        };
        return openCellEditor();
    }
    const ParametrDouble *parametr = nullptr;
    QWidget *page = TabSettings::instance;
    if (editor == "scale division") {
        parametr = Conditions::instance->prIndicatorStep;
    } else if (editor == "reserve coefficient") {
        parametr = Conditions::instance->prVrCoeff;
    } else if (editor == "trim reference") {
        parametr = TAIR::instance->prTrimReferenceLow;
        page = TabQvtSettings::instance;
        window()->tabWidget()->setCurrentWidget(page);
        TabQvtSettings::instance->nestedTabs()->setCurrentIndex(1);
        TabQvtSettings::instance->setTrimState(TabQvtSettings::TrimLowPoint);
        TestSupport::takeMessages(window());
    }
    window()->tabWidget()->setCurrentWidget(page);
    *read = [parametr]() { return parametr->value(); };
    auto *box = qobject_cast<QDoubleSpinBox *>(editorOf(page, parametr));
    if (box)
        qobject_cast<Tab *>(page)->scrollArea()->ensureWidgetVisible(box);
    return box;
}

void TestNumberEditors::clickIntoAndSelect(QDoubleSpinBox *box)
{
    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_VERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
}

void TestNumberEditors::typeKeys(QWidget *to, const QString &keys, bool keypad)
{
    for (QChar c : keys)
        QTest::keyClick(to, c.toLatin1(), keypad ? Qt::KeypadModifier : Qt::NoModifier);
}

void TestNumberEditors::leave(const QString &editor, QWidget *box)
{
    QTest::keyClick(box, editor == "method B cell" ? Qt::Key_Return : Qt::Key_Tab);
    // A cell is committed with the next turn of the event loop.
    QCoreApplication::processEvents();
}

// Every double editor shows its value as the program writes numbers: the decimal comma, no
// group separator, its decimals; the run table's cell editor too.
void TestNumberEditors::everyEditorShowsTheProgramsNumbers()
{
    TAIR::instance->prTrimReferenceLow->setValue(1000);
    TAIR::instance->prTrimMeasuredLow->setValue(-2.5);
    TabQvtSettings::instance->refreshAllFields();
    startMethodB();
    // The cell without a reading shows "-" in its editor too.
    QCOMPARE(openCellEditor()->text(), QStringLiteral("-"));
    qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(window(), QStringLiteral("verification_empty_cell_") + QLocale::system().name())));

    const QLocale &locale = numberLocale();
    int seen = 0;
    for (QDoubleSpinBox *box : window()->findChildren<QDoubleSpinBox *>()) {
        if (box->specialValueText() == box->text())
            continue;
        const QString expected = locale.toString(box->value(), 'f', box->decimals()).remove(locale.groupSeparator());
        QVERIFY2(box->text() == expected, qPrintable(box->text() + " is not " + expected));
        QVERIFY2(box->text().contains(QLatin1Char(',')), qPrintable(box->text()));
        ++seen;
    }
    // The verification's range and step, the reserve coefficient, the scale division, the four
    // trim points, the cell.
    QVERIFY2(seen >= 10, qPrintable(QString::number(seen)));
    QCOMPARE(qobject_cast<QDoubleSpinBox *>(editorOf(TabQvtSettings::instance, TAIR::instance->prTrimReferenceLow))->text(),
             QStringLiteral("1000,000"));
}

void TestNumberEditors::typedSeparatorIsStored_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");
    for (const char *editor : {"method B cell", "scale division", "trim reference"}) {
        QTest::addRow("%s, point", editor) << editor << "25.8" << false << 25.8 << "25,8";
        QTest::addRow("%s, comma", editor) << editor << "25,8" << false << 25.8 << "25,8";
        // The keypad's key gives "." or "," by the keyboard layout.
        QTest::addRow("%s, keypad point", editor) << editor << "25.8" << true << 25.8 << "25,8";
        QTest::addRow("%s, keypad comma", editor) << editor << "25,8" << true << 25.8 << "25,8";
    }
    QTest::newRow("reserve coefficient, comma") << "reserve coefficient" << "0,9" << false << 0.9 << "0,9";
    QTest::newRow("reserve coefficient, point") << "reserve coefficient" << "0.9" << false << 0.9 << "0,9";
    QTest::newRow("reserve coefficient, keypad") << "reserve coefficient" << "0.9" << true << 0.9 << "0,9";
    QTest::newRow("cell, negative") << "method B cell" << "-0.25" << false << -0.25 << "-0,25";
}

void TestNumberEditors::typedSeparatorIsStored()
{
    QFETCH(QString, editor);
    QFETCH(QString, typed);
    QFETCH(bool, keypad);
    QFETCH(double, stored);
    QFETCH(QString, shown);

    std::function<double()> read;
    QDoubleSpinBox *box = reach(editor, &read);
    QVERIFY(box && box->isVisible() && box->isEnabled());
    clickIntoAndSelect(box);
    typeKeys(box, typed, keypad);
    QCOMPARE(box->text(), shown);
    leave(editor, box);
    QVERIFY2(same(read(), stored), qPrintable(QString::number(read(), 'g', 17)));
}

// A text that is no number leaves what was stored; an empty cell stays empty.
void TestNumberEditors::noNumberIsNeverStored_data()
{
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QString>("before");   // typed and left first; empty: nothing
    QTest::addColumn<int>("key");          // then, over the selected text
    QTest::addColumn<double>("stored");
    QTest::newRow("empty cell, minus") << "method B cell" << QString() << int(Qt::Key_Minus) << NaN;
    QTest::newRow("empty cell, comma") << "method B cell" << QString() << int(Qt::Key_Comma) << NaN;
    QTest::newRow("cell with a reading, cleared") << "method B cell" << "25,8" << int(Qt::Key_Backspace) << 25.8;
    QTest::newRow("cell with a reading, minus") << "method B cell" << "25,8" << int(Qt::Key_Minus) << 25.8;
    QTest::newRow("reserve coefficient, cleared") << "reserve coefficient" << QString() << int(Qt::Key_Backspace) << 0.8;
    QTest::newRow("reserve coefficient, point") << "reserve coefficient" << QString() << int(Qt::Key_Period) << 0.8;
}

void TestNumberEditors::noNumberIsNeverStored()
{
    QFETCH(QString, editor);
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(double, stored);

    std::function<double()> read;
    QDoubleSpinBox *box = reach(editor, &read);
    QVERIFY(box);
    if (!before.isEmpty()) {
        clickIntoAndSelect(box);
        typeKeys(box, before);
        leave(editor, box);
        // The cell's editor again.
        const QRect cell = TabVerification::instance->table()->visualRect(VrPointsModel::instance->index(0, 2));
        // A double click: the view edits the cell it was pressed on.
        QWidget *viewport = TabVerification::instance->table()->viewport();
        QTest::mouseClick(viewport, Qt::LeftButton, Qt::NoModifier, cell.center());
        QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, cell.center());
        QTRY_VERIFY(openCellEditor());
        box = openCellEditor();
    }
    clickIntoAndSelect(box);
    QTest::keyClick(box, Qt::Key(key));
    leave(editor, box);
    QVERIFY2(same(read(), stored), qPrintable(QString::number(read(), 'g', 17)));
}

// A field that holds no number shows "-"; what the operator types there, after a click or a
// Tab, stands in its place.
void TestNumberEditors::typingReplacesTheDash_data()
{
    QTest::addColumn<bool>("byTab");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");   // once left
    QTest::newRow("click, 5") << false << "5" << 5.0 << "5,000";
    QTest::newRow("Tab, 5") << true << "5" << 5.0 << "5,000";
    QTest::newRow("click, -5") << false << "-5" << -5.0 << "-5,000";
    QTest::newRow("Tab, 0,5") << true << ",5" << 0.5 << "0,500";
    QTest::newRow("click, 0") << false << "0" << 0.0 << "0,000";
    QTest::newRow("click, a lone minus") << false << "-" << NaN << "-";
}

void TestNumberEditors::typingReplacesTheDash()
{
    QFETCH(bool, byTab);
    QFETCH(QString, typed);
    QFETCH(double, stored);
    QFETCH(QString, shown);

    std::function<double()> read;
    QDoubleSpinBox *box = reach("trim reference", &read);
    QVERIFY(box && box->isEnabled());
    TAIR::instance->prTrimReferenceLow->setValue(NaN);
    TabQvtSettings::instance->refreshAllFields();
    QCOMPARE(box->text(), QStringLiteral("-"));

    if (byTab) {
        // From the field before it in the group.
        auto *measured = editorOf(TabQvtSettings::instance, TAIR::instance->prTrimMeasuredLow);
        QTest::mouseClick(measured, Qt::LeftButton);
        for (int i = 0; i < 10 && !box->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } else {
        QTest::mouseClick(box, Qt::LeftButton);
    }
    QVERIFY(box->hasFocus());
    typeKeys(box, typed);
    QVERIFY2(same(read(), stored), qPrintable(QString::number(read(), 'g', 17)));
    QTest::keyClick(box, Qt::Key_Tab);
    QVERIFY(!box->hasFocus());
    QVERIFY2(same(read(), stored), qPrintable(QString::number(read(), 'g', 17)));
    QCOMPARE(box->text(), shown);
}

// The ranges of the transducer models, as the transducer reports them in mmHg and psi.
void TestNumberEditors::rangeTextShowsWhole_data()
{
    QTest::addColumn<int>("units");
    QTest::addColumn<double>("lower");   // kPa
    QTest::addColumn<double>("upper");
    const double zeroBased[] = {2.5, 6.3, 10, 16, 40, 100, 120, 250, 600, 2500, 6000, 16000, 60000, 100000};
    for (int units : {int(UnitMmHg), int(UnitPsi)}) {
        const char *name = units == UnitMmHg ? "mmHg" : "psi";
        for (double upper : zeroBased)
            QTest::addRow("%s, 0..%g", name, upper) << units << 0.0 << upper;
        QTest::addRow("%s, -10..20", name) << units << -10.0 << 20.0;
        QTest::addRow("%s, -40..80", name) << units << -40.0 << 80.0;
        QTest::addRow("%s, -100..160", name) << units << -100.0 << 160.0;
        QTest::addRow("%s, -100..600", name) << units << -100.0 << 600.0;
    }
}

void TestNumberEditors::rangeTextShowsWhole()
{
    QFETCH(int, units);
    QFETCH(double, lower);
    QFETCH(double, upper);

    TAIR *tair = TAIR::instance;
    const int deviceUnits = tair->prDeviceUnits->value();
    const double min = tair->prMin->value();
    const double max = tair->prMax->value();
    auto restore = qScopeGuard([=]() {
        tair->prDeviceUnits->setValue(deviceUnits);
        tair->prMin->setValue(min);
        tair->prMax->setValue(max);
        TabSettings::instance->applyFieldChange(TabSettings::FieldTransducerMin);
    });
    // As the settings page takes limits typed by hand.
    tair->prDeviceUnits->setValue(units);
    tair->prMin->setValue(fromKPa(units, lower));
    tair->prMax->setValue(fromKPa(units, upper));
    TabSettings::instance->applyFieldChange(TabSettings::FieldTransducerMin);
    const QString range = tair->prRange->value();

    auto *edit = qobject_cast<QLineEdit *>(editorOf(TabSettings::instance, tair->prRange));
    QVERIFY(edit);
    // The page takes its groups back from the transducer page's layout, shown a turn later.
    QTRY_VERIFY(edit->isVisible());
    QCOMPARE(edit->text(), range);
    // Whole on the screen, too: with the cursor at the end the first character still shows.
    edit->setCursorPosition(range.size());
    QCOMPARE(edit->cursorPositionAt(QPoint(edit->contentsRect().left() + 3, edit->height() / 2)), 0);
    if (units == UnitMmHg && lower == -100 && upper == 600)
        qInfo("screenshot: %s", qPrintable(TestSupport::saveScreenshot(window(), QStringLiteral("settings_range_mmhg_") + QLocale::system().name())));
}

QWidget *TestNumberEditors::turnWheelOver(QWidget *widget, int delta)
{
    const QPoint inWindow = widget->mapTo(window(), widget->rect().center());
    QWidget *under = window()->childAt(inWindow);
    if (!under || (under != widget && !widget->isAncestorOf(under)))
        return nullptr;
    const QPoint at = under->mapFrom(window(), inWindow);
    QWheelEvent event(at, under->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    // Spontaneous, as the window system's: only then does what a widget leaves go on to its parents.
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(under, &event);
    return under;
}

void TestNumberEditors::wheelScrollsPastAnEditorNotBeingEdited_data()
{
    QTest::addColumn<QString>("editor");
    QTest::newRow("range minimum") << "range minimum";
    QTest::newRow("method") << "method";
    QTest::newRow("display units") << "display units";
    QTest::newRow("device count") << "device count";
    QTest::newRow("accuracy class") << "accuracy class";
    QTest::newRow("decimals") << "decimals";
    QTest::newRow("trim reference") << "trim reference";
}

void TestNumberEditors::wheelScrollsPastAnEditorNotBeingEdited()
{
    QFETCH(QString, editor);

    // Small enough that the pages scroll.
    window()->resize(900, 360);
    Tab *page = TabSettings::instance;
    QWidget *target = nullptr;
    if (editor == "range minimum")
        target = editorOf(page, Verification::instance->prMinValue);
    else if (editor == "method")
        target = editorOf(page, Verification::instance->prVerificationMode);
    else if (editor == "display units")
        target = editorOf(page, TAIR::instance->prUnits);
    else if (editor == "device count")
        target = editorOf(page, Conditions::instance->prVrDeviceCount);
    else if (editor == "accuracy class")
        target = editorOf(page, Conditions::instance->prConditionsVrClassTpye);
    else if (editor == "decimals")
        target = editorOf(page, Settings::instance->decimals());
    if (editor == "trim reference") {
        std::function<double()> read;
        target = reach(editor, &read);
        page = TabQvtSettings::instance;
    }
    window()->tabWidget()->setCurrentWidget(page);
    QVERIFY(target);
    auto *spin = qobject_cast<QAbstractSpinBox *>(target);
    auto *combo = qobject_cast<QComboBox *>(target);
    QVERIFY(spin || combo);
    const auto value = [spin, combo]() { return spin ? spin->text() : combo->currentText(); };

    QScrollBar *bar = page->scrollArea()->verticalScrollBar();
    QTRY_VERIFY(bar->maximum() > 0);
    // The focus somewhere else on the page (the page scrolls to it).
    QWidget *focused = nullptr;
    for (QPushButton *button : page->findChildren<QPushButton *>()) {
        if (!focused && button->isVisible() && button->isEnabled())
            focused = button;
    }
    QVERIFY(focused);
    window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window()));
    focused->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), focused);
    // The editor in the middle of the page, so that a notch of the wheel keeps it in view.
    page->scrollArea()->ensureWidgetVisible(target, 0, page->scrollArea()->viewport()->height() / 2);
    QTRY_VERIFY(target->isVisible());
    const int delta = bar->value() > bar->minimum() ? 120 : -120;
    const QString before = value();
    const int scrolled = bar->value();

    QVERIFY(turnWheelOver(target, delta));
    QCOMPARE(value(), before);
    QVERIFY2(bar->value() != scrolled, "the page did not scroll");
    QCOMPARE(QApplication::focusWidget(), focused);

    // Clicked into, the editor takes the wheel.
    page->scrollArea()->ensureWidgetVisible(target);
    QTest::mouseClick(target, Qt::LeftButton);
    // A combo box opens its list on the click; Escape closes it and leaves the choice.
    if (QWidget *popup = QApplication::activePopupWidget()) {
        QTest::keyClick(popup, Qt::Key_Escape);
        // The offscreen platform does not give the window back its activation when a list closes.
        window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window()));
    }
    QTRY_VERIFY(target->hasFocus());
    QCOMPARE(value(), before);
    const int kept = bar->value();
    // Towards a neighbour that exists: a combo box on its last entry turns back.
    const int turn = combo ? (combo->currentIndex() + 1 < combo->count() ? -120 : 120) : delta;
    QVERIFY(turnWheelOver(target, turn));
    const bool changed = value() != before;
    // Back as it was.
    if (spin)
        spin->stepBy(turn > 0 ? -1 : 1);
    else if (combo->isEditable())
        combo->setCurrentText(before);
    else
        combo->setCurrentIndex(combo->findText(before));
    QVERIFY(changed);
    QCOMPARE(bar->value(), kept);
    QCOMPARE(value(), before);
}

APPDIR_TEST_MAIN(TestNumberEditors)

#include "tst_numbereditors.moc"
