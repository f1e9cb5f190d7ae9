#include "Widgets/ColorScheme.h"

#include <QEvent>
#include <QHeaderView>
#include <QPaintEvent>
#include <QPainter>
#include <QPalette>
#include <QTableView>

ColorScheme *ColorScheme::instance = nullptr;

namespace {
// The style shows a table's focus on its current item alone: a list without one (empty, or the
// points table between runs) would take Tab unseen. This ring over the table's border shows it,
// once the keyboard has moved the focus in this window, as the style's own focus frames do.
class TableFocusRing : public QWidget
{
public:
    explicit TableFocusRing(QTableView *table) : QWidget(table), m_table(table)
    {
        setObjectName(QStringLiteral("tableFocusRing"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        table->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_table) {
            switch (event->type()) {
            case QEvent::FocusIn:
            case QEvent::FocusOut:
            case QEvent::Resize:
                follow();
                break;
            default:
                break;
            }
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paintFocusRing(&painter, rect(), palette());
    }

private:
    void follow()
    {
        const bool shown = m_table->hasFocus() && m_table->window()->testAttribute(Qt::WA_KeyboardFocusChange);
        if (shown) {
            setGeometry(m_table->rect());
            raise();
        }
        setVisible(shown);
    }

    QTableView *m_table;
};
}

ColorScheme::ColorScheme()
    : baseColor(247, 255, 238),
      accentColor(189, 237, 255),
      highlightStyle(QStringLiteral("QWidget{border: 2px solid rgb(103, 207, 255)}"))
{
    instance = this;
}

void paintFocusRing(QPainter *painter, const QRect &rect, const QPalette &palette)
{
    constexpr int Width = 2;
    painter->save();
    painter->setPen(QPen(palette.color(QPalette::Active, QPalette::Highlight), Width));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(Width / 2, Width / 2, -Width / 2, -Width / 2));
    painter->restore();
}

void styleTable(QTableView *table)
{
    if (!table)
        return;
    table->setWordWrap(true);
    table->setAlternatingRowColors(true);
    // Tab leaves a table for the next control; the arrows move within it.
    table->setTabKeyNavigation(false);
    if (!table->findChild<QWidget *>(QStringLiteral("tableFocusRing"), Qt::FindDirectChildrenOnly))
        new TableFocusRing(table);

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
