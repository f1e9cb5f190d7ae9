#include "Parameters/MessageHandler.h"
#include "Widgets/HButton.h"
#include "Widgets/MessageBox.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QStyle>
#include <QThread>
#include <QtTest>

namespace {
// A window announcing its resizes the way the main window does.
class AnnouncingWindow : public QWidget
{
    Q_OBJECT
signals:
    void sizeChanged();
};

QList<MessageBox *> boxesOf(QWidget *host)
{
    return host->findChildren<MessageBox *>(QString(), Qt::FindDirectChildrenOnly);
}

// The panel's minimum height and needed width for a text, from the box's own font and grid.
struct Needs
{
    explicit Needs(MessageBox *box)
    {
        const QFontMetrics metrics(box->textLabel()->font());
        auto *grid = static_cast<QGridLayout *>(box->panel()->layout());
        int m = 0, unused = 0;
        grid->getContentsMargins(&m, &unused, &unused, &unused);
        const int sp = grid->spacing();
        hMin = int(metrics.height() * 4.5 + 50 + 2 * sp + 2 * m);
        int tw = metrics.horizontalAdvance(box->textLabel()->text());
        wNeed = tw / 3 + 2 * (sp + m + 25);
    }
    int hMin;
    int wNeed;
};
}

class TestMessageBox : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();

    void panelSize_data();
    void panelSize();
    void longTextAtALargeFontStaysInTheWindow();
    void panelFollowsTheWindow();
    void panelFollowsTheMainWindowsAnnouncement();
    void veilAndPanelLook();
    void iconByType_data();
    void iconByType();
    void oneOkButtonAndItRemovesOnlyItsBox();
    void enterPressesTheButton();
    void boxShownUnderTheLockTakesTheFocusWhenItLifts();
    void laterMessagesStackOnTop();
    void ownButtonsReportTheirIds();
    void buttonWithoutAValidIndexLeavesTheBox();
    void messageFromAWorkerThreadIsShownInTheGuiThread();
    void messageWithoutAWindowWaitsForOne();

private:
    std::unique_ptr<QWidget> window(const QSize &size);
};

void TestMessageBox::initTestCase()
{
    new MessageHandler();
}

void TestMessageBox::cleanup()
{
    QTest::qWait(1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::unique_ptr<QWidget> TestMessageBox::window(const QSize &size)
{
    std::unique_ptr<QWidget> host(new QWidget);
    host->resize(size);
    host->show();
    QApplication::setActiveWindow(host.get());
    return host;
}

void TestMessageBox::panelSize_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("baseWidth");
    QTest::addColumn<int>("baseHeight");
    QTest::newRow("short text") << QSize(1000, 800) << "Готово" << 300 << 200;
    QTest::newRow("low window") << QSize(1000, 300) << "Готово" << 300 << 135;
    QTest::newRow("small window") << QSize(401, 251) << "Готово" << 240 << 112;
    QTest::newRow("long line") << QSize(1000, 800) << QString(400, QChar(0x0428)) << 300 << 200;
    QTest::newRow("empty text") << QSize(1000, 800) << QString() << 300 << 200;
}

void TestMessageBox::panelSize()
{
    QFETCH(QSize, window);
    QFETCH(QString, text);
    QFETCH(int, baseWidth);
    QFETCH(int, baseHeight);

    auto host = this->window(window);
    auto *box = new MessageBox(text, 0);
    QCOMPARE(box->parentWidget(), host.get());
    QVERIFY(!box->isWindow());
    box->show();
    QCOMPARE(box->size(), window);
    QCOMPARE(box->pos(), QPoint(0, 0));

    const Needs needs(box);
    const QSize panel = box->panel()->size();
    // Never wider than the window.
    QCOMPARE(panel.width(), qMin(window.width(), qMax(baseWidth, needs.wNeed)));
    QCOMPARE(panel.height(), qMax(baseHeight, needs.hMin));
    QCOMPARE(box->panel()->pos(), QPoint((window.width() - panel.width()) / 2, (window.height() - panel.height()) / 2));

    if (text.size() > 100) {
        // Wider than 60 % of the window, up to the whole of it, and the text wraps inside.
        QVERIFY(panel.width() > 600);
        QVERIFY(panel.width() <= window.width());
        QVERIFY(box->textLabel()->wordWrap());
    } else if (window.height() == 800) {
        QCOMPARE(panel, QSize(300, 200));
    } else if (window.height() == 300) {
        // The height from the font wins over 45 % of a low window.
        QVERIFY(needs.hMin > 135);
        QCOMPARE(panel.height(), needs.hMin);
    }
}

void TestMessageBox::longTextAtALargeFontStaysInTheWindow()
{
    // The font of the application, back whatever the outcome.
    struct FontBack
    {
        QFont font = QApplication::font();
        ~FontBack() { QApplication::setFont(font); }
    } back;
    QFont large = back.font;
    large.setPointSize(30);
    QApplication::setFont(large);
    auto host = window(QSize(640, 600));
    auto *box = new MessageBox(QStringLiteral("Преобразователь давления ЦРЗ не отвечает. Проверьте подключение кабеля "
                                              "и выбранный последовательный порт."),
                               1);
    box->show();
    // A third of the line would be wider than the window: the text wraps within it instead.
    QVERIFY(Needs(box).wNeed > host->width());
    // Every line of the text and the button show, once the layouts have run.
    QLabel *text = box->textLabel();
    QTRY_VERIFY(text->height() >= text->heightForWidth(text->width()));
    const QRect panel = box->panel()->geometry();
    QVERIFY2(box->rect().contains(panel), qPrintable(QStringLiteral("%1x%2").arg(panel.width()).arg(panel.height())));
    HButton *ok = box->buttons().first();
    QVERIFY(ok->height() >= ok->sizeHint().height());
    QVERIFY(box->panel()->rect().contains(ok->geometry()));
}

void TestMessageBox::panelFollowsTheWindow()
{
    auto host = window(QSize(1000, 800));
    auto *box = new MessageBox("Готово", 0);
    box->show();
    host->resize(600, 500);
    QTRY_COMPARE(box->size(), QSize(600, 500));
    QCOMPARE(box->panel()->size(), QSize(300, 200));
    QCOMPARE(box->panel()->pos(), QPoint(150, 150));
    host->showFullScreen();
    QTRY_COMPARE(box->size(), host->size());
    const QSize panel = box->panel()->size();
    QCOMPARE(box->panel()->pos(), QPoint((host->width() - panel.width()) / 2, (host->height() - panel.height()) / 2));
}

void TestMessageBox::panelFollowsTheMainWindowsAnnouncement()
{
    AnnouncingWindow host;
    host.resize(800, 600);
    host.show();
    QApplication::setActiveWindow(&host);
    auto *box = new MessageBox("Готово", 1);
    box->show();
    QCOMPARE(box->size(), QSize(800, 600));
    host.resize(700, 500);
    QCoreApplication::processEvents();
    QCOMPARE(box->size(), QSize(800, 600));
    emit host.sizeChanged();
    QCOMPARE(box->size(), QSize(700, 500));
    QCOMPARE(box->panel()->pos(), QPoint(200, 150));
}

void TestMessageBox::veilAndPanelLook()
{
    auto host = window(QSize(800, 600));
    QPalette own = host->palette();
    own.setColor(QPalette::Window, QColor(200, 220, 240));
    own.setColor(QPalette::WindowText, QColor(10, 20, 30));
    own.setColor(QPalette::Text, QColor(40, 50, 60));
    host->setPalette(own);
    QPointer<MessageBox> box = new MessageBox("Вуаль", 0);
    QVERIFY(box->testAttribute(Qt::WA_DeleteOnClose));
    QVERIFY(box->testAttribute(Qt::WA_StyledBackground));
    QVERIFY(box->testAttribute(Qt::WA_AlwaysStackOnTop));
    QVERIFY(box->autoFillBackground());
    QVERIFY(box->textLabel()->wordWrap());
    QFrame *panel = box->panel();
    QCOMPARE(panel->frameShape(), QFrame::Box);
    QCOMPARE(panel->lineWidth(), 1);
    QVERIFY(panel->autoFillBackground());
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        QCOMPARE(box->palette().color(group, QPalette::Window), QColor(0, 0, 0, 150));
        for (auto role : {QPalette::Window, QPalette::WindowText, QPalette::Text})
            QCOMPARE(panel->palette().color(group, role), own.color(group, role));
    }

    // On screen: the window darkened around a panel in the window's own colour.
    box->show();
    const QImage image = host->grab().toImage();
    const QColor veiled = image.pixelColor(5, 5);
    QVERIFY(veiled.red() < own.color(QPalette::Window).red() / 2);
    const QPoint inside = panel->geometry().topLeft() + QPoint(3, 3);
    QCOMPARE(image.pixelColor(inside).rgb(), own.color(QPalette::Window).rgb());
    box->close();
    QTRY_VERIFY(box.isNull());
}

void TestMessageBox::iconByType_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("icon");
    QTest::newRow("information") << 0 << int(QStyle::SP_MessageBoxInformation);
    QTest::newRow("warning") << 1 << int(QStyle::SP_MessageBoxWarning);
    QTest::newRow("error") << 2 << int(QStyle::SP_MessageBoxCritical);
    QTest::newRow("question") << 3 << int(QStyle::SP_MessageBoxQuestion);
    QTest::newRow("seven") << 7 << int(QStyle::SP_MessageBoxCritical);
    QTest::newRow("negative") << -1 << int(QStyle::SP_MessageBoxCritical);
}

void TestMessageBox::iconByType()
{
    QFETCH(int, type);
    QFETCH(int, icon);
    auto host = window(QSize(800, 600));
    MessageBox box("Текст", type);
    const QImage shown = box.iconLabel()->pixmap(Qt::ReturnByValue).toImage();
    const QImage expected = QApplication::style()
                                ->standardIcon(QStyle::StandardPixmap(icon))
                                .pixmap(QSize(50, 50))
                                .toImage();
    QVERIFY(!shown.isNull());
    QCOMPARE(shown, expected);
    QCOMPARE(box.iconLabel()->width(), 50);
    QCOMPARE(box.iconLabel()->maximumWidth(), 50);
}

void TestMessageBox::oneOkButtonAndItRemovesOnlyItsBox()
{
    auto host = window(QSize(800, 600));
    QPointer<MessageBox> first = new MessageBox("Первое", 0);
    QPointer<MessageBox> second = new MessageBox("Второе", 0);
    QVERIFY(first->buttons().isEmpty());
    first->show();
    second->show();
    // Shown again: still one button.
    first->hide();
    first->show();
    QCOMPARE(first->buttons().size(), 1);
    QCOMPARE(first->buttons().first()->text(), QStringLiteral("Ок"));
    QCOMPARE(first->buttons().first()->minimumHeight(), 50);
    QVERIFY(first->buttons().first()->isDefault());

    QSignalSpy clicked(first.data(), SIGNAL(buttonClicked(int)));
    first->buttons().first()->click();
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 0);
    QTRY_VERIFY(first.isNull());
    QVERIFY(!second.isNull());
    QCOMPARE(boxesOf(host.get()).size(), 1);
}

void TestMessageBox::enterPressesTheButton()
{
    auto host = window(QSize(800, 600));
    QVERIFY(QTest::qWaitForWindowActive(host.get()));
    QPointer<MessageBox> box = new MessageBox("Нажмите Enter", 0);
    box->show();
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(box->buttons().first()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(box.isNull());
}

void TestMessageBox::boxShownUnderTheLockTakesTheFocusWhenItLifts()
{
    // The worker reports a failed task while the screen is still locked, so the window is
    // disabled when the box comes up and no widget can take the focus then.
    auto host = window(QSize(800, 600));
    QVERIFY(QTest::qWaitForWindowActive(host.get()));
    host->setEnabled(false);
    MessageHandler::showInfo("Раньше");
    MessageHandler::showInfo("Прибор не отвечает!");
    const QList<MessageBox *> boxes = boxesOf(host.get());
    QCOMPARE(boxes.size(), 2);
    QPointer<MessageBox> earlier = boxes.at(0);
    QPointer<MessageBox> later = boxes.at(1);
    host->setEnabled(true);
    // The box on top takes it, so Enter presses its button, and then the one below.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(later->buttons().first()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(later.isNull());
    QVERIFY(!earlier.isNull());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(earlier->buttons().first()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(earlier.isNull());
}

void TestMessageBox::laterMessagesStackOnTop()
{
    auto host = window(QSize(800, 600));
    MessageHandler::showInfo("Раньше");
    MessageHandler::showWarning("Позже");
    // Shown before the shortcut returned, as both were sent in the GUI thread.
    const QList<MessageBox *> boxes = boxesOf(host.get());
    QCOMPARE(boxes.size(), 2);
    QPointer<MessageBox> earlier = boxes.at(0);
    QPointer<MessageBox> later = boxes.at(1);
    QCOMPARE(earlier->textLabel()->text(), QStringLiteral("Раньше"));
    QCOMPARE(later->textLabel()->text(), QStringLiteral("Позже"));
    QVERIFY(earlier->isVisible() && later->isVisible());

    const QPoint centre(400, 300);
    QVERIFY(later->isAncestorOf(host->childAt(centre)));
    later->buttons().first()->click();
    QTRY_VERIFY(later.isNull());
    QVERIFY(earlier->isAncestorOf(host->childAt(centre)));
    earlier->buttons().first()->click();
    QTRY_VERIFY(earlier.isNull());
    QVERIFY(boxesOf(host.get()).isEmpty());
}

void TestMessageBox::ownButtonsReportTheirIds()
{
    auto host = window(QSize(800, 600));
    QPointer<MessageBox> box = new MessageBox("Заменить?", 3);
    box->addButton("Да", 10);
    box->addButton("Нет", 255);
    box->show();
    QCOMPARE(box->buttons().size(), 2);
    QVERIFY(box->buttons().at(0)->geometry().right() < box->buttons().at(1)->geometry().left());
    QCOMPARE(box->buttons().at(1)->property("_i").toInt(), 1);
    QSignalSpy clicked(box.data(), SIGNAL(buttonClicked(int)));
    box->buttons().at(1)->click();
    QCOMPARE(clicked.count(), 1);
    QCOMPARE(clicked.at(0).at(0).toInt(), 255);
    QTRY_VERIFY(box.isNull());
}

void TestMessageBox::buttonWithoutAValidIndexLeavesTheBox()
{
    auto host = window(QSize(800, 600));
    QPointer<MessageBox> box = new MessageBox("Текст", 0);
    box->show();
    HButton *ok = box->buttons().first();
    QSignalSpy clicked(box.data(), SIGNAL(buttonClicked(int)));
    for (const QVariant &index : {QVariant(1), QVariant(-1), QVariant("x")}) {
        ok->setProperty("_i", index);
        ok->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!box.isNull());
    }
    box->buttonPressed();
    QCOMPARE(clicked.count(), 0);
    delete box;
}

void TestMessageBox::messageFromAWorkerThreadIsShownInTheGuiThread()
{
    auto host = window(QSize(800, 600));
    QThread *worker = QThread::create([] {
        MessageHandler::showError("Нет ответа от ЦРЗ");
        MessageHandler::showInfo("Готово");
    });
    worker->start();
    QVERIFY(worker->wait(30000));
    delete worker;
    QTRY_COMPARE_WITH_TIMEOUT(boxesOf(host.get()).size(), 2, 10000);
    const QList<MessageBox *> boxes = boxesOf(host.get());
    QCOMPARE(boxes.at(0)->textLabel()->text(), QStringLiteral("Нет ответа от ЦРЗ"));
    QCOMPARE(boxes.at(0)->type(), 2);
    QCOMPARE(boxes.at(1)->type(), 0);
    for (MessageBox *box : boxes) {
        QCOMPARE(box->thread(), QCoreApplication::instance()->thread());
        QVERIFY(box->isVisible());
        delete box;
    }
}

void TestMessageBox::messageWithoutAWindowWaitsForOne()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY2(!w->isVisible(), qPrintable(w->metaObject()->className()));
    MessageHandler::showWarning("Ждёт окна");
    QTest::qWait(300);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<MessageBox *>(w));

    auto host = window(QSize(800, 600));
    QTRY_COMPARE_WITH_TIMEOUT(boxesOf(host.get()).size(), 1, 10000);
    QCOMPARE(boxesOf(host.get()).first()->textLabel()->text(), QStringLiteral("Ждёт окна"));
    QVERIFY(boxesOf(host.get()).first()->isVisible());
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
