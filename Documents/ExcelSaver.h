#pragma once

#include "Xlsx/Format.h"

#include <QList>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class HAbstractParametr;

namespace Xlsx {
class Document;
}

// Writes protocol documents from .xlsx templates through their "&" placeholders,
// and graph data as a workbook of its own.
//
// makeProtocol runs on the protocol page's worker thread; its per-run state is
// the object's own and one run at a time is allowed (the page starts no second
// worker while one runs). lastError() is read after the worker has finished.
class ExcelSaver : public QObject
{
    Q_OBJECT
public:
    explicit ExcelSaver(QObject *parent = nullptr);
    ~ExcelSaver() override;

    static ExcelSaver *instance;

    // Writes one document named name (no folder, no extension) into the
    // protocol folder. True when it was saved; else lastError() tells why.
    bool makeProtocol(const QString &name);
    // Takes the transducer's texts for the next document, on the GUI thread: the worker writes
    // the record at every connect, so a writing thread must not read it. makeProtocol on the GUI
    // thread takes them itself; on another thread without them it writes nothing.
    void takeTransducerTexts();
    // The file makeProtocol writes, and replaces, for name in folder.
    static QString protocolFileName(const QString &folder, const QString &name);
    QString lastError() const { return m_lastError; }

    // Writes the first count samples as a one-sheet workbook to fileName.
    bool exportGraphData(const QString &title, const QList<double> &values, const QList<double> &timesMs, int count,
                         const QString &fileName);
    void initFormats();

    // The two passes over one cell of the current worksheet (1-based row and
    // column). False only when a cell write of a placeholder failed.
    bool fillCellPlaceholders(const QString &text, int row, int column);
    bool fillListPlaceholders(const QString &text, int row, int column);
    void resetListCounters();

    // The number after the first prefix.size() characters of text, minus 1
    // (0 stays 0); ok false when it is no decimal integer.
    static int parsePlaceholderIndex(const QString &text, const QString &prefix, bool *ok);
    // The points model's value at point and modelColumn, or "-" for no point.
    bool writePointValue(int point, int modelColumn, int row, int column);
    // Replaces every placeholder in text by the parameter's text and writes text.
    bool replaceWithParametrText(const HAbstractParametr *parametr, int row, int column, QString &text,
                                 const QString &placeholder);
    bool insertListRows(int row, int count);

    Xlsx::Format headerFormat;
    Xlsx::Format valueFormat;

private:
    enum Direction { Forward, Reverse };

    bool run(const QString &name);
    bool processSheets();
    bool scanSheet();
    bool write(int row, int column, const QVariant &value);
    bool replaceWithText(const QString &value, int row, int column, QString &text, const QString &placeholder);
    bool writeUncertainty(const QString &text, const QString &key, int &counter, Direction direction, int kind,
                          int row, int column, bool *matched);
    bool writePointValueAndNext(const QString &text, const QString &key, int &counter, int kind, int row, int column,
                                bool *matched);
    bool writePointValueAndPrevious(const QString &text, const QString &key, int &counter, int kind, int row,
                                    int column, bool *matched);
    bool writeReducedError(int device, int &counter, int step, int row, int column);

    QString m_lastError;

    // Per run.
    struct TransducerTexts
    {
        QString type, model, index, accuracy, serial, owner, units, range, averageCount;
    };
    std::optional<TransducerTexts> m_transducer;
    std::unique_ptr<Xlsx::Document> workingDocument;
    // Compared with 0 only; wide so that the largest scan area cannot wrap it.
    qint64 processedCount = 0;
    int columnLimit = 1000;
    int rowLimit = 1000;
    // The current worksheet's row limit: rowLimit and the rows its lists added.
    int sheetRowLimit = 1000;

    int pnForward = 0;
    int pnReverse = -1;
    int etForward = 0;
    int etReverse = -1;
    int uncForward = 0;
    int uncReverse = -1;
    int kpaForward = 0;
    int kpaReverse = -1;
    int untForward = 0;
    int untReverse = -1;
    int deviceForward[4] = {};
    int deviceReverse[4] = {-1, -1, -1, -1};
    int accForward[4] = {};
    int accReverse[4] = {-1, -1, -1, -1};
};
