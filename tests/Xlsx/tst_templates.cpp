// The built-in templates: every placeholder of the protocol writer is used
// somewhere, each stands where the writer finds it, the files are what the
// committed generator makes, and our layer opens and saves them losslessly.

#include "XlsxCheck.h"

#include "Xlsx/Document.h"

#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Xlsx;

namespace {

const QStringList templateFiles = {"default_template_calibration_A.xlsx", "default_template_calibration_B.xlsx",
                                   "default_template_verification_A.xlsx", "default_template_verification_B.xlsx",
                                   "custom_template.xlsx"};

// The placeholders the protocol writer knows, numbered ones aside.
QSet<QString> knownPlaceholders()
{
    QSet<QString> s;
    for (const char *p : {"&ET_TYPE", "&ET_MODEL", "&ET_CLASS", "&ET_ACC", "&ET_SERIAL", "&ET_OWNER", "&ET_UNIT",
                          "&ET_LO", "&ET_HI", "&ET_QVT_INTERVAL", "&ET_QVT_AVER", "&CD_TEMP_FULL", "&CD_HUM_FULL",
                          "&CD_PRES_FULL", "&CD_DATE", "&CD_TEMP", "&CD_HUM", "&CD_PRES", "&CD_VERIF", "&CD_CLASS",
                          "&CD_VRCOEFF", "&CD_DV_COUNT", "&LST_H", "&LST_F"})
        s.insert(QLatin1String(p));
    for (int n = 1; n <= 4; ++n) {
        for (const char *suffix : {"NAME", "SERIAL", "TYPE", "INV", "DATE", "AMB", "OWNER", "NOTES", "DOC_VR", "DOC_CL",
                                   "VR_TYPE_OF", "VR_TYPE", "SIGNAL", "CHECK_THT", "CHECK_USG", "CHECK_EL", "CHECK_R"})
            s.insert(QStringLiteral("&D%1_%2").arg(n).arg(QLatin1String(suffix)));
        for (const char *suffix : {"_MAX_ACC", "_MAX_VAR", "_RESULT_VCR", "_RESULT_SHORT", "_RESULT"})
            s.insert(QStringLiteral("&VR%1%2").arg(n).arg(QLatin1String(suffix)));
    }
    for (const char *dir : {"_I", "_D"}) {
        const QString d = QLatin1String(dir);
        for (const char *p : {"&DN_PN", "&DN_ET", "&DN_UNC", "&DN_UNC_PRC", "&DN_UNC_KPA", "&DN_UNC_UNT", "&DN_REFF"})
            s.insert(QLatin1String(p) + d);
        for (int k = 0; k < 4; ++k) {
            s.insert(QStringLiteral("&DN_FD%1").arg(k) + d);
            s.insert(QStringLiteral("&DN_D%1").arg(k + 1) + d);
            s.insert(QStringLiteral("&DN_ACC%1").arg(k + 1) + d);
        }
    }
    return s;
}

// The point number of every list row: it names no fixed row, so every copy of
// the row counts on from the number above it.
const QString numberFormula = QStringLiteral("=N(OFFSET($A$1,ROW()-2,0))+1");

// "&PN_3", "&ET_1", "&D2_5": the whole-cell numbered placeholders.
const QRegularExpression numbered(QStringLiteral("^&(PN|ET|D[1-4])_\\d+$"));

QString templatePath(const QString &file)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/") + file;
}

}

class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    void everyPlaceholderIsUsed()
    {
        const QSet<QString> known = knownPlaceholders();
        QSet<QString> used;
        QSet<QString> numberedKinds;
        const QRegularExpression token(QStringLiteral("&[A-Z][A-Z0-9_]*"));
        for (const QString &file : templateFiles) {
            Document doc(templatePath(file));
            QVERIFY2(doc.isLoaded(), qPrintable(file + ": " + doc.errorString()));
            for (int i = 0; i < doc.sheetCount(); ++i) {
                const Worksheet *ws = doc.worksheet(i);
                QVERIFY(ws);
                for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
                    for (int c = ws->nextColumn(r, 0); c; c = ws->nextColumn(r, c)) {
                        const QString text = ws->read(r, c).toString();
                        const QString where = QStringLiteral("%1 %2!%3").arg(file, ws->name(), CellReference(r, c).toString());
                        auto it = token.globalMatch(text);
                        while (it.hasNext()) {
                            const QString t = it.next().captured();
                            if (numbered.match(t).hasMatch()) {
                                numberedKinds.insert(t.section(QLatin1Char('_'), 0, 0));
                                QVERIFY2(text == t, qPrintable(where + ": a numbered placeholder fills a whole cell"));
                                continue;
                            }
                            QVERIFY2(known.contains(t), qPrintable(where + ": unknown placeholder " + t));
                            used.insert(t);
                            // Pass 2 and the list markers want the cell to themselves.
                            if (t.startsWith(QLatin1String("&DN_")) || t.startsWith(QLatin1String("&LST_")))
                                QVERIFY2(text == t, qPrintable(where + ": " + t + " must fill its cell"));
                        }
                    }
            }
        }
        QStringList missing;
        for (const QString &p : known)
            if (!used.contains(p))
                missing << p;
        missing.sort();
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("unused: ") + missing.join(QLatin1Char(' '))));
        QCOMPARE(numberedKinds, QSet<QString>({"&PN", "&ET", "&D1", "&D2", "&D3", "&D4"}));
    }

    void layout_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("certificate");
        QTest::addColumn<QString>("marker");
        QTest::newRow("calibration A") << templateFiles[0] << "&DEV_CCR_" << "&LST_F";
        QTest::newRow("calibration B") << templateFiles[1] << "&DEV_CCR_" << "&LST_F";
        QTest::newRow("verification A") << templateFiles[2] << "&DEV_VCR_" << "&LST_H";
        QTest::newRow("verification B") << templateFiles[3] << "&DEV_VCR_" << "&LST_H";
    }

    void layout()
    {
        QFETCH(QString, file);
        QFETCH(QString, certificate);
        QFETCH(QString, marker);
        Document doc(templatePath(file));
        QVERIFY(doc.isLoaded());
        QStringList expected = {QStringLiteral("Протокол")};
        for (int n = 1; n <= 4; ++n)
            expected << QStringLiteral("&DEV_SH_%1").arg(n);
        for (int n = 1; n <= 4; ++n)
            expected << certificate + QString::number(n);
        QCOMPARE(doc.sheetNames(), expected);
        // The writer reads its scan limits from the sheet the file opens on.
        QCOMPARE(doc.activeSheetIndex(), 0);
        const int columns = doc.read(QStringLiteral("M1")).toInt();
        const int rows = doc.read(QStringLiteral("N1")).toInt();
        QCOMPARE(columns, 12);
        QVERIFY(rows > 30);

        const QJsonObject d = XlsxCheck::dump(templatePath(file));
        for (int i = 0; i < doc.sheetCount(); ++i) {
            const Worksheet *ws = doc.worksheet(i);
            const QJsonObject s = XlsxCheck::sheet(d, ws->name());
            QVERIFY2(!s.value(QStringLiteral("printArea")).toString().isEmpty(), qPrintable(ws->name()));
            QVERIFY(!s.value(QStringLiteral("merged")).toArray().isEmpty());
            // Every placeholder lies inside the scanned rectangle.
            const CellRange used = ws->dimension();
            QVERIFY2(used.lastRow() < rows && (i == 0 || used.lastColumn() < columns + 1), qPrintable(ws->name()));
            if (!ws->name().startsWith(QLatin1String("&DEV_SH_")))
                continue;
            int markers = 0;
            for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
                for (int c = ws->nextColumn(r, 0); c; c = ws->nextColumn(r, c)) {
                    if (ws->read(r, c).toString() != marker)
                        continue;
                    ++markers;
                    QVERIFY(c < columns + 1);
                    // The list row's point values are shown with a number format.
                    const QJsonObject cells = s.value(QStringLiteral("cells")).toObject();
                    QCOMPARE(cells.value(CellReference(r, 2).toString()).toObject().value(QStringLiteral("fmt")).toString(),
                             QStringLiteral("0.000"));
                    QCOMPARE(cells.value(CellReference(r, 1).toString()).toObject().value(QStringLiteral("v")).toString(),
                             numberFormula);
                }
            QCOMPARE(markers, 1);
        }
    }

    void openAndSaveIsLossless_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString &f : templateFiles)
            QTest::newRow(qPrintable(f)) << f;
    }

    void openAndSaveIsLossless()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        Document doc(templatePath(file));
        QVERIFY(doc.isLoaded());
        const QString out = dir.filePath(file);
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));
        QJsonObject before = XlsxCheck::dump(templatePath(file));
        QJsonObject after = XlsxCheck::dump(out);
        QVERIFY(!after.isEmpty());
        QCOMPARE(after.value(QStringLiteral("parts")), before.value(QStringLiteral("parts")));
        // Only the selected tab may differ: the active sheet's is always set.
        QJsonObject data = after.value(QStringLiteral("data")).toObject();
        QJsonObject original = before.value(QStringLiteral("data")).toObject();
        for (const QString &name : data.keys()) {
            QJsonObject s = data.value(name).toObject();
            QCOMPARE(s.take(QStringLiteral("selected")).toBool(), name == QStringLiteral("Протокол"));
            data.insert(name, s);
            QJsonObject o = original.value(name).toObject();
            o.remove(QStringLiteral("selected"));
            original.insert(name, o);
        }
        QCOMPARE(data, original);
        QCOMPARE(after.value(QStringLiteral("active")), before.value(QStringLiteral("active")));
        for (const QString part : {"xl/styles.xml", "xl/theme/theme1.xml", "docProps/core.xml"})
            QVERIFY2(XlsxCheck::zipPart(out, part) == XlsxCheck::zipPart(templatePath(file), part), qPrintable(part));
    }

    // What the protocol writer does to a template's structure, for two devices
    // and nine points: sheets dropped and renamed, the list row copied.
    void writerOperations()
    {
        QTemporaryDir dir;
        Document doc(templatePath(templateFiles[3]));
        QVERIFY(doc.isLoaded());
        for (const QString name : {"&DEV_SH_3", "&DEV_SH_4", "&DEV_VCR_3", "&DEV_VCR_4"})
            QVERIFY(doc.deleteSheet(name));
        QVERIFY(doc.renameSheet(QStringLiteral("&DEV_SH_1"), QStringLiteral(" Прибор 1")));
        QVERIFY(doc.renameSheet(QStringLiteral("&DEV_SH_2"), QStringLiteral(" Прибор 2")));
        QVERIFY(doc.renameSheet(QStringLiteral("&DEV_VCR_1"), QStringLiteral("Свидетельство Прибор 1")));
        QVERIFY(doc.renameSheet(QStringLiteral("&DEV_VCR_2"), QStringLiteral("Свидетельство Прибор 2")));
        QVERIFY(doc.setActiveSheet(1));
        Worksheet *ws = doc.currentWorksheet();
        int listRow = 0;
        for (int r = ws->nextRow(0); r && !listRow; r = ws->nextRow(r))
            if (ws->read(r, 12).toString() == QLatin1String("&LST_H"))
                listRow = r;
        QVERIFY(listRow > 0);
        const QString below = ws->read(listRow + 2, 1).toString();
        QVERIFY(!below.isEmpty());
        QVERIFY(ws->write(listRow, 12, QString()));
        QVERIFY(ws->insertRowCopies(listRow, (9 - 1) / 2));
        QVERIFY(doc.setActiveSheet(doc.sheetCount() - 1));
        const QString out = dir.filePath(QStringLiteral("protocol.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));

        const QJsonObject d = XlsxCheck::dump(out);
        QCOMPARE(d.value(QStringLiteral("sheets")).toArray(),
                 QJsonArray({"Протокол", " Прибор 1", " Прибор 2", "Свидетельство Прибор 1", "Свидетельство Прибор 2"}));
        QCOMPARE(d.value(QStringLiteral("active")).toInt(), 4);
        const QJsonObject s = XlsxCheck::sheet(d, QStringLiteral(" Прибор 1"));
        const QJsonObject cells = s.value(QStringLiteral("cells")).toObject();
        QStringList merged;
        for (const auto &m : s.value(QStringLiteral("merged")).toArray())
            merged << m.toString();
        for (int i = 0; i <= 4; ++i) {
            const int r = listRow + i;
            QCOMPARE(cells.value(QStringLiteral("B%1").arg(r)).toObject().value(QStringLiteral("v")).toString(),
                     QStringLiteral("&DN_PN_I"));
            QCOMPARE(cells.value(QStringLiteral("B%1").arg(r)).toObject().value(QStringLiteral("fmt")).toString(),
                     QStringLiteral("0.000"));
            QCOMPARE(cells.value(QStringLiteral("A%1").arg(r)).toObject().value(QStringLiteral("v")).toString(),
                     numberFormula);
            QVERIFY2(merged.contains(QStringLiteral("D%1:E%1").arg(r)), qPrintable(merged.join(',')));
            QCOMPARE(s.value(QStringLiteral("heights")).toObject().value(QString::number(r)).toDouble(), 16.0);
            QVERIFY(!cells.contains(QStringLiteral("L%1").arg(r)));
        }
        QCOMPARE(cells.value(QStringLiteral("A%1").arg(listRow + 6)).toObject().value(QStringLiteral("v")).toString(), below);
        QString printArea = s.value(QStringLiteral("printArea")).toString();
        const QString original = XlsxCheck::sheet(XlsxCheck::dump(templatePath(templateFiles[3])), QStringLiteral("&DEV_SH_1"))
                                     .value(QStringLiteral("printArea")).toString();
        QCOMPARE(CellRange(printArea.remove(QLatin1Char('$'))).lastRow(),
                 CellRange(QString(original).remove(QLatin1Char('$'))).lastRow() + 4);
    }

    void generatorMakesTheCommittedFiles()
    {
        QTemporaryDir dir;
        bool ok = false;
        XlsxCheck::runPython({XlsxCheck::script(QStringLiteral("tools/templates/make_templates.py")), dir.path()}, &ok);
        QVERIFY(ok);
        for (const QString &file : templateFiles) {
            const QString committed = XlsxCheck::script(QStringLiteral("Templates/") + file);
            const QStringList parts = XlsxCheck::zipNames(committed);
            QCOMPARE(XlsxCheck::zipNames(dir.filePath(file)), parts);
            for (const QString &part : parts)
                QVERIFY2(XlsxCheck::zipPart(dir.filePath(file), part) == XlsxCheck::zipPart(committed, part),
                         qPrintable(file + " " + part + ": run tools/templates/make_templates.py"));
        }
    }
};

QTEST_GUILESS_MAIN(TestTemplates)
#include "tst_templates.moc"
