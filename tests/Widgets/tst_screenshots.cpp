// Screenshots of the message box and the screen lock over a window, for a person to look at;
// the checks make sure the veil, the panel and the text are really there.
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrString.h"
#include "Parameters/PrField.h"
#include "Screenshot.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/MessageBox.h"
#include "Widgets/ScreenLocker.h"
#include "Widgets/Tab.h"
#include "Widgets/TabHolderWidget.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>
#include <QtTest>

class TestScreenshots : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void messageBoxOverAWindow();
    void screenLockOverAWindow();

private:
    std::unique_ptr<QWidget> buildWindow();
    ParametrString verifier{"Поверитель", 40, HAbstractParametr::OwnsTitle};
    ParametrDouble upper{"Верхний предел", 0, 1000, HAbstractParametr::OwnsTitle};
};

void TestScreenshots::initTestCase()
{
    MainHandler::instance = new MainHandler();
    verifier.setValue("Иванов И. И.");
    upper.setValue(1.6);
}

std::unique_ptr<QWidget> TestScreenshots::buildWindow()
{
    std::unique_ptr<QWidget> window(new QWidget);
    window->setWindowTitle("Мановера");
    auto *layout = new QVBoxLayout(window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    auto *page = new Tab(window.get());
    layout->addWidget(page);
    auto *group = new HGroupBox("Условия поверки", page->holder());
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(new PrField(&verifier, group));
    auto *limit = new PrField(&upper, group);
    limit->appendCaptionText("МПа");
    groupLayout->addWidget(limit);
    groupLayout->addWidget(new HButton("Старт", 1, group));
    group->setFixedCharCount(30);
    page->grid()->addWidget(group, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    window->resize(900, 600);
    window->show();
    QApplication::setActiveWindow(window.get());
    return window;
}

void TestScreenshots::messageBoxOverAWindow()
{
    auto window = buildWindow();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QImage before = window->grab().toImage();

    auto *box = new MessageBox("Преобразователь давления ЦРЗ не отвечает. Проверьте подключение "
                               "кабеля и выбранный последовательный порт.",
                               1);
    box->show();
    const QString path = TestSupport::saveScreenshot(window.get(), "message_box");
    QVERIFY(!path.isEmpty());
    qInfo("screenshot: %s", qPrintable(path));

    const QImage after(path);
    QCOMPARE(after.size(), window->size() * window->devicePixelRatioF());
    // The veil darkens the window outside the panel; the panel keeps the window's colour.
    const QPoint corner(10, 10);
    QVERIFY(QColor(after.pixel(corner)).lightness() < QColor(before.pixel(corner)).lightness() / 2);
    const QRect panel = box->panel()->geometry();
    QVERIFY(qAbs(panel.center().x() - 450) <= 1 && qAbs(panel.center().y() - 300) <= 1);
    const QPoint inside = panel.topLeft() + QPoint(panel.width() / 2, 4);
    QCOMPARE(QColor(after.pixel(inside)).rgb(), window->palette().color(QPalette::Window).rgb());
    delete box;
}

void TestScreenshots::screenLockOverAWindow()
{
    auto window = buildWindow();
    auto *locker = new ScreenLocker(window.get());
    locker->setState(1);
    locker->hide();
    locker->raise();
    locker->resize(window->size());
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));

    locker->setState(2);
    locker->setMaxProgress(5);
    locker->show();
    locker->addProgress();
    locker->addProgress();
    QCOMPARE(locker->progressBar()->text(), QStringLiteral("Идет обмен... 40%"));
    const QString path = TestSupport::saveScreenshot(window.get(), "screen_lock");
    QVERIFY(!path.isEmpty());
    qInfo("screenshot: %s", qPrintable(path));
    QVERIFY(isScreenLocked());
    const QImage shot(path);
    // A light veil; the panel at the bottom edge, centred across.
    const QRect panel = locker->panel()->geometry();
    QVERIFY(qAbs(panel.center().x() - 450) <= 1);
    QVERIFY(panel.bottom() > 550);
    QVERIFY(!locker->cancelButton()->isVisible());
    QVERIFY(QColor(shot.pixel(600, 300)).lightness() > 150);

    // The search look: a dark veil with the panel in the middle and Cancel under the bar.
    locker->hide();
    auto *search = new ScreenLocker(window.get());
    search->resize(window->size());
    search->setState(0);
    search->show();
    search->setMaxProgress(4);
    search->addProgress();
    const QString searchPath = TestSupport::saveScreenshot(window.get(), "screen_lock_search");
    QVERIFY(!searchPath.isEmpty());
    QCOMPARE(search->progressBar()->text(), QStringLiteral("Поиск устройств... 25%"));
    QVERIFY(search->cancelButton()->isVisible());
    QVERIFY(QColor(QImage(searchPath).pixel(600, 100)).lightness() < 100);
}

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
