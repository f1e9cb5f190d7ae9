// Sheet references inside formula texts, as renames and row shifts rewrite them.

#include "Xlsx/ReferenceText.h"

#include <QTest>

using namespace Xlsx;

class TestReferenceText : public QObject
{
    Q_OBJECT

private slots:
    void renamed_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quoted") << "'&DEV_SH_1'!$A$1:$H$40" << "' Прибор 1'!$A$1:$H$40";
        QTest::newRow("other case") << "'&dev_sh_1'!B2" << "' Прибор 1'!B2";
        QTest::newRow("in a function") << "SUM('&DEV_SH_1'!A1:A3)+'Other'!A1" << "SUM(' Прибор 1'!A1:A3)+'Other'!A1";
        QTest::newRow("text literal") << "\"'&DEV_SH_1'!A1\"&'&DEV_SH_1'!A1" << "\"'&DEV_SH_1'!A1\"&' Прибор 1'!A1";
        QTest::newRow("another sheet") << "'&DEV_SH_10'!A1" << "'&DEV_SH_10'!A1";
        QTest::newRow("no reference") << "A1*2" << "A1*2";
    }

    void renamed()
    {
        QFETCH(QString, formula);
        QFETCH(QString, expected);
        QCOMPARE(ReferenceText::renamed(formula, QStringLiteral("&DEV_SH_1"), QStringLiteral(" Прибор 1")), expected);
    }

    void unquotedNamesAndForeignReferences()
    {
        QCOMPARE(ReferenceText::renamed(QStringLiteral("A1&REF!B2+#REF!+[1]REF!C3"), QStringLiteral("REF"),
                                        QStringLiteral("Новый")),
                 QStringLiteral("A1&'Новый'!B2+#REF!+[1]REF!C3"));
        QCOMPARE(ReferenceText::renamed(QStringLiteral("It''s!A1+'It''s'!A1"), QStringLiteral("It's"), QStringLiteral("X")),
                 QStringLiteral("It''s!A1+'X'!A1"));
        QVERIFY(ReferenceText::refersTo(QStringLiteral("'It''s'!A1"), QStringLiteral("it's")));
        QVERIFY(!ReferenceText::refersTo(QStringLiteral("#REF!"), QStringLiteral("REF")));
    }

    void rowsShifted_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("expected");
        // Rows 11 to 13 inserted below row 10.
        QTest::newRow("print area over the list") << "'Лист'!$A$1:$H$40" << "'Лист'!$A$1:$H$43";
        QTest::newRow("ends at the list row") << "'Лист'!$A$1:$H$10" << "'Лист'!$A$1:$H$10";
        QTest::newRow("below") << "'Лист'!B11" << "'Лист'!B14";
        QTest::newRow("print titles") << "'Лист'!$1:$2,'Лист'!$12:$12" << "'Лист'!$1:$2,'Лист'!$15:$15";
        QTest::newRow("whole columns") << "'Лист'!$A:$B" << "'Лист'!$A:$B";
        QTest::newRow("other sheet") << "'Другой'!A20" << "'Другой'!A20";
        QTest::newRow("clamped at the last row") << "'Лист'!A1:A1048576" << "'Лист'!A1:A1048576";
    }

    void rowsShifted()
    {
        QFETCH(QString, formula);
        QFETCH(QString, expected);
        QCOMPARE(ReferenceText::rowsShifted(formula, QStringLiteral("Лист"), 10, 3), expected);
    }
};

QTEST_GUILESS_MAIN(TestReferenceText)
#include "tst_referencetext.moc"
