// Protocols as LibreOffice Calc shows them. Every built-in template, and two
// that LibreOffice saved itself (so their formulas carry cached results), are
// filled for several devices and converted to CSV by soffice in headless mode:
// every list counts 1 ... N, every formula shows what it computes. A long
// remark wraps in a row that grows with it.

#include "Calc.h"
#include "ProtocolSetup.h"
#include "XlsxCheck.h"

#include "Parameters/Units.h"
#include "Xlsx/Document.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QString templatePath(const QString &file)
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/") + file;
}

// Every sheet as CSV, each cell's text as Calc shows it.
const QString ShownCsv =
    QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76,1,,0,false,true,true,false,false,-1");

// The rows of a CSV file as LibreOffice writes it: "," between fields, '"'
// around fields that need it, doubled inside.
QVector<QStringList> readCsv(const QString &fileName, bool *ok)
{
    QVector<QStringList> rows;
    QFile f(fileName);
    *ok = f.open(QIODevice::ReadOnly);
    if (!*ok)
        return rows;
    const QString text = QString::fromUtf8(f.readAll());
    QStringList row;
    QString field;
    bool quoted = false;
    for (int i = 0; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (quoted) {
            if (ch == QLatin1Char('"') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                field += text.at(++i);
            else if (ch == QLatin1Char('"'))
                quoted = false;
            else
                field += ch;
        } else if (ch == QLatin1Char('"')) {
            quoted = true;
        } else if (ch == QLatin1Char(',')) {
            row << field;
            field.clear();
        } else if (ch == QLatin1Char('\n')) {
            rows << (row << field);
            row.clear();
            field.clear();
        } else if (ch != QLatin1Char('\r')) {
            field += ch;
        }
    }
    if (!row.isEmpty() || !field.isEmpty())
        rows << (row << field);
    return rows;
}

QString csvCell(const QVector<QStringList> &rows, int row, int column)
{
    return row <= rows.size() && column <= rows.at(row - 1).size() ? rows.at(row - 1).at(column - 1) : QString();
}

struct Case
{
    QString name;         // of the protocol file
    int documentSet;
    int method;
    QString templateFile; // for document set 2
    int points;
    int devices;
    // Sheet of the document -> the lengths of its lists, top to bottom.
    QMap<QString, QList<int>> lists;
};

}

class TestProtocolCalc : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listsCountFromOne_data();
    void listsCountFromOne();
    void longRemarkWraps();
    void pressuresShowTheRunPageDecimals();

private:
    bool resaveByCalc(const QStringList &templates, QString *error);
    bool prepare(Case &c);

    QTemporaryDir m_dir;
    QString m_profile;
    QList<Case> m_cases;
    QString m_remark;
};

// The templates with formula probes, saved by Calc as .ods and back as .xlsx.
bool TestProtocolCalc::resaveByCalc(const QStringList &templates, QString *error)
{
    const QString probed = m_dir.filePath(QStringLiteral("probed"));
    const QString ods = m_dir.filePath(QStringLiteral("ods"));
    const QString calc = m_dir.filePath(QStringLiteral("calc"));
    QStringList probedFiles, odsFiles;
    QDir().mkpath(probed);
    for (const QString &file : templates) {
        bool ok = false;
        XlsxCheck::runPython({XlsxCheck::script(QStringLiteral("tests/Documents/formula_probes.py")), templatePath(file),
                              probed + QLatin1Char('/') + file},
                             &ok);
        if (!ok) {
            *error = QStringLiteral("formula_probes.py failed on ") + file;
            return false;
        }
        probedFiles << probed + QLatin1Char('/') + file;
        odsFiles << ods + QLatin1Char('/') + QFileInfo(file).completeBaseName() + QStringLiteral(".ods");
    }
    if (!Calc::convert(m_profile, probedFiles, QStringLiteral("ods"), ods, error)
        || !Calc::convert(m_profile, odsFiles, QStringLiteral("xlsx:Calc MS Excel 2007 XML"), calc, error))
        return false;
    for (const QString &file : templates)
        if (!QFileInfo::exists(calc + QLatin1Char('/') + file)) {
            *error = QStringLiteral("soffice wrote no ") + file;
            return false;
        }
    return true;
}

// Puts the case's verification in place and notes where its lists will be.
bool TestProtocolCalc::prepare(Case &c)
{
    TAIR::instance->prUnits->setValue(1);
    Verification *verification = Verification::instance;
    verification->prVerificationMode->setValue(c.method);
    // Up from 0 and down again: 2 * max / step + 1 points.
    verification->prMinValue->setValue(0.0);
    verification->prMaxValue->setValue(double(c.points - 1) / 2);
    verification->prStep->setValue(1.0);
    Conditions::instance->prVrDeviceCount->setValue(c.devices);
    if (!verification->buildPoints() || verification->pointsModel()->pointCount() != c.points)
        return false;
    verification->pointsModel()->setMode(uint8_t(c.method));
    Settings::instance->documentSet()->setValue(c.documentSet);
    Settings::instance->templatePath()->setValue(c.templateFile);

    const QString source = Settings::instance->templateFor(c.documentSet, c.method);
    Xlsx::Document tmpl(source);
    if (!tmpl.isLoaded())
        return false;
    for (int i = 0; i < tmpl.sheetCount(); ++i) {
        const Xlsx::Worksheet *ws = tmpl.worksheet(i);
        QString name = ws->name();
        for (const auto &[prefix, title] : {std::pair<const char *, const char *>{"&DEV_SH_", ""},
                                            {"&DEV_VCR_", "Свидетельство"},
                                            {"&DEV_CCR_", "Сертификат"}}) {
            if (!name.startsWith(QLatin1String(prefix)))
                continue;
            const int n = name.mid(int(qstrlen(prefix))).toInt();
            name = n <= c.devices ? QString::fromUtf8(title) + QStringLiteral(" Прибор %1").arg(n) : QString();
        }
        if (name.isEmpty())
            continue;
        QList<int> &lists = c.lists[name];
        for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
            for (int col = ws->nextColumn(r, 0); col; col = ws->nextColumn(r, col)) {
                const QString t = ws->read(r, col).toString();
                if (t == QLatin1String("&LST_F"))
                    lists << c.points;
                else if (t == QLatin1String("&LST_H"))
                    lists << (c.points - 1) / 2 + 1;
            }
    }
    return true;
}

void TestProtocolCalc::initTestCase()
{
    QVERIFY(m_dir.isValid());
    if (Calc::program().isEmpty())
        QFAIL("soffice not found: this test reads the protocols with LibreOffice Calc; install "
              "libreoffice-calc-nogui (scripts/install-deps.sh)");
    m_profile = m_dir.filePath(QStringLiteral("profile"));
    ProtocolSetup::createObjects();
    ProtocolSetup::setTexts();
    const QString out = m_dir.filePath(QStringLiteral("protocols"));
    Settings::instance->protocolPath()->setValue(out);
    // 300 characters, more than a row of fixed height shows.
    m_remark = QStringLiteral("Стрелка касается упора, стекло с царапиной; ").repeated(7).left(300);
    for (VrDevice *d : Conditions::instance->vrDevices)
        d->prNotes->setValue(m_remark);

    QElapsedTimer timer;
    timer.start();
    // Templates as Calc saves them, with formulas whose results it cached.
    const QStringList resaved = {"custom_template.xlsx", "default_template_calibration_A.xlsx"};
    QString error;
    QVERIFY2(resaveByCalc(resaved, &error), qPrintable(error));
    for (const QString &file : resaved) {
        Xlsx::Document calc(m_dir.filePath(QStringLiteral("calc/") + file));
        QVERIFY2(calc.isLoaded(), qPrintable(calc.errorString()));
        bool cached = false;
        for (int i = 0; i < calc.sheetCount(); ++i)
            if (const auto probe = calc.worksheet(i)->cellAt(2, 13))
                cached = cached || (probe->hasFormula() && probe->value().isValid());
        QVERIFY2(cached, qPrintable(file + QStringLiteral(": Calc cached no formula result")));
    }

    // 5 points with four devices; 201 points, the most the points table builds, with three.
    const QString builtIn[][2] = {{"0", "A"}, {"0", "B"}, {"1", "A"}, {"1", "B"}};
    for (const auto &[points, devices] : {std::pair<int, int>{5, 4}, {201, 3}}) {
        for (const auto &b : builtIn)
            m_cases << Case{QStringLiteral("set%1%2-%3").arg(b[0], b[1]).arg(points), b[0].toInt(), b[1] == "B", QString(),
                            points, devices, {}};
        m_cases << Case{QStringLiteral("custom-%1").arg(points), 2, 0, templatePath(QStringLiteral("custom_template.xlsx")),
                        points, devices, {}};
        for (const QString &file : resaved)
            m_cases << Case{QStringLiteral("calc-%1-%2").arg(QFileInfo(file).completeBaseName()).arg(points), 2, 1,
                            m_dir.filePath(QStringLiteral("calc/") + file), points, devices, {}};
    }
    QStringList protocols;
    for (Case &c : m_cases) {
        QVERIFY2(prepare(c), qPrintable(c.name));
        QVERIFY2(ExcelSaver::instance->makeProtocol(c.name), qPrintable(c.name + ": " + ExcelSaver::instance->lastError()));
        protocols << out + QLatin1Char('/') + c.name + QStringLiteral(".xlsx");
    }

    // Every sheet of every protocol as Calc computes and shows it.
    QVERIFY2(Calc::convert(m_profile, protocols, ShownCsv, m_dir.filePath(QStringLiteral("csv")), &error),
             qPrintable(error));
    qInfo("Writing %d protocols and three soffice runs took %.1f s", int(m_cases.size()), double(timer.elapsed()) / 1000.0);
}

void TestProtocolCalc::listsCountFromOne_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < m_cases.size(); ++i)
        QTest::newRow(qPrintable(m_cases.at(i).name)) << i;
}

void TestProtocolCalc::listsCountFromOne()
{
    QFETCH(int, index);
    const Case &c = m_cases.at(index);
    Xlsx::Document protocol(Settings::instance->protocolPath()->value() + QLatin1Char('/') + c.name + QStringLiteral(".xlsx"));
    QVERIFY2(protocol.isLoaded(), qPrintable(protocol.errorString()));
    QStringList sheets = protocol.sheetNames();
    sheets.sort();
    QCOMPARE(sheets, c.lists.keys());
    for (int i = 0; i < protocol.sheetCount(); ++i) {
        const Xlsx::Worksheet *ws = protocol.worksheet(i);
        const QString sheet = ws->name();
        QVERIFY2(c.lists.contains(sheet), qPrintable(sheet));
        bool ok = false;
        const QVector<QStringList> csv =
            readCsv(m_dir.filePath(QStringLiteral("csv/%1-%2.csv").arg(c.name, sheet)), &ok);
        QVERIFY2(ok, qPrintable(sheet + QStringLiteral(": Calc wrote no CSV")));

        // Every formula, by what it computes: the point numbers in column A run by
        // run, the probes of the templates Calc saved by their own rules.
        QList<QList<int>> runs;
        for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
            for (int col = ws->nextColumn(r, 0); col; col = ws->nextColumn(r, col)) {
                const auto cell = ws->cellAt(r, col);
                if (!cell->hasFormula())
                    continue;
                const QString where = sheet + QLatin1Char('!') + Xlsx::CellReference(r, col).toString();
                const QString shown = csvCell(csv, r, col);
                if (col == 1) {
                    if (runs.isEmpty() || runs.last().last() != r - 1)
                        runs << QList<int>();
                    runs.last() << r;
                    QVERIFY2(shown == QString::number(runs.last().size()),
                             qPrintable(where + QStringLiteral(" shows \"%1\", not %2").arg(shown).arg(runs.last().size())));
                } else if (cell->formula() == QLatin1String("ROW()")) {
                    QVERIFY2(shown == QString::number(r), qPrintable(where + QStringLiteral(" shows \"%1\"").arg(shown)));
                } else if (cell->formula() == QLatin1String("LEN(A2)")) {
                    QCOMPARE(shown, QString::number(csvCell(csv, 2, 1).size()));
                } else {
                    QFAIL(qPrintable(where + QStringLiteral(": a formula nobody expects: ") + cell->formula()));
                }
            }
        QList<int> lengths;
        for (const auto &run : runs)
            lengths << run.size();
        QVERIFY2(lengths == c.lists.value(sheet), qPrintable(sheet));
    }
}

// The remark's cell wraps, and its row, which has no height set by hand, is
// stored as tall as the text needs: Calc takes a row's stored height when it
// opens a file and grows a row only when a text is typed in.
void TestProtocolCalc::longRemarkWraps()
{
    const QString file = Settings::instance->protocolPath()->value() + QStringLiteral("/set0A-5.xlsx");
    const QJsonObject dump = XlsxCheck::dump(file);
    QVERIFY(!dump.isEmpty());
    Xlsx::Document protocol(file);
    QVERIFY(protocol.isLoaded());
    for (int n = 1; n <= 4; ++n) {
        const QString name = QStringLiteral(" Прибор %1").arg(n);
        const QJsonObject sheet = XlsxCheck::sheet(dump, name);
        const QJsonObject cells = sheet.value("cells").toObject();
        QString at;
        for (auto it = cells.begin(); it != cells.end(); ++it)
            if (it.value().toObject().value("v").toString() == m_remark)
                at = it.key();
        QVERIFY2(!at.isEmpty(), "the remark is not in the protocol");
        QVERIFY2(sheet.value("wrapped").toArray().contains(at), qPrintable(at));
        const int row = Xlsx::CellReference(at).row();
        // 300 characters take three lines of 11 points at the least, whatever the face.
        const double height = sheet.value("heights").toObject().value(QString::number(row)).toDouble();
        QVERIFY2(height >= 3 * 11 * 1.15, qPrintable(QStringLiteral("%1: %2").arg(at).arg(height)));
        QVERIFY(protocol.setCurrentSheet(protocol.sheetNames().indexOf(name)));
        QVERIFY2(!protocol.currentWorksheet()->rowHeightIsFixed(row), qPrintable(at));
    }
}

// Every pressure of a document from a built-in template shows as many decimals as the run page:
// the decimals setting, 0 to 6. A template of the operator's keeps its own number formats.
void TestProtocolCalc::pressuresShowTheRunPageDecimals()
{
    TAIR::instance->prUnits->setValue(2);   // MPa, whose readings need the decimals
    Verification *verification = Verification::instance;
    verification->prMinValue->setValue(0.1);
    verification->prMaxValue->setValue(1.3);
    verification->prStep->setValue(0.4);
    Conditions::instance->prVrDeviceCount->setValue(2);
    QVERIFY(verification->buildPoints());
    VrPointsModel *model = verification->pointsModel();
    const int rows = model->pointCount();
    QCOMPARE(rows, 7);
    // References and readings off the nominal by amounts that the default three decimals hide.
    QSet<double> pressures;
    for (int row = 0; row < rows; ++row) {
        const double nominal = model->data(model->index(row, 0), Qt::EditRole).toDouble();
        const double values[] = {nominal + 0.0002 + row * 1e-5, nominal + 0.0031 + row * 1e-5, nominal - 0.00417};
        for (int column = 1; column <= 3; ++column)
            QVERIFY(model->setData(model->index(row, column), values[column - 1], Qt::EditRole));
        for (int column = 0; column <= 3; ++column)
            pressures << model->data(model->index(row, column), Qt::EditRole).toDouble();
    }

    struct Document
    {
        QString name;
        int decimals;   // that the document shows
    };
    QList<Document> documents;
    const QString out = Settings::instance->protocolPath()->value();
    QStringList files;
    for (int decimals : {0, 3, 5}) {
        Settings::instance->decimals()->setValue(decimals);
        for (int set : {0, 1})
            for (int method : {0, 1}) {
                verification->prVerificationMode->setValue(method);
                model->setMode(uint8_t(method));
                Settings::instance->documentSet()->setValue(set);
                documents << Document{QStringLiteral("decimals%1-set%2-method%3").arg(decimals).arg(set).arg(method),
                                      decimals};
                QVERIFY2(ExcelSaver::instance->makeProtocol(documents.last().name),
                         qPrintable(ExcelSaver::instance->lastError()));
                files << out + QLatin1Char('/') + documents.last().name + QStringLiteral(".xlsx");
            }
    }
    Settings::instance->decimals()->setValue(5);
    Settings::instance->documentSet()->setValue(2);
    Settings::instance->templatePath()->setValue(templatePath(QStringLiteral("custom_template.xlsx")));
    documents << Document{QStringLiteral("decimals5-own"), 3};
    QVERIFY2(ExcelSaver::instance->makeProtocol(documents.last().name), qPrintable(ExcelSaver::instance->lastError()));
    files << out + QLatin1Char('/') + documents.last().name + QStringLiteral(".xlsx");

    QString error;
    const QString csvFolder = m_dir.filePath(QStringLiteral("decimals"));
    QVERIFY2(Calc::convert(m_profile, files, ShownCsv, csvFolder, &error), qPrintable(error));

    for (const Document &d : documents) {
        Xlsx::Document protocol(out + QLatin1Char('/') + d.name + QStringLiteral(".xlsx"));
        QVERIFY2(protocol.isLoaded(), qPrintable(protocol.errorString()));
        int shown = 0;
        for (int i = 0; i < protocol.sheetCount(); ++i) {
            const Xlsx::Worksheet *ws = protocol.worksheet(i);
            bool ok = false;
            const QVector<QStringList> csv =
                readCsv(csvFolder + QStringLiteral("/%1-%2.csv").arg(d.name, ws->name()), &ok);
            QVERIFY2(ok, qPrintable(d.name + QLatin1Char(' ') + ws->name() + QStringLiteral(": Calc wrote no CSV")));
            for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
                for (int col = ws->nextColumn(r, 0); col; col = ws->nextColumn(r, col)) {
                    const auto cell = ws->cellAt(r, col);
                    if (cell->hasFormula() || cell->type() != Xlsx::Cell::Type::Number
                        || !pressures.contains(cell->value().toDouble()))
                        continue;
                    // The run page's text, with the decimal point Calc's CSV writes.
                    const QString expected = formatNumber(cell->value().toDouble(), d.decimals).replace(',', '.');
                    const QString where = d.name + QLatin1Char(' ') + ws->name() + QLatin1Char('!')
                                          + Xlsx::CellReference(r, col).toString();
                    QVERIFY2(csvCell(csv, r, col) == expected,
                             qPrintable(where + QStringLiteral(" shows \"%1\", not \"%2\"").arg(csvCell(csv, r, col), expected)));
                    ++shown;
                }
        }
        // Every document lists the points' pressures.
        QVERIFY2(shown >= rows, qPrintable(d.name + QStringLiteral(": %1 pressures").arg(shown)));
    }
}

QTEST_GUILESS_MAIN(TestProtocolCalc)

#include "tst_protocolcalc.moc"
