#pragma once

#include <QColor>
#include <QString>

class QPainter;
class QPalette;
class QRect;
class QTableView;

// The workstation's colours and the highlight style shared by its pages.
class ColorScheme
{
public:
    ColorScheme();

    static ColorScheme *instance;

    // Alternate row colour of tables.
    QColor baseColor;
    // Highlight of the points table.
    QColor accentColor;
    // Invalid until the main window gives it its palette's window colour.
    QColor windowColor;
    // The current-row marker of the verification page.
    QString highlightStyle;
};

// The common look of the workstation's tables.
void styleTable(QTableView *table);
// The frame that shows the focus of a large area (a table, the graph's canvas): a line in the
// highlight colour just inside rect.
void paintFocusRing(QPainter *painter, const QRect &rect, const QPalette &palette);
