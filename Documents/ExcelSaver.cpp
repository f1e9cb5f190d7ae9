#include "Documents/ExcelSaver.h"

#include "Devices/TAIR.h"
#include "Parameters/HAbstractParametr.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEditableEnum.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"
#include "Xlsx/Document.h"
#include "Xlsx/XlsxGlobal.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <limits>

ExcelSaver *ExcelSaver::instance = nullptr;

namespace {

VrPointsModel *pointsModel()
{
    return Verification::instance ? Verification::instance->pointsModel() : nullptr;
}

int pointCount()
{
    const VrPointsModel *model = pointsModel();
    return model ? model->pointCount() : 0;
}

// The number in M1 or N1, truncated toward zero and kept within the sheet, so
// that a huge or odd value neither overflows nor scans forever. 0 for no number.
int limitValue(const QVariant &value, int sheetMaximum)
{
    const double x = value.toDouble();
    if (!std::isfinite(x))
        return 0;
    return int(std::clamp(std::trunc(x), -1.0, double(sheetMaximum)));
}

// The number format of every pressure in the built-in templates (tools/templates).
constexpr char BuiltInPressureFormat[] = "0.000";

// "0", "0.0" ... "0.000000": the number format with the given decimals.
QString decimalsFormat(int decimals)
{
    decimals = std::clamp(decimals, 0, 6);
    return decimals == 0 ? QStringLiteral("0") : QStringLiteral("0.") + QString(decimals, QLatin1Char('0'));
}

// Names built once: the passes test them against every cell.
struct DeviceNames
{
    QString cell[4];         // "&D1_"
    QString verdict[4];      // "&VR1"
    QString listFd[4][2];    // "&DN_FD0_I", "&DN_FD0_D"
    QString listD[4][2];     // "&DN_D1_I", "&DN_D1_D"
    QString listAcc[4][2];   // "&DN_ACC1_I", "&DN_ACC1_D"
    DeviceNames()
    {
        for (int k = 0; k < 4; ++k) {
            cell[k] = QStringLiteral("&D%1_").arg(k + 1);
            verdict[k] = QStringLiteral("&VR%1").arg(k + 1);
            for (int d = 0; d < 2; ++d) {
                const QString suffix = d == 0 ? QStringLiteral("_I") : QStringLiteral("_D");
                listFd[k][d] = QStringLiteral("&DN_FD%1").arg(k) + suffix;
                listD[k][d] = QStringLiteral("&DN_D%1").arg(k + 1) + suffix;
                listAcc[k][d] = QStringLiteral("&DN_ACC%1").arg(k + 1) + suffix;
            }
        }
    }
};

const DeviceNames &placeholderNames()
{
    static const DeviceNames n;
    return n;
}

// No placeholder of the first pass begins with "&DN_" (those are the list
// cells of the second pass, which fill most of a protocol): a text whose every
// '&' opens "&DN_" needs none of the first pass's many searches.
bool mayHoldCellPlaceholder(const QString &text)
{
    for (int i = text.indexOf(QLatin1Char('&')); i >= 0; i = text.indexOf(QLatin1Char('&'), i + 1))
        if (QStringRef(&text, i, text.size() - i).left(4) != QLatin1String("&DN_"))
            return true;
    return false;
}

struct DeviceSheetKind
{
    const char *prefix;
    const char *title;
};

}

ExcelSaver::ExcelSaver(QObject *parent) : QObject(parent)
{
    instance = this;
}

ExcelSaver::~ExcelSaver()
{
    if (instance == this)
        instance = nullptr;
}

void ExcelSaver::initFormats()
{
    headerFormat = Xlsx::Format();
    headerFormat.setFontName(QStringLiteral("Arial Cyr"));
    headerFormat.setFontSize(8);
    headerFormat.setFontBold(true);
    headerFormat.setFontItalic(true);
    headerFormat.setHorizontalAlignment(Xlsx::Format::HorizontalAlignment::Left);
    headerFormat.setVerticalAlignment(Xlsx::Format::VerticalAlignment::Center);

    valueFormat = Xlsx::Format();
    valueFormat.setFontName(QStringLiteral("Arial Cyr"));
    valueFormat.setFontSize(8);
    valueFormat.setFontBold(false);
    valueFormat.setFontItalic(false);
    valueFormat.setHorizontalAlignment(Xlsx::Format::HorizontalAlignment::Left);
    valueFormat.setVerticalAlignment(Xlsx::Format::VerticalAlignment::Center);
}

bool ExcelSaver::makeProtocol(const QString &name)
{
    m_lastError.clear();
    if (!m_transducer) {
        // Another thread would read the record while the worker may write it.
        if (QThread::currentThread() != thread()) {
            qWarning() << "TRANSDUCER TEXTS NOT TAKEN";
            m_lastError = tr("Ошибка при сохранении протокола!");
            return false;
        }
        takeTransducerTexts();
    }
    const bool ok = run(name);
    // The document and the texts live for one run, whatever its outcome.
    workingDocument.reset();
    m_transducer.reset();
    return ok;
}

void ExcelSaver::takeTransducerTexts()
{
    const TAIR *tair = TAIR::instance;
    if (!tair) {
        m_transducer = TransducerTexts();
        return;
    }
    m_transducer = TransducerTexts{tair->prDeviceType->valueText(), tair->prQvtModel->valueText(),
                                   tair->prIndex->valueText(),      tair->accuracyText(),
                                   tair->prSerialNumber->valueText(), tair->prOwner->valueText(),
                                   tair->prUnits->valueText(),      tair->prRange->valueText(),
                                   tair->prAverageCount->valueText()};
}

QString ExcelSaver::protocolFileName(const QString &folder, const QString &name)
{
    return folder + QLatin1Char('/') + name + QStringLiteral(".xlsx");
}

bool ExcelSaver::run(const QString &name)
{
    const Settings *settings = Settings::instance;
    if (!settings)
        return false;
    const int documentSet = settings->documentSet()->value();
    if (documentSet < 0 || documentSet > 2)
        return false;
    const int method = Verification::instance && Verification::instance->prVerificationMode->value() != 0 ? 1 : 0;
    const QString templatePath = settings->templateFor(documentSet, method);

    if (templatePath.isEmpty() || !QFileInfo(templatePath).isFile()) {
        m_lastError = tr("Ошибка при поиске файла шаблона!");
        return false;
    }

    workingDocument = std::make_unique<Xlsx::Document>();
    if (!workingDocument->open(templatePath)) {
        qDebug() << "OPEN ERROR" << templatePath << workingDocument->errorString();
        m_lastError = tr("Ошибка при открытии файла шаблона!");
        return false;
    }

    // A limit given in the template is blanked, so that it does not show in the document.
    const int columns = limitValue(workingDocument->read(QStringLiteral("M1")), Xlsx::MaxColumns);
    columnLimit = columns != 0 ? columns + 1 : 1000;
    if (columns != 0)
        workingDocument->write(QStringLiteral("M1"), QVariant());
    const int rows = limitValue(workingDocument->read(QStringLiteral("N1")), Xlsx::MaxRows);
    rowLimit = rows != 0 ? rows + 1 : 1000;
    if (rows != 0)
        workingDocument->write(QStringLiteral("N1"), QVariant());
    qDebug() << "PARSE LIMITS" << columnLimit << rowLimit;

    // The built-in templates give every pressure one number format of their own; the document
    // shows those with the decimals the run page shows. An operator's template keeps its formats.
    if (documentSet != 2 && !workingDocument->replaceNumberFormat(QString::fromLatin1(BuiltInPressureFormat),
                                                                  decimalsFormat(settings->decimals()->value()))) {
        qDebug() << "OPEN ERROR" << templatePath << workingDocument->errorString();
        m_lastError = tr("Ошибка при открытии файла шаблона!");
        return false;
    }

    if (!processSheets())
        return false;

    const QString folder = settings->protocolPath()->value();
    if (!QDir().mkpath(folder)) {
        qDebug() << "WRITE ERROR" << folder;
        m_lastError = tr("Ошибка при сохранении протокола!");
        return false;
    }
    const QString fileName = protocolFileName(folder, name);
    qDebug() << "PROTOCOL SAVE PATH" << fileName;
    if (!workingDocument->saveAs(fileName)) {
        qDebug() << "WRITE ERROR" << fileName << workingDocument->errorString();
        m_lastError = tr("Ошибка при сохранении протокола!");
        return false;
    }
    return true;
}

bool ExcelSaver::processSheets()
{
    static const DeviceSheetKind kinds[] = {
        {"&DEV_SH_", ""},
        {"&DEV_VCR_", "Свидетельство"},
        {"&DEV_CCR_", "Сертификат"},
    };
    const int deviceCount = Conditions::instance ? Conditions::instance->prVrDeviceCount->value() : 0;
    const QString markup = tr("Ошибка разметки файла шаблона!");

    QStringList names = workingDocument->sheetNames();
    if (MainHandler::instance)
        emit MainHandler::instance->setLockScreenMaxVal(names.size());

    int processed = 0;
    for (int i = 0; i < names.size();) {
        const QString sheetName = names.at(i);
        bool deleted = false;
        for (const DeviceSheetKind &kind : kinds) {
            const QString prefix = QLatin1String(kind.prefix);
            if (!sheetName.startsWith(prefix))
                continue;
            bool ok = false;
            uint n = sheetName.mid(prefix.size()).toUInt(&ok, 10);
            if (!ok)
                n = 0;
            if (int(n - 1u) >= deviceCount) {
                // A workbook keeps one sheet at least: a template whose every
                // sheet belongs to absent devices is marked up wrongly.
                if (!workingDocument->deleteSheet(sheetName)) {
                    qDebug() << "DELETE SHEET" << sheetName << workingDocument->errorString();
                    m_lastError = markup;
                    return false;
                }
                deleted = true;
            } else if (n >= 1 && n <= 4) {
                const QString newName = QString::fromUtf8(kind.title) + QStringLiteral(" Прибор ") + QString::number(n);
                if (!workingDocument->renameSheet(sheetName, newName)) {
                    qDebug() << "RENAME SHEET" << sheetName << newName << workingDocument->errorString();
                    m_lastError = markup;
                    return false;
                }
            }
            break;
        }
        if (deleted) {
            names = workingDocument->sheetNames();
            continue;
        }

        workingDocument->setActiveSheet(i);
        resetListCounters();
        processedCount = 0;
        if (!scanSheet()) {
            m_lastError = tr("Ошибка записи параметра!");
            return false;
        }
        ++processed;
        if (MainHandler::instance)
            emit MainHandler::instance->lockScreenAddVal();
        ++i;
    }

    if (processed == 0 || processedCount == 0) {
        m_lastError = markup;
        return false;
    }
    return true;
}

// Both passes over the current worksheet. Only stored cells are visited: an
// empty position holds no placeholder, but it counts as scanned.
bool ExcelSaver::scanSheet()
{
    sheetRowLimit = rowLimit;
    if (rowLimit <= 1 || columnLimit <= 1)
        return true;
    Xlsx::Worksheet *ws = workingDocument->currentWorksheet();
    // Visits the stored cells inside the limits, formulas left alone. A cell's own row
    // never gains cells while it is scanned (writes go to the cell visited, copies to
    // the rows below), so a row is taken whole.
    auto scan = [&](auto &&visit) {
        for (int r = ws->nextRow(0); r && r < sheetRowLimit; r = ws->nextRow(r)) {
            for (const auto &[c, cell] : ws->rowCells(r)) {
                if (c >= columnLimit)
                    break;
                if (!cell->hasFormula() && !visit(cell->value().toString(), r, c))
                    return false;
            }
        }
        return true;
    };

    // Pass 1. Rows a list marker inserts come right after the marker's row and raise
    // the row limit, so the scan reaches them and what they pushed down.
    if (ws && !scan([this](const QString &text, int r, int c) { return fillCellPlaceholders(text, r, c); }))
        return false;
    processedCount += qint64(sheetRowLimit - 1) * qint64(columnLimit - 1);
    if (!ws)
        return true;

    // Pass 2.
    return scan([this](const QString &text, int r, int c) {
        if (!fillListPlaceholders(text, r, c))
            return false;
        ++processedCount;
        return true;
    });
}

bool ExcelSaver::write(int row, int column, const QVariant &value)
{
    return workingDocument && workingDocument->write(row, column, value);
}

int ExcelSaver::parsePlaceholderIndex(const QString &text, const QString &prefix, bool *ok)
{
    bool parsed = false;
    const int n = text.mid(prefix.size()).trimmed().toInt(&parsed, 10);
    if (ok)
        *ok = parsed;
    if (!parsed)
        return 0;
    if (n == 0 || n == std::numeric_limits<int>::min())
        return n;
    return n - 1;
}

bool ExcelSaver::writePointValue(int point, int modelColumn, int row, int column)
{
    ++processedCount;
    const VrPointsModel *model = pointsModel();
    if (!model || !model->isRowValid(point))
        return write(row, column, QStringLiteral("-"));
    QVariant value = model->data(model->index(point, modelColumn), Qt::DisplayRole);
    // A value that cannot be computed is shown as "-", never as a broken number.
    if (value.userType() == QMetaType::Double && !std::isfinite(value.toDouble()))
        value = QStringLiteral("-");
    return write(row, column, value);
}

bool ExcelSaver::replaceWithText(const QString &value, int row, int column, QString &text, const QString &placeholder)
{
    text.replace(placeholder, value, Qt::CaseSensitive);
    ++processedCount;
    return write(row, column, text);
}

bool ExcelSaver::replaceWithParametrText(const HAbstractParametr *parametr, int row, int column, QString &text,
                                         const QString &placeholder)
{
    return replaceWithText(parametr ? parametr->valueText() : QString(), row, column, text, placeholder);
}

bool ExcelSaver::insertListRows(int row, int count)
{
    Xlsx::Worksheet *ws = workingDocument ? workingDocument->currentWorksheet() : nullptr;
    if (!ws)
        return false;
    const bool copies = count >= 1 && ws->cellAt(row, ws->nextColumn(row, 0));
    if (!ws->insertRowCopies(row, count))
        return false;
    if (copies)
        sheetRowLimit = int(std::min<qint64>(qint64(sheetRowLimit) + count, qint64(Xlsx::MaxRows) + 1));
    return true;
}

bool ExcelSaver::fillCellPlaceholders(const QString &cellText, int row, int column)
{
    if (!mayHoldCellPlaceholder(cellText))
        return true;
    QString text = cellText;
    bool ok = false;

    const QString pn = QStringLiteral("&PN_");
    const QString et = QStringLiteral("&ET_");
    if (text.contains(pn)) {
        const int k = parsePlaceholderIndex(text, pn, &ok);
        if (ok)
            return writePointValue(k, 0, row, column);
    }
    if (text.contains(et)) {
        const int k = parsePlaceholderIndex(text, et, &ok);
        if (ok)
            return writePointValue(k, 1, row, column);
    }

    // Every in-place write must succeed: a cell left holding its placeholder
    // would reach the operator's signed document.
    bool written = true;
    auto inPlace = [&](const char *placeholder, const QString &value) {
        const QLatin1String p(placeholder);
        if (text.contains(p))
            written = replaceWithText(value, row, column, text, QString(p)) && written;
    };
    auto inPlaceParametr = [&](const char *placeholder, const HAbstractParametr *parametr) {
        const QLatin1String p(placeholder);
        if (text.contains(p))
            written = replaceWithParametrText(parametr, row, column, text, QString(p)) && written;
    };

    const Verification *verification = Verification::instance;
    const Conditions *conditions = Conditions::instance;
    // Each group's placeholders share its prefix; a text without it skips the group.
    if (text.contains(QLatin1String("&ET_"))) {
        // Taken by makeProtocol before the run.
        const TransducerTexts et = m_transducer.value_or(TransducerTexts());
        inPlace("&ET_TYPE", et.type);
        inPlace("&ET_MODEL", et.model);
        inPlace("&ET_CLASS", et.index);
        inPlace("&ET_ACC", et.accuracy);
        inPlace("&ET_SERIAL", et.serial);
        inPlace("&ET_OWNER", et.owner);
        inPlace("&ET_UNIT", et.units);
        if (verification) {
            inPlaceParametr("&ET_LO", verification->prMinValue);
            inPlaceParametr("&ET_HI", verification->prMaxValue);
        }
        inPlace("&ET_QVT_INTERVAL", et.range);
        inPlace("&ET_QVT_AVER", et.averageCount);
    }
    if (conditions && text.contains(QLatin1String("&CD_"))) {
        inPlace("&CD_TEMP_FULL", tr("температура ") + conditions->prTemperature->valueText() + tr(" °C"));
        inPlace("&CD_HUM_FULL", tr("влажность ") + conditions->prHumidity->valueText() + tr(" %"));
        inPlace("&CD_PRES_FULL",
                tr("атмосферное давление ") + conditions->prPressure->valueText() + tr(" мм рт. ст."));
        inPlaceParametr("&CD_DATE", conditions->prDate);
        inPlaceParametr("&CD_TEMP", conditions->prTemperature);
        inPlaceParametr("&CD_HUM", conditions->prHumidity);
        inPlaceParametr("&CD_PRES", conditions->prPressure);
        inPlaceParametr("&CD_VERIF", conditions->prConditionsVrName);
        inPlaceParametr("&CD_CLASS", conditions->prConditionsVrClassTpye);
        inPlaceParametr("&CD_VRCOEFF", conditions->prVrCoeff);
        inPlaceParametr("&CD_DV_COUNT", conditions->prVrDeviceCount);
    }
    if (!written)
        return false;

    VrPointsModel *model = pointsModel();
    for (int n = 1; conditions && n <= 4 && n <= conditions->vrDevices.size(); ++n) {
        const VrDevice *d = conditions->vrDevices.at(n - 1);
        const QString &p = placeholderNames().cell[n - 1];
        // Every placeholder of the device begins with p.
        if (text.contains(p)) {
            auto device = [&](const char *suffix, const HAbstractParametr *parametr) {
                const QString placeholder = p + QLatin1String(suffix);
                if (text.contains(placeholder))
                    written = replaceWithParametrText(parametr, row, column, text, placeholder) && written;
            };
            device("NAME", d->prName);
            device("SERIAL", d->prSerial);
            device("TYPE", d->prDevType);
            device("INV", d->prDevInv);
            device("DATE", d->prYear);
            device("AMB", d->prAmbiant);
            device("OWNER", d->prOwner);
            device("NOTES", d->prNotes);
            device("DOC_VR", d->prVrDocumentVr);
            device("DOC_CL", d->prVrDocumentCl);
            const QString typeOf = p + QStringLiteral("VR_TYPE_OF");
            if (text.contains(typeOf))
                written = replaceWithText(d->prVrOrder->value() == 0 ? tr("первичной") : tr("периодической"), row,
                                          column, text, typeOf)
                          && written;
            device("VR_TYPE", d->prVrOrder);
            device("SIGNAL", d->prSignalType);
            device("CHECK_THT", d->prCheckSystemGr);
            device("CHECK_USG", d->prCheckUsage);
            device("CHECK_EL", d->prCheckRSolid);
            device("CHECK_R", d->prCheckR);
            if (!written)
                return false;
        }

        if (text.contains(p)) {
            const int k = parsePlaceholderIndex(text, p, &ok);
            if (ok)
                return writePointValue(k, n + 1, row, column);
        }

        const QString &v = placeholderNames().verdict[n - 1];
        if (text.contains(v) && model) {
            const int c = n + 1;
            auto verdict = [&](const char *suffix, const QString &passes, const QString &fails) {
                const QString placeholder = v + QLatin1String(suffix);
                if (!text.contains(placeholder))
                    return;
                model->maxReducedError(c);
                const bool failed = model->errorExceeded() || model->hasNoErrorData();
                written = replaceWithText(failed ? fails : passes, row, column, text, placeholder) && written;
            };
            const QString maxAcc = v + QStringLiteral("_MAX_ACC");
            if (text.contains(maxAcc))
                written = replaceWithText(formatMeasuredValue(model->maxReducedError(c)), row, column, text, maxAcc)
                          && written;
            const QString maxVar = v + QStringLiteral("_MAX_VAR");
            if (text.contains(maxVar))
                written = replaceWithText(formatMeasuredValue(model->maxVariation(c)), row, column, text, maxVar)
                          && written;
            verdict("_RESULT_VCR",
                    tr("на основании результатов первичной (периодической) поверки признано соответствующим "
                       "установленным в описании типа метрологическим требованиям и пригодным к применению в сфере "
                       "государственного регулирования обеспечения единства измерений"),
                    tr("на основании результатов первичной (периодической) поверки признано не соответствующим "
                       "установленным в описании типа метрологическим требованиям"));
            verdict("_RESULT_SHORT", tr("положительны"), tr("отрицательны"));
            verdict("_RESULT", tr("Прибор годен"), tr("Прибор забракован"));
            if (!written)
                return false;
        }
    }

    // A filled text may need more lines than the template's text: its row grows,
    // where the template lets it, as it would if the operator typed the text in.
    if (text != cellText && workingDocument)
        workingDocument->fitRowToCell(row, column);

    const int points = pointCount();
    if (text == QLatin1String("&LST_H")) {
        ++processedCount;
        return write(row, column, QString()) && insertListRows(row, (points - 1) / 2);
    }
    if (text == QLatin1String("&LST_F")) {
        ++processedCount;
        return write(row, column, QString()) && insertListRows(row, points - 1);
    }
    return true;
}

void ExcelSaver::resetListCounters()
{
    const int last = pointCount() - 1;
    pnForward = etForward = uncForward = kpaForward = untForward = 0;
    pnReverse = etReverse = uncReverse = kpaReverse = untReverse = last;
    for (int i = 0; i < 4; ++i) {
        deviceForward[i] = accForward[i] = 0;
        deviceReverse[i] = accReverse[i] = last;
    }
}

bool ExcelSaver::writeUncertainty(const QString &text, const QString &key, int &counter, Direction direction,
                                  int kind, int row, int column, bool *matched)
{
    *matched = text == key;
    if (!*matched)
        return true;
    const VrPointsModel *model = pointsModel();
    const double v = model ? model->uncertaintyValue(counter, kind) : std::nan("");
    ++processedCount;
    const bool ok = write(row, column, std::isnan(v) ? QStringLiteral("-") : formatNumber(v, 4));
    counter += direction == Forward ? 1 : -1;
    return ok;
}

bool ExcelSaver::writePointValueAndNext(const QString &text, const QString &key, int &counter, int kind, int row,
                                        int column, bool *matched)
{
    return writeUncertainty(text, key, counter, Forward, kind, row, column, matched);
}

bool ExcelSaver::writePointValueAndPrevious(const QString &text, const QString &key, int &counter, int kind, int row,
                                            int column, bool *matched)
{
    return writeUncertainty(text, key, counter, Reverse, kind, row, column, matched);
}

bool ExcelSaver::writeReducedError(int device, int &counter, int step, int row, int column)
{
    const VrPointsModel *model = pointsModel();
    const QString t = formatMeasuredValue(model ? model->reducedError(device + 1, counter) : std::nan(""));
    counter += step;
    ++processedCount;
    return write(row, column, t);
}

bool ExcelSaver::fillListPlaceholders(const QString &text, int row, int column)
{
    // Every list placeholder begins so.
    if (!text.startsWith(QLatin1String("&DN_")))
        return true;

    const DeviceNames &names = placeholderNames();
    auto starts = [&](const QString &prefix) { return text.startsWith(prefix); };
    auto point = [&](int &counter, int step, int modelColumn) {
        const bool ok = writePointValue(counter, modelColumn, row, column);
        counter += step;
        return ok;
    };

    if (starts(QStringLiteral("&DN_PN_I")))
        return point(pnForward, 1, 0);
    if (starts(QStringLiteral("&DN_PN_D")))
        return point(pnReverse, -1, 0);
    if (starts(QStringLiteral("&DN_ET_I")))
        return point(etForward, 1, 1);
    if (starts(QStringLiteral("&DN_ET_D")))
        return point(etReverse, -1, 1);
    for (int k = 0; k < 4; ++k) {
        if (starts(names.listFd[k][0]))
            return point(deviceForward[k], 1, k + 2);
        if (starts(names.listFd[k][1]))
            return point(deviceReverse[k], -1, k + 2);
    }

    // The uncertainty placeholders: whole-cell texts, each on its own pair of counters.
    struct Uncertainty {
        QLatin1String key;
        int ExcelSaver::*counter;
        bool forward;
        int kind;
    };
    static const Uncertainty uncertainties[] = {
        {QLatin1String("&DN_UNC_I"), &ExcelSaver::uncForward, true, 1},
        {QLatin1String("&DN_UNC_D"), &ExcelSaver::uncReverse, false, 1},
        {QLatin1String("&DN_UNC_PRC_I"), &ExcelSaver::uncForward, true, 1},
        {QLatin1String("&DN_UNC_PRC_D"), &ExcelSaver::uncReverse, false, 1},
        {QLatin1String("&DN_UNC_KPA_I"), &ExcelSaver::kpaForward, true, 0},
        {QLatin1String("&DN_UNC_KPA_D"), &ExcelSaver::kpaReverse, false, 0},
        {QLatin1String("&DN_UNC_UNT_I"), &ExcelSaver::untForward, true, 2},
        {QLatin1String("&DN_UNC_UNT_D"), &ExcelSaver::untReverse, false, 2},
    };
    for (const Uncertainty &u : uncertainties) {
        bool matched = false;
        const QString key(u.key);
        const bool ok = u.forward ? writePointValueAndNext(text, key, this->*u.counter, u.kind, row, column, &matched)
                                  : writePointValueAndPrevious(text, key, this->*u.counter, u.kind, row, column, &matched);
        if (matched)
            return ok;
    }

    // Nominal values on the reference's counters, which they share with "&DN_ET_".
    if (starts(QStringLiteral("&DN_REFF_I")))
        return point(etForward, 1, 0);
    if (starts(QStringLiteral("&DN_REFF_D")))
        return point(etReverse, -1, 0);

    for (int n = 1; n <= 4; ++n) {
        if (starts(names.listD[n - 1][0]))
            return point(deviceForward[n - 1], 1, n + 1);
        if (starts(names.listD[n - 1][1]))
            return point(deviceReverse[n - 1], -1, n + 1);
        // A reduced error replaces the text, so nothing after it can match.
        if (text == names.listAcc[n - 1][0])
            return writeReducedError(n, accForward[n - 1], 1, row, column);
        if (text == names.listAcc[n - 1][1])
            return writeReducedError(n, accReverse[n - 1], -1, row, column);
    }
    return true;
}

bool ExcelSaver::exportGraphData(const QString &title, const QList<double> &values, const QList<double> &timesMs,
                                 int count, const QString &fileName)
{
    // Never past the end of either list, whatever the caller counted.
    count = std::max(0, std::min({count, int(values.size()), int(timesMs.size())}));

    Xlsx::Document document;
    initFormats();
    document.insertSheet(0, QObject::tr("Данные"));
    document.setColumnWidth(2, 26);
    document.write(1, 2, title, headerFormat);
    for (int i = 0; i < count; ++i)
        document.write(i + 2, 2, values.at(i), valueFormat);
    document.setColumnWidth(1, 15);
    document.write(1, 1, QObject::tr("Время, мин"), headerFormat);
    for (int i = 0; i < count; ++i)
        document.write(i + 2, 1, timesMs.at(i) / 60000.0, valueFormat);
    // Written through a temporary file: a failed save keeps what was there.
    return document.saveAs(fileName);
}
