#include "Verification/VrPointsModel.h"

#include "Devices/TAIR.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/Units.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Widgets/ColorScheme.h"

#include <QColor>

#include <algorithm>
#include <cmath>

VrPointsModel *VrPointsModel::instance = nullptr;

namespace {
const double NaN = std::nan("");

// Values that differ by less than this fraction are the same value: the arithmetic's binary
// noise is some 1e-15 of them, while an error is shown with six decimals at most (1e-6 %), so
// a difference the operator can see is always far above it.
constexpr double Tolerance = 1e-9;

// The margin below which two errors in percent (or an error and its limit) count as equal.
double errorMargin(double a, double b)
{
    return Tolerance * std::max({1.0, std::fabs(a), std::fabs(b)});
}

// The colour scheme's accent; the same colour before the scheme exists.
QColor accentColor()
{
    return ColorScheme::instance ? ColorScheme::instance->accentColor : QColor(189, 237, 255);
}

QLinearGradient makeHighlightGradient()
{
    QLinearGradient gradient(0, 0, 0, 1);
    const QColor accent = accentColor();
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(0.3, accent);
    gradient.setColorAt(0.7, accent);
    gradient.setColorAt(1, QColor(147, 201, 227).lighter(120));
    return gradient;
}

int displayUnits()
{
    return TAIR::instance->prUnits->value();
}

// The verification interval in kPa.
double intervalMinKPa()
{
    return toKPa(Verification::instance->prMinValue->value(), displayUnits());
}

double intervalKPa()
{
    const Verification *v = Verification::instance;
    return toKPa(v->prMaxValue->value() - v->prMinValue->value(), displayUnits());
}

// A number typed or pasted into a cell: the spin box gives a double, text may carry a decimal comma.
bool cellNumber(const QVariant &value, double *x)
{
    bool ok = false;
    if (value.userType() == QMetaType::QString) {
        const QString text = value.toString().trimmed();
        *x = numberLocale().toDouble(text, &ok);
        if (!ok)
            *x = text.toDouble(&ok);
    } else {
        *x = value.toDouble(&ok);
    }
    return ok && std::isfinite(*x);
}
}

QLinearGradient VrPointsModel::highlightGradient = makeHighlightGradient();
QBrush VrPointsModel::highlightBrush;

VrPointsModel::VrPointsModel(QObject *parent) : QAbstractTableModel(parent)
{
    // The gradient exists from program start; the scheme is created before us.
    highlightGradient.setStops(makeHighlightGradient().stops());
    instance = this;
}

VrPointsModel::~VrPointsModel()
{
    if (instance == this)
        instance = nullptr;
}

int VrPointsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : points.size();
}

int VrPointsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : columnTotal();
}

int VrPointsModel::columnTotal() const
{
    // Four device records exist: a stored count outside 1..4 must not open more columns.
    return qBound(1, Conditions::instance->prVrDeviceCount->value(), 4) + 2;
}

QVariant VrPointsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !isRowValid(index.row()))
        return QVariant();
    const int column = index.column();
    if (role == Qt::BackgroundRole)
        return index.row() == currentRow ? QVariant(highlightBrush) : QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();

    const VrPoint &p = points.at(index.row());
    const int units = displayUnits();
    if (column == 0)
        return fromKPa(units, p.nominal);
    if (column == 1)
        return p.referenceMeasured ? QVariant(fromKPa(units, p.reference)) : QVariant(QStringLiteral("-"));
    if (column >= 2 && column <= 5) {
        const VrPoint::Device &d = p.devices[column - 2];
        return d.measured ? QVariant(fromKPa(units, d.reading)) : QVariant(QStringLiteral("-"));
    }
    return QVariant();
}

bool VrPointsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole)
        return true;
    if (!index.isValid() || !isRowValid(index.row()) || index.column() < 0 || index.column() > 5)
        return false;
    const int column = index.column();
    if (column == 0)
        return true;
    double x = 0;
    // Text that is no number is refused, so a cell never turns into a reading of 0.
    if (!cellNumber(value, &x))
        return false;

    VrPoint &p = points[index.row()];
    const double kPa = toKPa(x, displayUnits());
    if (column == 1) {
        p.reference = kPa;
        p.referenceMeasured = true;
    } else {
        p.devices[column - 2].reading = kPa;
        p.devices[column - 2].measured = true;
    }
    emit editDataChange();
    return true;
}

QVariant VrPointsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QString::number(section + 1);

    const QString units = TAIR::instance->prUnits->valueText();
    if (section == 0)
        return tr("Номинальное давление, \n") + units;
    if (section == 1)
        return tr("Показания эталона, \n") + units;
    if (section < 2 || section > 5)
        return QVariant();

    QString header = Verification::instance->prVerificationMode->value() != 0
                         ? tr("Прибор №") + QString::number(section - 1)
                         : tr("Показания эталона для\nприбора №") + QString::number(section - 1);
    if (!units.isEmpty())
        header += QStringLiteral(", ") + units;
    // Short headers are padded so that the device columns keep a common width.
    if (header.size() <= 14)
        header += QString(30 - 2 * header.size(), QLatin1Char(' '));
    return header;
}

Qt::ItemFlags VrPointsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() >= 2 && m_mode != 0)
        result |= Qt::ItemIsEditable;
    return result;
}

void VrPointsModel::clearPoints()
{
    beginResetModel();
    points.clear();
    endResetModel();
}

void VrPointsModel::announceColumns()
{
    beginResetModel();
    endResetModel();
}

void VrPointsModel::reservePoints(int n)
{
    points.reserve(n);
}

void VrPointsModel::appendPoint(const VrPoint &point, int position)
{
    int row = position;
    if (row == -1 || row > points.size())
        row = points.size();
    else if (row < 0)
        row = 0;
    beginInsertRows(QModelIndex(), row, row);
    points.insert(row, point);
    endInsertRows();
}

void VrPointsModel::setHighlightGeometry(const QRect &rect)
{
    if (rect.height() == m_highlightRect.height())
        return;
    m_highlightRect = rect;
    highlightGradient.setFinalStop(0, rect.height());
    highlightBrush = QBrush(highlightGradient);
}

double VrPointsModel::spanKPa() const
{
    const Verification *v = Verification::instance;
    return toKPa(std::fabs(v->prMaxValue->value() - v->prMinValue->value()), displayUnits());
}

double VrPointsModel::reducedError(int column, int row) const
{
    if (column < 1 || column > 5 || !isRowValid(row))
        return NaN;
    const double span = spanKPa();
    if (!(span > 0) || !std::isfinite(span))
        return NaN;
    const VrPoint &p = points.at(row);
    if (column == 1)
        return p.referenceMeasured ? std::fabs(p.nominal - p.reference) * 100 / span : NaN;
    const VrPoint::Device &d = p.devices[column - 2];
    return d.measured ? std::fabs(p.nominal - d.reading) * 100 / span : NaN;
}

bool VrPointsModel::exceedsLimit(double error, double limit)
{
    return error - limit > errorMargin(error, limit);
}

double VrPointsModel::errorLimit(double nominal) const
{
    // The zone follows the point's place in the interval, which need not start at 0. A point
    // on a quarter mark is there whatever the conversion to kPa made of it (0.45 MPa comes out
    // as 449.99999999999994 kPa): a point within the tolerance of the mark is on it.
    const double span = spanKPa();
    const double position = nominal - intervalMinKPa();
    const double slack = Tolerance * span;
    const Conditions *conditions = Conditions::instance;
    double zone = conditions->zone3;
    if (position < 0.25 * span - slack)
        zone = conditions->zone1;
    else if (position < 0.75 * span - slack)
        zone = conditions->zone2;
    return zone * conditions->prVrCoeff->value();
}

double VrPointsModel::maxReducedError(int column)
{
    m_errorExceeded = false;
    m_countedPoints = 0;
    const double span = spanKPa();
    // Without a span no error can be told: report no data rather than an error of 0.
    if (column < 1 || column > 5 || !(span > 0) || !std::isfinite(span))
        return NaN;

    double largest = 0;
    double nominal = intervalMinKPa();
    int counted = 0;
    // Errors the operator sees as equal are equal here too, so that the rule for a tie, not
    // binary noise, says which point's zone applies.
    for (const VrPoint &p : qAsConst(points)) {
        if (column == 1) {
            if (!p.referenceMeasured)
                continue;
            const double e = std::fabs(p.nominal - p.reference) * 100 / span;
            ++counted;
            // The first point with the largest error decides the zone.
            if (e - largest > errorMargin(e, largest)) {
                largest = e;
                nominal = p.nominal;
            }
        } else {
            const VrPoint::Device &d = p.devices[column - 2];
            if (!d.measured)
                continue;
            const double e = std::fabs(p.nominal - d.reading) * 100 / span;
            ++counted;
            // The last one decides here.
            if (largest - e <= errorMargin(e, largest)) {
                largest = std::max(largest, e);
                nominal = p.nominal;
            }
        }
    }
    if (counted == 0)
        return NaN;

    m_countedPoints = counted;
    m_errorExceeded = exceedsLimit(largest, errorLimit(nominal));
    return largest;
}

double VrPointsModel::maxVariation(int column) const
{
    const double span = spanKPa();
    if (column < 1 || column > 5 || !(span > 0) || !std::isfinite(span))
        return NaN;
    const int n = points.size();
    double largest = 0;
    bool any = false;
    for (int i = 0; i < n / 2; ++i) {
        const VrPoint &up = points.at(i);
        const VrPoint &down = points.at(n - 1 - i);
        double v = 0;
        if (column == 1) {
            if (!up.referenceMeasured || !down.referenceMeasured)
                continue;
            v = std::fabs(up.reference - down.reference) * 100 / span;
        } else {
            const VrPoint::Device &a = up.devices[column - 2];
            const VrPoint::Device &b = down.devices[column - 2];
            if (!a.measured || !b.measured)
                continue;
            v = std::fabs(a.reading - b.reading) * 100 / span;
        }
        any = true;
        largest = std::max(largest, v);
    }
    return any ? largest : NaN;
}

void VrPointsModel::computeUncertainty(int row)
{
    if (points.isEmpty())
        return;
    row = qBound(0, row, points.size() - 1);

    const QList<double> history = TAIR::instance->history();
    const int n = history.size();
    if (n < 2) {
        points[row].uncertainty = NaN;
        return;
    }
    const double span = intervalKPa();

    double sum = 0;
    double high = history.first();
    double low = history.first();
    for (double h : history) {
        sum += h;
        high = std::max(high, h);
        low = std::min(low, h);
    }
    const double mean = sum / n;
    double q = 0;
    for (double h : history)
        q += (h - mean) * (h - mean);

    const double uA = std::sqrt(q / (double(n) * (n - 1)));
    const double uS = (high - low) / 3.4641016151377544;
    const double uR = TAIR::instance->accuracy() * span / 300;
    const double uC = std::sqrt(uR * uR + uA * uA + uS * uS);
    // The scale division is entered in the display units like every other pressure.
    const double uD = toKPa(Conditions::instance->prIndicatorStep->value(), displayUnits()) / 1.7320508075688772;
    points[row].uncertainty = 2 * std::sqrt(uC * uC + uD * uD);
}

double VrPointsModel::uncertaintyValue(int row, int kind) const
{
    if (!isRowValid(row))
        return NaN;
    const double u = points.at(row).uncertainty;
    switch (kind) {
    case 0:
        return u;
    case 1: {
        // An interval edited to no extent after the run has no percent to show.
        const double span = intervalKPa();
        if (span == 0 || !std::isfinite(span))
            return NaN;
        return u * 100 / span;
    }
    case 2:
        return fromKPa(displayUnits(), u);
    default:
        return NaN;
    }
}
