#include "Documents/TabDeviceConfig.h"

#include "Documents/ModelDeviceConf.h"
#include "Documents/TabuloSortFilterProxyModel.h"
#include "Interface/MainWindow.h"
#include "Interface/Tab/TabSettings.h"
#include "Parameters/EditField.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrString.h"
#include "Widgets/ApplicationFont.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/HButton.h"
#include "Widgets/Icons.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QShowEvent>
#include <QSpacerItem>
#include <QTableView>

#include <algorithm>

TabDeviceConfig *TabDeviceConfig::instance = nullptr;

namespace {
constexpr int ButtonMinimumHeight = 40;
constexpr int FilterMinimumHeight = 20;
// The editors stand this far below the top of the filter bar, and this much narrower than
// their columns, so that neighbours keep a gap.
constexpr int FilterTop = 5;
constexpr int FilterGap = 5;
// The search icon's place at the right end of an editor, centred on its height.
constexpr int FilterIconRight = 25;
constexpr int FilterIconHeight = 28;
}

TabDeviceConfig::TabDeviceConfig(QWidget *parent) : OverlayPage(parent)
{
    m_model = new ModelDeviceConf(this);

    buildFilterBar();
    buildCardTable();
    buildButtonBar();
    grid()->addWidget(m_filterBar, 0, 0);
    grid()->addWidget(m_cardTable, 1, 0);
    grid()->addWidget(m_buttonBar, 2, 0);

    if (MainWindow::instance)
        connect(MainWindow::instance, SIGNAL(sizeChanged()), this, SLOT(onMainWindowsSizeChanged()));
    if (MainHandler::instance) {
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onMainWindowsSizeChanged()));
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onModelChanged()));
    }
    // The settings page also changes size without the window: a font change makes the tab bar
    // taller only once the layouts have run, after the font signal.
    if (parent)
        parent->installEventFilter(this);
    connect(m_model, SIGNAL(modelReset()), this, SLOT(onModelChanged()));
    connect(m_cardTable->horizontalHeader(), SIGNAL(sectionResized(int, int, int)), this, SLOT(onSectionResized()));

    onFontChanged();
    onFilterChanged();
    instance = this;
}

TabDeviceConfig::~TabDeviceConfig()
{
    if (instance == this)
        instance = nullptr;
}

void TabDeviceConfig::buildFilterBar()
{
    m_filterBar = new QWidget(this);
    m_filterBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    auto *layout = new QHBoxLayout(m_filterBar);
    layout->setContentsMargins(0, 0, 0, 0);
    m_filterRoom = new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum);
    layout->addItem(m_filterRoom);
    auto *back = new HButton(tr("Назад"), ButtonBack, iconOf(Icons::Exit), m_filterBar);
    layout->addWidget(back);
    connect(back, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));

    // Outside the layout: onSectionResized stands each editor over its column.
    const QPixmap search = iconOf(Icons::Search).pixmap(FilterIconSize, FilterIconSize);
    for (int column = 0; column < FilterEditorCount; ++column) {
        auto *editor = new EditField(m_model->filterText(column), m_filterBar);
        auto *icon = new QLabel(editor);
        icon->setPixmap(search);
        icon->setAlignment(Qt::AlignCenter);
        icon->setFixedSize(FilterIconSize, FilterIconHeight);
        icon->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_filterEditors << editor;
        m_filterIcons << icon;
        connect(editor, SIGNAL(changed()), this, SLOT(onFilterChanged()));
    }
}

void TabDeviceConfig::buildCardTable()
{
    m_cardTable = new QTableView(this);
    m_cardTable->setModel(m_model->sortFilterProxy());
    m_cardTable->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_cardTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_cardTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_cardTable->setSortingEnabled(true);
    styleTable(m_cardTable);

    QHeaderView *header = m_cardTable->horizontalHeader();
    // The header paints its text with these flags, word wrap among them.
    header->setDefaultAlignment(Qt::Alignment(QFlag(Qt::AlignCenter | Qt::TextWordWrap)));
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    header->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void TabDeviceConfig::buildButtonBar()
{
    m_buttonBar = new QWidget(this);
    m_buttonBar->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    auto *layout = new QHBoxLayout(m_buttonBar);
    layout->setContentsMargins(0, 0, 0, 0);
    const struct {
        QString text;
        Button id;
        int icon;
    } buttons[] = {{tr("Сохранить"), ButtonSave, Icons::ElementAdd},
                   {tr("Загрузить"), ButtonLoad, Icons::ElementEdit},
                   {tr("Удалить"), ButtonDelete, Icons::ElementRemove}};
    for (const auto &b : buttons) {
        auto *button = new HButton(b.text, b.id, iconOf(b.icon), m_buttonBar);
        button->setLeastHeight(ButtonMinimumHeight);
        layout->addWidget(button);
        connect(button, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    }
}

void TabDeviceConfig::showDeviceConfig(QWidget *parent)
{
    if (!instance)
        new TabDeviceConfig(parent);
    instance->showOverParent();
    instance->m_model->reloadDeviceConfs();
}

void TabDeviceConfig::onButtonPressed()
{
    if (auto *button = qobject_cast<HButton *>(sender()))
        processButton(button->id());
}

void TabDeviceConfig::processButton(int id)
{
    switch (id) {
    case ButtonBack:
        hide();
        break;
    case ButtonSave:
        saveCard();
        break;
    case ButtonLoad:
        loadCard();
        break;
    case ButtonDelete:
        deleteCard();
        break;
    default:
        break;
    }
}

void TabDeviceConfig::saveCard()
{
    const QString title = tr("Сохранение шаблона");
    if (m_model->deviceConfCount() >= ModelDeviceConf::cardLimit) {
        QMessageBox::warning(this, title, tr("Максимальное количество шаблонов: ")
                                              + QString::number(ModelDeviceConf::cardLimit));
        return;
    }
    QString fileName;
    if (!m_model->saveOrLoadDevice(m_currentDevice, ModelDeviceConf::Save, fileName))
        QMessageBox::warning(this, title, tr("Ошибка при сохранении шаблона!"));
}

void TabDeviceConfig::loadCard()
{
    QString fileName = currentFileName();
    if (fileName.isEmpty()) {
        QMessageBox::warning(this, tr("Загрузка шаблона"), tr("Шаблон не выбран"));
        return;
    }
    m_model->saveOrLoadDevice(m_currentDevice, ModelDeviceConf::Load, fileName);
    if (TabSettings::instance)
        TabSettings::instance->refreshAllFields();
    hide();
}

void TabDeviceConfig::deleteCard()
{
    const QString fileName = currentFileName();
    if (fileName.isEmpty()) {
        QMessageBox::warning(this, tr("Удаление шаблона"), tr("Шаблон не выбран"));
        return;
    }
    m_model->removeDeviceConf(fileName);
}

QString TabDeviceConfig::currentFileName() const
{
    const QModelIndex current = m_cardTable->currentIndex();
    if (!current.isValid())
        return QString();
    // The shown row, sorted and filtered: its own file, whatever the order.
    return m_cardTable->model()->index(current.row(), ModelDeviceConf::ColumnFileName).data().toString();
}

void TabDeviceConfig::onMainWindowsSizeChanged()
{
    fitToParent();
}

void TabDeviceConfig::onFontChanged()
{
    // A line of text and the editor's own frame: the line height alone would clip the text.
    int height = std::max(fontLineHeight, FilterMinimumHeight);
    for (EditField *editor : qAsConst(m_filterEditors))
        height = std::max(height, editor->editor()->minimumSizeHint().height());
    for (EditField *editor : qAsConst(m_filterEditors))
        editor->setFixedHeight(height);
    // The bar holds the editors that stand in it outside its layout.
    m_filterBar->setMinimumHeight(height + 2 * FilterTop);
    onSectionResized();
}

void TabDeviceConfig::onFilterChanged()
{
    for (int column = 0; column < m_filterIcons.size(); ++column)
        m_filterIcons.at(column)->setVisible(m_model->filterText(column)->value().isEmpty());
    m_model->applyFilter();
}

void TabDeviceConfig::onModelChanged()
{
}

void TabDeviceConfig::onSectionResized()
{
    if (m_filterEditors.isEmpty())
        return;
    const QHeaderView *header = m_cardTable->horizontalHeader();
    const int height = m_filterEditors.first()->height();
    int x = header->x();
    for (int column = 0; column < m_filterEditors.size(); ++column) {
        const int width = header->sectionSize(column);
        EditField *editor = m_filterEditors.at(column);
        editor->setFixedWidth(std::max(width - FilterGap, 0));
        m_filterIcons.at(column)->move(width - FilterIconRight, (height - FilterIconHeight) / 2);
        editor->move(x, FilterTop);
        x += width;
    }
    // Wide columns at a large font push "Назад" to the right instead of lying over it; the page
    // then scrolls.
    if (m_filterRoom->sizeHint().width() != x) {
        m_filterRoom->changeSize(x, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum);
        m_filterBar->layout()->invalidate();
    }
}

void TabDeviceConfig::showEvent(QShowEvent *event)
{
    OverlayPage::showEvent(event);
    // The keys go to the list of cards, not to the page beneath.
    if (!event->spontaneous())
        m_cardTable->setFocus(Qt::OtherFocusReason);
}

bool TabDeviceConfig::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        onMainWindowsSizeChanged();
    return OverlayPage::eventFilter(watched, event);
}
