#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"

#include <QtTest>
#include <limits>

class TestParametr : public QObject
{
    Q_OBJECT
private slots:
    void doubleText_data();
    void doubleText();
    void doubleUnboundedLimits();
    void enumText();
    void enumSetItems_data();
    void enumSetItems();
    void enumShowEditValueFlag();
    void intText();
    void stringKeepsLongText();
    void titleOwnership();
    void laterFlagsKeepTitleOwnership();
    void pathDefaults();
    void description();
    void editableEnumIsFreeText();
};

void TestParametr::doubleText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("decimal comma") << 2.5 << "2,5";
    QTest::newRow("tenth") << 0.1 << "0,1";
    QTest::newRow("hundred thousand") << 100000.0 << "100000";
    QTest::newRow("million") << 1000000.0 << "1e+06";
    QTest::newRow("seven digits") << 1234567.0 << "1,23457e+06";
    QTest::newRow("negative") << -0.000125 << "-0,000125";
    QTest::newRow("zero") << 0.0 << "0";
}

void TestParametr::doubleText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    ParametrDouble p(QStringLiteral("x"), 0, 10);
    p.setValue(value);
    QCOMPARE(p.valueText(), text);
    QCOMPARE(p.value(), value);
    QCOMPARE(p.editValue(), value);
    QCOMPARE(p.decimals(), 3);
}

void TestParametr::doubleUnboundedLimits()
{
    ParametrDouble both(QStringLiteral("x"), -99, -99);
    QCOMPARE(both.min(), -std::numeric_limits<double>::max());
    QCOMPARE(both.max(), std::numeric_limits<double>::max());
    ParametrDouble bounded(QStringLiteral("x"), -98, 99);
    QCOMPARE(bounded.min(), -98.0);
    QCOMPARE(bounded.max(), 99.0);
    bounded.setValue(1000);  // no clamping
    QCOMPARE(bounded.value(), 1000.0);
}

void TestParametr::enumText()
{
    const EnumList items{EnumItem(QStringLiteral("a"), 3), EnumItem(QStringLiteral("b"), 5),
                         EnumItem(QStringLiteral("b2"), 5)};
    ParametrEnum p(QStringLiteral("e"), items);
    p.setValue(5);
    QCOMPARE(p.valueText(), QStringLiteral("b"));
    QCOMPARE(p.currentIndex(), 1);
    p.setValue(7);
    QCOMPARE(p.valueText(), QStringLiteral("<7>"));
    QCOMPARE(p.currentIndex(), -1);
    p.setValue(-2);
    QCOMPARE(p.valueText(), QStringLiteral("<-2>"));
}

void TestParametr::enumSetItems_data()
{
    QTest::addColumn<QList<int>>("ids");
    QTest::addColumn<int>("expected");
    QTest::newRow("empty keeps value") << QList<int>{} << 4;
    QTest::newRow("lacks value takes first") << QList<int>{9, 1} << 9;
    QTest::newRow("has value keeps it") << QList<int>{1, 4} << 4;
}

void TestParametr::enumSetItems()
{
    QFETCH(QList<int>, ids);
    QFETCH(int, expected);
    const EnumList first{EnumItem(QStringLiteral("four"), 4)};
    EnumList next;
    for (int id : ids)
        next.append(EnumItem(QString::number(id), id));
    ParametrEnum p(QStringLiteral("e"), first);
    p.setValue(4);
    p.setItems(next);
    QCOMPARE(p.value(), expected);
    QCOMPARE(p.editValue(), expected);
    QCOMPARE(&p.items(), &next);
}

void TestParametr::enumShowEditValueFlag()
{
    const EnumList items{EnumItem(QStringLiteral("a"), 1)};
    ParametrEnum p(QStringLiteral("e"), items, HAbstractParametr::ShowEditValue);
    p.setValue(1);
    QVERIFY(!p.showsCommittedValue());
    QCOMPARE(p.valueText(), QStringLiteral("a"));
}

void TestParametr::intText()
{
    ParametrInt p(QStringLiteral("n"), 0, 6);
    p.setValue(-42);
    QCOMPARE(p.valueText(), QStringLiteral("-42"));
    p.setValue(9);  // the limits configure the editor only
    QCOMPARE(p.value(), 9);
}

void TestParametr::stringKeepsLongText()
{
    ParametrString p(QStringLiteral("s"), 3);
    p.setValue(QStringLiteral("longer than three"));
    QCOMPARE(p.value(), QStringLiteral("longer than three"));
    QCOMPARE(p.valueText(), p.value());
    QCOMPARE(p.maxLength(), 3);
    QCOMPARE(p.type(), int(HAbstractParametr::TypeString));
}

void TestParametr::titleOwnership()
{
    QString caption = QStringLiteral("before");
    ParametrInt shared(caption, 0, 1);
    ParametrInt owned(caption, 0, 1, HAbstractParametr::OwnsTitle);
    caption = QStringLiteral("after");
    QCOMPARE(shared.name(), QStringLiteral("after"));
    QCOMPARE(owned.name(), QStringLiteral("before"));
}

void TestParametr::laterFlagsKeepTitleOwnership()
{
    // Setting the folder flag later replaces the flag byte; the owned caption must survive it.
    auto *p = new ParametrPath(QStringLiteral("folder"), HAbstractParametr::OwnsTitle);
    p->setFlags(HAbstractParametr::AltEditor);
    QVERIFY(p->testFlag(HAbstractParametr::AltEditor));
    QVERIFY(!p->testFlag(HAbstractParametr::OwnsTitle));
    QCOMPARE(p->name(), QStringLiteral("folder"));
    delete p;  // frees its copy exactly once (checked under ASan)
}

void TestParametr::pathDefaults()
{
    ParametrPath p(QStringLiteral("p"));
    QCOMPARE(p.nameFilters(), QStringList{QStringLiteral("*")});
    QVERIFY(p.value().isEmpty());
    p.setNameFilters({QStringLiteral("*.xlsx")});
    QCOMPARE(p.nameFilters(), QStringList{QStringLiteral("*.xlsx")});
    QCOMPARE(p.type(), int(HAbstractParametr::TypePath));
}

void TestParametr::description()
{
    ParametrInt p(QStringLiteral("n"), 0, 1);
    QVERIFY(p.description().isEmpty());
    p.setDescription(QStringLiteral("one"));
    p.setDescription(QStringLiteral("two"));
    QCOMPARE(p.description(), QStringLiteral("two"));
}

void TestParametr::editableEnumIsFreeText()
{
    const EnumList items{EnumItem(QStringLiteral("0,4"), 0)};
    ParametrEditableEnum p(QStringLiteral("class"), items);
    QVERIFY(p.text().isEmpty());
    p.setText(QStringLiteral("anything"));
    QCOMPARE(p.valueText(), QStringLiteral("anything"));
    QCOMPARE(p.type(), int(HAbstractParametr::TypeEditableEnum));
}

QTEST_APPLESS_MAIN(TestParametr)
#include "tst_parametr.moc"
