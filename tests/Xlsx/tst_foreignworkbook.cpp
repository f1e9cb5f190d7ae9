// A workbook as a desktop spreadsheet program saves it (shared strings with
// rich text, a shared formula, a calculation chain, absolute targets, cells
// and rows without "r", printer settings, a comment): read, filled, saved.

#include "XlsxCheck.h"

#include "Xlsx/Document.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Xlsx;

class TestForeignWorkbook : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    static QString fixture() { return XlsxCheck::script(QStringLiteral("tests/Xlsx/fixtures/foreign.xlsx")); }

private slots:
    void readsWhatTheOtherProgramWrote()
    {
        Document doc(fixture());
        QVERIFY2(doc.isLoaded(), qPrintable(doc.errorString()));
        QCOMPARE(doc.sheetNames(), QStringList({"Протокол", "Второй"}));
        QCOMPARE(doc.currentSheetIndex(), 0);
        // Rich text joined, phonetic guide left out.
        QCOMPARE(doc.read(QStringLiteral("A1")).toString(), QStringLiteral("Жирный текст"));
        QCOMPARE(doc.read(QStringLiteral("A2")).toString(), QStringLiteral("&ET_SERIAL"));
        QCOMPARE(doc.read(QStringLiteral("M1")).toDouble(), 12.0);
        // The row and the cell without "r" follow the ones before them.
        QCOMPARE(doc.read(5, 1).toDouble(), 5.0);
        const auto member = doc.cellAt(5, 2);
        QVERIFY(member && member->hasFormula() && member->isSharedFormula());
        QCOMPARE(member->value().toDouble(), 10.0);
        QCOMPARE(doc.cellAt(3, 2)->formula(), QStringLiteral("A3*2"));
        QCOMPARE(doc.cellAt(2, 1)->type(), Cell::Type::String);
        // The second sheet's part is named by an absolute target.
        QVERIFY(doc.setCurrentSheet(1));
        QCOMPARE(doc.read(1, 1).toString(), QStringLiteral("Второй лист"));
    }

    void filledAndSavedKeepsTheRest()
    {
        Document doc(fixture());
        QVERIFY(doc.isLoaded());
        QVERIFY(doc.write(QStringLiteral("A2"), QStringLiteral("№ 0512")));
        QVERIFY(doc.write(QStringLiteral("M1"), QVariant()));
        QVERIFY(doc.write(6, 1, 6.25));
        QVERIFY(doc.currentWorksheet()->insertRowCopies(4, 1));
        QVERIFY(doc.setActiveSheet(1));
        const QString out = m_dir.filePath(QStringLiteral("filled.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));

        // The calculation chain is gone, with its relationship and content type.
        const QStringList names = XlsxCheck::zipNames(out);
        QVERIFY(!names.contains(QStringLiteral("xl/calcChain.xml")));
        QVERIFY(!XlsxCheck::zipPart(out, QStringLiteral("xl/_rels/workbook.xml.rels")).contains("calcChain"));
        QVERIFY(!XlsxCheck::zipPart(out, QStringLiteral("[Content_Types].xml")).contains("calcChain"));
        QVERIFY(XlsxCheck::zipPart(out, QStringLiteral("xl/workbook.xml")).contains("fullCalcOnLoad=\"1\""));

        // Parts nobody touched are byte for byte the template's.
        for (const QString part : {"xl/styles.xml", "xl/theme/theme1.xml", "xl/sharedStrings.xml",
                                   "xl/printerSettings/printerSettings1.bin", "xl/comments/comment1.xml",
                                   "xl/drawings/commentsDrawing1.vml", "docProps/core.xml", "docProps/app.xml",
                                   "xl/worksheets/_rels/sheet1.xml.rels"}) {
            const QByteArray original = XlsxCheck::zipPart(fixture(), part);
            QVERIFY2(!original.isEmpty(), qPrintable(part));
            QVERIFY2(XlsxCheck::zipPart(out, part) == original, qPrintable(part));
        }
        const QByteArray sheet = XlsxCheck::zipPart(out, QStringLiteral("xl/worksheets/sheet1.xml"));
        // Untouched shared strings stay references into the table; the new text is inline.
        QVERIFY(sheet.contains("<c r=\"A1\" t=\"s\"><v>0</v></c>"));
        QVERIFY(sheet.contains("<pageSetup paperSize=\"9\" orientation=\"portrait\" r:id=\"rIdPs\"/>"));
        QVERIFY(sheet.contains("<legacyDrawing"));
        QVERIFY(sheet.indexOf("<pageSetup") < sheet.indexOf("<legacyDrawing"));

        const QJsonObject d = XlsxCheck::dump(out);
        QVERIFY(!d.isEmpty());
        QCOMPARE(d.value(QStringLiteral("active")).toInt(), 1);
        QVERIFY(XlsxCheck::sheet(d, QStringLiteral("Второй")).value(QStringLiteral("selected")).toBool());
        QVERIFY(!XlsxCheck::sheet(d, QStringLiteral("Протокол")).value(QStringLiteral("selected")).toBool());
        const QJsonObject cells = XlsxCheck::cells(d, QStringLiteral("Протокол"));
        auto v = [&](const char *ref) { return cells.value(QLatin1String(ref)).toObject().value(QStringLiteral("v")); };
        QCOMPARE(v("A1").toString(), QStringLiteral("Жирный текст"));
        QCOMPARE(v("A2").toString(), QStringLiteral("№ 0512"));
        QVERIFY(!cells.contains(QStringLiteral("M1")));
        QCOMPARE(v("N1").toInt(), 40);
        QCOMPARE(v("B3").toString(), QStringLiteral("=A3*2"));
        // Formulas go without the results the other program cached: the copied
        // and moved rows have made them stale. The shared formula is written out
        // cell by cell, each reading its own row.
        QVERIFY(sheet.contains("<c r=\"B3\"><f>A3*2</f></c>"));
        QVERIFY(sheet.contains("<c r=\"B5\"><f>A5*2</f></c>"));
        QVERIFY(sheet.contains("<c r=\"B6\"><f>A6*2</f></c>"));
        QCOMPARE(v("A5").toInt(), 4);   // the copy of row 4
        QCOMPARE(v("A6").toInt(), 5);
        QCOMPARE(v("A7").toDouble(), 6.25);
        QCOMPARE(v("C3").toString(), QStringLiteral("Слева"));

        // And our own layer reads its output again.
        Document again(out);
        QVERIFY2(again.isLoaded(), qPrintable(again.errorString()));
        QCOMPARE(again.activeSheetIndex(), 1);
        QVERIFY(again.setCurrentSheet(0));
        QCOMPARE(again.cellAt(6, 2)->formula(), QStringLiteral("A6*2"));
        QVERIFY(!again.read(6, 2).isValid());
    }
};

QTEST_GUILESS_MAIN(TestForeignWorkbook)
#include "tst_foreignworkbook.moc"
