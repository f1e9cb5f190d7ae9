// The built-in templates filled from the known verifications and read back
// with openpyxl: sheets kept and dropped, every placeholder replaced, the list
// rows with their merges and heights, untouched parts as they were. And a
// template saved by another program.

#include "ProtocolSetup.h"
#include "../Xlsx/XlsxCheck.h"

#include "Xlsx/Document.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct ListRow
{
    int row = 0;
    int rows = 0;
    QMap<int, QString> cells;   // column -> placeholder
};

QString templatePath(const QString &file)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/") + file;
}

}

class TestProtocolTemplates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void builtInTemplate_data();
    void builtInTemplate();
    void foreignTemplate();

private:
    QTemporaryDir m_dir;
};

void TestProtocolTemplates::initTestCase()
{
    QVERIFY(m_dir.isValid());
    ProtocolSetup::createObjects();
    ProtocolSetup::setTexts();
    Settings::instance->protocolPath()->setValue(m_dir.path());
}

void TestProtocolTemplates::builtInTemplate_data()
{
    QTest::addColumn<int>("documentSet");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("fixture");
    const QStringList sets{"calibration", "verification"};
    const QString methods = QStringLiteral("AB");
    // The fixtures: 0 method A with one gauge, 1 method B with four, 2 method A with three.
    for (int fixture = 0; fixture < 3; ++fixture) {
        const int method = fixture == 1 ? 1 : 0;
        for (int set = 0; set < 2; ++set) {
            const QString file = QStringLiteral("default_template_%1_%2.xlsx").arg(sets[set]).arg(methods[method]);
            QTest::newRow(qPrintable(file + QStringLiteral(", fixture %1").arg(fixture))) << set << file << fixture;
        }
    }
}

void TestProtocolTemplates::builtInTemplate()
{
    QFETCH(int, documentSet);
    QFETCH(QString, file);
    QFETCH(int, fixture);
    const QJsonObject input = ProtocolSetup::apply(fixture);
    QVERIFY(!input.isEmpty());
    const QJsonObject expected = ProtocolSetup::expected(fixture);
    const int devices = input.value("devices").toInt();
    const int points = Verification::instance->pointsModel()->pointCount();
    Settings::instance->documentSet()->setValue(documentSet);

    // Where the template's lists and verdicts stand.
    const QString source = templatePath(file);
    Xlsx::Document tmpl(source);
    QVERIFY2(tmpl.isLoaded(), qPrintable(tmpl.errorString()));
    QMap<QString, ListRow> lists;
    QMap<QString, QPair<int, int>> verdicts;   // placeholder -> row, column
    QMap<QString, QList<QPair<QString, QString>>> numbered;   // sheet -> cell, placeholder
    const QRegularExpression numberedPlaceholder(QStringLiteral("^&(PN|ET|D[1-4])_(\\d+)$"));
    for (int i = 0; i < tmpl.sheetCount(); ++i) {
        const Xlsx::Worksheet *ws = tmpl.worksheet(i);
        for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
            for (int c = ws->nextColumn(r, 0); c; c = ws->nextColumn(r, c)) {
                const QString t = ws->read(r, c).toString();
                if (t == QLatin1String("&LST_F") || t == QLatin1String("&LST_H")) {
                    lists[ws->name()].row = r;
                    lists[ws->name()].rows = t == QLatin1String("&LST_F") ? points : (points - 1) / 2 + 1;
                } else if (t.startsWith(QLatin1String("&DN_"))) {
                    lists[ws->name()].cells.insert(c, t);
                } else if (numberedPlaceholder.match(t).hasMatch()) {
                    numbered[ws->name()] << qMakePair(Xlsx::CellReference(r, c).toString(), t);
                } else if (QRegularExpression(QStringLiteral("^&VR\\d_(RESULT|MAX_ACC|MAX_VAR)$")).match(t).hasMatch()) {
                    verdicts.insert(ws->name() + t, qMakePair(r, c));
                }
            }
    }
    QVERIFY(!lists.isEmpty());

    QVERIFY2(ExcelSaver::instance->makeProtocol(QStringLiteral("протокол")),
             qPrintable(ExcelSaver::instance->lastError()));
    const QString out = m_dir.filePath(QStringLiteral("протокол.xlsx"));
    const QJsonObject dump = XlsxCheck::dump(out);
    QVERIFY(!dump.isEmpty());
    const QJsonObject templateDump = XlsxCheck::dump(source);

    // The sheets of the devices under test stay, renamed; the others are gone.
    const QString certificate = documentSet == 0 ? QStringLiteral("Сертификат") : QStringLiteral("Свидетельство");
    QStringList names{"Протокол"};
    for (int n = 1; n <= devices; ++n)
        names << QStringLiteral(" Прибор %1").arg(n);
    for (int n = 1; n <= devices; ++n)
        names << certificate + QStringLiteral(" Прибор %1").arg(n);
    QCOMPARE(dump.value("sheets").toVariant().toStringList(), names);
    QCOMPARE(dump.value("active").toInt(), names.size() - 1);

    // Nothing of a placeholder is left anywhere; M1 and N1 are blank.
    const QRegularExpression token(QStringLiteral("&[A-Z][A-Z0-9_]*"));
    for (const QString &name : names) {
        const QJsonObject cells = XlsxCheck::cells(dump, name);
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            const QString v = it.value().toObject().value("v").toVariant().toString();
            QVERIFY2(!token.match(v).hasMatch(), qPrintable(name + "!" + it.key() + ": " + v));
        }
    }
    QVERIFY(!XlsxCheck::cells(dump, "Протокол").contains("M1"));
    QCOMPARE(XlsxCheck::cells(dump, "Протокол").value("A2").toObject().value("v").toString(),
             QStringLiteral("Дата: 10.12.2026"));

    const QJsonArray columns = expected.value("columns").toArray();
    const QJsonArray uncertainties = expected.value("uncertainties").toArray();
    const VrPointsModel *model = Verification::instance->pointsModel();
    for (int n = 1; n <= devices; ++n) {
        const QString templateName = QStringLiteral("&DEV_SH_%1").arg(n);
        const QString name = QStringLiteral(" Прибор %1").arg(n);
        const ListRow list = lists.value(templateName);
        QVERIFY(list.row > 0);
        auto shifted = [&](int r) { return r > list.row ? r + list.rows - 1 : r; };
        const QJsonObject sheet = XlsxCheck::sheet(dump, name);
        const QJsonObject cells = sheet.value("cells").toObject();
        const QJsonObject before = XlsxCheck::sheet(templateDump, templateName);

        // Every list row: the height and the merges of the template row, and its values.
        const QJsonObject column = columns.at(n).toObject();
        for (int i = 0; i < list.rows; ++i) {
            const int r = list.row + i;
            const QString rs = QString::number(r);
            QCOMPARE(sheet.value("heights").toObject().value(rs).toDouble(), 16.0);
            for (auto it = list.cells.begin(); it != list.cells.end(); ++it) {
                const QString ref = Xlsx::CellReference(r, it.key()).toString();
                const QJsonObject v = cells.value(ref).toObject();
                const QString &p = it.value();
                if (p == QStringLiteral("&DN_PN_I")) {
                    QCOMPARE(v.value("t").toString(), QStringLiteral("n"));
                    QCOMPARE(v.value("fmt").toString(), QStringLiteral("0.000"));
                    QCOMPARE(v.value("v").toDouble(), model->data(model->index(i, 0)).toDouble());
                } else if (p == QStringLiteral("&DN_ACC%1_I").arg(n)) {
                    QCOMPARE(v.value("v").toString(), column.value("errors").toArray().at(i).toString());
                } else if (p == QStringLiteral("&DN_UNC_I") || p == QStringLiteral("&DN_UNC_PRC_I")) {
                    QCOMPARE(v.value("v").toString(), uncertainties.at(i).toArray().at(1).toString());
                } else if (p == QStringLiteral("&DN_UNC_KPA_I")) {
                    QCOMPARE(v.value("v").toString(), uncertainties.at(i).toArray().at(0).toString());
                } else if (p == QStringLiteral("&DN_UNC_UNT_I")) {
                    QCOMPARE(v.value("v").toString(), uncertainties.at(i).toArray().at(2).toString());
                }
            }
            // The point number is the template's formula, in every copy.
            QCOMPARE(cells.value("A" + rs).toObject().value("t").toString(), QStringLiteral("f"));
        }
        QStringList expectedMerges;
        for (const QJsonValue &m : before.value("merged").toArray()) {
            const QString range = m.toString();
            const QRegularExpressionMatch x =
                QRegularExpression(QStringLiteral("^([A-Z]+)(\\d+):([A-Z]+)(\\d+)$")).match(range);
            const int r = x.captured(2).toInt();
            if (r == list.row) {
                for (int i = 0; i < list.rows; ++i)
                    expectedMerges << x.captured(1) + QString::number(r + i) + ':' + x.captured(3) + QString::number(r + i);
            } else {
                expectedMerges << x.captured(1) + QString::number(shifted(r)) + ':' + x.captured(3)
                                      + QString::number(shifted(x.captured(4).toInt()));
            }
        }
        QStringList gotMerges = sheet.value("merged").toVariant().toStringList();
        expectedMerges.sort();
        gotMerges.sort();
        QCOMPARE(gotMerges, expectedMerges);
        // Heights below the list moved with their rows.
        const QJsonObject heightsBefore = before.value("heights").toObject();
        for (auto it = heightsBefore.begin(); it != heightsBefore.end(); ++it)
            QCOMPARE(sheet.value("heights").toObject().value(QString::number(shifted(it.key().toInt()))).toDouble(),
                     it.value().toDouble());
        const QString area = before.value("printArea").toString();
        const int lastRow = area.section(QLatin1Char('$'), -1).toInt();
        QVERIFY2(sheet.value("printArea").toString().endsWith(QStringLiteral("$%1").arg(shifted(lastRow))),
                 qPrintable(sheet.value("printArea").toString()));

        // The results below the list.
        const bool passes = column.value("verdict").toString() == QStringLiteral("соответствует");
        auto below = [&](const QString &placeholder) {
            const QPair<int, int> at = verdicts.value(templateName + placeholder);
            return cells.value(Xlsx::CellReference(shifted(at.first), at.second).toString()).toObject().value("v");
        };
        QCOMPARE(below(QStringLiteral("&VR%1_RESULT").arg(n)).toString(),
                 passes ? QStringLiteral("Прибор годен") : QStringLiteral("Прибор забракован"));
        QCOMPARE(below(QStringLiteral("&VR%1_MAX_ACC").arg(n)).toString(), column.value("maxError").toString());
        QCOMPARE(below(QStringLiteral("&VR%1_MAX_VAR").arg(n)).toString(), column.value("variation").toString());
    }

    // The numbered placeholders of the certificates: numbers of the points, "-" for a reading not taken.
    for (int n = 1; n <= devices; ++n) {
        const QString templateName = (documentSet == 0 ? QStringLiteral("&DEV_CCR_") : QStringLiteral("&DEV_VCR_"))
                                     + QString::number(n);
        const QJsonObject cells = XlsxCheck::cells(dump, certificate + QStringLiteral(" Прибор %1").arg(n));
        for (const auto &at : numbered.value(templateName)) {
            const QRegularExpressionMatch m = numberedPlaceholder.match(at.second);
            const QString kind = m.captured(1);
            const int modelColumn = kind == QLatin1String("PN") ? 0 : kind == QLatin1String("ET") ? 1 : kind.mid(1).toInt() + 1;
            const QVariant want = model->data(model->index(m.captured(2).toInt() - 1, modelColumn));
            const QJsonObject got = cells.value(at.first).toObject();
            if (want.userType() == QMetaType::Double) {
                QCOMPARE(got.value("t").toString(), QStringLiteral("n"));
                QCOMPARE(got.value("fmt").toString(), QStringLiteral("0.000"));
                QCOMPARE(got.value("v").toDouble(), want.toDouble());
            } else {
                QCOMPARE(got.value("v").toString(), want.toString());
            }
        }
        QCOMPARE(numbered.value(templateName).isEmpty(), documentSet != 0);
    }

    // What the writer does not change is written back as it was.
    for (const char *part : {"xl/styles.xml", "xl/theme/theme1.xml", "docProps/core.xml"}) {
        const QByteArray was = XlsxCheck::zipPart(source, QLatin1String(part));
        QVERIFY2(!was.isNull(), part);
        QVERIFY2(XlsxCheck::zipPart(out, QLatin1String(part)) == was, part);
    }
}

// A template saved by a desktop spreadsheet program: shared strings, a shared
// formula and a calculation chain.
void TestProtocolTemplates::foreignTemplate()
{
    QVERIFY(!ProtocolSetup::apply(0).isEmpty());
    Settings::instance->documentSet()->setValue(2);
    Settings::instance->templatePath()->setValue(TestSupport::sourceDir()
                                                 + QStringLiteral("/tests/Xlsx/fixtures/foreign.xlsx"));
    QVERIFY2(ExcelSaver::instance->makeProtocol(QStringLiteral("чужой")), qPrintable(ExcelSaver::instance->lastError()));
    const QString out = m_dir.filePath(QStringLiteral("чужой.xlsx"));
    const QJsonObject dump = XlsxCheck::dump(out);
    QCOMPARE(dump.value("sheets").toVariant().toStringList(), QStringList({"Протокол", "Второй"}));
    QCOMPARE(dump.value("active").toInt(), 1);
    const QJsonObject cells = XlsxCheck::cells(dump, "Протокол");
    QCOMPARE(cells.value("A2").toObject().value("v").toString(), QStringLiteral("T-0451"));
    QVERIFY(!cells.contains("M1"));
    // The formulas are left as they were, and the workbook recalculates them.
    QCOMPARE(cells.value("B3").toObject().value("t").toString(), QStringLiteral("f"));
    QCOMPARE(cells.value("B5").toObject().value("t").toString(), QStringLiteral("f"));
    QVERIFY(!XlsxCheck::zipNames(out).contains(QStringLiteral("xl/calcChain.xml")));
    QVERIFY(XlsxCheck::zipPart(out, QStringLiteral("xl/workbook.xml")).contains("fullCalcOnLoad=\"1\""));
}

QTEST_GUILESS_MAIN(TestProtocolTemplates)
#include "tst_protocoltemplates.moc"
