// Documents from an operator's template whose own formulas, charts, notes and
// links refer to the point lists (tests/Documents/make_reference_template.py,
// made by openpyxl and saved again by LibreOffice, as a lab's template comes),
// as LibreOffice Calc computes them: filled for 1, 9 and 199 points and 1 and
// 4 devices, then converted by soffice to .xlsx in one run, which stores what
// Calc computed and the chart data it read.

#include "Calc.h"
#include "ProtocolSetup.h"
#include "XlsxCheck.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

namespace {

struct Case
{
    QString name;
    int points;
    int devices;
    QVector<double> nominals;
    QVector<QVector<double>> readings;   // per device
    QJsonObject computed;                // the document as Calc saved it, results in place of formulas
};

// Calc's results against ours: far below the last of the at most 6 decimals
// a value shows, far above the last bits of a double.
constexpr double Tolerance = 1e-9;

QJsonValue at(const QJsonObject &cells, const QString &column, int row)
{
    return cells.value(column + QString::number(row)).toObject().value(QStringLiteral("v"));
}

// Empty when Calc shows the value we expect, else what it shows instead.
QString mismatch(const QString &where, const QJsonValue &shown, double expected)
{
    if (shown.isDouble() && std::abs(shown.toDouble() - expected) < Tolerance)
        return QString();
    return QStringLiteral("%1 shows %2, not %3").arg(where, shown.toVariant().toString()).arg(expected);
}

#define VERIFY_SHOWN(where, shown, expected)                                  \
    do {                                                                      \
        const QString m = mismatch(where, shown, expected);                   \
        QVERIFY2(m.isEmpty(), qPrintable(m));                                 \
    } while (false)

}

class TestProtocolReferences : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void referencesFollowTheLists_data();
    void referencesFollowTheLists();

private:
    bool enterPoints(Case &c);

    QTemporaryDir m_dir;
    QList<Case> m_cases;
};

// Nominals 0.5 kPa apart; each device's readings a few hundredths off them.
bool TestProtocolReferences::enterPoints(Case &c)
{
    TAIR::instance->prUnits->setValue(1);
    Verification *verification = Verification::instance;
    verification->prVerificationMode->setValue(0);
    verification->prMinValue->setValue(0.0);
    verification->prMaxValue->setValue(0.5 * qMax(1, c.points - 1));
    Conditions::instance->prVrDeviceCount->setValue(c.devices);
    VrPointsModel *model = verification->pointsModel();
    model->clearPoints();
    for (int i = 0; i < c.points; ++i) {
        VrPoint p;
        p.nominal = 0.5 * i;
        model->appendPoint(p, -1);
    }
    model->setMode(0);
    c.readings.resize(c.devices);
    for (int i = 0; i < c.points; ++i) {
        c.nominals << model->data(model->index(i, 0)).toDouble();
        for (int k = 0; k < c.devices; ++k) {
            if (!model->setData(model->index(i, 2 + k), 0.5 * i + 0.01 * ((3 * i + 7 * k) % 9) - 0.04))
                return false;
            c.readings[k] << model->data(model->index(i, 2 + k)).toDouble();
        }
    }
    return true;
}

void TestProtocolReferences::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (Calc::program().isEmpty())
        QFAIL("soffice not found: this test reads the protocols with LibreOffice Calc; install "
              "libreoffice-calc-nogui (scripts/install-deps.sh)");
    const QString profile = m_dir.filePath(QStringLiteral("profile"));
    ProtocolSetup::createObjects();
    ProtocolSetup::setTexts();

    bool ok = false;
    const QString made = m_dir.filePath(QStringLiteral("made/template.xlsx"));
    QVERIFY(QDir().mkpath(QFileInfo(made).path()));
    XlsxCheck::runPython({XlsxCheck::script(QStringLiteral("tests/Documents/make_reference_template.py")), made}, &ok);
    QVERIFY(ok);
    QString error;
    const QString xlsx = QStringLiteral("xlsx:Calc MS Excel 2007 XML");
    QVERIFY2(Calc::convert(profile, {made}, xlsx, m_dir.filePath(QStringLiteral("calc")), &error), qPrintable(error));
    const QString templateFile = m_dir.filePath(QStringLiteral("calc/template.xlsx"));
    QVERIFY2(QFileInfo::exists(templateFile), "Calc saved no template");

    const QString out = m_dir.filePath(QStringLiteral("protocols"));
    Settings::instance->protocolPath()->setValue(out);
    Settings::instance->documentSet()->setValue(2);
    Settings::instance->templatePath()->setValue(templateFile);
    QStringList protocols;
    for (int points : {1, 9, 199})
        for (int devices : {1, 4}) {
            Case c{QStringLiteral("p%1-d%2").arg(points).arg(devices), points, devices, {}, {}, {}};
            QVERIFY2(enterPoints(c), qPrintable(c.name));
            QVERIFY2(ExcelSaver::instance->makeProtocol(c.name),
                     qPrintable(c.name + ": " + ExcelSaver::instance->lastError()));
            protocols << out + QLatin1Char('/') + c.name + QStringLiteral(".xlsx");
            m_cases << c;
        }

    const QString computed = m_dir.filePath(QStringLiteral("computed"));
    QVERIFY2(Calc::convert(profile, protocols, xlsx, computed, &error), qPrintable(error));
    for (Case &c : m_cases) {
        c.computed = XlsxCheck::dump(computed + QLatin1Char('/') + c.name + QStringLiteral(".xlsx"), true);
        QVERIFY2(!c.computed.isEmpty(), qPrintable(c.name + QStringLiteral(": Calc wrote no document")));
    }
}

void TestProtocolReferences::referencesFollowTheLists_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_cases.size(); ++i)
        QTest::newRow(qPrintable(m_cases.at(i).name)) << i;
}

// The template's device sheet holds the list row 4, a spacer row 5, the
// largest difference in C6, the verdict in E7 and C8, a link in A9: each
// below the list by the rows the list added.
void TestProtocolReferences::referencesFollowTheLists()
{
    QFETCH(int, index);
    const Case &c = m_cases.at(index);
    const int added = c.points - 1;
    QStringList sheets{QStringLiteral("Сводка")};
    for (int n = 1; n <= c.devices; ++n)
        sheets << QStringLiteral(" Прибор %1").arg(n);
    QCOMPARE(c.computed.value(QStringLiteral("sheets")).toVariant().toStringList(), sheets);

    QVector<double> largest(c.devices);
    QStringList verdicts;
    for (int n = 1; n <= c.devices; ++n) {
        const QString name = QStringLiteral(" Прибор %1").arg(n);
        const QJsonObject sheet = XlsxCheck::sheet(c.computed, name);
        const QJsonObject cells = sheet.value(QStringLiteral("cells")).toObject();
        // Every row of the list computes its own difference.
        double most = -INFINITY;
        for (int i = 0; i < c.points; ++i) {
            const int r = 4 + i;
            QCOMPARE(at(cells, "A", r).toDouble(), c.nominals.at(i));
            QCOMPARE(at(cells, "B", r).toDouble(), c.readings.at(n - 1).at(i));
            const double difference = c.readings.at(n - 1).at(i) - c.nominals.at(i);
            VERIFY_SHOWN(name + QStringLiteral("!C%1").arg(r), at(cells, "C", r), difference);
            most = qMax(most, difference);
        }
        largest[n - 1] = most;
        VERIFY_SHOWN(name + QStringLiteral(": the largest difference"), at(cells, "C", 6 + added), most);
        const QString verdict = at(cells, "E", 7 + added).toString();
        QVERIFY2(verdict == QStringLiteral("Прибор годен") || verdict == QStringLiteral("Прибор забракован"),
                 qPrintable(name + QStringLiteral(": the verdict cell holds \"%1\"").arg(verdict)));
        QCOMPARE(at(cells, "C", 8 + added).toString(), verdict);
        verdicts << verdict;
        // The note stays on the verdict, the link below the list.
        QCOMPARE(sheet.value(QStringLiteral("notes")).toObject(),
                 QJsonObject({{QStringLiteral("E%1").arg(7 + added), QStringLiteral("Заключение о приборе %1").arg(n)}}));
        QCOMPARE(sheet.value(QStringLiteral("links")).toObject(),
                 QJsonObject({{QStringLiteral("A%1").arg(9 + added), QStringLiteral("'Сводка'!A1")}}));
        // The chart shows the readings of the whole list, against the nominals.
        const QJsonArray series = sheet.value(QStringLiteral("series")).toArray();
        QCOMPARE(series.size(), 1);
        const QJsonObject readings = series.at(0).toArray().at(0).toObject();
        QCOMPARE(readings.value(QStringLiteral("val")).toObject().value(QStringLiteral("f")).toString(),
                 QStringLiteral("'%1'!$B$4:$B$%2").arg(name).arg(5 + added));
        QCOMPARE(readings.value(QStringLiteral("cat")).toObject().value(QStringLiteral("f")).toString(),
                 QStringLiteral("'%1'!$A$4:$A$%2").arg(name).arg(5 + added));
        const QJsonArray shown = readings.value(QStringLiteral("val")).toObject().value(QStringLiteral("values")).toArray();
        QCOMPARE(shown.size(), c.points + 1);
        for (int i = 0; i < c.points; ++i)
            VERIFY_SHOWN(name + QStringLiteral(": the chart's point %1").arg(i + 1), shown.at(i), c.readings.at(n - 1).at(i));
    }

    // The summary reads device 1's results and device 4's, which only four devices have.
    const QJsonObject summary = XlsxCheck::sheet(c.computed, QStringLiteral("Сводка"));
    const QJsonObject cells = summary.value(QStringLiteral("cells")).toObject();
    VERIFY_SHOWN(QStringLiteral("Сводка!B2"), at(cells, "B", 2), largest.at(0));
    QCOMPARE(at(cells, "B", 3).toString(), verdicts.at(0));
    if (c.devices == 4)
        VERIFY_SHOWN(QStringLiteral("Сводка!B4"), at(cells, "B", 4), largest.at(3));
    else
        QCOMPARE(at(cells, "B", 4).toString(), QStringLiteral("#REF!"));
    QCOMPARE(summary.value(QStringLiteral("links")).toObject(),
             QJsonObject({{QStringLiteral("A5"), QStringLiteral("' Прибор 1'!E%1").arg(7 + added)}}));
    // Its chart shows device 1's differences, and device 4's where there is one.
    const QJsonArray series = summary.value(QStringLiteral("series")).toArray().at(0).toArray();
    QStringList refs;
    for (const auto &s : series)
        refs << s.toObject().value(QStringLiteral("val")).toObject().value(QStringLiteral("f")).toString();
    QStringList expected{QStringLiteral("' Прибор 1'!$C$4:$C$%1").arg(5 + added)};
    if (c.devices == 4)
        expected << QStringLiteral("' Прибор 4'!$C$4:$C$%1").arg(5 + added);
    QCOMPARE(refs.filter(QStringLiteral("Прибор")), expected);
    const QJsonArray differences =
        series.at(0).toObject().value(QStringLiteral("val")).toObject().value(QStringLiteral("values")).toArray();
    for (int i = 0; i < c.points; ++i)
        VERIFY_SHOWN(QStringLiteral("Сводка's chart, point %1").arg(i + 1), differences.at(i),
                     c.readings.at(0).at(i) - c.nominals.at(i));
}

QTEST_GUILESS_MAIN(TestProtocolReferences)

#include "tst_protocolreferences.moc"
