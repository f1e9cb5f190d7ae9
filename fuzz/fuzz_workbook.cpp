// libFuzzer target of the workbook layer: the input becomes one part of a
// small workbook (the first byte chooses which), the workbook is opened,
// edited the way the protocol writer edits it and saved; what we save must
// open again.

#include "Xlsx/Document.h"

#include <QBuffer>
#include <QCoreApplication>

#include <quazip/quazip.h>
#include <quazip/quazipfile.h>
#include <quazip/quazipnewinfo.h>

#include <cstdlib>

namespace {

const char *const partNames[] = {"xl/worksheets/sheet1.xml", "xl/workbook.xml", "xl/sharedStrings.xml",
                                 "xl/_rels/workbook.xml.rels", "[Content_Types].xml", "xl/styles.xml",
                                 "xl/drawings/drawing1.xml"};

QByteArray basePart(int index)
{
    switch (index) {
    case 0:
        return "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheetData>"
               "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"M1\"><v>12</v></c></row>"
               "<row r=\"2\" ht=\"20\" customHeight=\"1\"><c r=\"A2\" t=\"inlineStr\"><is><t>&amp;LST_F</t></is></c>"
               "<c r=\"B2\"><f t=\"shared\" ref=\"B2:B3\" si=\"0\">A2</f><v>1</v></c></row>"
               "<row r=\"3\"><c r=\"B3\"><f t=\"shared\" si=\"0\"/></c></row></sheetData>"
               "<mergeCells count=\"1\"><mergeCell ref=\"C2:D2\"/></mergeCells><drawing r:id=\"rId1\"/></worksheet>";
    case 1:
        return "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
               "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
               "<bookViews><workbookView activeTab=\"0\"/></bookViews><sheets>"
               "<sheet name=\"&amp;DEV_SH_1\" sheetId=\"1\" r:id=\"rId1\"/></sheets><definedNames>"
               "<definedName name=\"_xlnm.Print_Area\" localSheetId=\"0\">'&amp;DEV_SH_1'!$A$1:$D$9</definedName>"
               "</definedNames></workbook>";
    case 2:
        return "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><r><t>&amp;ET_</t></r>"
               "<r><t>SERIAL</t></r></si></sst>";
    case 3:
        return "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
               "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
               "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
               "<Relationship Id=\"rId3\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>"
               "</Relationships>";
    case 4:
        return "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
               "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
               "<Default Extension=\"xml\" ContentType=\"application/xml\"/></Types>";
    case 5:
        return "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><fonts count=\"1\"><font/></fonts>"
               "<cellXfs count=\"1\"><xf/></cellXfs></styleSheet>";
    default:
        return "<xdr:wsDr xmlns:xdr=\"http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing\">"
               "<xdr:twoCellAnchor><xdr:from><xdr:col>0</xdr:col><xdr:row>3</xdr:row></xdr:from>"
               "<xdr:to><xdr:col>2</xdr:col><xdr:row>5</xdr:row></xdr:to></xdr:twoCellAnchor></xdr:wsDr>";
    }
}

QByteArray package(int replaced, const QByteArray &content)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    auto add = [&](const char *name, const QByteArray &bytes) {
        QuaZipFile f(&zip);
        f.open(QIODevice::WriteOnly, QuaZipNewInfo(QString::fromLatin1(name)), nullptr, 0, 0, 0);
        f.write(bytes);
        f.close();
    };
    add("_rels/.rels", "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    add("xl/worksheets/_rels/sheet1.xml.rels",
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
        "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing\" Target=\"../drawings/drawing1.xml\"/></Relationships>");
    for (int i = 0; i < int(sizeof partNames / sizeof *partNames); ++i)
        add(partNames[i], i == replaced ? content : basePart(i));
    zip.close();
    return data;
}

}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_workbook";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    if (size < 1)
        return 0;
    const int replaced = data[0] % int(sizeof partNames / sizeof *partNames);
    const QByteArray content(reinterpret_cast<const char *>(data + 1), int(size - 1));

    Xlsx::Document doc;
    if (!doc.openData(package(replaced, content)))
        return 0;
    for (int i = 0; i < doc.sheetCount(); ++i) {
        doc.setActiveSheet(i);
        Xlsx::Worksheet *ws = doc.currentWorksheet();
        if (!ws)
            continue;
        for (int r = ws->nextRow(0); r && r < 50; r = ws->nextRow(r))
            for (int c = ws->nextColumn(r, 0); c && c < 50; c = ws->nextColumn(r, c)) {
                const auto cell = ws->cellAt(r, c);
                const QString text = cell->value().toString();
                if (text == QLatin1String("&LST_F")) {
                    ws->write(r, c, QString());
                    ws->insertRowCopies(r, 3);
                } else if (text.startsWith(QLatin1Char('&')) && !cell->hasFormula()) {
                    ws->write(r, c, text + QStringLiteral(" \x01 значение"));
                }
            }
        const QString sheetName = doc.sheetNames().value(i);
        doc.renameSheet(sheetName, QStringLiteral(" Прибор %1").arg(i + 1));
    }
    QByteArray saved;
    if (!doc.saveToData(saved))
        return 0;
    Xlsx::Document again;
    if (!again.openData(saved))
        abort();   // we wrote something we cannot read back
    return 0;
}
