// Files that are no sound workbook: each is refused with a clear error, no
// crash, and nothing is written for it.

#include "XlsxCheck.h"

#include "Xlsx/Document.h"

#include <QBuffer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <zlib.h>

using namespace Xlsx;

class TestBadInput : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_good;

private slots:
    void initTestCase()
    {
        m_good = m_dir.filePath(QStringLiteral("good.xlsx"));
        Document doc;
        QVERIFY(doc.insertSheet(0, QStringLiteral("Лист1")));
        QVERIFY(doc.write(1, 1, QStringLiteral("текст")));
        QVERIFY(doc.saveAs(m_good));
        QVERIFY(Document(m_good).isLoaded());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error");

        QFile f(m_good);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray good = f.readAll();
        const QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
        const QByteArray sheetHead = "<?xml version=\"1.0\"?><worksheet xmlns=\"http://schemas.openxmlformats.org/"
                                     "spreadsheetml/2006/main\"><sheetData>";

        QTest::newRow("not a zip") << QByteArray("just some text, no zip at all") << "not a zip";
        QTest::newRow("empty file") << QByteArray() << "not a zip";
        QTest::newRow("encrypted by a spreadsheet program")
            << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0') << "encrypted";
        QTest::newRow("truncated") << good.left(good.size() / 2) << "damaged or truncated";
        QTest::newRow("no workbook") << XlsxCheck::rewritten(m_good, {{"xl/workbook.xml", QByteArray()}}) << "no workbook";
        QTest::newRow("no content types") << XlsxCheck::rewritten(m_good, {{"[Content_Types].xml", QByteArray()}}) << "content types";
        QTest::newRow("malformed sheet XML")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "<row r=\"1\"><c r=\"A1\"><v>1</v></c>"}}) << "malformed";
        QTest::newRow("malformed workbook XML") << XlsxCheck::rewritten(m_good, {{"xl/workbook.xml", "<workbook><sheets>"}})
                                                << "malformed";
        QTest::newRow("row beyond the limit")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "<row r=\"1048577\"><c><v>1</v></c></row></sheetData></worksheet>"}})
            << "beyond the sheet limits";
        QTest::newRow("column beyond the limit")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "<row r=\"1\"><c r=\"XFE1\"><v>1</v></c></row></sheetData></worksheet>"}})
            << "beyond the sheet limits";
        QTest::newRow("cell in the wrong row")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "<row r=\"2\"><c r=\"A1\"><v>1</v></c></row></sheetData></worksheet>"}})
            << "stands in row";
        QTest::newRow("bad number")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "<row r=\"1\"><c r=\"A1\"><v>1,5</v></c></row></sheetData></worksheet>"}})
            << "malformed number";
        QTest::newRow("shared string out of range")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>7</v></c></row></sheetData></worksheet>"}})
            << "shared string";
        QTest::newRow("entity declarations")
            << XlsxCheck::rewritten(m_good, {{sheet, "<?xml version=\"1.0\"?><!DOCTYPE w [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;\">]>"
                                          "<worksheet><sheetData/></worksheet>"}})
            << "document type";
        QTest::newRow("nesting without end")
            << XlsxCheck::rewritten(m_good, {{sheet, sheetHead + "</sheetData><extLst>" + QByteArray("<a>").repeated(200000)
                                                         + QByteArray("</a>").repeated(200000) + "</extLst></worksheet>"}})
            << "nested too deeply";
        // 70 MB of zeros pack into some 70 kB: a part beyond the bound.
        QTest::newRow("part inflating beyond the bound")
            << XlsxCheck::rewritten(m_good, {{"xl/media/huge.bin", QByteArray(70 * 1024 * 1024, '\0')}}) << "inflates beyond";
    }

    void refused()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        const QString path = m_dir.filePath(QStringLiteral("bad.xlsx"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(file);
        }
        Document doc(path);
        QVERIFY(!doc.isLoaded());
        QVERIFY2(doc.errorString().contains(error), qPrintable(doc.errorString()));
        QCOMPARE(doc.sheetCount(), 0);
        QVERIFY(!doc.currentWorksheet());
        QVERIFY(!doc.read(QStringLiteral("A1")).isValid());
        QVERIFY(!doc.write(1, 1, 1.0));
        const QString out = m_dir.filePath(QStringLiteral("never.xlsx"));
        QVERIFY(!doc.saveAs(out));
        QVERIFY(!QFile::exists(out));
    }

    void encryptedZipEntry()
    {
        // A zip entry under the traditional zip password scheme.
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        {
            QuaZip zip(&buffer);
            QVERIFY(zip.open(QuaZip::mdCreate));
            const QByteArray content = "<Types/>";
            QuaZipFile f(&zip);
            QVERIFY(f.open(QIODevice::WriteOnly, QuaZipNewInfo(QStringLiteral("[Content_Types].xml")), "secret",
                           crc32(0, reinterpret_cast<const Bytef *>(content.constData()), uInt(content.size()))));
            f.write(content);
            f.close();
            zip.close();
        }
        const QString path = m_dir.filePath(QStringLiteral("password.xlsx"));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(data);
        f.close();
        Document doc(path);
        QVERIFY(!doc.isLoaded());
        QVERIFY2(doc.errorString().contains(QStringLiteral("encrypted")), qPrintable(doc.errorString()));
    }

    // Damage anywhere gives an error or a workbook, never a crash: the file cut
    // short at many lengths, and its sheet XML cut short or with a byte changed.
    void damageNeverCrashes()
    {
        const QString foreign = XlsxCheck::script(QStringLiteral("tests/Xlsx/fixtures/foreign.xlsx"));
        QFile f(foreign);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray file = f.readAll();
        int refused = 0;
        for (int n = 0; n < file.size(); n += 61) {
            Document doc;
            if (!doc.openData(file.left(n))) {
                QVERIFY(!doc.errorString().isEmpty());
                ++refused;
            }
        }
        QVERIFY(refused > 0);
        const QByteArray sheet = XlsxCheck::zipPart(foreign, QStringLiteral("xl/worksheets/sheet1.xml"));
        for (int n = 0; n < sheet.size(); n += 7) {
            QByteArray changed = sheet;
            changed[n] = char(changed[n] ^ 0x5A);
            for (const QByteArray &part : {sheet.left(n), changed}) {
                Document doc;
                if (doc.openData(XlsxCheck::rewritten(foreign, {{"xl/worksheets/sheet1.xml", part}}))) {
                    QByteArray saved;
                    QVERIFY(doc.currentWorksheet() == nullptr || doc.currentWorksheet()->insertRowCopies(3, 2));
                    QVERIFY(doc.saveToData(saved));
                    Document again;
                    QVERIFY2(again.openData(saved), qPrintable(again.errorString()));
                } else {
                    QVERIFY(!doc.errorString().isEmpty());
                }
            }
        }
    }

    void missingFile()
    {
        Document doc(m_dir.filePath(QStringLiteral("does-not-exist.xlsx")));
        QVERIFY(!doc.isLoaded());
        QVERIFY(doc.errorString().contains(QStringLiteral("cannot open")));
    }
};

QTEST_GUILESS_MAIN(TestBadInput)
#include "tst_badinput.moc"
