// Time and memory of writing a protocol-sized workbook with our layer: the
// largest built-in template, its device sheets renamed, its placeholders
// filled and its list row copied for 201 points on each of the four device
// sheets, saved. The same work with openpyxl runs in turn with it, one of each
// at a time, when /usr/bin/python3 has it.
//
//   bench_workbook [runs]   (default 21)

#include "Xlsx/Document.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include "BenchSupport.h"

namespace {

constexpr int Points = 201;

// The protocol writer's work, reduced to what the layer does for it.
bool fill(const QString &templatePath, const QString &out, QString *error)
{
    static const QRegularExpression token(QStringLiteral("&[A-Z][A-Z0-9_]*"));
    Xlsx::Document doc(templatePath);
    if (!doc.isLoaded()) {
        *error = doc.errorString();
        return false;
    }
    int columns = doc.read(QStringLiteral("M1")).toInt();
    int rows = doc.read(QStringLiteral("N1")).toInt();
    columns = columns ? columns + 1 : 1000;
    rows = rows ? rows + 1 : 1000;
    doc.write(QStringLiteral("M1"), QVariant());
    doc.write(QStringLiteral("N1"), QVariant());
    const QStringList names = doc.sheetNames();
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names[i];
        for (const auto &p : {std::make_pair("&DEV_SH_", ""), std::make_pair("&DEV_CCR_", "Сертификат"),
                              std::make_pair("&DEV_VCR_", "Свидетельство")})
            if (name.startsWith(QLatin1String(p.first)))
                doc.renameSheet(name, QString::fromUtf8(p.second) + QStringLiteral(" Прибор ")
                                          + name.mid(int(qstrlen(p.first))));
        doc.setActiveSheet(i);
        Xlsx::Worksheet *ws = doc.currentWorksheet();
        int limit = rows;
        for (int r = ws->nextRow(0); r && r < limit; r = ws->nextRow(r))
            for (int c = ws->nextColumn(r, 0); c && c < columns; c = ws->nextColumn(r, c)) {
                const auto cell = ws->cellAt(r, c);
                if (cell->hasFormula())
                    continue;
                QString text = cell->value().toString();
                if (!text.contains(QLatin1Char('&')) || text.startsWith(QLatin1String("&DN_")))
                    continue;
                if (text == QLatin1String("&LST_F") || text == QLatin1String("&LST_H")) {
                    const int count = text == QLatin1String("&LST_F") ? Points - 1 : (Points - 1) / 2;
                    ws->write(r, c, QString());
                    if (!ws->insertRowCopies(r, count)) {
                        *error = QStringLiteral("row copy failed");
                        return false;
                    }
                    limit += count;
                    continue;
                }
                text.replace(token, QStringLiteral("значение"));
                ws->write(r, c, text);
            }
        for (int r = ws->nextRow(0); r && r < limit; r = ws->nextRow(r))
            for (int c = ws->nextColumn(r, 0); c && c < columns; c = ws->nextColumn(r, c))
                if (ws->read(r, c).toString().startsWith(QLatin1String("&DN_")))
                    ws->write(r, c, 123.456 + r);
    }
    if (!doc.saveAs(out)) {
        *error = doc.errorString();
        return false;
    }
    return true;
}

}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream cout(stdout);
    const int runs = argc > 1 ? qMax(1, QString::fromLocal8Bit(argv[1]).toInt()) : 21;

    // The largest of the built-in templates.
    QString largest;
    qint64 size = -1;
    const QDir templates(QStringLiteral(MANOVERA_SOURCE_DIR "/Templates"));
    for (const QFileInfo &f : templates.entryInfoList({QStringLiteral("default_template_*.xlsx")}, QDir::Files))
        if (f.size() > size) {
            size = f.size();
            largest = f.absoluteFilePath();
        }
    if (largest.isEmpty()) {
        cout << "no built-in template found in " << templates.path() << "\n";
        return 1;
    }
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("protocol.xlsx"));

    cout << "template: " << QFileInfo(largest).fileName() << ", " << Points << " points, 4 devices\n";
    QString error;
    const bool ok = Bench::alternateWithOpenpyxl(
        cout, largest, dir.filePath(QStringLiteral("openpyxl.xlsx")), runs, [&] { return fill(largest, out, &error); },
        QStringLiteral("our layer"));
    if (!ok) {
        cout << "failed: " << error << "\n";
        return 1;
    }
    cout << "document: " << QFileInfo(out).size() / 1024 << " KiB\n";
    return 0;
}
