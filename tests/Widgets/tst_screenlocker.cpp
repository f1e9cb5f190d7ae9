#include "Parameters/MainHandler.h"
#include "Widgets/MessageBox.h"
#include "Widgets/ScreenLocker.h"

#include <QApplication>
#include <QFrame>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

class TestScreenLocker : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void lookAtConstruction();
    void states_data();
    void states();
    void cancelNeverReturnsAfterStateTwo();
    void sameStateTwiceChangesNothing();
    void progressText();
    void raisingAgainStartsEmpty();
    void panelPlacement();
    void visibilityCopyForTheWorker();
    void messageLiesAboveTheLock();

private:
    std::unique_ptr<QWidget> window;
    ScreenLocker *locker = nullptr;
};

void TestScreenLocker::initTestCase()
{
    MainHandler::instance = new MainHandler();
}

void TestScreenLocker::init()
{
    window.reset(new QWidget);
    window->resize(800, 600);
    locker = new ScreenLocker(window.get());
    locker->resize(window->size());
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestScreenLocker::cleanup()
{
    window.reset();
    locker = nullptr;
}

void TestScreenLocker::lookAtConstruction()
{
    QCOMPARE(locker->state(), uint8_t(255));
    QVERIFY(locker->isVisible());
    QCOMPARE(locker->progressBar()->format(), QStringLiteral("Поиск устройств... %p%"));
    QCOMPARE(locker->progressBar()->alignment(), Qt::AlignCenter);
    QCOMPARE(locker->progressBar()->maximum(), 100);
    QCOMPARE(locker->progressBar()->minimumHeight(), 35);
    QCOMPARE(locker->overlayColor(), QColor(25, 25, 25, 170));
    QCOMPARE(locker->panel()->minimumWidth(), 500);
    QCOMPARE(locker->cancelButton()->text(), QStringLiteral("Отмена"));
    QCOMPARE(locker->cancelButton()->focusPolicy(), Qt::NoFocus);
    QVERIFY(locker->cancelButton()->isVisible());

    QSignalSpy pushed(locker, SIGNAL(buttonPushed()));
    locker->cancelButton()->click();
    QCOMPARE(pushed.count(), 1);
}

void TestScreenLocker::states_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("format");
    QTest::addColumn<int>("alpha");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QPoint>("position");
    QTest::newRow("search") << 0 << "Поиск устройств... %p%" << 170 << true << QPoint(0, 0);
    QTest::newRow("exchange at start-up") << 1 << "Идет обмен... %p%" << 50 << true << QPoint(0, 70);
    QTest::newRow("exchange") << 2 << "Идет обмен... %p%" << 50 << false << QPoint(0, 0);
}

void TestScreenLocker::states()
{
    QFETCH(int, kind);
    QFETCH(QString, format);
    QFETCH(int, alpha);
    QFETCH(bool, cancel);
    QFETCH(QPoint, position);

    // From another state, so that every row really switches.
    locker->setState(kind == 1 ? 0 : 1);
    locker->setState(uint8_t(kind));
    QCOMPARE(locker->state(), uint8_t(kind));
    QCOMPARE(locker->progressBar()->format(), format);
    QCOMPARE(locker->overlayColor(), QColor(25, 25, 25, alpha));
    QCOMPARE(locker->cancelButton()->isEnabled(), cancel);
    QCOMPARE(locker->cancelButton()->isVisible(), cancel);
    QCOMPARE(locker->pos(), position);

    // The veil is painted in the state's colour.
    QCoreApplication::processEvents();
    const QImage image = window->grab().toImage();
    const QColor corner(image.pixel(locker->pos() + QPoint(5, 5)));
    QVERIFY2(corner.lightness() < window->palette().color(QPalette::Window).lightness(),
             qPrintable(corner.name()));

    // Unknown kinds are stored and change nothing else.
    locker->setState(9);
    QCOMPARE(locker->state(), uint8_t(9));
    QCOMPARE(locker->progressBar()->format(), format);
    QCOMPARE(locker->pos(), position);
}

void TestScreenLocker::cancelNeverReturnsAfterStateTwo()
{
    locker->setState(2);
    for (int kind : {0, 1, 2, 0}) {
        locker->setState(uint8_t(kind));
        QVERIFY(!locker->cancelButton()->isVisible());
    }
    locker->setState(2);
    QVERIFY(!locker->cancelButton()->isEnabled());
    locker->hide();
    locker->show();
    QVERIFY(!locker->cancelButton()->isVisible());
}

void TestScreenLocker::sameStateTwiceChangesNothing()
{
    locker->setState(1);
    QCOMPARE(locker->pos(), QPoint(0, 70));
    locker->move(5, 5);
    locker->setState(1);
    QCOMPARE(locker->pos(), QPoint(5, 5));
    locker->setState(0);
    QCOMPARE(locker->pos(), QPoint(0, 0));
}

void TestScreenLocker::progressText()
{
    locker->hide();
    locker->setState(2);
    locker->setMaxProgress(4);
    locker->show();
    QCOMPARE(locker->progressBar()->value(), 0);
    locker->addProgress();
    QCOMPARE(locker->progressBar()->text(), QStringLiteral("Идет обмен... 25%"));
    for (int i = 0; i < 3; ++i)
        locker->addProgress();
    QCOMPARE(locker->progressBar()->text(), QStringLiteral("Идет обмен... 100%"));
    // More steps than announced keep the bar full.
    locker->addProgress();
    QCOMPARE(locker->progressBar()->value(), 4);
    QCOMPARE(locker->progressBar()->text(), QStringLiteral("Идет обмен... 100%"));
    locker->setProgressValue(2);
    QCOMPARE(locker->progressBar()->text(), QStringLiteral("Идет обмен... 50%"));
}

void TestScreenLocker::raisingAgainStartsEmpty()
{
    locker->setState(2);
    locker->setMaxProgress(3);
    locker->setProgressValue(3);
    locker->hide();
    locker->show();
    QCOMPARE(locker->progressBar()->value(), 0);
    QCOMPARE(locker->progressBar()->text(), QStringLiteral("Идет обмен... 0%"));
}

void TestScreenLocker::panelPlacement()
{
    locker->setState(0);
    locker->layout()->activate();
    QRect panel = locker->panel()->geometry();
    QVERIFY(qAbs(panel.center().x() - locker->width() / 2) <= 2);
    QVERIFY(qAbs(panel.center().y() - locker->height() / 2) <= 2);

    locker->setState(2);
    locker->layout()->activate();
    panel = locker->panel()->geometry();
    QVERIFY(qAbs(panel.center().x() - locker->width() / 2) <= 2);
    // At the bottom edge, within the layout's margin.
    QVERIFY2(locker->height() - panel.bottom() < 30, qPrintable(QString::number(panel.bottom())));
}

void TestScreenLocker::visibilityCopyForTheWorker()
{
    locker->hide();
    QVERIFY(!isScreenLocked());
    locker->show();
    QVERIFY(isScreenLocked());
    locker->hide();
    QVERIFY(!isScreenLocked());

    // The window hidden takes the overlay with it; shown again, it brings it back.
    locker->show();
    window->hide();
    QVERIFY(!isScreenLocked());
    window->show();
    QVERIFY(isScreenLocked());

    // Destroyed while shown: not left locked.
    delete locker;
    locker = nullptr;
    QVERIFY(!isScreenLocked());
}

void TestScreenLocker::messageLiesAboveTheLock()
{
    locker->setState(2);
    locker->show();
    auto *box = new MessageBox("Во время обмена", 1);
    QCOMPARE(box->parentWidget(), window.get());
    box->show();
    QVERIFY(box->isAncestorOf(window->childAt(QPoint(400, 300))));
}

QTEST_MAIN(TestScreenLocker)
#include "tst_screenlocker.moc"
