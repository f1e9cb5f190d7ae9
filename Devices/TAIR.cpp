#include "Devices/TAIR.h"

#include "Parameters/Configurator.h"
#include "Parameters/Dictionary.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Units.h"
#include "Verification/Verification.h"

#include <QCoreApplication>
#include <QDebug>

#include <cmath>
#include <iterator>

TAIR *TAIR::instance = nullptr;

namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("TAIR", text);
}

// One cell of the rank table: a fixed text, or a rule "lo >= floor: hi <= a -> x; hi <= b -> y ...".
struct Branch {
    double limit;
    bool strict;  // "<" instead of "<="
    const char *text;
};

struct RankCell {
    const char *fixed;  // non-null: the result whatever the interval
    double floor;
    int count;
    Branch branches[3];
};

constexpr RankCell fixed(const char *text)
{
    return RankCell{text, 0.0, 0, {}};
}

constexpr RankCell rule(double floor, Branch a, Branch b)
{
    return RankCell{nullptr, floor, 2, {a, b, {}}};
}

constexpr RankCell rule(double floor, Branch a, Branch b, Branch c)
{
    return RankCell{nullptr, floor, 3, {a, b, c}};
}

constexpr Branch le(double limit, const char *text)
{
    return Branch{limit, false, text};
}

constexpr Branch lt(double limit, const char *text)
{
    return Branch{limit, true, text};
}

// Rows by model code ZKA..ZKX, columns by accuracy index A0, A, B, C.
const RankCell RankTable[23][4] = {
    /* ZKA */ {fixed("1"), fixed("1"), fixed("1"), fixed("1")},
    /* ZKB */ {fixed("2"), fixed("2"), rule(0, le(60, "2"), le(120, "3")), fixed("РСИ")},
    /* ZKC */ {fixed("1"), fixed("1"), rule(0, lt(200, "1"), le(250, "2")), rule(0, lt(100, "1"), le(250, "2"))},
    /* ZKD */ {fixed("2"), rule(0, le(270, "2"), le(600, "3")), fixed("3"), fixed("РСИ")},
    /* ZKE */ {fixed("3"), fixed("3"), fixed("3"), fixed("РСИ")},
    /* ZKF */ {fixed("-"), fixed("-"), fixed("-"), fixed("-")},
    /* ZKH */ {fixed("-"), fixed("-"), fixed("-"), fixed("-")},
    /* ZKI */ {rule(0, le(1.5, "1"), le(2.5, "2")), rule(0, le(0.8, "1"), le(2.5, "2")), fixed("2"), fixed("2")},
    /* ZKJ */ {rule(0, le(3, "1"), le(6.3, "2")), rule(0, le(2, "1"), le(6.3, "2")), fixed("2"), fixed("2")},
    /* ZKK */ {rule(0, le(8, "1"), le(16, "2")), rule(0, le(6, "1"), le(16, "2")), fixed("2"), fixed("2")},
    /* ZKL */ {fixed("1"), rule(0, le(32.8, "1"), le(40, "2")), rule(0, le(5.5, "1"), le(40, "2")),
               rule(0, le(5.5, "1"), le(40, "2"))},
    /* ZKM */ {fixed("1"), rule(0, le(82, "1"), le(100, "2")), rule(0, le(50, "1"), le(100, "2")),
               rule(0, le(59, "2"), le(100, "3"))},
    /* ZKN */ {fixed("1"), rule(0, le(200, "1"), le(250, "2")), rule(0, le(100, "1"), le(250, "2")),
               rule(0, le(75, "1"), le(250, "2"))},
    /* ZKO */ {fixed("1"), rule(0, le(495, "1"), le(600, "2")), rule(0, le(300, "1"), le(600, "2")),
               rule(0, le(354, "2"), le(600, "3"))},
    /* ZKP */ {fixed("1"), rule(0, le(2050, "1"), le(2500, "2")), rule(0, le(1300, "1"), le(2500, "2")),
               rule(0, le(1500, "2"), le(2500, "3"))},
    /* ZKQ */ {fixed("1"), rule(0, le(5000, "1"), le(6000, "2")), rule(0, le(3000, "1"), le(6000, "2")),
               rule(0, le(3500, "2"), le(6000, "3"))},
    /* ZKR */ {fixed("1"), rule(0, le(13000, "1"), le(16000, "2")), rule(0, le(8000, "1"), le(16000, "2")),
               rule(0, le(9500, "2"), le(16000, "3"))},
    /* ZKS */ {fixed("1"), rule(0, le(50000, "1"), le(60000, "2")), rule(0, le(30000, "1"), le(60000, "2")),
               rule(0, le(35500, "2"), le(60000, "3"))},
    /* ZKT */ {fixed("1"), rule(0, le(80000, "1"), le(100000, "2")), rule(0, le(41000, "1"), le(100000, "2")),
               rule(0, le(17000, "1"), le(100000, "2"))},
    /* ZKU */ {fixed("1"), rule(-10, le(13, "1"), le(20, "2")), rule(-10, le(10, "1"), le(20, "2")),
               rule(-10, le(5, "1"), le(20, "2"))},
    /* ZKV */ {fixed("1"), rule(-40, le(52, "1"), le(80, "2")), rule(-40, le(40, "1"), le(80, "2")),
               rule(-40, le(20, "1"), le(80, "2"))},
    /* ZKW */ {fixed("1"), rule(-100, le(169, "1"), le(260, "2")), rule(-100, le(130, "1"), le(260, "2")),
               rule(-100, le(65, "1"), le(260, "2"))},
    /* ZKX */ {rule(-100, le(0, "3"), le(600, "1")), rule(-100, le(0, "3"), le(390, "1"), le(600, "2")),
               rule(-100, le(0, "3"), le(200, "1"), le(600, "2")), rule(-100, le(0, "3"), le(360, "2"), le(600, "3"))},
};

// The transducer reports its limits as float32: compare in that precision, so that
// 6.3 read from the transducer still matches the constant 6.3.
bool sameLimit(double limit, double constant)
{
    return static_cast<float>(limit) == static_cast<float>(constant);
}
}

TAIR::TAIR()
{
    Dictionary *dict = Dictionary::instance;
    const uint8_t own = HAbstractParametr::OwnsTitle;

    prDeviceUnits = new ParametrEnum(QStringLiteral("Единица измерений"), dict->units, own);
    prDeviceType = new ParametrEnum(tr("Тип прибора"), dict->qvtModels, own);
    prSerialNumber = new ParametrString(tr("Заводской номер"), 10, own);
    prOwner = new ParametrString(tr("Собственник"), 25, own);
    prRange = new ParametrString(tr("Диапазон измерений"), 25, own);
    prUnits = new ParametrEnum(tr("Единица показаний"), dict->units, own);
    prRegistryNumber = new ParametrString(tr("Регистрационный номер эталона"), 50, own);
    prIndex = new ParametrEnum(tr("Индекс заказа (класса точности)"), dict->accuracyIndexes, own);
    prQvtModel = new ParametrEnum(tr("Модель"), dict->rangeCodes, own);
    prAverageCount = new ParametrInt(tr("Кол-во измерений для усреднений"), 1, 125, own);
    prDeviceDecimals = new ParametrInt(tr("Кол-во знаков после запятой"), 0, 4, own);
    prBuzzerLevel = new ParametrInt(tr("Уровень срабатывания зуммера, %"), 0, 150, own);
    prUnitsLanguage = new ParametrEnum(tr("Язык единиц измерений"), dict->languages, own);
    prSoftwareVersion = new ParametrString(tr("Версия ПО"), 99, own);
    prTrimMeasuredLow = new ParametrDouble(tr("Измеренное"), -99, -99, own);
    prTrimReferenceLow = new ParametrDouble(tr("Эталонное"), -99, -99, own);
    prTrimMeasuredHigh = new ParametrDouble(tr("Измеренное"), -99, -99, own);
    prTrimReferenceHigh = new ParametrDouble(tr("Эталонное"), -99, -99, own);
    prTrimAverageCount = new ParametrInt(QString(), 2, 99, own);
    prMin = new ParametrDouble(tr("Мин. значение"), -99, -99, own);
    prMax = new ParametrDouble(tr("Макс. значение"), -99, -99, own);

    prDeviceUnits->setValue(-1);
    prDeviceType->setValue(-1);
    prUnits->setValue(0);
    prTrimAverageCount->setValue(10);
    prMin->setValue(0);
    prMax->setValue(0);

    m_history.reserve(m_historySize);

    Configurator *config = Configurator::instance;
    config->addParametr(prOwner, QStringLiteral("prOwner"));
    config->addParametr(prUnits, QStringLiteral("prUnits"));
    config->addParametr(prRegistryNumber, QStringLiteral("prRegistryNumber"));
    config->addParametr(prIndex, QStringLiteral("prIndex"));
    config->addParametr(prQvtModel, QStringLiteral("prQvtModel"));
    config->addParametr(prMin, QStringLiteral("prMin"));
    config->addParametr(prMax, QStringLiteral("prMax"));

    instance = this;
}

// The parameters stay registered with the Configurator for the life of the program.
TAIR::~TAIR()
{
    if (instance == this)
        instance = nullptr;
}

void TAIR::setConnected(bool on)
{
    Configurator *config = Configurator::instance;
    if (config && config->isLoaded()) {
        if (on)
            config->loadQvtSettings();
        else if (isConnected())
            config->saveQvtSettings();
    }
    m_connected.store(on, std::memory_order_release);
}

void TAIR::updateModelIndex()
{
    if (deviceType == 13)
        modelIndex = 0;
    else if (deviceType == 43)
        modelIndex = 1;
    else
        modelIndex = 2;
    prDeviceType->setValue(modelIndex);
}

void TAIR::updateRangeCodes()
{
    Dictionary *dict = Dictionary::instance;
    const EnumList &all = dict->rangeCodes;
    QList<int> codes;

    if (sameLimit(lowerLimit, 0)) {
        static const struct {
            double upper;
            int codes[2];
            int count;
        } ZeroBased[] = {
            {120, {1}, 1},      {600, {3, 13}, 2},   {2500, {4, 14}, 2}, {2.5, {7}, 1},
            {6.3, {8}, 1},      {10, {0}, 1},        {16, {9}, 1},       {40, {10}, 1},
            {100, {11}, 1},     {250, {2, 12}, 2},   {6000, {5, 15}, 2}, {16000, {6, 16}, 2},
            {60000, {17}, 1},   {100000, {18}, 1},
        };
        for (const auto &entry : ZeroBased) {
            if (sameLimit(upperLimit, entry.upper)) {
                for (int i = 0; i < entry.count; ++i)
                    codes.append(entry.codes[i]);
            }
        }
    }
    if (sameLimit(lowerLimit, -10))
        codes.append(19);
    if (sameLimit(lowerLimit, -40))
        codes.append(20);
    if (sameLimit(lowerLimit, -100)) {
        if (sameLimit(upperLimit, 160))
            codes.append(21);
        if (sameLimit(upperLimit, 600))
            codes.append(22);
    }

    EnumList admissible;
    if (codes.isEmpty()) {
        admissible = all;
    } else {
        for (int code : qAsConst(codes))
            admissible.append(all.at(code));
    }

    prQvtModel->setValue(0);
    dict->admissibleRangeCodes = admissible;
    prQvtModel->setItems(dict->admissibleRangeCodes);
}

bool TAIR::recalculateTable()
{
    const int units = prUnits->value();
    const float m1 = static_cast<float>(toKPa(prTrimMeasuredLow->value(), units));
    const float r1 = static_cast<float>(toKPa(prTrimReferenceLow->value(), units));
    const float m2 = static_cast<float>(toKPa(prTrimMeasuredHigh->value(), units));
    const float r2 = static_cast<float>(toKPa(prTrimReferenceHigh->value(), units));
    qDebug() << "RECALK" << m1 << r1 << m2 << r2;

    const float k = (m2 - m1) / (r2 - r1);
    const float b = r1 - m1 / k;
    // Equal trim points give no slope; such a table must never reach the transducer.
    if (!std::isfinite(k) || k == 0.0f || !std::isfinite(b)) {
        qWarning() << "RECALK REFUSED" << k << b;
        return false;
    }

    for (int row = 0; row < 9; ++row) {
        for (int i = 0; i < 5; ++i)
            calibrationTable[row][i] = calibrationTable[row][i] / k;
    }
    calibrationTable[0][0] = calibrationTable[0][0] + b;

    for (int row = 0; row < 4; ++row)
        qDebug() << "ROW" << row << calibrationTable[row][0] << calibrationTable[row][1] << calibrationTable[row][2];
    return true;
}

QString TAIR::accuracyText() const
{
    const Verification *verification = Verification::instance;
    if (!verification)
        return QStringLiteral("-");
    const int units = prUnits->value();
    return accuracyText(toKPa(verification->prMinValue->value(), units),
                        toKPa(verification->prMaxValue->value(), units));
}

QString TAIR::accuracyText(double lowKPa, double highKPa) const
{
    const int index = prIndex->value();
    const int code = prQvtModel->value();
    if (index < 0 || index > 3 || code < 0 || code >= int(std::size(RankTable)))
        return QStringLiteral("-");

    const RankCell &cell = RankTable[code][index];
    if (cell.fixed)
        return QString::fromUtf8(cell.fixed);
    if (!(lowKPa >= cell.floor))
        return QStringLiteral("-");
    for (int i = 0; i < cell.count; ++i) {
        const Branch &branch = cell.branches[i];
        if (branch.strict ? highKPa < branch.limit : highKPa <= branch.limit)
            return QString::fromUtf8(branch.text);
    }
    return QStringLiteral("-");
}

void TAIR::clearHistory()
{
    std::lock_guard<std::mutex> lock(m_historyMutex);
    m_history.clear();
}

void TAIR::appendHistory(double kPa)
{
    std::lock_guard<std::mutex> lock(m_historyMutex);
    m_history.append(kPa);
    while (m_history.size() > m_historySize)
        m_history.removeFirst();
}

QList<double> TAIR::history() const
{
    std::lock_guard<std::mutex> lock(m_historyMutex);
    // A copy of its own, not one sharing the list's data: the worker's next append would
    // otherwise decide between writing in place and copying on a count it reads unordered.
    QList<double> copy;
    copy.reserve(m_history.size());
    for (double x : m_history)
        copy.append(x);
    return copy;
}
