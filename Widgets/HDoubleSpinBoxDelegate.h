#pragma once

#include <QItemDelegate>

// Edits numbers in table cells with a spin box of a given number of decimals.
class HDoubleSpinBoxDelegate : public QItemDelegate
{
    Q_OBJECT
public:
    explicit HDoubleSpinBoxDelegate(QObject *parent = nullptr);

    // For editors opened from now on.
    void setDecimals(int decimals);
    int decimals() const { return m_decimals; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

signals:
    void valueChanged(double);

protected:
    // Tab stores the value and leaves the table, as from the table itself.
    bool eventFilter(QObject *object, QEvent *event) override;

private:
    int m_decimals = 4;
};
