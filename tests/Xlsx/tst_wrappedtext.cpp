// Rows that grow to their wrapped texts: the line estimate, and the rows of a
// built-in template that grow, or keep their height, when a text is filled in.

#include "XlsxCheck.h"

#include "Xlsx/Document.h"
#include "Xlsx/WrappedText.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Xlsx;

namespace {

QString templatePath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Templates/default_template_calibration_A.xlsx");
}

// The first cell of the sheet that holds text, as (row, column).
QPair<int, int> find(const Worksheet *ws, const QString &text)
{
    for (int r = ws->nextRow(0); r; r = ws->nextRow(r))
        for (int c = ws->nextColumn(r, 0); c; c = ws->nextColumn(r, c))
            if (ws->read(r, c).toString() == text)
                return {r, c};
    return {0, 0};
}

const QString remark = QStringLiteral("Стрелка касается упора, стекло с царапиной; ").repeated(7).left(300);

}

class TestWrappedText : public QObject
{
    Q_OBJECT

private slots:
    void lineCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("width");
        QTest::addColumn<bool>("bold");
        QTest::addColumn<int>("lines");
        QTest::newRow("empty") << QString() << 100.0 << false << 1;
        QTest::newRow("short") << QStringLiteral("без замечаний") << 400.0 << false << 1;
        QTest::newRow("line breaks") << QStringLiteral("a\nb\n\nc") << 400.0 << false << 4;
        // "aaaa aaaa" is 4.96 ems: 54.6 points plain, 61.1 bold.
        QTest::newRow("two words fit") << QStringLiteral("aaaa aaaa aaaa") << 58.0 << false << 2;
        QTest::newRow("bold is wider") << QStringLiteral("aaaa aaaa aaaa") << 58.0 << true << 3;
        // 100 characters of 6.38 points, 31 to a line of 200.
        QTest::newRow("long word breaks") << QStringLiteral("x").repeated(100) << 200.0 << false << 4;
        QTest::newRow("a character a line") << QStringLiteral("абв") << 1.0 << false << 3;
    }

    void lineCount()
    {
        QFETCH(QString, text);
        QFETCH(double, width);
        QFETCH(bool, bold);
        QFETCH(int, lines);
        QCOMPARE(WrappedText::lineCount(text, width, 11.0, bold), lines);
    }

    // On the first device sheet: the remark's row has no height of its own
    // and its merged cell wraps; the table header's row has a fixed height;
    // M1 of the first sheet does not wrap.
    void rowGrowsToItsText_data()
    {
        QTest::addColumn<QString>("sheet");
        QTest::addColumn<QString>("placeholder");   // where the text goes
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("grows");
        QTest::newRow("long remark") << "&DEV_SH_1" << "&D1_NOTES" << remark << true;
        QTest::newRow("short remark") << "&DEV_SH_1" << "&D1_NOTES" << "без замечаний" << false;
        QTest::newRow("fixed height") << "&DEV_SH_1" << "№" << remark << false;
        QTest::newRow("no wrap") << "Протокол" << "12" << remark << false;
    }

    void rowGrowsToItsText()
    {
        QFETCH(QString, sheet);
        QFETCH(QString, placeholder);
        QFETCH(QString, text);
        QFETCH(bool, grows);
        Document doc(templatePath());
        QVERIFY2(doc.isLoaded(), qPrintable(doc.errorString()));
        QVERIFY(doc.setCurrentSheet(doc.sheetNames().indexOf(sheet)));
        Worksheet *ws = doc.currentWorksheet();
        const auto [row, column] = find(ws, placeholder);
        QVERIFY(row > 0);
        const double before = ws->rowHeight(row);
        const bool fixed = ws->rowHeightIsFixed(row);

        QVERIFY(doc.write(row, column, text));
        doc.fitRowToCell(row, column);
        if (!grows) {
            QCOMPARE(ws->rowHeight(row), before);
            QCOMPARE(ws->rowHeightIsFixed(row), fixed);
            return;
        }
        // 300 characters take three lines of 11 points at the least, whatever the face.
        const double grown = ws->rowHeight(row);
        QVERIFY2(grown >= 3 * 11 * 1.15, qPrintable(QString::number(grown)));
        QVERIFY(!ws->rowHeightIsFixed(row));
        // A shorter text later leaves the row as tall as it is.
        QVERIFY(doc.write(row, column, QStringLiteral("без замечаний")));
        doc.fitRowToCell(row, column);
        QCOMPARE(ws->rowHeight(row), grown);

        // Saved as a height the row has, not one set by hand: a spreadsheet
        // program may fit it again; and the styles are written back untouched.
        QTemporaryDir dir;
        const QString out = dir.filePath(QStringLiteral("grown.xlsx"));
        QVERIFY2(doc.saveAs(out), qPrintable(doc.errorString()));
        const QByteArray part = XlsxCheck::zipPart(out, QStringLiteral("xl/worksheets/sheet2.xml"));
        const QRegularExpressionMatch m =
            QRegularExpression(QStringLiteral("<row r=\"%1\"([^>]*)>").arg(row)).match(QString::fromUtf8(part));
        QVERIFY(m.hasMatch());
        QCOMPARE(m.captured(1), QStringLiteral(" ht=\"%1\"").arg(grown));
        QVERIFY(XlsxCheck::zipPart(out, QStringLiteral("xl/styles.xml")) == XlsxCheck::zipPart(templatePath(), QStringLiteral("xl/styles.xml")));
    }
};

QTEST_GUILESS_MAIN(TestWrappedText)
#include "tst_wrappedtext.moc"
