// The document name dialog over the real main window: the checks of a name in their order, the
// messages, the one name handed on, the length limit, and the panel following the window.
#include "Documents/MessageNamePick.h"
#include "Interface/MainWindow.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/Settings.h"
#include "TestSupport.h"
#include "Widgets/HButton.h"
#include "Widgets/HTabWidget.h"
#include "Widgets/MessageBox.h"
#include "Workstation.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

class TestMessageNamePick : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void checksOfAName_data();
    void checksOfAName();
    void missingFolderBlocksNoName();
    void onlyOneNameHandedOn();
    void lengthLimit_data();
    void lengthLimit();
    void followsTheWindow();
    void focusGoesBackWhereItWas();

public slots:
    void onName(QString name) { m_names << name; }

private:
    MessageNamePick *open(const QString &name)
    {
        return MessageNamePick::showNamePick(QStringLiteral("Выберите имя"), name, this, SLOT(onName(QString)));
    }
    QList<MessageBox *> messages() const
    {
        return m_station->window()->findChildren<MessageBox *>(QString(), Qt::FindDirectChildrenOnly);
    }

    std::unique_ptr<TestSupport::Workstation> m_station;
    QTemporaryDir m_dir;
    QStringList m_names;
};

// The dialog takes the focus for the name and, once closed, gives it back where it was when the
// dialog came, also with no page laid over the window.
void TestMessageNamePick::focusGoesBackWhereItWas()
{
    MainWindow *window = m_station->window();
    window->tabWidget()->setCurrentIndex(0);
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
    QWidget *before = nullptr;
    for (QPushButton *button : window->tabWidget()->currentWidget()->findChildren<QPushButton *>()) {
        if (!before && button->isVisible() && button->isEnabled())
            before = button;
    }
    QVERIFY(before);
    before->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), before);

    QPointer<MessageNamePick> dialog = open(QStringLiteral("новый"));
    QTRY_VERIFY(dialog->isVisible());
    QTRY_COMPARE(QApplication::focusWidget(), dialog->nameEdit());
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QTRY_VERIFY(!dialog || !dialog->isVisible());
    QCOMPARE(m_names, QStringList{"новый"});
    QTRY_COMPARE(QApplication::focusWidget(), before);
}

void TestMessageNamePick::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_station.reset(new TestSupport::Workstation());
    QString error;
    QVERIFY2(m_station->start(&error), qPrintable(error));
    for (const char *file : {"report.xlsx", "отчёт.pdf", ".скрытый.xlsx"}) {
        QFile f(m_dir.filePath(QString::fromUtf8(file)));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("папка.xlsx")));
    Settings::instance->protocolPath()->setValue(m_dir.path());
}

void TestMessageNamePick::cleanup()
{
    qDeleteAll(messages());
    qDeleteAll(m_station->window()->findChildren<MessageNamePick *>());
    m_names.clear();
    Settings::instance->protocolPath()->setValue(m_dir.path());
}

void TestMessageNamePick::checksOfAName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");   // empty: the name is taken

    const QString forbidden = MessageNamePick::forbiddenNameCharacters();
    QCOMPARE(forbidden, QStringLiteral("~#%&*{}\\:<>?/+|\""));
    for (const QChar c : forbidden)
        QTest::newRow(qPrintable(QStringLiteral("holds ") + c))
            << QStringLiteral("Протокол ") + c + QStringLiteral(" 5") << QStringLiteral("Имя документа не может содержать символ ") + c;
    QTest::newRow("asterisk before slash") << "a/b*c" << "Имя документа не может содержать символ *";
    QTest::newRow("forbidden before existing") << "report" + QString(QLatin1Char('|')) << "Имя документа не может содержать символ |";
    QTest::newRow("existing document") << "report" << "Документ с таким именем уже существует!";
    QTest::newRow("existing hidden document") << ".скрытый" << "Документ с таким именем уже существует!";
    QTest::newRow("other case") << "Report" << "";
    QTest::newRow("trailing blank") << "report " << "";
    QTest::newRow("other extension") << "отчёт" << "";
    QTest::newRow("a folder of that name") << "папка" << "";
    QTest::newRow("empty name") << "" << "";
    QTest::newRow("full stops and blanks") << "  Результаты  2026.12.09-07.25.41 калибровка" << "";
}

void TestMessageNamePick::checksOfAName()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    QPointer<MessageNamePick> dialog = open(name);
    QTRY_VERIFY(dialog->isVisible());
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);

    if (message.isEmpty()) {
        QCOMPARE(m_names, QStringList{name});
        QVERIFY(messages().isEmpty());
        // Closed, and gone with the next turn of the event loop.
        QVERIFY(!dialog->isVisible());
        QTRY_VERIFY(dialog.isNull());
        return;
    }
    QVERIFY(m_names.isEmpty());
    const QList<MessageBox *> boxes = messages();
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first()->textLabel()->text(), message);
    QCOMPARE(boxes.first()->type(), 2);
    QVERIFY(boxes.first()->isVisible());
    // The dialog stays as it was, under the message.
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(dialog->nameEdit()->text(), name);
}

void TestMessageNamePick::missingFolderBlocksNoName()
{
    Settings::instance->protocolPath()->setValue(m_dir.filePath(QStringLiteral("нет такой")));
    QPointer<MessageNamePick> dialog = open(QStringLiteral("report"));
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QCOMPARE(m_names, QStringList{"report"});
    QTRY_VERIFY(dialog.isNull());
}

// A receiver that runs an event loop of its own lets the button be pressed again meanwhile.
void TestMessageNamePick::onlyOneNameHandedOn()
{
    QPointer<MessageNamePick> dialog = open(QStringLiteral("единственный"));
    QSignalSpy picks(dialog.data(), &MessageNamePick::namePick);
    connect(dialog.data(), &MessageNamePick::namePick, this, [&dialog]() {
        if (dialog)
            dialog->saveButton()->click();
    });
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QCOMPARE(picks.size(), 1);
    QCOMPARE(m_names, QStringList{"единственный"});

    // Every call makes a dialog of its own; each hands on its own name.
    QPointer<MessageNamePick> first = open(QStringLiteral("первый"));
    QPointer<MessageNamePick> second = open(QStringLiteral("второй"));
    QVERIFY(first != second);
    QTest::mouseClick(second->saveButton(), Qt::LeftButton);
    QTest::mouseClick(first->saveButton(), Qt::LeftButton);
    QCOMPARE(m_names, QStringList({"единственный", "второй", "первый"}));
    QTRY_VERIFY(first.isNull() && second.isNull() && dialog.isNull());
}

void TestMessageNamePick::lengthLimit_data()
{
    QTest::addColumn<bool>("paste");
    QTest::newRow("typed") << false;
    QTest::newRow("pasted") << true;
}

void TestMessageNamePick::lengthLimit()
{
    QFETCH(bool, paste);
    // Latin letters: the test's key clicks know no others.
    const QString longName = QStringLiteral("Gauge verification record ").repeated(6);
    QVERIFY(longName.size() > MessageNamePick::MaxNameLength);
    MessageNamePick *dialog = open(QString());
    QLineEdit *edit = dialog->nameEdit();
    QCOMPARE(edit->maxLength(), 124);
    QTRY_VERIFY(edit->isVisible());
    edit->setFocus();
    if (paste) {
        QApplication::clipboard()->setText(longName);
        QTest::keySequence(edit, QKeySequence::Paste);
    } else {
        QTest::keyClicks(edit, longName);
    }
    QCOMPARE(edit->text(), longName.left(124));
    QTest::mouseClick(dialog->saveButton(), Qt::LeftButton);
    QCOMPARE(m_names, QStringList{longName.left(124)});
}

void TestMessageNamePick::followsTheWindow()
{
    MainWindow *window = m_station->window();
    MessageNamePick *dialog = open(QStringLiteral("имя"));
    QTRY_VERIFY(dialog->isVisible());
    QCOMPARE(dialog->parentWidget(), window);
    QCOMPARE(dialog->geometry(), QRect(QPoint(0, 0), window->size()));
    QCOMPARE(dialog->captionLabel()->text(), QStringLiteral("Выберите имя"));
    QCOMPARE(dialog->saveButton()->text(), QStringLiteral(" \nСохранить\n "));
    // A translucent black veil; the box in the window's own colours.
    QCOMPARE(dialog->palette().color(QPalette::Window), QColor(0, 0, 0, 0x96));
    QCOMPARE(dialog->nameFrame()->palette().color(QPalette::Window), window->palette().color(QPalette::Window));
    QVERIFY(dialog->nameEdit()->width() >= dialog->nameEdit()->fontMetrics().horizontalAdvance(QString(67, '0')));

    for (const QSize size : {QSize(900, 600), QSize(1400, 900), QSize(1280, 800)}) {
        window->resize(size);
        QTRY_COMPARE(dialog->size(), size);
        QTRY_VERIFY(qAbs(dialog->nameFrame()->geometry().center().x() - size.width() / 2) <= 1);
        QVERIFY(qAbs(dialog->nameFrame()->geometry().center().y() - size.height() / 2) <= 1);
        QVERIFY(dialog->nameFrame()->width() < size.width());
    }
}

APPDIR_TEST_MAIN(TestMessageNamePick)

#include "tst_messagenamepick.moc"
