#include "Interface/GraphWidget.h"

#include "Interface/LinenPlot.h"
#include "Parameters/MainHandler.h"
#include "Widgets/HButton.h"
#include "Widgets/Icons.h"

#include <QGridLayout>
#include <QHBoxLayout>

GraphWidget::GraphWidget(QWidget *parent) : QWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->setSpacing(0);
    grid->setContentsMargins(0, 0, 0, 0);
    setStyleSheet(QStringLiteral("background-color:-1;"));

    m_plot = new LinenPlot(this);

    m_bar = new QWidget(this);
    m_bar->setFixedHeight(60);
    m_barLayout = new QHBoxLayout(m_bar);
    m_barLayout->setContentsMargins(5, 5, 5, 5);
    m_barLayout->setSpacing(1);

    addIconButton(iconOf(Icons::ZoomIn), m_plot, SLOT(zoomIn()), 0, tr("Увеличить масштаб"));
    addIconButton(iconOf(Icons::ZoomOut), m_plot, SLOT(zoomOut()), 0, tr("Уменьшить масштаб"));
    addIconButton(iconOf(Icons::ZoomDef), m_plot, SLOT(setStandartPlotScale()), 0, tr("Восстановить масштаб"));
    addSpacer();
    addIconButton(iconOf(Icons::MoveLeft), this, SLOT(moveGraph()), 0, tr("Переместить влево"));
    addIconButton(iconOf(Icons::MoveRight), this, SLOT(moveGraph()), 1, tr("Переместить вправо"));
    addIconButton(iconOf(Icons::MoveUp), this, SLOT(moveGraph()), 2, tr("Переместить вверх"));
    addIconButton(iconOf(Icons::MoveDown), this, SLOT(moveGraph()), 3, tr("Переместить вниз"));
    addSpacer();
    addIconButton(iconOf(Icons::FileSave), this, SLOT(saveGraph()), 0, tr("Сохранить данные"));
    addIconButton(iconOf(Icons::Clear), this, SLOT(clear()), 0, tr("Очистить график"));

    grid->addWidget(m_plot, 0, 0);
    grid->addWidget(m_bar, 1, 0);

    if (MainHandler::instance)
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
}

QList<HButton *> GraphWidget::buttons() const
{
    return m_bar->findChildren<HButton *>(QString(), Qt::FindDirectChildrenOnly);
}

HButton *GraphWidget::addIconButton(const QIcon &icon, QObject *receiver, const char *slot, uint8_t id,
                                    const QString &tooltip)
{
    auto *button = new HButton(QString(), id, icon, m_bar);
    button->setFlat(true);
    if (Icons::instance && Icons::instance->iconSize.isValid())
        button->setIconSize(Icons::instance->iconSize);
    button->setToolTip(tooltip);
    connect(button, SIGNAL(clicked()), receiver, slot);
    m_barLayout->addWidget(button);
    return button;
}

void GraphWidget::addSpacer()
{
    auto *spacer = new QWidget(m_bar);
    spacer->setFixedWidth(5);
    m_barLayout->addWidget(spacer);
}

void GraphWidget::clear()
{
    m_plot->clear();
    m_plot->setStandartPlotScale();
}

void GraphWidget::saveGraph()
{
    m_plot->saveData();
}

void GraphWidget::moveGraph()
{
    if (auto *button = qobject_cast<HButton *>(sender()))
        m_plot->moveView(button->id());
}

void GraphWidget::onFontChanged()
{
    // A widget with a style sheet takes its parent's font only when the sheet is applied: the page
    // above has none, so no font change reaches the graph. Applying the sheet again hands the new
    // font down the whole graph, as when it was first shown.
    setStyleSheet(styleSheet());
}
