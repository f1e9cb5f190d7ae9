#include "Documents/TabProtocols.h"

#include "Documents/ExcelSaver.h"
#include "Documents/MessageNamePick.h"
#include "Documents/ModelProtocols.h"
#include "Documents/OpenPathOrFolder.h"
#include "Interface/MainWindow.h"
#include "Parameters/FormBuilder.h"
#include "Parameters/MainHandler.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrPath.h"
#include "Parameters/PrField.h"
#include "Parameters/Settings.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/HButton.h"
#include "Widgets/HGroupBox.h"
#include "Widgets/Icons.h"
#include "Widgets/TabHolderWidget.h"

#include <QDateTime>
#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QShowEvent>
#include <QTableView>
#include <QThread>
#include <QVBoxLayout>

TabProtocols *TabProtocols::instance = nullptr;

namespace {
constexpr int StartWaitMs = 1000;
}

TabProtocols::TabProtocols(QWidget *parent) : OverlayPage(parent)
{
    auto *settingsWidget = new QWidget(holder());
    settingsWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum);
    auto *settingsGrid = new QGridLayout(settingsWidget);
    settingsGrid->setSpacing(0);
    settingsGrid->setContentsMargins(0, 0, 0, 0);
    auto *group = new HGroupBox(tr("Настройки протокола"), settingsWidget);
    new QVBoxLayout(group);
    settingsGrid->addWidget(group, 2, 0, 1, 2);

    beginForm(this);
    setFormParent(group);
    setFormReceiver(this, SLOT(onFieldEdited()));
    Settings *settings = Settings::instance;
    addConnectedField(settings->documentSet(), FieldDocumentSet);
    addConnectedField(settings->protocolPath(), FieldProtocolPath);
    m_templateField = addField(settings->templatePath());

    m_area = new QWidget(holder());
    m_area->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto *areaGrid = new QGridLayout(m_area);
    areaGrid->setContentsMargins(0, 0, 0, 0);

    m_fileTable = new QTableView(m_area);
    m_model = new ModelProtocols(this);
    m_fileTable->setModel(m_model);
    m_fileTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(m_fileTable, SIGNAL(activated(QModelIndex)), this, SLOT(onItemActivated()));
    styleTable(m_fileTable);
    QHeaderView *header = m_fileTable->horizontalHeader();
    header->setDefaultAlignment(Qt::Alignment(QFlag(int(Qt::AlignCenter) | int(Qt::TextWordWrap))));
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setStretchLastSection(true);
    header->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_fileTable->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);

    auto *back = new HButton(tr("Назад"), uint8_t(ButtonBack), holder());
    back->setIcon(iconOf(Icons::Exit));
    back->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    m_buttons << back;
    const struct
    {
        const char *text;
        int icon;
    } actions[] = {{QT_TR_NOOP("Сохранить файл"), Icons::ElementAdd},
                   {QT_TR_NOOP("Удалить файл"), Icons::ElementRemove},
                   {QT_TR_NOOP("Открыть файл"), Icons::Excel},
                   {QT_TR_NOOP("Открыть папку с\nрезультатами"), Icons::FileOpen}};
    for (const auto &action : actions) {
        const int id = m_buttons.size();
        auto *button = new HButton(tr(action.text), uint8_t(id), iconOf(action.icon), m_area);
        button->setIconSize(QSize(20, 20));
        button->setLeastHeight(50);
        m_buttons << button;
    }
    for (HButton *button : qAsConst(m_buttons))
        connect(button, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));

    grid()->addWidget(back, 1, 0);
    grid()->addWidget(m_area, 1, 1);
    areaGrid->addWidget(m_fileTable, 0, 0, 1, 4);
    areaGrid->addWidget(settingsWidget, 1, 0, 1, 4);
    for (int column = 0; column < 4; ++column)
        areaGrid->addWidget(m_buttons.at(column + 1), 2, column);

    updateTemplateField();
    m_model->reloadProtocols();
    if (parentWidget())
        resize(parentWidget()->size());
    onFontChanged();

    if (MainHandler::instance)
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(onFontChanged()));
    if (MainWindow::instance)
        connect(MainWindow::instance, SIGNAL(sizeChanged()), this, SLOT(onFontChanged()));
    connect(this, SIGNAL(protocolHanldeFinished()), this, SLOT(onProtocolHandleFinished()));
    instance = this;
}

TabProtocols::~TabProtocols()
{
    waitForOwnSave();
    if (instance == this)
        instance = nullptr;
}

void TabProtocols::showProtocols(QWidget *parent)
{
    if (!instance)
        new TabProtocols(parent);
    instance->showOverParent();
}

void TabProtocols::waitForRunningSave()
{
    if (!instance)
        return;
    instance->waitForOwnSave();
    instance->m_closing = true;
}

void TabProtocols::waitForOwnSave()
{
    if (m_saveThread && m_saveThread != QThread::currentThread())
        m_saveThread->wait();
}

HButton *TabProtocols::button(int id) const
{
    return id >= 0 && id < m_buttons.size() ? m_buttons.at(id) : nullptr;
}

void TabProtocols::onButtonPressed()
{
    if (auto *source = qobject_cast<HButton *>(sender()))
        processButton(source->id());
}

void TabProtocols::onFieldEdited()
{
    if (auto *field = qobject_cast<PrField *>(sender()))
        processFieldEdited(field->fieldIndex());
}

void TabProtocols::onItemActivated()
{
    processButton(ButtonOpenFile);
}

void TabProtocols::onFontChanged()
{
    fitToParent();
}

void TabProtocols::processButton(int id)
{
    switch (id) {
    case ButtonBack:
        hide();
        break;
    case ButtonSave:
        MessageNamePick::showNamePick(tr("Выберите имя для сохранения документа"), defaultProtocolName(), this,
                                      SLOT(onProtocolNamePick(QString)));
        break;
    case ButtonDelete:
        deleteCurrent();
        break;
    case ButtonOpenFile: {
        const QString name = currentName();
        if (name.isEmpty()) {
            QMessageBox::warning(this, tr("Открытие протокола"), tr("Протокол не выбран"), QMessageBox::Ok);
            break;
        }
        openPathOrFolder(ModelProtocols::folder() + QLatin1Char('/') + name);
        break;
    }
    case ButtonOpenFolder:
        openPathOrFolder(ModelProtocols::folder());
        break;
    default:
        break;
    }
}

void TabProtocols::processFieldEdited(int id)
{
    if (id == FieldDocumentSet)
        updateTemplateField();
    else if (id == FieldProtocolPath)
        m_model->reloadProtocols();
}

void TabProtocols::updateTemplateField()
{
    m_templateField->setVisible(Settings::instance && Settings::instance->documentSet()->value() == 2);
}

QString TabProtocols::defaultProtocolName() const
{
    const Settings *settings = Settings::instance;
    if (!settings)
        return QString();
    return defaultProtocolName(settings->documentSet()->value(), settings->templatePath()->value(),
                               QDateTime::currentDateTime());
}

QString TabProtocols::defaultProtocolName(int documentSet, const QString &templatePath, const QDateTime &when)
{
    QString prefix;
    QString suffix;
    switch (documentSet) {
    case 0:
        prefix = tr("Результаты ");
        suffix = tr(" калибровка");
        break;
    case 1:
        prefix = tr("Результаты ");
        suffix = tr(" поверка");
        break;
    case 2: {
        prefix = tr("Результаты ");
        const int dot = templatePath.lastIndexOf(QLatin1Char('.'));
        const int slash = templatePath.lastIndexOf(QLatin1Char('/'));
        // A dot before the last slash belongs to a folder: the whole file name is taken.
        suffix = QLatin1Char(' ') + templatePath.mid(slash + 1, dot - slash - 1);
        suffix.remove(QLatin1Char('/'));
        break;
    }
    default:
        break;
    }
    return prefix + when.toString(QStringLiteral(" yyyy.MM.dd-hh.mm.ss")) + suffix;
}

QString TabProtocols::currentName() const
{
    return m_model->data(m_fileTable->currentIndex(), Qt::DisplayRole).toString();
}

void TabProtocols::selectLastRow()
{
    const int rows = m_model->rowCount();
    if (rows > 0)
        m_fileTable->setCurrentIndex(m_model->index(rows - 1, 0));
}

void TabProtocols::deleteCurrent()
{
    const int row = m_fileTable->currentIndex().row();
    const int rows = m_model->rowCount();
    // The last row gives way to the one above it; any other to the file after it.
    const int next = row + 1 == rows ? rows - 2 : row;

    const QString name = currentName();
    if (name.isEmpty()) {
        QMessageBox::warning(this, tr("Удаление протокола"), tr("Протокол не выбран"), QMessageBox::Ok);
        return;
    }
    if (!m_model->removeProtocol(name))
        return;
    // The reload has reset the model: the index is taken from the new list.
    const int count = m_model->rowCount();
    const QModelIndex index = next >= 0 && count > 0 ? m_model->index(qMin(next, count - 1), 0) : QModelIndex();
    m_fileTable->setFocus(Qt::OtherFocusReason);
    m_fileTable->setCurrentIndex(index);
}

void TabProtocols::onProtocolNamePick(QString txtName)
{
    if (!m_startMutex.tryLock(StartWaitMs))
        return;
    if (m_saving) {
        // The running save keeps its name.
        m_startMutex.unlock();
        return;
    }
    m_documentName = txtName;
    m_saving = true;
    if (ExcelSaver::instance)
        ExcelSaver::instance->takeTransducerTexts();
    if (MainHandler *hub = MainHandler::instance) {
        emit hub->setLockScreenMaxVal(4);
        hub->setBusy(true);
        emit hub->setScreenLockState(true);
    }
    m_saveThread = new QThread();
    connect(m_saveThread, SIGNAL(started()), this, SLOT(handleProtocol()), Qt::DirectConnection);
    connect(m_saveThread, SIGNAL(finished()), m_saveThread, SLOT(deleteLater()), Qt::QueuedConnection);
    m_saveThread->start(QThread::InheritPriority);
    m_startMutex.unlock();
}

void TabProtocols::handleProtocol()
{
    const QString name = m_documentName;
    m_saveResult = ExcelSaver::instance && ExcelSaver::instance->makeProtocol(name);
    emit protocolHanldeFinished();
    QThread::currentThread()->quit();
}

void TabProtocols::onProtocolHandleFinished()
{
    if (MainHandler *hub = MainHandler::instance) {
        emit hub->setScreenLockState(false);
        hub->setBusy(false);
    }
    if (!m_saveResult && !m_closing) {
        QMessageBox::warning(this, tr("Сохранение протокола"),
                             ExcelSaver::instance ? ExcelSaver::instance->lastError() : QString(), QMessageBox::Ok);
    }
    m_model->reloadProtocols();
    selectLastRow();
    m_fileTable->setFocus(Qt::OtherFocusReason);
    m_saving = false;
}

void TabProtocols::showEvent(QShowEvent *event)
{
    OverlayPage::showEvent(event);
    // A window restored from minimised shows the page as it left it.
    if (event->spontaneous())
        return;
    selectLastRow();
    m_fileTable->setFocus(Qt::OtherFocusReason);
    if (m_fileTable->currentIndex().isValid())
        m_fileTable->scrollTo(m_fileTable->currentIndex(), QAbstractItemView::EnsureVisible);
}
