#pragma once

// The check of a protocol written from a template with a known verification of the fixtures,
// read back with openpyxl: sheets kept, dropped and renamed, every placeholder replaced, the
// list rows with their merges and heights and values, the results, the numbered points, and
// the parts the writer does not change written back as they were.

#include "ProtocolSetup.h"
#include "XlsxCheck.h"

#include "Xlsx/Document.h"

#include <QRegularExpression>

namespace ProtocolCheck {

struct ListRow
{
    int row = 0;
    int rows = 0;
    QMap<int, QString> cells;   // column -> placeholder
};

// The template sheet a sheet of the protocol was made from.
inline QString templateSheet(const QString &name)
{
    static const QRegularExpression device(QStringLiteral("^(| |Свидетельство |Сертификат )Прибор (\\d)$"));
    const QRegularExpressionMatch m = device.match(name);
    if (!m.hasMatch())
        return name;
    const QString kind = m.captured(1);
    const QString prefix = kind == QStringLiteral("Свидетельство ") ? QStringLiteral("&DEV_VCR_")
                           : kind == QStringLiteral("Сертификат ") ? QStringLiteral("&DEV_CCR_")
                                                                   : QStringLiteral("&DEV_SH_");
    return prefix + m.captured(2);
}

// The protocol out, written from the template source for documentSet with the verification
// in the points model, for which the fixtures' script worked out expected (its "columns" and,
// when it has them, its "uncertainties"; without them an uncertainty only has to be a number).
// A list row's _I placeholders are taken to count from the first point (one list of each kind
// on a sheet). Fails the running test. What openpyxl read of out goes to *read unless it is null.
// The number format of the pressures in a document of the set: the built-in templates' one shows
// the decimals setting, an operator's template keeps its own (the built-in own template's "0.000").
inline QString pressureFormat(int documentSet)
{
    const int decimals = Settings::instance->decimals()->value();
    if (documentSet == 2)
        return QStringLiteral("0.000");
    return decimals == 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
}

// A part of the package without the XML declaration that a part the writer rewrote begins with.
inline QByteArray partBody(const QString &file, const char *part)
{
    QByteArray bytes = XlsxCheck::zipPart(file, QLatin1String(part));
    if (bytes.startsWith("<?xml"))
        bytes.remove(0, bytes.indexOf("?>") + 2);
    if (bytes.startsWith("\r\n"))
        bytes.remove(0, 2);
    return bytes;
}

// The style sheet a document of the set has: the template's, with the pressures' number format.
inline QByteArray writtenStyles(const QString &source, int documentSet)
{
    return partBody(source, "xl/styles.xml")
        .replace("formatCode=\"0.000\"", "formatCode=\"" + pressureFormat(documentSet).toLatin1() + '"');
}

inline void verifyResults(const QString &source, const QString &out, int documentSet, int devices,
                          const QJsonObject &expected, QJsonObject *read = nullptr)
{
    const VrPointsModel *model = Verification::instance->pointsModel();
    const int points = model->pointCount();

    // Where the template's lists, results and numbered points stand.
    Xlsx::Document tmpl(source);
    QVERIFY2(tmpl.isLoaded(), qPrintable(tmpl.errorString()));
    QMap<QString, QMap<int, ListRow>> lists;   // sheet -> row -> list
    QMap<QString, QPair<int, int>> verdicts;   // sheet + placeholder -> row, column
    QMap<QString, QList<QPair<QString, QString>>> numbered;   // sheet -> cell, placeholder
    const QRegularExpression numberedPlaceholder(QStringLiteral("^&(PN|ET|D[1-4])_(\\d+)$"));
    const QRegularExpression verdict(QStringLiteral("^&VR(\\d)_(RESULT|MAX_ACC|MAX_VAR)$"));
    for (int i = 0; i < tmpl.sheetCount(); ++i) {
        const Xlsx::Worksheet *ws = tmpl.worksheet(i);
        for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
            for (int c = ws->nextColumn(r, 0); c; c = ws->nextColumn(r, c)) {
                const QString t = ws->read(r, c).toString();
                if (t == QLatin1String("&LST_F") || t == QLatin1String("&LST_H")) {
                    lists[ws->name()][r].row = r;
                    lists[ws->name()][r].rows = t == QLatin1String("&LST_F") ? points : (points - 1) / 2 + 1;
                } else if (t.startsWith(QLatin1String("&DN_"))) {
                    lists[ws->name()][r].cells.insert(c, t);
                } else if (numberedPlaceholder.match(t).hasMatch()) {
                    numbered[ws->name()] << qMakePair(Xlsx::CellReference(r, c).toString(), t);
                } else if (verdict.match(t).hasMatch()) {
                    verdicts.insert(ws->name() + t, qMakePair(r, c));
                }
            }
    }
    QVERIFY(!lists.isEmpty());

    const QJsonObject dump = XlsxCheck::dump(out);
    if (read)
        *read = dump;
    QVERIFY(!dump.isEmpty());
    const QJsonObject templateDump = XlsxCheck::dump(source);

    // The sheets of the devices under test stay, renamed; the others are gone.
    QStringList names{"Протокол"};
    if (documentSet < 2) {
        const QString certificate = documentSet == 0 ? QStringLiteral("Сертификат") : QStringLiteral("Свидетельство");
        for (int n = 1; n <= devices; ++n)
            names << QStringLiteral(" Прибор %1").arg(n);
        for (int n = 1; n <= devices; ++n)
            names << certificate + QStringLiteral(" Прибор %1").arg(n);
    }
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
    const Conditions *conditions = Conditions::instance;
    const QString date = QStringLiteral("Дата: ") + conditions->prDate->value();
    QCOMPARE(XlsxCheck::cells(dump, "Протокол").value("A2").toObject().value("v").toString(),
             documentSet < 2 ? date : date + QStringLiteral(", поверитель: ") + conditions->prConditionsVrName->value());

    const QJsonArray columns = expected.value("columns").toArray();
    const QJsonArray uncertainties = expected.value("uncertainties").toArray();
    const QRegularExpression reducedError(QStringLiteral("^&DN_ACC(\\d)_I$"));
    const QRegularExpression uncertaintyText(QStringLiteral("^\\d+,\\d{4}$"));
    for (const QString &name : names) {
        const QString templateName = templateSheet(name);
        const QList<ListRow> sheetLists = lists.value(templateName).values();
        // A template row's place after the lists above it have grown.
        auto shifted = [&](int r) {
            int to = r;
            for (const ListRow &list : sheetLists)
                if (list.row < r && list.rows > 0)
                    to += list.rows - 1;
            return to;
        };
        const QJsonObject sheet = XlsxCheck::sheet(dump, name);
        const QJsonObject cells = sheet.value("cells").toObject();
        const QJsonObject before = XlsxCheck::sheet(templateDump, templateName);

        // Every list row: the height and the merges of the template row, and its values.
        QMap<int, int> listOf;   // template row -> copies
        for (const ListRow &list : sheetLists) {
            QVERIFY2(list.rows > 0, qPrintable(name + QStringLiteral(": a list row without its marker")));
            listOf.insert(list.row, list.rows);
            for (int i = 0; i < list.rows; ++i) {
                const int r = shifted(list.row) + i;
                const QString rs = QString::number(r);
                QVERIFY2(qFuzzyCompare(sheet.value("heights").toObject().value(rs).toDouble(), 16.0), qPrintable(name + QStringLiteral(" row ") + rs));
                for (auto it = list.cells.begin(); it != list.cells.end(); ++it) {
                    const QString ref = Xlsx::CellReference(r, it.key()).toString();
                    const QJsonObject v = cells.value(ref).toObject();
                    const QString &p = it.value();
                    const QRegularExpressionMatch error = reducedError.match(p);
                    if (p == QStringLiteral("&DN_PN_I")) {
                        QCOMPARE(v.value("t").toString(), QStringLiteral("n"));
                        QCOMPARE(v.value("fmt").toString(), pressureFormat(documentSet));
                        QCOMPARE(v.value("v").toDouble(), model->data(model->index(i, 0)).toDouble());
                    } else if (error.hasMatch()) {
                        QCOMPARE(v.value("v").toString(),
                                 columns.at(error.captured(1).toInt()).toObject().value("errors").toArray().at(i).toString());
                    } else if (p.startsWith(QLatin1String("&DN_UNC_")) && p.endsWith(QLatin1String("_I"))
                               && uncertainties.isEmpty()) {
                        QVERIFY2(uncertaintyText.match(v.value("v").toString()).hasMatch(),
                                 qPrintable(name + QLatin1Char('!') + ref + QStringLiteral(": ") + v.value("v").toString()));
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
        }
        QStringList expectedMerges;
        for (const QJsonValue &m : before.value("merged").toArray()) {
            const QString range = m.toString();
            const QRegularExpressionMatch x =
                QRegularExpression(QStringLiteral("^([A-Z]+)(\\d+):([A-Z]+)(\\d+)$")).match(range);
            const int r = x.captured(2).toInt();
            if (listOf.contains(r)) {
                for (int i = 0; i < listOf.value(r); ++i)
                    expectedMerges << x.captured(1) + QString::number(shifted(r) + i) + ':' + x.captured(3)
                                          + QString::number(shifted(r) + i);
            } else {
                expectedMerges << x.captured(1) + QString::number(shifted(r)) + ':' + x.captured(3)
                                      + QString::number(shifted(x.captured(4).toInt()));
            }
        }
        QStringList gotMerges = sheet.value("merged").toVariant().toStringList();
        expectedMerges.sort();
        gotMerges.sort();
        QCOMPARE(gotMerges, expectedMerges);
        // Heights below the lists moved with their rows.
        const QJsonObject heightsBefore = before.value("heights").toObject();
        for (auto it = heightsBefore.begin(); it != heightsBefore.end(); ++it)
            QCOMPARE(sheet.value("heights").toObject().value(QString::number(shifted(it.key().toInt()))).toDouble(),
                     it.value().toDouble());
        const QString area = before.value("printArea").toString();
        if (!area.isEmpty()) {
            const int lastRow = area.section(QLatin1Char('$'), -1).toInt();
            QVERIFY2(sheet.value("printArea").toString().endsWith(QStringLiteral("$%1").arg(shifted(lastRow))),
                     qPrintable(name + QStringLiteral(": ") + sheet.value("printArea").toString()));
        }

        // The results.
        for (auto it = verdicts.begin(); it != verdicts.end(); ++it) {
            if (!it.key().startsWith(templateName + QLatin1Char('&')))
                continue;
            const QRegularExpressionMatch m = verdict.match(it.key().mid(templateName.size()));
            const QJsonObject column = columns.at(m.captured(1).toInt()).toObject();
            const QJsonValue got =
                cells.value(Xlsx::CellReference(shifted(it.value().first), it.value().second).toString()).toObject().value("v");
            if (m.captured(2) == QLatin1String("RESULT")) {
                const bool passes = column.value("verdict").toString() == QStringLiteral("соответствует");
                QCOMPARE(got.toString(), passes ? QStringLiteral("Прибор годен") : QStringLiteral("Прибор забракован"));
            } else {
                QCOMPARE(got.toString(),
                         column.value(m.captured(2) == QLatin1String("MAX_ACC") ? "maxError" : "variation").toString());
            }
        }

        // The numbered placeholders: numbers of the points, "-" for a reading not taken.
        for (const auto &at : numbered.value(templateName)) {
            const QRegularExpressionMatch m = numberedPlaceholder.match(at.second);
            const QString kind = m.captured(1);
            const int modelColumn = kind == QLatin1String("PN") ? 0 : kind == QLatin1String("ET") ? 1 : kind.mid(1).toInt() + 1;
            const QVariant want = model->data(model->index(m.captured(2).toInt() - 1, modelColumn));
            const Xlsx::CellReference ref(at.first);
            const QJsonObject got = cells.value(Xlsx::CellReference(shifted(ref.row()), ref.column()).toString()).toObject();
            if (want.userType() == QMetaType::Double) {
                QCOMPARE(got.value("t").toString(), QStringLiteral("n"));
                QCOMPARE(got.value("fmt").toString(), pressureFormat(documentSet));
                QCOMPARE(got.value("v").toDouble(), want.toDouble());
            } else {
                QCOMPARE(got.value("v").toString(), want.toString());
            }
        }
        if (templateName.startsWith(QLatin1String("&DEV_CCR_")) || templateName.startsWith(QLatin1String("&DEV_VCR_")))
            QCOMPARE(numbered.value(templateName).isEmpty(), documentSet != 0);
    }

    // What the writer does not change is written back as it was; it adds no style.
    QCOMPARE(partBody(out, "xl/styles.xml"), writtenStyles(source, documentSet));
    for (const char *part : {"xl/theme/theme1.xml", "docProps/core.xml"}) {
        const QByteArray was = XlsxCheck::zipPart(source, QLatin1String(part));
        QVERIFY2(!was.isNull(), part);
        QVERIFY2(XlsxCheck::zipPart(out, QLatin1String(part)) == was, part);
    }
}

// The same for verification fixture of the fixtures.
inline void verify(const QString &source, const QString &out, int documentSet, int fixture)
{
    const QJsonObject input = ProtocolSetup::fixture(QStringLiteral("verifications.json")).at(fixture).toObject();
    verifyResults(source, out, documentSet, input.value("devices").toInt(), ProtocolSetup::expected(fixture));
}

}
