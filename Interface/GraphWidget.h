#pragma once

#include <QWidget>
#include <cstdint>

class HButton;
class LinenPlot;
class QHBoxLayout;

// The live graph as the pages show it: the plot above a bar of flat icon buttons
// (zoom, restore, move, save, clear).
class GraphWidget : public QWidget
{
    Q_OBJECT
public:
    explicit GraphWidget(QWidget *parent = nullptr);

    LinenPlot *plot() const { return m_plot; }
    // The bar's buttons in order: zoom in, zoom out, restore, left, right, up, down, save, clear.
    QList<HButton *> buttons() const;

    HButton *addIconButton(const QIcon &icon, QObject *receiver, const char *slot, uint8_t id, const QString &tooltip);
    void addSpacer();

public slots:
    void clear();
    void saveGraph();
    // Moves the view in the direction of the sending button's id.
    void moveGraph();
    void onFontChanged();

private:
    LinenPlot *m_plot;
    QWidget *m_bar;
    QHBoxLayout *m_barLayout;
};
