// References inside formula texts, as row inserts, row copies, sheet renames
// and deletes rewrite them.

#include "Xlsx/ReferenceText.h"

#include <QTest>

using namespace Xlsx;

class TestReferenceText : public QObject
{
    Q_OBJECT

private slots:
    // Rows 11 to 13 inserted below row 10 of a sheet.
    void rowsShifted_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("sheet");   // the one whose rows are inserted
        QTest::addColumn<QString>("own");     // the formula's own sheet
        QTest::addColumn<QString>("expected");
        const QString l = QStringLiteral("Лист");
        const QString o = QStringLiteral("Другой");
        QTest::newRow("below, own sheet") << "B11*2" << l << l << "B14*2";
        QTest::newRow("at the list row") << "B10*2" << l << l << "B10*2";
        QTest::newRow("below, another sheet's formula") << "B11*2" << l << o << "B11*2";
        QTest::newRow("absolute moves too") << "$B$11+B$12+$B13" << l << l << "$B$14+B$15+$B16";
        QTest::newRow("lower case") << "b11" << l << l << "B14";
        QTest::newRow("range spans the insert") << "MAX(C10:C11)" << l << l << "MAX(C10:C14)";
        QTest::newRow("range ends at the list row") << "SUM(C4:C10)" << l << l << "SUM(C4:C10)";
        QTest::newRow("whole rows") << "SUM(11:12)+SUM($9:$11)" << l << l << "SUM(14:15)+SUM($9:$14)";
        QTest::newRow("whole columns") << "SUM(A:A)+SUM($B:$C)" << l << l << "SUM(A:A)+SUM($B:$C)";
        QTest::newRow("print area over the list") << "'Лист'!$A$1:$H$40" << l << QString() << "'Лист'!$A$1:$H$43";
        QTest::newRow("print titles") << "'Лист'!$1:$2,'Лист'!$12:$12" << l << QString() << "'Лист'!$1:$2,'Лист'!$15:$15";
        QTest::newRow("qualified from another sheet") << "'Лист'!E11-E11" << l << o << "'Лист'!E14-E11";
        QTest::newRow("plain qualifier") << "Лист!E11" << l << o << "Лист!E14";
        QTest::newRow("qualifier, other case") << "'лист'!E11" << l << o << "'лист'!E14";
        QTest::newRow("a range's end is on its qualifier's sheet")
            << "'Другой'!B5:B11+B11" << l << l << "'Другой'!B5:B11+B14";
        QTest::newRow("blanks and an apostrophe in the name")
            << "'It''s a sheet'!B11+'It''s a sheet'!B9" << "It's a sheet" << o << "'It''s a sheet'!B14+'It''s a sheet'!B9";
        QTest::newRow("device sheet") << "' Прибор 1'!$B$4:$B$11" << " Прибор 1" << QString() << "' Прибор 1'!$B$4:$B$14";
        QTest::newRow("another sheet named") << "'Другой'!A20" << l << QString() << "'Другой'!A20";
        QTest::newRow("strings hold no references")
            << "\"A11\"&A11&\"say \"\"B20\"\"\"&B20" << l << l << "\"A11\"&A14&\"say \"\"B20\"\"\"&B23";
        QTest::newRow("a string naming the sheet") << "\"'Лист'!A11\"&'Лист'!A11" << l << o << "\"'Лист'!A11\"&'Лист'!A14";
        QTest::newRow("functions that look like cells") << "LOG10(A11)+ATAN2(B11,C11)" << l << l << "LOG10(A14)+ATAN2(B14,C14)";
        QTest::newRow("a cell named like a function") << "LOG11+1" << l << l << "LOG14+1";
        QTest::newRow("prefixed function") << "_xlfn.STDEV.S(C11:C12)" << l << l << "_xlfn.STDEV.S(C14:C15)";
        QTest::newRow("defined names and booleans")
            << "DN_PN11+Итог+IF(TRUE,B11,FALSE)" << l << l << "DN_PN11+Итог+IF(TRUE,B14,FALSE)";
        QTest::newRow("names beyond the columns") << "XFE11+ABCD11" << l << l << "XFE11+ABCD11";
        QTest::newRow("a number's exponent") << "1E11+E11+2.5E+11" << l << l << "1E11+E14+2.5E+11";
        QTest::newRow("array constant") << "SUM({11,12;13,14})" << l << l << "SUM({11,12;13,14})";
        QTest::newRow("another workbook") << "[1]Лист!B11+'[1]Лист'!B11+'C:\\[b.xlsx]Лист'!B11+B11"
                                          << l << l << "[1]Лист!B11+'[1]Лист'!B11+'C:\\[b.xlsx]Лист'!B11+B14";
        QTest::newRow("a lost reference") << "#REF!B11+#REF!+B11" << l << l << "#REF!B11+#REF!+B14";
        QTest::newRow("table columns") << "SUM(Tbl[B11])+Tbl[[#This Row],[C11]]" << l << l
                                       << "SUM(Tbl[B11])+Tbl[[#This Row],[C11]]";
        QTest::newRow("3-D span") << "SUM('Лист:Другой'!B11)" << l << l << "SUM('Лист:Другой'!B11)";
        QTest::newRow("union and intersection") << "SUM((B11:C12 C11),B20)" << l << l << "SUM((B14:C15 C14),B23)";
        QTest::newRow("a range's end stops at the last row") << "SUM(A1:A1048576)" << l << l << "SUM(A1:A1048576)";
        QTest::newRow("a cell pushed off the sheet") << "A1048575+A11" << l << l << "#REF!+A14";
        QTest::newRow("an unclosed string") << "\"A11" << l << l << "\"A11";
        QTest::newRow("an unclosed quote") << "'Лист!A11" << l << l << "'Лист!A11";
    }

    void rowsShifted()
    {
        QFETCH(QString, formula);
        QFETCH(QString, sheet);
        QFETCH(QString, own);
        QFETCH(QString, expected);
        QCOMPARE(ReferenceText::rowsShifted(formula, sheet, 10, 3, own), expected);
    }

    // The list row's formula as its copies read it.
    void moved_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QString>("expected");
        QTest::newRow("relative") << "B4-A4" << 3 << 0 << "B7-A7";
        QTest::newRow("absolute parts stay") << "$A$1+A$1+$A1" << 2 << 0 << "$A$1+A$1+$A3";
        QTest::newRow("the numbering of the built-in templates") << "N(OFFSET($A$1,ROW()-2,0))+1" << 5 << 0
                                                                 << "N(OFFSET($A$1,ROW()-2,0))+1";
        QTest::newRow("another sheet") << "'&DEV_SH_1'!E7" << 1 << 0 << "'&DEV_SH_1'!E8";
        QTest::newRow("whole rows and columns") << "SUM(A:A)+SUM(3:$3)" << 1 << 1 << "SUM(B:B)+SUM(4:$3)";
        QTest::newRow("a string") << "\"A1\"&A1" << 1 << 0 << "\"A1\"&A2";
        QTest::newRow("columns") << "C4+$C4" << 0 << -2 << "A4+$C4";
        QTest::newRow("off the left edge") << "C4" << 0 << -3 << "#REF!";
        QTest::newRow("off the last row") << "A1048576+$A$1" << 1 << 0 << "#REF!+$A$1";
        QTest::newRow("another workbook") << "[1]S!A1" << 1 << 0 << "[1]S!A1";
        QTest::newRow("a function like a cell") << "LOG10(A1)" << 1 << 0 << "LOG10(A2)";
    }

    void moved()
    {
        QFETCH(QString, formula);
        QFETCH(int, rows);
        QFETCH(int, columns);
        QFETCH(QString, expected);
        QCOMPARE(ReferenceText::moved(formula, rows, columns), expected);
    }

    void renamed_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("expected");
        QTest::newRow("quoted") << "'&DEV_SH_1'!$A$1:$H$40" << "' Прибор 1'!$A$1:$H$40";
        QTest::newRow("other case") << "'&dev_sh_1'!B2" << "' Прибор 1'!B2";
        QTest::newRow("in a function") << "SUM('&DEV_SH_1'!A1:A3)+'Other'!A1" << "SUM(' Прибор 1'!A1:A3)+'Other'!A1";
        QTest::newRow("text literal") << "\"'&DEV_SH_1'!A1\"&'&DEV_SH_1'!A1" << "\"'&DEV_SH_1'!A1\"&' Прибор 1'!A1";
        QTest::newRow("another sheet") << "'&DEV_SH_10'!A1" << "'&DEV_SH_10'!A1";
        QTest::newRow("a name on the sheet") << "'&DEV_SH_1'!Итог" << "' Прибор 1'!Итог";
        QTest::newRow("3-D span") << "SUM('&DEV_SH_1:&DEV_SH_4'!B2)" << "SUM(' Прибор 1:&DEV_SH_4'!B2)";
        QTest::newRow("no reference") << "A1*2" << "A1*2";
    }

    void renamed()
    {
        QFETCH(QString, formula);
        QFETCH(QString, expected);
        QCOMPARE(ReferenceText::renamed(formula, QStringLiteral("&DEV_SH_1"), QStringLiteral(" Прибор 1")), expected);
    }

    void sheetDeleted_data()
    {
        QTest::addColumn<QString>("formula");
        QTest::addColumn<QString>("expected");
        QTest::newRow("cell") << "'&DEV_SH_4'!E7*2" << "#REF!*2";
        QTest::newRow("range, beside a kept sheet") << "SUM('&DEV_SH_4'!B4:B5)+'&DEV_SH_1'!A1"
                                                    << "SUM(#REF!)+'&DEV_SH_1'!A1";
        QTest::newRow("other case") << "'&dev_sh_4'!A1" << "#REF!";
        QTest::newRow("a name on the sheet") << "'&DEV_SH_4'!Итог" << "#REF!";
        QTest::newRow("text literal") << "\"'&DEV_SH_4'!A1\"" << "\"'&DEV_SH_4'!A1\"";
        QTest::newRow("another workbook's sheet") << "[1]'&DEV_SH_4'!A1" << "[1]'&DEV_SH_4'!A1";
    }

    void sheetDeleted()
    {
        QFETCH(QString, formula);
        QFETCH(QString, expected);
        QCOMPARE(ReferenceText::sheetDeleted(formula, QStringLiteral("&DEV_SH_4")), expected);
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
        QVERIFY(!ReferenceText::refersTo(QStringLiteral("\"'A'!B1\""), QStringLiteral("A")));
    }
};

QTEST_GUILESS_MAIN(TestReferenceText)
#include "tst_referencetext.moc"
