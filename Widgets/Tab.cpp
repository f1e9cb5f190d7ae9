#include "Widgets/Tab.h"

#include "Parameters/PrField.h"
#include "Widgets/TabHolderWidget.h"

#include <QApplication>
#include <QEvent>
#include <QGridLayout>
#include <QResizeEvent>
#include <QScrollArea>

namespace {
void refreshFieldsBelow(QObject *object)
{
    const QObjectList children = object->children();
    for (QObject *child : children) {
        if (auto *field = qobject_cast<PrField *>(child))
            field->refreshEditors();
        else if (child->isWidgetType())
            refreshFieldsBelow(child);
    }
}
}

Tab::Tab(QWidget *parent) : QWidget(parent)
{
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    // A frameless area could not show the focus, and needs none: Tab from field to field scrolls
    // it to the one it reaches.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);

    m_holder = new TabHolderWidget(m_scrollArea);
    m_scrollArea->setWidget(m_holder);

    m_grid = new QGridLayout(m_holder);
    m_grid->setContentsMargins(5, 5, 5, 5);

    // The keys may bring the focus in from outside the page (the tab bar, an overlay that goes):
    // the page scrolls to the field, as it does for Tab within it. A click needs no scrolling.
    connect(static_cast<QApplication *>(QCoreApplication::instance()), &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) {
                if (now && QApplication::mouseButtons() == Qt::NoButton && m_holder->isAncestorOf(now))
                    m_scrollArea->ensureWidgetVisible(now);
            });
}

Tab::~Tab() = default;

QSize Tab::sizeHint() const
{
    return m_holder->sizeHint();
}

QSize Tab::minimumSizeHint() const
{
    if (m_fitsContent)
        return m_holder->minimumSizeHint();
    return QWidget::minimumSizeHint();
}

void Tab::setFitsContent(bool fits)
{
    if (fits == m_fitsContent)
        return;
    m_fitsContent = fits;
    const Qt::ScrollBarPolicy policy = fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
    m_scrollArea->setHorizontalScrollBarPolicy(policy);
    m_scrollArea->setVerticalScrollBarPolicy(policy);
    if (fits)
        m_holder->installEventFilter(this);
    else
        m_holder->removeEventFilter(this);
    updateGeometry();
}

bool Tab::eventFilter(QObject *watched, QEvent *event)
{
    // The content's needs have changed (a font, a caption): so have the page's.
    if (watched == m_holder && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QWidget::eventFilter(watched, event);
}

void Tab::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_scrollArea->resize(width(), height());
    update();
}

void Tab::refreshAllFields()
{
    refreshFieldsBelow(this);
}

void Tab::setBackgroundFilled(bool filled)
{
    m_holder->setBackgroundFilled(filled);
}
