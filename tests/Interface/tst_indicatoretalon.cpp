#include "Interface/IndicatorEtalon.h"
#include "Interface/IndicatorEtalonNeedle.h"
#include "Interface/IndicatorEtalonSetpoint.h"
#include "Screenshot.h"

#include <QLabel>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();
const double Inf = std::numeric_limits<double>::infinity();

QLabel *label(IndicatorEtalon &indicator, const char *name)
{
    return indicator.findChild<QLabel *>(QLatin1String(name));
}
}

class TestIndicatorEtalon : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void needle_data();
    void needle();
    void labels_data();
    void labels();
    void layoutFollowsTheWidth();
    void screenshot();

private:
    std::unique_ptr<QWidget> m_window;
    IndicatorEtalon *m_indicator = nullptr;
    IndicatorEtalonNeedle *m_needle = nullptr;
};

void TestIndicatorEtalon::init()
{
    // A child of a shown window: its resizes reach it at once.
    m_window.reset(new QWidget);
    m_window->resize(500, 100);
    m_indicator = new IndicatorEtalon(m_window.get());
    m_indicator->setGeometry(0, 0, 200, 60);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_needle = m_indicator->findChild<IndicatorEtalonNeedle *>();
    QVERIFY(m_needle);
}

void TestIndicatorEtalon::needle_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("width");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("left");  // the needle's left edge; 3 to the left of its centre

    QTest::newRow("middle") << 0.0 << 40.0 << 200 << 20.0 << 97;
    QTest::newRow("above the scale") << 0.0 << 40.0 << 200 << 60.0 << 197;
    QTest::newRow("below the scale") << 0.0 << 40.0 << 200 << -2.0 << -3;
    QTest::newRow("truncated, not rounded") << 0.0 << 3.0 << 200 << 1.0 << 63;
    QTest::newRow("odd width") << 0.0 << 40.0 << 201 << 20.0 << 97;
    QTest::newRow("not a number") << 0.0 << 40.0 << 200 << NaN << -3;
    QTest::newRow("no range yet") << 0.0 << 0.0 << 200 << 5.0 << -3;
    QTest::newRow("empty range, value on it") << 7.0 << 7.0 << 200 << 7.0 << -3;
    QTest::newRow("far above the scale") << 0.0 << 40.0 << 200 << 1e30 << 197;
    QTest::newRow("infinite reading") << 0.0 << 40.0 << 200 << Inf << 197;
    QTest::newRow("negative infinite reading") << 0.0 << 40.0 << 200 << -Inf << -3;
    QTest::newRow("reversed scale") << 40.0 << 0.0 << 200 << 10.0 << 147;
    QTest::newRow("infinite scale") << -Inf << Inf << 200 << 1.0 << -3;
}

void TestIndicatorEtalon::needle()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, width);
    QFETCH(double, value);
    QFETCH(int, left);
    m_indicator->resize(width, 60);
    m_indicator->setRange(min, max);
    m_indicator->setValue(value);
    QCOMPARE(m_needle->pos(), QPoint(left, 1));
    QCOMPARE(m_needle->width(), 6);
}

void TestIndicatorEtalon::labels_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    // min, middle, lower band, upper band, max
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("10 to 20") << 10.0 << 20.0 << QStringList{"10", "15", "13.75", "16.25", "20"};
    QTest::newRow("around a point") << 0.788 << 0.812 << QStringList{"0.788", "0.8", "0.797", "0.803", "0.812"};
    QTest::newRow("six significant digits") << 0.0 << 1.2345678 << QStringList{"0", "0.617284", "0.462963", "0.771605", "1.23457"};
    QTest::newRow("large") << -1.0 << 1e7 << QStringList{"-1", "5e+06", "3.75e+06", "6.25e+06", "1e+07"};
}

void TestIndicatorEtalon::labels()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(QStringList, texts);
    m_indicator->setRange(0, 40);
    m_indicator->setValue(20);
    m_indicator->setRange(min, max);
    const QStringList shown{label(*m_indicator, "minLabel")->text(), label(*m_indicator, "midLabel")->text(),
                            label(*m_indicator, "lowerBandLabel")->text(),
                            label(*m_indicator, "upperBandLabel")->text(), label(*m_indicator, "maxLabel")->text()};
    QCOMPARE(shown, texts);
    QCOMPARE(m_needle->pos(), QPoint(97, 1));  // the next value moves the needle, not the range
}

void TestIndicatorEtalon::layoutFollowsTheWidth()
{
    QLabel *lower = label(*m_indicator, "lowerBandLabel");
    QLabel *upper = label(*m_indicator, "upperBandLabel");
    auto *band = m_indicator->findChild<IndicatorEtalonSetpoint *>();
    QVERIFY(band);
    m_indicator->setRange(0, 40);
    m_indicator->setValue(20);

    // 200 wide: the band over the middle quarter, the scale at the bottom, no band values.
    QCOMPARE(band->geometry(), QRect(75, 1, 50, 60));
    QWidget *scaleBar = lower->parentWidget();
    QCOMPARE(scaleBar->geometry(), QRect(0, 45, 200, 15));
    QCOMPARE(m_needle->geometry(), QRect(97, 1, 6, 60));
    QVERIFY(!lower->isVisible());
    QVERIFY(!upper->isVisible());
    QVERIFY(label(*m_indicator, "midLabel")->isVisible());

    // 201: the band values beside the band; the needle placed again for the new width.
    m_indicator->resize(201, 40);
    QCOMPARE(band->geometry(), QRect(75, 1, 50, 40));
    QCOMPARE(scaleBar->geometry(), QRect(0, 25, 201, 15));
    QVERIFY(lower->isVisible());
    QVERIFY(upper->isVisible());
    QCOMPARE(lower->geometry(), QRect(0, 0, 75, 15));
    QCOMPARE(upper->geometry(), QRect(125, 0, 75, 15));

    m_indicator->resize(400, 60);
    QCOMPARE(m_needle->geometry(), QRect(197, 1, 6, 60));
    QCOMPARE(band->geometry(), QRect(150, 1, 100, 60));
    QCOMPARE(upper->geometry(), QRect(250, 0, 150, 15));

    m_indicator->resize(120, 60);
    QVERIFY(!lower->isVisible());
    QCOMPARE(m_needle->pos(), QPoint(57, 1));
}

void TestIndicatorEtalon::screenshot()
{
    // A point of 0.8 MPa with a 1.5 % class over 0..1.6 MPa, the reading just above the point.
    m_indicator->resize(400, 60);
    m_indicator->setRange(0.788, 0.812);
    m_indicator->setValue(0.8023);
    QCOMPARE(m_needle->pos(), QPoint(235, 1));
    QVERIFY(!TestSupport::saveScreenshot(m_indicator, QStringLiteral("indicator_etalon")).isEmpty());

    // What is painted on top of what: the needle over the band, the scale over both.
    const QImage image = m_indicator->grab().toImage();
    QCOMPARE(image.pixel(236, 20), QColor(Qt::red).rgb());
    QCOMPARE(image.pixel(160, 20), QColor(Qt::green).rgb());
    QCOMPARE(image.pixel(60, 20), QColor(Qt::yellow).lighter(150).rgb());
    QCOMPARE(image.pixel(236, 55), QColor(Qt::darkGray).darker(200).rgb());
    QCOMPARE(image.pixel(160, 55), QColor(Qt::darkGray).darker(200).rgb());
}

QTEST_MAIN(TestIndicatorEtalon)
#include "tst_indicatoretalon.moc"
