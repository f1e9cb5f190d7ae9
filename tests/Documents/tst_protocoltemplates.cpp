// The built-in templates filled from the known verifications and read back
// with openpyxl: sheets kept and dropped, every placeholder replaced, the list
// rows with their merges and heights, untouched parts as they were. And a
// template saved by another program.

#include "ProtocolCheck.h"

#include <QCoreApplication>
#include <QTemporaryDir>

namespace {

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
        // The operator's starting template: two lists on one sheet.
        QTest::newRow(qPrintable(QStringLiteral("custom_template.xlsx, fixture %1").arg(fixture)))
            << 2 << QStringLiteral("custom_template.xlsx") << fixture;
    }
}

void TestProtocolTemplates::builtInTemplate()
{
    QFETCH(int, documentSet);
    QFETCH(QString, file);
    QFETCH(int, fixture);
    QVERIFY(!ProtocolSetup::apply(fixture).isEmpty());
    Settings::instance->documentSet()->setValue(documentSet);
    Settings::instance->templatePath()->setValue(templatePath(file));

    QVERIFY2(ExcelSaver::instance->makeProtocol(QStringLiteral("протокол")),
             qPrintable(ExcelSaver::instance->lastError()));
    ProtocolCheck::verify(templatePath(file), m_dir.filePath(QStringLiteral("протокол.xlsx")), documentSet, fixture);
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
