#pragma once

#include "Verification/VrPoint.h"

#include <QAbstractTableModel>
#include <QBrush>
#include <QLinearGradient>
#include <QList>
#include <QRect>
#include <cstdint>

// The verification points and their evaluation. Pressures are kept in kPa and shown
// and entered in the display units of the transducer record.
class VrPointsModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit VrPointsModel(QObject *parent = nullptr);
    ~VrPointsModel() override;

    static VrPointsModel *instance;
    // The current row's background, shared by every view.
    static QLinearGradient highlightGradient;
    static QBrush highlightBrush;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    int pointCount() const { return points.size(); }
    int columnTotal() const;
    bool isRowValid(int row) const { return row >= 0 && row < points.size(); }
    const VrPoint &point(int row) const { return points.at(row); }

    void clearPoints();
    // The column count follows the device count of Conditions, which tells no one when it
    // changes: whoever applies a new count tells the views through this.
    void announceColumns();
    void reservePoints(int n);
    // At position (-1 or past the end: at the end; below -1: at the start).
    void appendPoint(const VrPoint &point, int position);
    void setMode(uint8_t mode) { m_mode = mode; }
    uint8_t mode() const { return m_mode; }
    void setHighlightGeometry(const QRect &rect);

    // Column 1 is the reference, 2..5 the devices; results in percent of the span, or NaN.
    double reducedError(int column, int row) const;
    // Sets errorExceeded by the zone of the point with the largest error.
    double maxReducedError(int column);
    // The largest error allowed at a nominal (kPa): the zone value of the accuracy class times
    // the reserve coefficient.
    double errorLimit(double nominal) const;
    // An error equal to its limit passes: a difference within the binary noise of the arithmetic,
    // far below the last digit shown, is no excess; any real difference is.
    static bool exceedsLimit(double error, double limit);
    double maxVariation(int column) const;
    void computeUncertainty(int row);
    // Kind 0 kPa, 1 percent of the span, 2 display units.
    double uncertaintyValue(int row, int kind) const;

    bool errorExceeded() const { return m_errorExceeded; }
    bool hasNoErrorData() const { return m_countedPoints == 0; }
    int countedPoints() const { return m_countedPoints; }

    // Row of the current point, -1 none; kept by the run page.
    int currentRow = -1;

signals:
    void editDataChange();

private:
    double spanKPa() const;

    QList<VrPoint> points;
    bool m_errorExceeded = false;
    int m_countedPoints = 0;
    uint8_t m_mode = 0;
    QRect m_highlightRect;
};
