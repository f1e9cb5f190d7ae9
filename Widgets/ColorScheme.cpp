#include "Widgets/ColorScheme.h"

#include <QHeaderView>
#include <QPalette>
#include <QTableView>

ColorScheme *ColorScheme::instance = nullptr;

ColorScheme::ColorScheme()
    : baseColor(247, 255, 238),
      accentColor(189, 237, 255),
      highlightStyle(QStringLiteral("QWidget{border: 2px solid rgb(103, 207, 255)}"))
{
    instance = this;
}

void styleTable(QTableView *table)
{
    if (!table)
        return;
    table->setWordWrap(true);
    table->setAlternatingRowColors(true);
    // Tab leaves a table for the next control; the arrows move within it.
    table->setTabKeyNavigation(false);

    // Before the colour scheme exists, the alternate rows keep the same light green.
    const QColor alternate = ColorScheme::instance ? ColorScheme::instance->baseColor
                                                   : QColor(247, 255, 238);
    QPalette palette = table->palette();
    palette.setColor(QPalette::All, QPalette::Base, Qt::white);
    palette.setColor(QPalette::All, QPalette::AlternateBase, alternate);
    table->setPalette(palette);

    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(40);
}
