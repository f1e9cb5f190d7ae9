// Time and memory of writing a protocol-sized workbook with our layer: the
// largest built-in template, its device sheets renamed, its placeholders
// filled and its list row copied for 201 points on each of the four device
// sheets, saved. The same work with openpyxl runs beside it when
// /usr/bin/python3 has it.
//
//   bench_workbook [runs]   (default 21)

#include "Xlsx/Document.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>
#include <vector>

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

    std::vector<double> ours;
    QString error;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        if (!fill(largest, out, &error)) {
            cout << "failed: " << error << "\n";
            return 1;
        }
        ours.push_back(t.nsecsElapsed() / 1e6);
    }
    const double peak = Bench::peakMiB();
    cout << "template: " << QFileInfo(largest).fileName() << ", " << Points << " points, 4 devices, " << runs
         << " runs\n";
    cout << "our layer: median " << QString::number(Bench::median(ours), 'f', 1) << " ms, peak memory "
         << QString::number(peak, 'f', 1) << " MiB, document " << QFileInfo(out).size() / 1024 << " KiB\n";

    Bench::compareWithOpenpyxl(cout, largest, dir.filePath(QStringLiteral("openpyxl.xlsx")), runs, Bench::median(ours),
                               QStringLiteral("our layer"));
    return 0;
}
