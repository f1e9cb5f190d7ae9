// The workbook layer's document: new workbooks, values and formats, sheet
// operations, and saving whole or not at all.

#include "XlsxCheck.h"

#include "Xlsx/CellRange.h"
#include "Xlsx/Document.h"
#include "Xlsx/XlsxGlobal.h"
#include "Xlsx/XmlNode.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLocale>
#include <QPoint>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Xlsx;

class TestDocument : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_sheets;

    static QJsonValue v(const QJsonObject &cells, const char *ref)
    {
        return cells.value(QLatin1String(ref)).toObject().value(QStringLiteral("v"));
    }

private slots:
    void initTestCase()
    {
        m_sheets = m_dir.filePath(QStringLiteral("sheets.xlsx"));
        bool ok = false;
        XlsxCheck::runPython({XlsxCheck::script(QStringLiteral("tests/Xlsx/fixtures/make_sheets_fixture.py")), m_sheets}, &ok);
        QVERIFY(ok);
    }

    void cellReferences_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::newRow("A1") << "A1" << 1 << 1;
        QTest::newRow("absolute") << "$AX$12" << 12 << 50;
        QTest::newRow("lower case") << "m1" << 1 << 13;
        QTest::newRow("last cell") << "XFD1048576" << MaxRows << MaxColumns;
        QTest::newRow("column beyond") << "XFE1" << 0 << 0;
        QTest::newRow("row beyond") << "A1048577" << 0 << 0;
        QTest::newRow("row 0") << "A0" << 0 << 0;
        QTest::newRow("huge row") << "A99999999999" << 0 << 0;
        QTest::newRow("no row") << "AB" << 0 << 0;
        QTest::newRow("no column") << "12" << 0 << 0;
        QTest::newRow("junk after") << "A1x" << 0 << 0;
        QTest::newRow("empty") << "" << 0 << 0;
    }

    void cellReferences()
    {
        QFETCH(QString, text);
        QFETCH(int, row);
        QFETCH(int, column);
        const CellReference ref(text);
        QCOMPARE(ref.isValid(), row > 0);
        if (row > 0) {
            QCOMPARE(ref.row(), row);
            QCOMPARE(ref.column(), column);
            QCOMPARE(CellReference(ref.toString()), ref);
        }
    }

    void cellTexts_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("relative");
        QTest::addColumn<QString>("absolute");
        QTest::newRow("A1") << 1 << 1 << "A1" << "$A$1";
        QTest::newRow("Z and AA") << 10 << 27 << "AA10" << "$AA$10";
        QTest::newRow("AZ") << 1 << 52 << "AZ1" << "$AZ$1";
        QTest::newRow("last cell") << MaxRows << MaxColumns << "XFD1048576" << "$XFD$1048576";
        QTest::newRow("invalid") << 0 << 1 << "" << "";
    }

    void cellTexts()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QString, relative);
        QFETCH(QString, absolute);
        const CellReference ref(row, column);
        QCOMPARE(ref.toString(), relative);
        QCOMPARE(ref.toString(true), absolute);
        QString appended = QStringLiteral("x");
        ref.appendTo(appended, true);
        QCOMPARE(appended, QStringLiteral("x") + absolute);
        if (ref.isValid())
            QCOMPARE(CellReference::columnName(column), relative.left(relative.size() - QString::number(row).size()));
        QCOMPARE(CellRange(row, column, row, column).toString(), relative);
        QCOMPARE(CellRange(1, 1, row, column).toString(), ref.isValid() && (row > 1 || column > 1) ? "A1:" + relative : relative);
    }

    // Plain runs go out whole; what XML must escape or cannot carry is handled
    // wherever it stands in the text.
    void escaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("asText");
        QTest::addColumn<QString>("asAttribute");
        QTest::newRow("plain") << "Прибор 1" << "Прибор 1" << "Прибор 1";
        QTest::newRow("empty") << "" << "" << "";
        QTest::newRow("markup at both ends") << "<a & b>" << "&lt;a &amp; b&gt;" << "&lt;a &amp; b&gt;";
        QTest::newRow("quotes and breaks") << "\"a\"\r\n\tb" << "\"a\"&#13;\n\tb" << "&quot;a&quot;&#13;&#10;&#9;b";
        QTest::newRow("dropped characters") << QStringLiteral("a\x01" "b\x1F\uFFFE") << "ab" << "ab";
        QTest::newRow("lone surrogates") << QString(QChar(0xD800)) + "x" + QChar(0xDC00) << "x" << "x";
        QTest::newRow("pair kept") << QString::fromUtf8("\xF0\x9F\x98\x80&") << QString::fromUtf8("\xF0\x9F\x98\x80&amp;")
                                  << QString::fromUtf8("\xF0\x9F\x98\x80&amp;");
    }

    void escaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, asText);
        QFETCH(QString, asAttribute);
        QString out = QStringLiteral("<");
        appendEscapedText(out, text);
        QCOMPARE(out, QStringLiteral("<") + asText);
        out = QStringLiteral("<");
        appendEscapedAttribute(out, text);
        QCOMPARE(out, QStringLiteral("<") + asAttribute);
    }

    // The graph export's kind of workbook: one new sheet, formats, widths, numbers.
    void newWorkbook()
    {
        // Numbers never go through the locale, whatever the default is.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Document doc;
        QVERIFY(doc.isLoaded());
        QCOMPARE(doc.sheetCount(), 0);
        QVERIFY(!doc.write(1, 1, 1.0));
        const QString out = m_dir.filePath(QStringLiteral("new.xlsx"));
        QVERIFY(!doc.saveAs(out));   // a workbook needs a sheet
        QVERIFY(!QFile::exists(out));

        QVERIFY(doc.insertSheet(0, QStringLiteral("Данные")));
        QCOMPARE(doc.sheetNames(), QStringList({"Данные"}));
        Format header;
        header.setFontName(QStringLiteral("Arial Cyr"));
        header.setFontSize(8);
        header.setFontBold(true);
        header.setFontItalic(true);
        header.setHorizontalAlignment(Format::HorizontalAlignment::Left);
        header.setVerticalAlignment(Format::VerticalAlignment::Center);
        Format value;
        value.setFontName(QStringLiteral("Arial Cyr"));
        value.setFontSize(8);
        value.setHorizontalAlignment(Format::HorizontalAlignment::Left);
        value.setVerticalAlignment(Format::VerticalAlignment::Center);
        QVERIFY(doc.setColumnWidth(2, 26));
        QVERIFY(doc.write(1, 2, QStringLiteral("Давление, кПа"), header));
        QVERIFY(doc.write(2, 2, 101.325, value));
        QVERIFY(doc.write(3, 2, -0.000125, value));
        QVERIFY(doc.setColumnWidth(1, 15));
        QVERIFY(doc.write(QStringLiteral("A1"), QStringLiteral("Время, мин"), header));
        QVERIFY(doc.write(2, 1, 90000.0 / 60000, value));
        QVERIFY(doc.write(3, 1, 7, value));
        QVERIFY(doc.write(4, 1, true));
        QVERIFY(doc.saveAs(out));
        QLocale::setDefault(QLocale::c());

        const QByteArray sheet = XlsxCheck::zipPart(out, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(sheet.contains("<v>101.325</v>"));
        QVERIFY(!sheet.contains("101,325"));

        const QJsonObject d = XlsxCheck::dump(out);
        QCOMPARE(d.value(QStringLiteral("sheets")).toArray(), QJsonArray({"Данные"}));
        const QJsonObject s = XlsxCheck::sheet(d, QStringLiteral("Данные"));
        const QJsonObject cells = s.value(QStringLiteral("cells")).toObject();
        QCOMPARE(v(cells, "A1").toString(), QStringLiteral("Время, мин"));
        QCOMPARE(v(cells, "A2").toDouble(), 1.5);
        QCOMPARE(cells.value(QStringLiteral("B2")).toObject().value(QStringLiteral("t")).toString(), QStringLiteral("n"));
        QCOMPARE(v(cells, "B3").toDouble(), -0.000125);
        QCOMPARE(v(cells, "A4").toBool(), true);
        QCOMPARE(s.value(QStringLiteral("widths")).toObject().value(QStringLiteral("A")).toDouble(), 15.0);
        QCOMPARE(s.value(QStringLiteral("widths")).toObject().value(QStringLiteral("B")).toDouble(), 26.0);
        const QJsonObject fonts = s.value(QStringLiteral("fonts")).toObject();
        QCOMPARE(fonts.value(QStringLiteral("A1")).toArray(),
                 QJsonArray({"Arial Cyr", 8.0, true, true, "left", "center"}));
        QCOMPARE(fonts.value(QStringLiteral("B2")).toArray(),
                 QJsonArray({"Arial Cyr", 8.0, false, false, "left", "center"}));
        // Both headers share one style.
        QCOMPARE(XlsxCheck::zipPart(out, QStringLiteral("xl/styles.xml")).count("<xf "), 1 + 1 + 2);
    }

    void textsSurvive_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("control characters") << QStringLiteral("a\x01" "b\x0B" "c\x1F");
        QTest::newRow("escape look-alike") << QStringLiteral("_x0041_ and _x00");
        QTest::newRow("blanks and lines") << QStringLiteral("  две\nстроки  ");
        QTest::newRow("markup") << QStringLiteral("<b>&amp;\"'</b>");
        QTest::newRow("beyond the basic plane") << QString::fromUtf8("\xF0\x9F\x98\x80 м");
        QTest::newRow("lone surrogates after plain text") << QStringLiteral("ab") + QChar(0xDC00) + QStringLiteral("c") + QChar(0xD800);
        QTest::newRow("placeholder") << QStringLiteral("t = &CD_TEMP °C");
    }

    void textsSurvive()
    {
        QFETCH(QString, text);
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("S")));
        QVERIFY(doc.write(1, 1, text));
        const QString out = m_dir.filePath(QStringLiteral("texts.xlsx"));
        QVERIFY(doc.saveAs(out));
        Document again(out);
        QVERIFY2(again.isLoaded(), qPrintable(again.errorString()));
        QCOMPARE(again.read(1, 1).toString(), text);
        QCOMPARE(again.cellAt(1, 1)->type(), Cell::Type::String);
        QVERIFY(!XlsxCheck::dump(out).isEmpty());
    }

    // Every cell type, in a sheet that writes its main namespace with a prefix.
    void readsEveryCellType()
    {
        Document base;
        QVERIFY(base.insertSheet(0, QStringLiteral("S")));
        const QString plain = m_dir.filePath(QStringLiteral("plain.xlsx"));
        QVERIFY(base.saveAs(plain));
        const QByteArray sheet =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
            "<x:sheetData><x:row r=\"1\">"
            "<x:c r=\"A1\"><x:v>2.5E-3</x:v></x:c>"
            "<x:c r=\"B1\" t=\"n\"><x:v>-7</x:v></x:c>"
            "<x:c r=\"C1\" t=\"b\"><x:v>1</x:v></x:c>"
            "<x:c r=\"D1\" t=\"e\"><x:v>#DIV/0!</x:v></x:c>"
            "<x:c r=\"E1\" t=\"str\"><x:f>\"a\"&amp;\"b\"</x:f><x:v>ab</x:v></x:c>"
            "<x:c r=\"F1\" t=\"inlineStr\"><x:is><x:r><x:t>rich </x:t></x:r><x:r><x:t>text_x000D_</x:t></x:r></x:is></x:c>"
            "<x:c r=\"G1\" t=\"d\"><x:v>2024-05-01T00:00:00</x:v></x:c>"
            "<x:c r=\"H1\" s=\"0\"/>"
            "<x:c r=\"I1\"><x:v></x:v></x:c>"
            "</x:row></x:sheetData></x:worksheet>";
        const QString path = m_dir.filePath(QStringLiteral("types.xlsx"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(XlsxCheck::rewritten(plain, {{"xl/worksheets/sheet1.xml", sheet}}));
        }
        Document doc(path);
        QVERIFY2(doc.isLoaded(), qPrintable(doc.errorString()));
        using T = Cell::Type;
        const QVector<QPair<T, QVariant>> expected = {
            {T::Number, 0.0025}, {T::Number, -7.0}, {T::Boolean, true}, {T::Error, "#DIV/0!"}, {T::String, "ab"},
            {T::String, "rich text\r"}, {T::String, "2024-05-01T00:00:00"}, {T::Blank, QVariant()}, {T::Blank, QVariant()}};
        for (int c = 1; c <= expected.size(); ++c) {
            const auto cell = doc.cellAt(1, c);
            QVERIFY(cell);
            QCOMPARE(cell->type(), expected[c - 1].first);
            QCOMPARE(cell->value(), expected[c - 1].second);
        }
        QVERIFY(doc.cellAt(1, 5)->hasFormula());
        QVERIFY(!doc.cellAt(1, 10));
        // Written back with its prefix, the way it came, and readable.
        QVERIFY(doc.write(2, 1, QStringLiteral("new")));
        const QString out = m_dir.filePath(QStringLiteral("types-out.xlsx"));
        QVERIFY(doc.saveAs(out));
        const QByteArray saved = XlsxCheck::zipPart(out, QStringLiteral("xl/worksheets/sheet1.xml"));
        QVERIFY(saved.contains("<x:dimension ref=\"A1:I2\"/><x:sheetData>"));
        QVERIFY(saved.contains("<x:c r=\"A2\" t=\"inlineStr\"><x:is><x:t>new</x:t></x:is></x:c>"));
        const QJsonObject cells = XlsxCheck::cells(XlsxCheck::dump(out), QStringLiteral("S"));
        QCOMPARE(v(cells, "A1").toDouble(), 0.0025);
        QCOMPARE(v(cells, "A2").toString(), QStringLiteral("new"));
        QCOMPARE(v(cells, "C1").toBool(), true);
    }

    void refusedWrites_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("NaN") << 1 << 1 << QVariant(std::nan(""));
        QTest::newRow("infinity") << 1 << 1 << QVariant(std::numeric_limits<double>::infinity());
        QTest::newRow("text too long") << 1 << 1 << QVariant(QString(32768, QLatin1Char('x')));
        QTest::newRow("unknown type") << 1 << 1 << QVariant(QPoint(1, 2));
        QTest::newRow("row 0") << 0 << 1 << QVariant(1.0);
        QTest::newRow("row beyond") << MaxRows + 1 << 1 << QVariant(1.0);
        QTest::newRow("column beyond") << 1 << MaxColumns + 1 << QVariant(1.0);
    }

    void refusedWrites()
    {
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(QVariant, value);
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("S")));
        QVERIFY(doc.write(1, 1, QStringLiteral("kept")));
        QVERIFY(!doc.write(row, column, value));
        QVERIFY(!doc.errorString().isEmpty());
        QCOMPARE(doc.read(1, 1).toString(), QStringLiteral("kept"));
    }

    void blankWriteKeepsTheStyle()
    {
        Document doc(XlsxCheck::script(QStringLiteral("tests/Xlsx/fixtures/foreign.xlsx")));
        QVERIFY(doc.isLoaded());
        Format bold;
        bold.setFontBold(true);
        QVERIFY(doc.write(QStringLiteral("M1"), 3.0, bold));
        const int style = doc.cellAt(1, 13)->styleIndex();
        QVERIFY(style > 0);
        QVERIFY(doc.write(QStringLiteral("M1"), QVariant()));
        QCOMPARE(doc.cellAt(1, 13)->type(), Cell::Type::Blank);
        QCOMPARE(doc.cellAt(1, 13)->styleIndex(), style);
        QVERIFY(doc.write(QStringLiteral("M1"), QString()));
        QCOMPARE(doc.cellAt(1, 13)->styleIndex(), style);
        QVERIFY(!doc.write(QStringLiteral("M0"), 1.0));
    }

    void sheetNamesAreChecked_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("device sheet") << " Прибор 1" << true;
        QTest::newRow("31 characters") << QString(31, QLatin1Char('x')) << true;
        QTest::newRow("32 characters") << QString(32, QLatin1Char('x')) << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("taken") << "Скрытый" << false;
        QTest::newRow("taken, other case") << "скрытый" << false;
        QTest::newRow("slash") << "a/b" << false;
        QTest::newRow("bracket") << "a[1]" << false;
        QTest::newRow("colon") << "a:b" << false;
        QTest::newRow("apostrophe first") << "'a" << false;
        QTest::newRow("apostrophe inside") << "a'b" << true;
        QTest::newRow("control character") << "a\tb" << false;
    }

    void sheetNamesAreChecked()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        Document doc(m_sheets);
        QVERIFY(doc.isLoaded());
        QCOMPARE(doc.renameSheet(QStringLiteral("&DEV_SH_1"), name), accepted);
        QCOMPARE(doc.sheetNames().at(1), accepted ? name : QStringLiteral("&DEV_SH_1"));
        if (!accepted)
            QVERIFY(!doc.errorString().isEmpty());
    }

    void renameAndDeleteKeepTheWorkbookTrue()
    {
        Document doc(m_sheets);
        QVERIFY2(doc.isLoaded(), qPrintable(doc.errorString()));
        QCOMPARE(doc.sheetNames(), QStringList({"Главный", "&DEV_SH_1", "&DEV_SH_2", "Скрытый"}));
        QCOMPARE(doc.activeSheetIndex(), 1);
        QCOMPARE(doc.currentSheetIndex(), 1);
        QVERIFY(doc.deleteSheet(QStringLiteral("&DEV_SH_1")));
        QCOMPARE(doc.sheetNames(), QStringList({"Главный", "&DEV_SH_2", "Скрытый"}));
        QVERIFY(doc.renameSheet(QStringLiteral("&DEV_SH_2"), QStringLiteral(" Прибор 2")));
        QVERIFY(!doc.deleteSheet(QStringLiteral("нет такого")));
        QVERIFY(doc.setActiveSheet(1));
        const QString out = m_dir.filePath(QStringLiteral("renamed.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));

        const QJsonObject d = XlsxCheck::dump(out);
        QVERIFY(!d.isEmpty());
        QCOMPARE(d.value(QStringLiteral("sheets")).toArray(), QJsonArray({"Главный", " Прибор 2", "Скрытый"}));
        QCOMPARE(d.value(QStringLiteral("active")).toInt(), 1);
        int selected = 0;
        for (const QString name : {"Главный", " Прибор 2", "Скрытый"})
            selected += XlsxCheck::sheet(d, name).value(QStringLiteral("selected")).toBool();
        QCOMPARE(selected, 1);
        QVERIFY(XlsxCheck::sheet(d, QStringLiteral(" Прибор 2")).value(QStringLiteral("selected")).toBool());
        // Print areas follow their sheets: the deleted one's is gone, the others keep theirs.
        QCOMPARE(XlsxCheck::sheet(d, QStringLiteral(" Прибор 2")).value(QStringLiteral("printArea")).toString(),
                 QStringLiteral("$A$1:$H$22"));
        QCOMPARE(XlsxCheck::sheet(d, QStringLiteral("Главный")).value(QStringLiteral("printArea")).toString(),
                 QStringLiteral("$A$1:$D$10"));
        const QByteArray workbook = XlsxCheck::zipPart(out, QStringLiteral("xl/workbook.xml"));
        QVERIFY(workbook.contains("localSheetId=\"1\">' Прибор 2'!$A$1:$H$22<"));
        QCOMPARE(workbook.count("localSheetId=\"1\""), 2);   // print area and print titles
        QVERIFY(!workbook.contains("&amp;DEV_SH"));
        // The formula follows the renamed sheet; the text in quotes does not.
        const QJsonObject main = XlsxCheck::cells(d, QStringLiteral("Главный"));
        QCOMPARE(v(main, "A1").toString(), QStringLiteral("=' Прибор 2'!A1"));
        QCOMPARE(v(main, "A2").toString(), QStringLiteral("=\"&DEV_SH_2!A1\""));
        // What named the deleted sheet is #REF!, as there; the rest follows the rename.
        QCOMPARE(v(main, "A3").toString(), QStringLiteral("=#REF!*2"));
        QCOMPARE(d.value(QStringLiteral("definedNames")).toObject().value(QStringLiteral("Итог")).toString(),
                 QStringLiteral("#REF!+' Прибор 2'!$A$1"));
        QCOMPARE(d.value(QStringLiteral("chartRefs")).toObject().value(QStringLiteral("xl/charts/chart1.xml")).toArray(),
                 QJsonArray({"#REF!", "' Прибор 2'!$A$1:$A$3"}));
        const QJsonObject mainSheet = XlsxCheck::sheet(d, QStringLiteral("Главный"));
        // A hyperlink keeps its text when its sheet goes, as a spreadsheet's does.
        QCOMPARE(mainSheet.value(QStringLiteral("links")).toObject(),
                 QJsonObject({{"B1", "' Прибор 2'!A1"}, {"B2", "'&DEV_SH_1'!A1"}}));
        QCOMPARE(mainSheet.value(QStringLiteral("dvFormulas")).toObject(), QJsonObject({{"C1", "' Прибор 2'!$A$1:$A$3"}}));
        QCOMPARE(mainSheet.value(QStringLiteral("cfRules")).toObject(),
                 QJsonObject({{"D1", QJsonArray({"' Прибор 2'!$A$1<>\"\""})}}));
        // The deleted sheet's part, relationship and content type are gone.
        QCOMPARE(XlsxCheck::zipNames(out).filter(QStringLiteral("worksheets/sheet")).size(), 3);
        const QByteArray types = XlsxCheck::zipPart(out, QStringLiteral("[Content_Types].xml"));
        QCOMPARE(types.count("worksheet+xml"), 3);
        QVERIFY(!types.contains("sheet2.xml"));
        QVERIFY(!XlsxCheck::zipPart(out, QStringLiteral("xl/_rels/workbook.xml.rels")).contains("sheet2.xml"));
    }

    void lastSheetsCannotBeDeleted()
    {
        Document doc(m_sheets);
        QVERIFY(doc.deleteSheet(QStringLiteral("&DEV_SH_1")));
        QVERIFY(doc.deleteSheet(QStringLiteral("&DEV_SH_2")));
        // Only the hidden sheet would be left.
        QVERIFY(!doc.deleteSheet(QStringLiteral("Главный")));
        QVERIFY(doc.errorString().contains(QStringLiteral("visible")));
        QVERIFY(doc.deleteSheet(QStringLiteral("Скрытый")));
        QVERIFY(!doc.deleteSheet(QStringLiteral("Главный")));
        QVERIFY(doc.errorString().contains(QStringLiteral("last sheet")));
        QCOMPARE(doc.sheetNames(), QStringList({"Главный"}));
        QCOMPARE(doc.activeSheetIndex(), 0);
        QCOMPARE(doc.currentSheetIndex(), 0);
        QVERIFY(doc.saveAs(m_dir.filePath(QStringLiteral("one.xlsx"))));
        QCOMPARE(XlsxCheck::dump(m_dir.filePath(QStringLiteral("one.xlsx"))).value(QStringLiteral("active")).toInt(), 0);
    }

    void activeHiddenSheetIsNotSaved()
    {
        Document doc(m_sheets);
        QVERIFY(doc.setActiveSheet(3));
        const QString out = m_dir.filePath(QStringLiteral("hidden.xlsx"));
        QVERIFY(doc.saveAs(out));
        QCOMPARE(Document(out).activeSheetIndex(), 0);
    }

    void failedSaveLeavesTheOldFile()
    {
        const QString out = m_dir.filePath(QStringLiteral("kept.xlsx"));
        {
            QFile f(out);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("the previous document");
        }
        Document empty;
        QVERIFY(!empty.saveAs(out));
        QFile f(out);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("the previous document"));

        Document doc(m_sheets);
        QVERIFY(!doc.saveAs(m_dir.filePath(QStringLiteral("no/such/folder/x.xlsx"))));
        QVERIFY(doc.errorString().contains(QStringLiteral("cannot write")));
        QVERIFY(!doc.saveAs(m_dir.path()));   // a folder stands there
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(QStringLiteral(".xlsx.")).size(), 0);
        // A good save replaces the file.
        QVERIFY(doc.saveAs(out));
        QVERIFY(Document(out).isLoaded());
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
