// The two row operations of the worksheet: the copy of a list row and the
// shift below it, checked on the cell store and, after a save, with openpyxl.

#include "XlsxCheck.h"

#include "Xlsx/Document.h"
#include "Xlsx/XlsxGlobal.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace Xlsx;

class TestRowCopy : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_fixture;
    QString m_formulasOut;   // formulas with cached results, row 3 copied twice, saved

    // A sheet as a spreadsheet program saves it, every formula with its cached
    // result: a sum above the list row 3, the list row, a row below it.
    bool saveCopiedFormulas()
    {
        Document empty;
        QByteArray data;
        if (!empty.insertSheet(0, QStringLiteral("S")) || !empty.write(1, 1, 1.0) || !empty.saveToData(data))
            return false;
        const QString plain = m_dir.filePath(QStringLiteral("formulas-plain.xlsx"));
        QFile f(plain);
        if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
            return false;
        f.close();
        const QByteArray sheet =
            "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
            "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData>"
            "<row r=\"1\"><c r=\"D1\"><f>SUM(C3:C9)</f><v>5</v></c></row>"
            "<row r=\"3\"><c r=\"A3\"><f>N(OFFSET($A$1,ROW()-2,0))+1</f><v>1</v></c>"
            "<c r=\"B3\" t=\"str\"><f>\"p\"&amp;ROW()</f><v>p3</v></c><c r=\"C3\"><v>5</v></c></row>"
            "<row r=\"4\"><c r=\"A4\"><f>ROW()</f><v>4</v></c><c r=\"B4\" t=\"b\" vm=\"1\"><f>TRUE()</f><v>1</v></c></row>"
            "</sheetData></worksheet>";
        Document doc;
        if (!doc.openData(XlsxCheck::rewritten(plain, {{QStringLiteral("xl/worksheets/sheet1.xml"), sheet}}))
            || !doc.currentWorksheet()->insertRowCopies(3, 2))
            return false;
        m_formulasOut = m_dir.filePath(QStringLiteral("formulas.xlsx"));
        return doc.saveAs(m_formulasOut);
    }

    static QString text(const Worksheet *ws, int row, int column) { return ws->read(row, column).toString(); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_fixture = m_dir.filePath(QStringLiteral("rowcopy.xlsx"));
        bool ok = false;
        XlsxCheck::runPython({XlsxCheck::script(QStringLiteral("tests/Xlsx/fixtures/make_rowcopy_fixture.py")), m_fixture}, &ok);
        QVERIFY(ok);
        QVERIFY(saveCopiedFormulas());
    }

    // Row 10 has cells in A to C; rows 11 to 30 are filled; three copies.
    void copiesAndShiftsTheCellStore()
    {
        Document doc(m_fixture);
        QVERIFY2(doc.isLoaded(), qPrintable(doc.errorString()));
        Worksheet *ws = doc.currentWorksheet();
        QVERIFY(ws);
        const auto styleOfSource = ws->cellAt(10, 1)->styleIndex();
        QVERIFY(styleOfSource > 0);

        QVERIFY(ws->insertRowCopies(10, 3));

        for (int i = 0; i <= 3; ++i) {
            QCOMPARE(text(ws, 10 + i, 1), QStringLiteral("r10c1"));
            QCOMPARE(text(ws, 10 + i, 3), QStringLiteral("r10c3"));
            QCOMPARE(ws->read(10 + i, 5).toDouble(), 10.5);
            QCOMPARE(ws->cellAt(10 + i, 1)->styleIndex(), styleOfSource);
            // The whole row is copied, also beyond column 50.
            QCOMPARE(text(ws, 10 + i, 51), QStringLiteral("AY10"));
        }
        for (int r = 11; r <= 30; ++r) {
            QCOMPARE(ws->read(r + 3, 1).toInt(), r);
            QCOMPARE(text(ws, r + 3, 2), QStringLiteral("row%1").arg(r));
        }
        QCOMPARE(ws->dimension().lastRow(), 38);   // J35 moved to J38
        QVERIFY(!ws->cellAt(11, 2) || text(ws, 11, 2) == QStringLiteral("r10c2"));
        // Writing to a copy leaves the source and the other copies alone.
        QVERIFY(ws->write(12, 1, QStringLiteral("changed")));
        QCOMPARE(text(ws, 10, 1), QStringLiteral("r10c1"));
        QCOMPARE(text(ws, 13, 1), QStringLiteral("r10c1"));
    }

    void savedCopyMovesWhatASpreadsheetMoves()
    {
        Document doc(m_fixture);
        QVERIFY(doc.isLoaded());
        QVERIFY(doc.currentWorksheet()->insertRowCopies(10, 3));
        const QString out = m_dir.filePath(QStringLiteral("copied.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));

        const QJsonObject d = XlsxCheck::dump(out);
        QVERIFY(!d.isEmpty());
        const QJsonObject s = XlsxCheck::sheet(d, QStringLiteral("Лист"));
        const QJsonObject cells = s.value(QStringLiteral("cells")).toObject();
        QCOMPARE(cells.value(QStringLiteral("B13")).toObject().value(QStringLiteral("v")).toString(), QStringLiteral("r10c2"));
        QCOMPARE(cells.value(QStringLiteral("A14")).toObject().value(QStringLiteral("v")).toInt(), 11);
        QCOMPARE(cells.value(QStringLiteral("E12")).toObject().value(QStringLiteral("t")).toString(), QStringLiteral("n"));

        QStringList merged;
        for (const auto &m : s.value(QStringLiteral("merged")).toArray())
            merged << m.toString();
        const QStringList expectedMerged = {"A1:D1", "B15:D15", "F10:G10", "F11:G11", "F12:G12", "F13:G13",
                                            "H5:H10", "H8:H18"};
        for (const QString &m : expectedMerged)
            QVERIFY2(merged.contains(m), qPrintable(m + " missing in " + merged.join(',')));
        QCOMPARE(merged.size(), expectedMerged.size());

        const QJsonObject heights = s.value(QStringLiteral("heights")).toObject();
        for (int r = 10; r <= 13; ++r)
            QCOMPARE(heights.value(QString::number(r)).toDouble(), 30.0);
        QCOMPARE(heights.value(QStringLiteral("23")).toDouble(), 40.0);
        QVERIFY(!heights.contains(QStringLiteral("20")));

        QCOMPARE(s.value(QStringLiteral("printArea")).toString(), QStringLiteral("$A$1:$H$43"));
        QCOMPARE(s.value(QStringLiteral("rowBreaks")).toArray(), QJsonArray({5, 28}));
        QCOMPARE(s.value(QStringLiteral("cf")).toArray(), QJsonArray({"A23:A28", "C23:C28"}));
        QCOMPARE(s.value(QStringLiteral("dv")).toArray(), QJsonArray({"D25:D27", "E25"}));
        QCOMPARE(s.value(QStringLiteral("hyperlinks")).toArray(), QJsonArray({"B30"}));
        QCOMPARE(s.value(QStringLiteral("tables")).toObject().value(QStringLiteral("Tbl")).toString(),
                 QStringLiteral("J35:J38"));
        // Sort ranges move with the rows they sort, with their conditions.
        const QByteArray table = XlsxCheck::zipPart(out, QStringLiteral("xl/tables/table1.xml"));
        QVERIFY2(table.contains("<sortState ref=\"J36:J38\"><sortCondition ref=\"J36:J38\"/>"), table.constData());
        const QByteArray sheet = XlsxCheck::zipPart(out, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY2(sheet.contains("<autoFilter ref=\"M23:M27\"><sortState ref=\"M24:M27\"><sortCondition descending=\"0\" ref=\"M24:M27\"/>"),
                 sheet.mid(sheet.indexOf("<autoFilter"), 200).constData());
        // The chart anchored at L28 (row index 27) moves to row index 30.
        QCOMPARE(s.value(QStringLiteral("charts")).toArray().first().toArray().first().toInt(), 30);
        // A formula elsewhere means a full recalculation on load.
        QVERIFY(XlsxCheck::zipPart(out, QStringLiteral("xl/workbook.xml")).contains("fullCalcOnLoad=\"1\""));
    }

    // Shared formula groups, as desktop spreadsheet programs write filled-down
    // formulas: C10:C12 with its first cell in the copied row, C20:C21 below it,
    // and E11:E12 whose members read the row above them, across the insert.
    void sharedFormulasAreWrittenOutWhenRowsMove()
    {
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("S")));
        Worksheet *ws = doc.currentWorksheet();
        QVERIFY(ws->write(10, 1, 1.0));
        QVERIFY(ws->write(20, 1, 2.0));
        const QString path = m_dir.filePath(QStringLiteral("plain.xlsx"));
        QVERIFY(doc.saveAs(path));
        QByteArray sheet = XlsxCheck::zipPart(path, QStringLiteral("xl/worksheets/sheet1.xml"));
        sheet.replace("<c r=\"A10\"><v>1</v></c>",
                      "<c r=\"A10\"><v>1</v></c><c r=\"C10\"><f t=\"shared\" ref=\"C10:C12\" si=\"0\">A10*2</f><v>2</v></c>");
        sheet.replace("<c r=\"A20\"><v>2</v></c>", "<c r=\"A20\"><v>2</v></c><c r=\"C20\"><f t=\"shared\" ref=\"C20:C21\" si=\"1\">A20+1</f><v>3</v></c>");
        sheet.replace("</sheetData>", "<row r=\"11\"><c r=\"C11\"><f t=\"shared\" si=\"0\"/><v>0</v></c>"
                                      "<c r=\"E11\"><f t=\"shared\" ref=\"E11:E12\" si=\"2\">A10</f><v>1</v></c></row>"
                                      "<row r=\"12\"><c r=\"E12\"><f t=\"shared\" si=\"2\"/><v>0</v></c></row>"
                                      "<row r=\"21\"><c r=\"C21\"><f t=\"shared\" si=\"1\"/><v>1</v></c></row></sheetData>");
        Document shared;
        QVERIFY2(shared.openData(XlsxCheck::rewritten(path, {{QStringLiteral("xl/worksheets/sheet1.xml"), sheet}})),
                 qPrintable(shared.errorString()));
        // Rows are out of order in the edited part; the store sorts them.
        QVERIFY(shared.currentWorksheet()->cellAt(11, 3)->isSharedFormula());
        // The group's first cell cannot be overwritten while others use it.
        QVERIFY(!shared.write(10, 3, 5.0));
        QVERIFY(shared.currentWorksheet()->insertRowCopies(10, 2));
        const QString out = m_dir.filePath(QStringLiteral("shared-out.xlsx"));
        QVERIFY(shared.saveAs(out));
        const QByteArray saved = XlsxCheck::zipPart(out, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY2(!saved.contains("t=\"shared\""), saved.constData());
        const QJsonObject cells = XlsxCheck::cells(XlsxCheck::dump(out), QStringLiteral("S"));
        // Each cell reads what it read before, at its new place.
        const QMap<QString, QString> expected = {
            {"C10", "=A10*2"}, {"C11", "=A11*2"}, {"C12", "=A12*2"},   // the row and its two copies
            {"C13", "=A13*2"},                                          // the group's member, moved
            {"C22", "=A22+1"}, {"C23", "=A23+1"},                       // the group below, moved
            {"E13", "=A10"}, {"E14", "=A13"}};                          // still the rows they read
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QCOMPARE(cells.value(it.key()).toObject().value(QStringLiteral("v")).toString(), it.value());
    }

    // Every reference to the rows follows them, in any sheet: the list row's
    // formula in its copies, formulas below and beside the list, another
    // sheet's formula and hyperlink, a defined name, a chart's series, a
    // conditional format, a validation list and a note.
    void referencesFollowTheRows()
    {
        Document doc(m_fixture);
        QVERIFY(doc.isLoaded());
        QVERIFY(doc.currentWorksheet()->insertRowCopies(10, 3));
        const QString out = m_dir.filePath(QStringLiteral("references.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));
        const QJsonObject d = XlsxCheck::dump(out);
        QVERIFY(!d.isEmpty());
        const QJsonObject s = XlsxCheck::sheet(d, QStringLiteral("Лист"));
        const QJsonObject cells = s.value(QStringLiteral("cells")).toObject();
        auto formula = [](const QJsonObject &c, const char *at) {
            return c.value(QLatin1String(at)).toObject().value(QStringLiteral("v")).toString();
        };
        QCOMPARE(formula(cells, "D10"), QStringLiteral("=E10*2+$E$10"));
        QCOMPARE(formula(cells, "D11"), QStringLiteral("=E11*2+$E$10"));
        QCOMPARE(formula(cells, "D13"), QStringLiteral("=E13*2+$E$10"));
        QCOMPARE(formula(cells, "K2"), QStringLiteral("=SUM(E10:E14)+A33"));
        QCOMPARE(formula(cells, "K3"), QStringLiteral("=\"A11\"&LOG10(A14)"));
        const QJsonObject summary = XlsxCheck::cells(d, QStringLiteral("Сводка"));
        QCOMPARE(formula(summary, "A1"), QStringLiteral("='Лист'!A14+'Лист'!$A$33"));
        QCOMPARE(formula(summary, "A2"), QStringLiteral("=Лист!B5"));
        QCOMPARE(formula(summary, "A3"), QStringLiteral("=SUM('Лист'!A:A)"));
        QCOMPARE(XlsxCheck::sheet(d, QStringLiteral("Сводка")).value(QStringLiteral("links")).toObject(),
                 QJsonObject({{"A4", "'Лист'!A33"}}));
        QCOMPARE(d.value(QStringLiteral("definedNames")).toObject().value(QStringLiteral("Итоги")).toString(),
                 QStringLiteral("'Лист'!$A$33"));
        QCOMPARE(d.value(QStringLiteral("chartRefs")).toObject().value(QStringLiteral("xl/charts/chart1.xml")).toArray(),
                 QJsonArray({"'Лист'!$A$14:$A$18"}));
        QCOMPARE(s.value(QStringLiteral("cfRules")).toObject().value(QStringLiteral("A23:A28")).toArray(),
                 QJsonArray({"$A23>25"}));
        QCOMPARE(s.value(QStringLiteral("dvFormulas")).toObject().value(QStringLiteral("E25")).toString(),
                 QStringLiteral("$A$14:$A$18"));
        QCOMPARE(s.value(QStringLiteral("notes")).toObject(), QJsonObject({{"B30", "Примечание под списком"}}));
        // The note's drawn box follows it (x:Row is 0-based).
        const QByteArray vml = XlsxCheck::zipPart(out, QStringLiteral("xl/drawings/commentsDrawing1.vml"));
        QVERIFY2(vml.contains(":Row>29</"), vml.constData());
    }

    // A note drawing or a chart that is no well-formed XML (older programs
    // wrote VML with unclosed tags) is left as it came; the rest still moves.
    void malformedPartsStayAsTheyCame()
    {
        const QString vmlPart = QStringLiteral("xl/drawings/commentsDrawing1.vml");
        const QString chartPart = QStringLiteral("xl/charts/chart1.xml");
        const QByteArray vml = "<xml><v:shape><x:ClientData ObjectType=\"Note\"><br><x:Row>26</x:Row></x:ClientData></v:shape></xml>";
        const QByteArray chart = "<c:chartSpace><c:f>'Лист'!$A$11:$A$15</c:f>";
        Document doc;
        QVERIFY(doc.openData(XlsxCheck::rewritten(m_fixture, {{vmlPart, vml}, {chartPart, chart}})));
        QVERIFY(doc.currentWorksheet()->insertRowCopies(10, 3));
        const QString out = m_dir.filePath(QStringLiteral("malformed.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));
        QCOMPARE(XlsxCheck::zipPart(out, vmlPart), vml);
        QCOMPARE(XlsxCheck::zipPart(out, chartPart), chart);
        QVERIFY(XlsxCheck::zipPart(out, QStringLiteral("xl/comments/comment1.xml")).contains("ref=\"B30\""));
        QCOMPARE(Document(out).cellAt(1, 11)->formula(), QStringLiteral("1+1"));
    }

    // A cached result copied into the copies, or kept by a moved row, is stale
    // (every copied "№" would read 1): formulas are saved without results, which
    // every reader then computes; the sum over the list grows with it.
    void formulasLoseTheirCachedResults_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("formula");   // empty: no formula
        QTest::addColumn<QByteArray>("saved");
        const QString number = QStringLiteral("N(OFFSET($A$1,ROW()-2,0))+1");
        QTest::newRow("copied row") << 3 << 1 << number << QByteArray("<c r=\"A3\"><f>N(OFFSET($A$1,ROW()-2,0))+1</f></c>");
        QTest::newRow("its last copy") << 5 << 1 << number << QByteArray("<c r=\"A5\"><f>N(OFFSET($A$1,ROW()-2,0))+1</f></c>");
        QTest::newRow("text result, copy") << 4 << 2 << "\"p\"&ROW()" << QByteArray("<c r=\"B4\"><f>\"p\"&amp;ROW()</f></c>");
        QTest::newRow("moved row") << 6 << 1 << "ROW()" << QByteArray("<c r=\"A6\"><f>ROW()</f></c>");
        QTest::newRow("moved, result metadata") << 6 << 2 << "TRUE()" << QByteArray("<c r=\"B6\"><f>TRUE()</f></c>");
        QTest::newRow("above the list, over it") << 1 << 4 << "SUM(C3:C11)" << QByteArray("<c r=\"D1\"><f>SUM(C3:C11)</f></c>");
        QTest::newRow("value, copy") << 5 << 3 << QString() << QByteArray("<c r=\"C5\"><v>5</v></c>");
    }

    void formulasLoseTheirCachedResults()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, formula);
        QFETCH(QByteArray, saved);
        const QByteArray sheet = XlsxCheck::zipPart(m_formulasOut, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY2(sheet.contains(saved), sheet.constData());
        Document again(m_formulasOut);
        QVERIFY2(again.isLoaded(), qPrintable(again.errorString()));
        const auto cell = again.cellAt(row, column);
        QVERIFY(cell);
        QCOMPARE(cell->hasFormula(), !formula.isEmpty());
        QCOMPARE(cell->formula(), formula);
        QCOMPARE(cell->value().isValid(), formula.isEmpty());
    }

    // The writer's scan copies the list row while it walks the stored cells:
    // the walk then meets every copy once and the moved rows at their new place.
    void scanSurvivesTheCopy()
    {
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("S")));
        Worksheet *ws = doc.currentWorksheet();
        QVERIFY(ws->write(2, 1, QStringLiteral("&LST_F")));
        QVERIFY(ws->write(2, 2, QStringLiteral("&DN_PN_I")));
        QVERIFY(ws->write(3, 1, QStringLiteral("after")));
        QStringList visited;
        for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
            for (int c = ws->nextColumn(r, 0); c; c = ws->nextColumn(r, c)) {
                visited << CellReference(r, c).toString() + QLatin1Char('=') + ws->read(r, c).toString();
                if (ws->read(r, c).toString() == QLatin1String("&LST_F")) {
                    QVERIFY(ws->write(r, c, QString()));
                    QVERIFY(ws->insertRowCopies(r, 2));
                }
            }
        QCOMPARE(visited, QStringList({"A2=&LST_F", "B2=&DN_PN_I", "A3=", "B3=&DN_PN_I", "A4=", "B4=&DN_PN_I",
                                       "A5=after"}));
    }

    void nothingHappens_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("count");
        QTest::newRow("count 0") << 10 << 0;
        QTest::newRow("negative count") << 10 << -3;
        QTest::newRow("row without cells") << 9 << 4;
        QTest::newRow("row beyond the sheet") << MaxRows + 5 << 1;
    }

    void nothingHappens()
    {
        QFETCH(int, row);
        QFETCH(int, count);
        Document doc(m_fixture);
        Worksheet *ws = doc.currentWorksheet();
        QVERIFY(ws->insertRowCopies(row, count));
        QCOMPARE(ws->read(11, 1).toInt(), 11);
        QCOMPARE(ws->read(30, 1).toInt(), 30);
        QVERIFY(!ws->cellAt(31, 1));
        QCOMPARE(ws->dimension().lastRow(), 35);
    }

    void lastRowCopiesBelowIt()
    {
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("S")));
        Worksheet *ws = doc.currentWorksheet();
        QVERIFY(ws->write(5, 2, QStringLiteral("x")));
        QVERIFY(ws->insertRowCopies(5, 2));
        QCOMPARE(text(ws, 7, 2), QStringLiteral("x"));
        QCOMPARE(ws->dimension().toString(), QStringLiteral("B5:B7"));
    }

    void refusesToPushRowsBeyondTheLimit()
    {
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("S")));
        Worksheet *ws = doc.currentWorksheet();
        QVERIFY(ws->write(1, 1, QStringLiteral("list")));
        QVERIFY(ws->write(MaxRows - 1, 1, QStringLiteral("last")));
        QVERIFY(!ws->insertRowCopies(1, 2));
        QVERIFY(!ws->shiftRowsDown(1, 2));
        QCOMPARE(text(ws, MaxRows - 1, 1), QStringLiteral("last"));
        QVERIFY(!ws->cellAt(2, 1));
        QVERIFY(ws->insertRowCopies(1, 1));
        QCOMPARE(text(ws, MaxRows, 1), QStringLiteral("last"));
    }
};

QTEST_GUILESS_MAIN(TestRowCopy)
#include "tst_rowcopy.moc"
