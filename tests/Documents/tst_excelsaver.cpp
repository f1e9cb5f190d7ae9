// The protocol writer on small templates made for each case: scan limits,
// device sheets, both placeholder passes, its failures, the graph export.

#include "ProtocolCheck.h"
#include "XlsxCheck.h"

#include "Parameters/Units.h"
#include "Xlsx/Document.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>

#include <limits>

using Cells = QMap<QString, QVariant>;
using Sheets = QList<QPair<QString, Cells>>;

class TestExcelSaver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void scanLimits_data();
    void scanLimits();
    void negativeLimitScansNothing();
    void sheetWithoutCellsCountsAsScanned();
    void listPushesPlaceholdersBelowTheLimit();

    void deviceSheets();
    void deviceSheetThatIsTheLastOne();
    void renameOntoAnExistingName();

    void firstPass_data();
    void firstPass();
    void listMarkers_data();
    void listMarkers();
    void listsRunForwardAndBackward();
    void sharedCountersAndWholeCellTests();
    void morePlaceholdersThanPoints();

    void templateChoice_data();
    void templateChoice();
    void badTemplates_data();
    void badTemplates();
    void failedWriteEndsTheRun();
    void protocolFolderIsCreated();
    void runsOnAWorkerThread();

    void graphExport();
    void graphExportClampsAndReplaces();

private:
    QString makeTemplate(const Sheets &sheets, const QString &file = QStringLiteral("template.xlsx"));
    bool run(const QString &templatePath, const QString &name = QStringLiteral("protocol"));
    QString output(const QString &name = QStringLiteral("protocol")) const;

    QTemporaryDir m_dir;
    int m_templates = 0;
};

void TestExcelSaver::initTestCase()
{
    QVERIFY(m_dir.isValid());
    ProtocolSetup::createObjects();
    ProtocolSetup::setTexts();
}

// Verification 0 of the fixtures: method A, one gauge, 9 points in kPa.
void TestExcelSaver::init()
{
    QVERIFY(!ProtocolSetup::apply(0).isEmpty());
    Settings::instance->documentSet()->setValue(2);
    Settings::instance->protocolPath()->setValue(m_dir.filePath(QStringLiteral("out")));
    QFile::remove(output());
}

QString TestExcelSaver::makeTemplate(const Sheets &sheets, const QString &file)
{
    Xlsx::Document doc;
    for (int i = 0; i < sheets.size(); ++i) {
        doc.insertSheet(i, sheets.at(i).first);
        const Cells &cells = sheets.at(i).second;
        for (auto it = cells.begin(); it != cells.end(); ++it)
            doc.write(it.key(), it.value());
    }
    doc.setActiveSheet(0);
    const QString path = m_dir.filePath(QString::number(++m_templates) + file);
    return doc.saveAs(path) ? path : QString();
}

bool TestExcelSaver::run(const QString &templatePath, const QString &name)
{
    Settings::instance->templatePath()->setValue(templatePath);
    return ExcelSaver::instance->makeProtocol(name);
}

QString TestExcelSaver::output(const QString &name) const
{
    return m_dir.filePath(QStringLiteral("out/") + name + QStringLiteral(".xlsx"));
}

void TestExcelSaver::scanLimits_data()
{
    QTest::addColumn<QVariant>("m1");
    QTest::addColumn<QVariant>("n1");
    QTest::addColumn<QStringList>("filled");
    QTest::addColumn<QStringList>("kept");
    QTest::addColumn<bool>("limitsBlanked");
    QTest::newRow("20 and 40") << QVariant(20.0) << QVariant(40.0) << QStringList{"B2", "T40"}
                               << QStringList{"U40", "T41"} << true;
    QTest::newRow("text and empty") << QVariant("колонки") << QVariant() << QStringList{"ALK999"}
                                    << QStringList{"ALL1", "A1000"} << false;
    QTest::newRow("2.9 columns") << QVariant(2.9) << QVariant(5.0) << QStringList{"B2"} << QStringList{"C2"} << true;
    // Beyond the sheet: the scan stops at its edge, and ends.
    QTest::newRow("huge") << QVariant(1e12) << QVariant(2.0) << QStringList{"XFD2"} << QStringList{"A3"} << true;
}

void TestExcelSaver::scanLimits()
{
    QFETCH(QVariant, m1);
    QFETCH(QVariant, n1);
    QFETCH(QStringList, filled);
    QFETCH(QStringList, kept);
    QFETCH(bool, limitsBlanked);
    Cells cells{{"M1", m1}, {"N1", n1}};
    for (const QString &ref : filled + kept)
        cells.insert(ref, QStringLiteral("&CD_VERIF"));
    QVERIFY(run(makeTemplate({{"Лист", cells}})));

    Xlsx::Document doc(output());
    QVERIFY(doc.isLoaded());
    for (const QString &ref : filled)
        QCOMPARE(doc.read(ref).toString() + " " + ref, QStringLiteral("Петрова А. С. ") + ref);
    for (const QString &ref : kept)
        QCOMPARE(doc.read(ref).toString() + " " + ref, QStringLiteral("&CD_VERIF ") + ref);
    if (limitsBlanked) {
        QVERIFY(!doc.read(QStringLiteral("M1")).isValid());
        QVERIFY(!doc.read(QStringLiteral("N1")).isValid());
        QVERIFY(doc.cellAt(1, 13));   // blank, with its format
    } else {
        QCOMPARE(doc.read(QStringLiteral("M1")), m1);
    }
}

void TestExcelSaver::negativeLimitScansNothing()
{
    QVERIFY(!run(makeTemplate({{"Лист", {{"M1", -1.0}, {"A2", "&CD_VERIF"}}}})));
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка разметки файла шаблона!"));
    QVERIFY(!QFile::exists(output()));
}

// Empty positions are scanned too, though only stored cells are visited: a
// sheet with nothing in it still counts.
void TestExcelSaver::sheetWithoutCellsCountsAsScanned()
{
    QVERIFY2(run(makeTemplate({{"Протокол", {{"A1", "&CD_VERIF"}}}, {"Пустой", {}}})),
             qPrintable(ExcelSaver::instance->lastError()));
    Xlsx::Document doc(output());
    QCOMPARE(doc.sheetNames(), QStringList({"Протокол", "Пустой"}));
    QCOMPARE(doc.activeSheetIndex(), 1);
}

// The nine rows of the list push the cells below it past N1; they are still filled.
void TestExcelSaver::listPushesPlaceholdersBelowTheLimit()
{
    QVERIFY(run(makeTemplate({{"Лист",
                               {{"M1", 3.0}, {"N1", 3.0}, {"A1", "&LST_F"}, {"B1", "&DN_ET_I"}, {"A2", "&CD_DATE"},
                                {"B2", "&DN_PN_D"}, {"D2", "&CD_DATE"}}}})));
    Xlsx::Document doc(output());
    QVERIFY(doc.isLoaded());
    QCOMPARE(doc.read(QStringLiteral("B9")).toDouble(), 0.03);
    QCOMPARE(doc.read(QStringLiteral("A10")).toString(), QStringLiteral("10.12.2026"));
    QCOMPARE(doc.read(QStringLiteral("B10")).toDouble(), 0.0);
    QCOMPARE(doc.read(QStringLiteral("D10")).toString(), QStringLiteral("&CD_DATE"));   // column beyond M1
}

void TestExcelSaver::deviceSheets()
{
    Conditions::instance->prVrDeviceCount->setValue(2);
    const Cells c{{"A1", "&CD_VERIF"}};
    const QString path = makeTemplate({{"Протокол", c},
                                       {"&DEV_SH_1", c},
                                       {"&DEV_SH_2", c},
                                       {"&DEV_SH_3", c},
                                       {"&DEV_VCR_1", c},
                                       {"&DEV_CCR_x", c},
                                       {"&DEV_CCR_0", c},
                                       {"&DEV_SH_9", c}});
    QSignalSpy maximum(MainHandler::instance, &MainHandler::setLockScreenMaxVal);
    QSignalSpy steps(MainHandler::instance, &MainHandler::lockScreenAddVal);
    QVERIFY2(run(path), qPrintable(ExcelSaver::instance->lastError()));
    QCOMPARE(maximum.size(), 1);
    QCOMPARE(maximum.at(0).at(0).toInt(), 8);
    QCOMPARE(steps.size(), 6);

    const QJsonObject dump = XlsxCheck::dump(output());
    const QStringList names{"Протокол", " Прибор 1", " Прибор 2", "Свидетельство Прибор 1", "&DEV_CCR_x", "&DEV_CCR_0"};
    QCOMPARE(dump.value("sheets").toVariant().toStringList(), names);
    for (const QString &name : names)
        QCOMPARE(XlsxCheck::cells(dump, name).value("A1").toObject().value("v").toString(),
                 QStringLiteral("Петрова А. С."));
    // The document opens on the last sheet that was filled.
    QCOMPARE(dump.value("active").toInt(), names.size() - 1);
    QVERIFY(XlsxCheck::sheet(dump, names.last()).value("selected").toBool());
    QVERIFY(!XlsxCheck::sheet(dump, names.first()).value("selected").toBool());
}

void TestExcelSaver::deviceSheetThatIsTheLastOne()
{
    Conditions::instance->prVrDeviceCount->setValue(1);
    QVERIFY(!run(makeTemplate({{"&DEV_SH_2", {{"A1", "&CD_VERIF"}}}})));
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка разметки файла шаблона!"));
    QVERIFY(!QFile::exists(output()));
}

void TestExcelSaver::renameOntoAnExistingName()
{
    QVERIFY(!run(makeTemplate({{" Прибор 1", {{"A1", "&CD_VERIF"}}}, {"&DEV_SH_1", {{"A1", "&CD_VERIF"}}}})));
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка разметки файла шаблона!"));
    QVERIFY(!QFile::exists(output()));
}

void TestExcelSaver::firstPass_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("PN_1") << "&PN_1" << QVariant(0.0);
    QTest::newRow("PN_0") << "&PN_0" << QVariant(0.0);
    QTest::newRow("PN_0003") << "&PN_0003" << QVariant(50.0);
    QTest::newRow("PN_ 4 blanks") << "&PN_ 4 " << QVariant(75.0);
    QTest::newRow("PN_x") << "&PN_x" << QVariant("&PN_x");
    QTest::newRow("PN beyond") << "&PN_10" << QVariant("-");
    QTest::newRow("PN negative") << "&PN_-3" << QVariant("-");
    QTest::newRow("PN overflow") << "&PN_99999999999" << QVariant("&PN_99999999999");
    QTest::newRow("PN int min") << "&PN_-2147483648" << QVariant("-");
    QTest::newRow("ET_2") << "&ET_2" << QVariant(25.31);
    QTest::newRow("D1_4") << "&D1_4" << QVariant(75.58);
    QTest::newRow("D2_5 one device") << "&D2_5" << QVariant();
    QTest::newRow("two in place") << "Дата: &CD_DATE, &CD_VERIF" << QVariant("Дата: 10.12.2026, Петрова А. С.");
    QTest::newRow("repeated") << "&CD_HUM/&CD_HUM" << QVariant("48/48");
    QTest::newRow("full forms") << "&CD_TEMP_FULL; &CD_HUM_FULL; &CD_PRES_FULL; &CD_TEMP"
                                << QVariant("температура 21,5 °C; влажность 48 %; атмосферное давление 751 мм рт. ст.; 21,5");
    QTest::newRow("transducer") << "&ET_SERIAL &ET_OWNER &ET_QVT_INTERVAL &ET_QVT_AVER"
                                << QVariant("T-0451 ООО Эталон 0…1,6 МПа 5");
    QTest::newRow("device 2") << "&D2_NAME &D2_SERIAL &D2_TYPE &D2_INV &D2_DATE &D2_AMB &D2_OWNER"
                              << QVariant("Манометр 2 SN-2 МП-2 ИНВ-2 2012 воздух 2 Завод 2");
    QTest::newRow("device 3 documents") << "&D3_NOTES; &D3_DOC_VR; &D3_DOC_CL; &D3_SIGNAL"
                                        << QVariant("без замечаний 3; МИ 2124-3; МК-3; сигнал 3");
    QTest::newRow("kind of") << "&D1_VR_TYPE_OF и &D2_VR_TYPE_OF" << QVariant("первичной и периодической");
    QTest::newRow("kind") << "&D1_VR_TYPE" << QVariant("первичная");
    QTest::newRow("verdict") << "&VR1_RESULT (&VR1_RESULT_SHORT)" << QVariant("Прибор годен (положительны)");
    QTest::newRow("results") << "&VR1_MAX_ACC / &VR1_MAX_VAR" << QVariant("0,90 / 0,32");
    QTest::newRow("no data") << "&VR2_RESULT, &VR2_RESULT_SHORT, &VR2_MAX_ACC"
                             << QVariant("Прибор забракован, отрицательны, -");
    QTest::newRow("certificate verdict") << "&VR3_RESULT_VCR"
                                         << QVariant("на основании результатов первичной (периодической) поверки признано "
                                                     "не соответствующим установленным в описании типа метрологическим "
                                                     "требованиям");
    QTest::newRow("marker with blank") << "&LST_H " << QVariant("&LST_H ");
    QTest::newRow("unknown") << "&XYZ" << QVariant("&XYZ");
    // A list cell's text is skipped by this pass only when nothing else in it could match.
    QTest::newRow("after a list name") << "&DN_Q &CD_HUM" << QVariant("&DN_Q 48");
    QTest::newRow("list name only") << "&DN_Q &DN_R" << QVariant("&DN_Q &DN_R");
    QTest::newRow("no ampersand") << "Протокол" << QVariant("Протокол");
}

void TestExcelSaver::firstPass()
{
    QFETCH(QString, text);
    QFETCH(QVariant, expected);
    QVERIFY2(run(makeTemplate({{"Лист", {{"B3", text}}}})), qPrintable(ExcelSaver::instance->lastError()));
    Xlsx::Document doc(output());
    QVERIFY(doc.isLoaded());
    const QVariant value = doc.read(QStringLiteral("B3"));
    QCOMPARE(value.userType(), expected.userType());
    QCOMPARE(value, expected);
}

void TestExcelSaver::listMarkers_data()
{
    QTest::addColumn<QString>("marker");
    QTest::addColumn<int>("fixture");
    QTest::addColumn<int>("rows");
    QTest::newRow("F, 9 points") << "&LST_F" << 0 << 9;
    QTest::newRow("H, 9 points") << "&LST_H" << 0 << 5;
    QTest::newRow("F, no points") << "&LST_F" << -1 << 1;
    QTest::newRow("H, no points") << "&LST_H" << -1 << 1;
}

void TestExcelSaver::listMarkers()
{
    QFETCH(QString, marker);
    QFETCH(int, fixture);
    QFETCH(int, rows);
    if (fixture < 0)
        Verification::instance->pointsModel()->clearPoints();
    QVERIFY(run(makeTemplate({{"Лист", {{"A2", "Шапка"}, {"A3", marker}, {"B3", "&CD_DATE"}, {"A4", "Итог"}}}})));
    Xlsx::Document doc(output());
    QVERIFY(doc.isLoaded());
    QVERIFY(!doc.read(3, 1).isValid());   // the marker is emptied
    for (int r = 3; r < 3 + rows; ++r)
        QCOMPARE(doc.read(r, 2).toString(), QStringLiteral("10.12.2026"));
    QCOMPARE(doc.read(3 + rows, 1).toString(), QStringLiteral("Итог"));
    QVERIFY(!doc.read(4 + rows, 1).isValid());
}

void TestExcelSaver::listsRunForwardAndBackward()
{
    QVERIFY(run(makeTemplate({{"Ход",
                               {{"A1", "&LST_F"}, {"B1", "&DN_ET_I"}, {"C1", "&DN_ET_D"}, {"D1", "&DN_FD0_D"},
                                {"E1", "&DN_D1_D"}, {"F1", "&DN_ACC1_I"}, {"G1", "&DN_UNC_KPA_D"}}},
                              {"Второй", {{"A1", "&DN_ET_I"}}}})));
    const QJsonObject expected = ProtocolSetup::expected(0);
    const QJsonArray uncertainties = expected.value("uncertainties").toArray();
    const QJsonArray errors = expected.value("columns").toArray().at(1).toObject().value("errors").toArray();
    const double references[] = {0.12, 25.31, 50.47, 75.62, 100.83, 75.9, 50.2, 25.11, 0.03};
    const double readings[] = {0.12, 25.31, 50.47, 75.58, 100.83, 75.9, 50.74, 25.1, 0.06};

    const QJsonObject dump = XlsxCheck::dump(output());
    const QJsonObject cells = XlsxCheck::cells(dump, "Ход");
    auto number = [&](const QString &ref) {
        const QJsonObject v = cells.value(ref).toObject();
        return v.value("t").toString() == "n" ? v.value("v").toDouble() : std::nan("");
    };
    auto text = [&](const QString &ref) { return cells.value(ref).toObject().value("v").toString(); };
    for (int i = 0; i < 9; ++i) {
        const QString r = QString::number(i + 1);
        QCOMPARE(number("B" + r), references[i]);
        QCOMPARE(number("C" + r), references[8 - i]);
        // Two names of one reverse list take turns: D takes points 9, 7, 5, ..., E 8, 6, ...
        const int d = 8 - 2 * i;
        if (d >= 0)
            QCOMPARE(number("D" + r), readings[d]);
        else
            QCOMPARE(text("D" + r), QStringLiteral("-"));
        QCOMPARE(text("F" + r), errors.at(i).toString());
        QCOMPARE(text("G" + r), uncertainties.at(8 - i).toArray().at(0).toString());
    }
    QCOMPARE(number("E1"), readings[7]);
    QCOMPARE(text("E5"), QStringLiteral("-"));   // the shared counter ran below 0
    // Counters start again on every sheet.
    QCOMPARE(XlsxCheck::cells(dump, "Второй").value("A1").toObject().value("v").toDouble(), references[0]);
}

void TestExcelSaver::sharedCountersAndWholeCellTests()
{
    QVERIFY(run(makeTemplate({{"Лист",
                               {{"A1", "&DN_ET_I"}, {"A2", "&DN_REFF_I"}, {"A3", "&DN_ET_I"}, {"A4", "&DN_UNC_I "},
                                {"A5", "&DN_PN_I и ещё"}, {"A6", "&DN_UNC_I"}, {"A7", "&DN_UNC_PRC_I"},
                                {"A8", "&DN_UNC_UNT_I"}, {"A9", "&DN_ACC1_D"}, {"A10", "&DN_ACC1_I "}}}})));
    const QJsonArray u = ProtocolSetup::expected(0).value("uncertainties").toArray();
    const QJsonObject cells = XlsxCheck::cells(XlsxCheck::dump(output()), "Лист");
    auto value = [&](const char *ref) { return cells.value(QLatin1String(ref)).toObject(); };
    QCOMPARE(value("A1").value("v").toDouble(), 0.12);   // reference of point 1
    QCOMPARE(value("A2").value("v").toDouble(), 25.0);   // nominal of point 2
    QCOMPARE(value("A3").value("v").toDouble(), 50.47);  // reference of point 3
    QCOMPARE(value("A4").value("v").toString(), QStringLiteral("&DN_UNC_I "));
    QCOMPARE(value("A5").value("t").toString(), QStringLiteral("n"));
    QCOMPARE(value("A5").value("v").toDouble(), 0.0);
    // The percent forms share one counter; each is a text with the decimal comma.
    QCOMPARE(value("A6").value("t").toString(), QStringLiteral("s"));
    QCOMPARE(value("A6").value("v").toString(), u.at(0).toArray().at(1).toString());
    QCOMPARE(value("A7").value("v").toString(), u.at(1).toArray().at(1).toString());
    QCOMPARE(value("A8").value("v").toString(), u.at(0).toArray().at(2).toString());
    QCOMPARE(value("A9").value("v").toString(),
             ProtocolSetup::expected(0).value("columns").toArray().at(1).toObject().value("errors").toArray().at(8).toString());
    QCOMPARE(value("A10").value("v").toString(), QStringLiteral("&DN_ACC1_I "));
}

void TestExcelSaver::morePlaceholdersThanPoints()
{
    Cells cells;
    for (int r = 1; r <= 10; ++r)
        cells.insert(QStringLiteral("A%1").arg(r), QStringLiteral("&DN_PN_I"));
    QVERIFY(run(makeTemplate({{"Лист", cells}})));
    Xlsx::Document doc(output());
    QCOMPARE(doc.read(QStringLiteral("A9")).toDouble(), 0.0);
    QCOMPARE(doc.read(QStringLiteral("A5")).toDouble(), 100.0);
    QCOMPARE(doc.read(QStringLiteral("A10")).toString(), QStringLiteral("-"));
}

void TestExcelSaver::templateChoice_data()
{
    QTest::addColumn<int>("documentSet");
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("error");
    QTest::newRow("calibration A") << 0 << 0 << "default_template_calibration_A.xlsx" << "";
    QTest::newRow("calibration B") << 0 << 1 << "default_template_calibration_B.xlsx" << "";
    QTest::newRow("verification A") << 1 << 0 << "default_template_verification_A.xlsx" << "";
    QTest::newRow("verification B") << 1 << 1 << "default_template_verification_B.xlsx" << "";
    QTest::newRow("own, empty path") << 2 << 0 << "" << "Ошибка при поиске файла шаблона!";
    QTest::newRow("own, no file") << 2 << 0 << "нет.xlsx" << "Ошибка при поиске файла шаблона!";
    QTest::newRow("unknown set") << 3 << 0 << "" << "";
}

// Which file a run opens shows in the sheets it leaves.
void TestExcelSaver::templateChoice()
{
    QFETCH(int, documentSet);
    QFETCH(int, method);
    QFETCH(QString, file);
    QFETCH(QString, error);
    Settings::instance->documentSet()->setValue(documentSet);
    Verification::instance->prVerificationMode->setValue(method);
    Settings::instance->templatePath()->setValue(file.isEmpty() ? QString() : m_dir.filePath(file));
    const bool ok = ExcelSaver::instance->makeProtocol(QStringLiteral("protocol"));
    QCOMPARE(ExcelSaver::instance->lastError(), error);
    QCOMPARE(ok, documentSet < 2);
    QCOMPARE(QFile::exists(output()), ok);
    if (!ok)
        return;
    const QString tmpl = QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/") + file;
    Xlsx::Document source(tmpl);
    Xlsx::Document made(output());
    QVERIFY(source.isLoaded() && made.isLoaded());
    // One device: the sheets of devices 2 to 4 are gone, the list holds the method's rows.
    QCOMPARE(made.sheetCount(), 3);
    QCOMPARE(made.sheetNames().at(1), QStringLiteral(" Прибор 1"));
    QCOMPARE(ProtocolCheck::partBody(output(), "xl/styles.xml"), ProtocolCheck::writtenStyles(tmpl, documentSet));
}

void TestExcelSaver::badTemplates_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QString good = makeTemplate({{"Лист", {{"A1", "&CD_VERIF"}}}});
    QFile f(good);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray zip = f.readAll();
    QTest::newRow("not a zip") << QByteArray("это не книга, а текст\n");
    QTest::newRow("truncated") << zip.left(zip.size() / 2);
    QTest::newRow("no workbook") << XlsxCheck::rewritten(good, {{"xl/workbook.xml", QByteArray()}});
    QTest::newRow("malformed sheet") << XlsxCheck::rewritten(
        good, {{"xl/worksheets/sheet1.xml", QByteArray("<worksheet xmlns=\"http://schemas.openxmlformats.org/"
                                                       "spreadsheetml/2006/main\"><sheetData><row r=\"1\">")}});
    QTest::newRow("empty file") << QByteArray("");
}

// A template that cannot be read gives its text and touches no earlier document.
void TestExcelSaver::badTemplates()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(QStringLiteral("bad.xlsx"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    QDir().mkpath(m_dir.filePath(QStringLiteral("out")));
    QFile earlier(output());
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier document");
    earlier.close();

    QVERIFY(!run(path));
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка при открытии файла шаблона!"));
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier document"));
}

void TestExcelSaver::failedWriteEndsTheRun()
{
    // Filled, the text would pass the 32767 characters a cell can hold.
    const QString text = QStringLiteral("&CD_VERIF ").repeated(3000);
    QVERIFY(!run(makeTemplate({{"Лист", {{"A1", text}}}})));
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка записи параметра!"));
    QVERIFY(!QFile::exists(output()));
    // The next run starts clean.
    QVERIFY(run(makeTemplate({{"Лист", {{"A1", "&CD_VERIF"}}}})));
    QVERIFY(ExcelSaver::instance->lastError().isEmpty());
}

void TestExcelSaver::protocolFolderIsCreated()
{
    const QString folder = m_dir.filePath(QStringLiteral("новая/папка/протоколов"));
    Settings::instance->protocolPath()->setValue(folder);
    QVERIFY(run(makeTemplate({{"Лист", {{"A1", "&CD_VERIF"}}}}), QStringLiteral("Протокол № 5")));
    QVERIFY(QFileInfo(folder + QStringLiteral("/Протокол № 5.xlsx")).isFile());

    // A folder that cannot be made fails the save, not the program.
    QFile blocker(m_dir.filePath(QStringLiteral("файл")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Settings::instance->protocolPath()->setValue(blocker.fileName() + QStringLiteral("/папка"));
    QVERIFY(!run(makeTemplate({{"Лист", {{"A1", "&CD_VERIF"}}}})));
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка при сохранении протокола!"));
}

// As the protocol page runs it: on a thread of its own, the progress queued to the GUI thread.
void TestExcelSaver::runsOnAWorkerThread()
{
    const QString path = makeTemplate({{"Протокол", {{"A1", "&CD_VERIF"}}}, {"&DEV_SH_1", {{"A1", "&D1_NAME"}}}});
    Settings::instance->templatePath()->setValue(path);
    QSignalSpy steps(MainHandler::instance, &MainHandler::lockScreenAddVal);
    bool ok = false;
    ExcelSaver::instance->takeTransducerTexts();
    QThread *thread = QThread::create([&ok] { ok = ExcelSaver::instance->makeProtocol(QStringLiteral("protocol")); });
    thread->start();
    QVERIFY(thread->wait(60000));
    delete thread;
    QVERIFY(ok);
    QTRY_COMPARE_WITH_TIMEOUT(steps.size(), 2, 10000);
    Xlsx::Document doc(output());
    QCOMPARE(doc.sheetNames(), QStringList({"Протокол", " Прибор 1"}));

    // Without the texts taken on the GUI thread it reads nothing there and writes nothing.
    QFile::remove(output());
    thread = QThread::create([&ok] { ok = ExcelSaver::instance->makeProtocol(QStringLiteral("protocol")); });
    thread->start();
    QVERIFY(thread->wait(60000));
    delete thread;
    QVERIFY(!ok);
    QCOMPARE(ExcelSaver::instance->lastError(), QStringLiteral("Ошибка при сохранении протокола!"));
    QVERIFY(!QFile::exists(output()));
}

void TestExcelSaver::graphExport()
{
    const QString file = m_dir.filePath(QStringLiteral("graph.xlsx"));
    QVERIFY(ExcelSaver::instance->exportGraphData(QStringLiteral("Давление, кПа"), {101.25, -3.5}, {0, 90000}, 2, file));
    const QJsonObject dump = XlsxCheck::dump(file);
    QCOMPARE(dump.value("sheets").toVariant().toStringList(), QStringList{"Данные"});
    const QJsonObject s = XlsxCheck::sheet(dump, "Данные");
    const QJsonObject cells = s.value("cells").toObject();
    QCOMPARE(cells.size(), 6);
    QCOMPARE(cells.value("A1").toObject().value("v").toString(), QStringLiteral("Время, мин"));
    QCOMPARE(cells.value("B1").toObject().value("v").toString(), QStringLiteral("Давление, кПа"));
    QCOMPARE(cells.value("A3").toObject().value("t").toString(), QStringLiteral("n"));
    QCOMPARE(cells.value("A3").toObject().value("v").toDouble(), 1.5);
    QCOMPARE(cells.value("B2").toObject().value("v").toDouble(), 101.25);
    QCOMPARE(cells.value("B3").toObject().value("v").toDouble(), -3.5);
    QCOMPARE(s.value("widths").toObject().value("A").toDouble(), 15.0);
    QCOMPARE(s.value("widths").toObject().value("B").toDouble(), 26.0);
    const QJsonObject fonts = s.value("fonts").toObject();
    QCOMPARE(fonts.value("A1").toArray().toVariantList(),
             (QVariantList{"Arial Cyr", 8.0, true, true, "left", "center"}));
    QCOMPARE(fonts.value("B3").toArray().toVariantList(),
             (QVariantList{"Arial Cyr", 8.0, false, false, "left", "center"}));
}

void TestExcelSaver::graphExportClampsAndReplaces()
{
    const QString file = m_dir.filePath(QStringLiteral("graph2.xlsx"));
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    // A count beyond the shorter list stops at its end; an empty title stays empty.
    QVERIFY(ExcelSaver::instance->exportGraphData(QString(), {1, 2, 3}, {0, 1000}, 50, file));
    Xlsx::Document doc(file);
    QVERIFY(doc.isLoaded());
    QCOMPARE(doc.read(3, 2).toDouble(), 2.0);
    QVERIFY(!doc.read(4, 2).isValid());
    QVERIFY(!doc.read(1, 2).isValid());

    QVERIFY(ExcelSaver::instance->exportGraphData(QStringLiteral("P"), {}, {}, 0, file));
    Xlsx::Document empty(file);
    QCOMPARE(empty.read(1, 1).toString(), QStringLiteral("Время, мин"));
    QVERIFY(!empty.read(2, 1).isValid());
    // A file that cannot be written reports it.
    QVERIFY(!ExcelSaver::instance->exportGraphData(QStringLiteral("P"), {1}, {1}, 1,
                                                   m_dir.filePath(QStringLiteral("нет/такой/папки.xlsx"))));
}

QTEST_GUILESS_MAIN(TestExcelSaver)
#include "tst_excelsaver.moc"
