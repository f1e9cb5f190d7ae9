#include "Interface/Tab/TabVerification.h"

#include "Devices/Measure.h"
#include "Devices/TAIR.h"
#include "Documents/TabProtocols.h"
#include "Interface/GraphWidget.h"
#include "Interface/IndicatorEtalon.h"
#include "Interface/MeasureDisplay.h"
#include "Interface/Tab/TabGraph.h"
#include "Interface/Tab/TabSettings.h"
#include "Parameters/Dictionary.h"
#include "Parameters/EditField.h"
#include "Parameters/MainHandler.h"
#include "Parameters/MessageHandler.h"
#include "Parameters/ParametrDouble.h"
#include "Parameters/ParametrEnum.h"
#include "Parameters/ParametrInt.h"
#include "Parameters/ParametrString.h"
#include "Parameters/Settings.h"
#include "Parameters/Units.h"
#include "Verification/Conditions.h"
#include "Verification/Verification.h"
#include "Verification/VrDevice.h"
#include "Verification/VrPointsModel.h"
#include "Widgets/ColorScheme.h"
#include "Widgets/HButton.h"
#include "Widgets/HDoubleSpinBoxDelegate.h"
#include "Widgets/Icons.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

TabVerification *TabVerification::instance = nullptr;
QMutex TabVerification::sizeGuard;

namespace {
const double NaN = std::numeric_limits<double>::quiet_NaN();

// 0 method A, 1 method B.
int method()
{
    return Verification::instance ? Verification::instance->prVerificationMode->value() : 0;
}

int deviceCount()
{
    // Four device records exist, whatever a stored count says.
    return Conditions::instance ? qBound(1, Conditions::instance->prVrDeviceCount->value(), 4) : 1;
}

int displayUnits()
{
    return TAIR::instance ? TAIR::instance->prUnits->value() : int(UnitKPa);
}

int decimals()
{
    return Settings::instance ? Settings::instance->decimals()->value() : 2;
}

VrPointsModel *pointsModel()
{
    return VrPointsModel::instance;
}

QString captionNext()
{
    return TabVerification::tr("Перейти к\nследующей точке");
}
QString captionStart()
{
    return TabVerification::tr("СТАРТ");
}
QString captionStop()
{
    return TabVerification::tr("СТОП");
}
QString captionProtocols()
{
    return TabVerification::tr("Свидетельства\nи протоколы");
}
QString captionZeroTrim()
{
    return TabVerification::tr("Подстройка\nнуля");
}
}

TabVerification::TabVerification(QWidget *parent) : Tab(parent)
{
    QGridLayout *page = grid();
    page->setContentsMargins(0, 0, 0, 0);
    page->setSpacing(0);

    // The top panel: the run's buttons, the measure display (borrowed on show), the indicator
    // above the method caption.
    m_topPanel = new QWidget(this);
    m_topGrid = new QGridLayout(m_topPanel);
    page->addWidget(m_topPanel, 0, 0, 1, 2);

    m_startButton = new HButton(captionStart(), ButtonStart, iconOf(Icons::Start), m_topPanel);
    m_startButton->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    m_topGrid->addWidget(m_startButton, 0, 0);

    m_nextButton = new HButton(captionNext(), ButtonNextPoint, iconOf(Icons::Current), m_topPanel);
    m_nextButton->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    m_topGrid->addWidget(m_nextButton, 0, 1);

    m_protocolsButton = new HButton(captionProtocols(), ButtonProtocols, iconOf(Icons::Excel), m_topPanel);
    m_protocolsButton->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    connect(m_protocolsButton, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    m_topGrid->addWidget(m_protocolsButton, 0, 2);

    m_zeroTrimButton = new HButton(captionZeroTrim(), ButtonZeroTrim, iconOf(Icons::Current), m_topPanel);
    m_zeroTrimButton->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    m_topGrid->addWidget(m_zeroTrimButton, 0, 4);

    auto *indicatorColumn = new QWidget(m_topPanel);
    auto *indicatorLayout = new QVBoxLayout(indicatorColumn);
    indicatorLayout->setContentsMargins(0, 0, 0, 0);
    m_indicator = new IndicatorEtalon(indicatorColumn);
    m_indicator->setMinimumHeight(30);
    m_indicator->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_indicator->hide();
    indicatorLayout->addWidget(m_indicator);
    m_methodCaption = new QLabel(indicatorColumn);
    m_methodCaption->setWordWrap(true);
    m_methodCaption->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_methodCaption->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    indicatorLayout->addWidget(m_methodCaption);
    m_topGrid->addWidget(indicatorColumn, 0, 6, 2, 1);

    // The table area: the points, their scroll bar beside them and the results under them.
    auto *tableArea = new QWidget(this);
    tableArea->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Minimum);
    auto *tableGrid = new QGridLayout(tableArea);
    m_table = new QTableView(tableArea);
    if (pointsModel())
        m_table->setModel(pointsModel());
    m_verticalHeader = m_table->verticalHeader();
    tableGrid->addWidget(m_table, 0, 0);
    tableGrid->addWidget(m_table->verticalScrollBar(), 0, 1);

    auto *resultsPanel = new QWidget(tableArea);
    resultsPanel->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    auto *resultsGrid = new QGridLayout(resultsPanel);
    resultsGrid->addWidget(new QLabel(tr("Максимальная\nпогрешность, %"), resultsPanel), 0, 0);
    resultsGrid->addWidget(new QLabel(tr("Максимальная\nвариация, %"), resultsPanel), 1, 0);
    for (int j = 0; j < DeviceColumns; ++j) {
        ResultCells cells;
        cells.errorText = new ParametrString(QString(), 20, HAbstractParametr::OwnsTitle);
        cells.variationText = new ParametrString(QString(), 20, HAbstractParametr::OwnsTitle);
        cells.errorCell = new EditField(cells.errorText, resultsPanel);
        cells.variationCell = new EditField(cells.variationText, resultsPanel);
        // Results are computed, never typed.
        for (EditField *cell : {cells.errorCell, cells.variationCell}) {
            if (auto *edit = qobject_cast<QLineEdit *>(cell->editor()))
                edit->setReadOnly(true);
        }
        resultsGrid->addWidget(cells.errorCell, 0, j + 1);
        resultsGrid->addWidget(cells.variationCell, 1, j + 1);
        m_resultCells.append(cells);
    }
    tableGrid->addWidget(resultsPanel, 1, 0, 1, 2);
    page->addWidget(tableArea, 2, 0);

    m_graphHolder = new QWidget(this);
    m_graphHolder->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Minimum);
    m_graphLayout = new QVBoxLayout(m_graphHolder);
    page->addWidget(m_graphHolder, 2, 1);

    // The table.
    // Numbers in the cells and their editors read as everywhere else in the program.
    m_table->setLocale(numberLocale());
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::CurrentChanged | QAbstractItemView::DoubleClicked);
    // The bar stands in the layout beside the table.
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    styleTable(m_table);
    m_delegate = new HDoubleSpinBoxDelegate(this);
    for (int column = 1; column <= 5; ++column)
        m_table->setItemDelegateForColumn(column, m_delegate);
    QHeaderView *header = m_table->horizontalHeader();
    header->setDefaultAlignment(Qt::AlignCenter | Qt::Alignment(int(Qt::TextWordWrap)));
    header->setSectionResizeMode(QHeaderView::ResizeToContents);

    // A row header click moves the run, and nothing else: the view would make the row current
    // on its own.
    disconnect(m_verticalHeader, SIGNAL(sectionPressed(int)), m_table, nullptr);
    disconnect(m_verticalHeader, SIGNAL(sectionEntered(int)), m_table, nullptr);
    connect(m_verticalHeader, SIGNAL(sectionClicked(int)), this, SLOT(onSectionClicked(int)));
    connect(m_table->verticalScrollBar(), SIGNAL(valueChanged(int)), this, SLOT(currentPointChanged()));
    // Columns fit their contents only once the view has laid them out: refit the table then.
    auto *refit = new QTimer(this);
    refit->setSingleShot(true);
    refit->setInterval(0);
    connect(refit, SIGNAL(timeout()), this, SLOT(updateSize()));
    connect(header, &QHeaderView::sectionResized, refit, [refit]() { refit->start(); });

    m_marker = new QWidget(m_table);
    m_marker->hide();
    m_marker->setAutoFillBackground(true);
    m_marker->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_marker->setStyleSheet(ColorScheme::instance ? ColorScheme::instance->highlightStyle
                                                  : QStringLiteral("QWidget{border: 2px solid rgb(103, 207, 255)}"));

    for (int i = 0; i < DeviceColumns; ++i) {
        DeviceButton device;
        device.button = new HButton(tr("Установить"), uint8_t(i), m_table);
        device.button->hide();
        connect(device.button, SIGNAL(clicked(bool)), this, SLOT(onMeasureButtonPressed()));
        m_deviceButtons.append(device);
    }

    connect(m_startButton, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    connect(m_nextButton, SIGNAL(clicked(bool)), this, SLOT(onButtonPressed()));
    // The zero trim asks its question on the settings page.
    if (TabSettings::instance)
        connect(m_zeroTrimButton, SIGNAL(clicked(bool)), TabSettings::instance, SLOT(onButtonPressed()));

    onVrModeChanged();
    processButton(ButtonStop);
    if (MainHandler::instance)
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(updateSize()));
    connect(this, SIGNAL(singalUpdateSize()), this, SLOT(updateSize()));
    setConnectedState(false);
    if (pointsModel())
        connect(pointsModel(), SIGNAL(editDataChange()), this, SLOT(onTableDataChanged()));
    if (Settings::instance)
        connect(Settings::instance, SIGNAL(decimalsChanged()), this, SLOT(onDecimalsChanged()));
    if (MainHandler::instance)
        connect(MainHandler::instance, SIGNAL(dataMeasured()), this, SLOT(onDataMeasured()));
    onDecimalsChanged();

    instance = this;
}

TabVerification::~TabVerification()
{
    if (instance == this)
        instance = nullptr;
    for (const ResultCells &cells : qAsConst(m_resultCells)) {
        // The fields go with the page; their parameters are ours.
        delete cells.errorCell;
        delete cells.variationCell;
        delete cells.errorText;
        delete cells.variationText;
    }
}

int TabVerification::startButtonHeight(int lineHeight)
{
    return std::max(MinimumStartButtonHeight, int(lineHeight * 2.2));
}

QString TabVerification::errorText(int device) const
{
    return m_resultCells.at(device).errorText->value();
}

QString TabVerification::variationText(int device) const
{
    return m_resultCells.at(device).variationText->value();
}

void TabVerification::onButtonPressed()
{
    if (auto *button = qobject_cast<HButton *>(sender()))
        processButton(button->id());
}

void TabVerification::processButton(int id)
{
    switch (id) {
    case ButtonStart:
        startRun();
        break;
    case ButtonStop:
        stopRun();
        break;
    case ButtonNextPoint:
        nextPoint();
        break;
    case ButtonProtocols:
        TabProtocols::showProtocols(this);
        break;
    default:
        break;
    }
}

bool TabVerification::checkDevicesBeforeStart()
{
    const Conditions *conditions = Conditions::instance;
    if (!conditions)
        return true;
    const int count = deviceCount();
    for (int k = 1; k <= count; ++k) {
        const VrDevice *device = conditions->vrDevices.at(k - 1);
        for (const ParametrEnum *check :
             {device->prCheckUsage, device->prCheckSystemGr, device->prCheckR, device->prCheckRSolid}) {
            if (check->value() == 0)
                continue;
            MessageHandler::showInfo(tr("Невозможно начать поверку! Датчик №%2: параметр «%1»  имеет значение «%3»!")
                                         .arg(check->name(), QString::number(k), check->valueText()));
            return false;
        }
    }
    return true;
}

void TabVerification::startRun()
{
    Verification *verification = Verification::instance;
    if (!verification)
        return;
    if (!checkDevicesBeforeStart()) {
        verification->buildPoints();
        // The rebuilt table holds no readings: the last run's results no longer belong to it.
        onTableDataChanged();
        return;
    }

    m_startButton->setEnabled(false);
    m_startButton->setId(ButtonStop);
    m_startButton->setText(captionStop());
    m_startButton->setIcon(iconOf(Icons::Stop));
    verification->setState(0);

    if (const TAIR *tair = TAIR::instance) {
        const int units = displayUnits();
        if (fromKPa(units, tair->lowerLimit) > verification->prMinValue->value()
            || fromKPa(units, tair->upperLimit) < verification->prMaxValue->value()) {
            QMessageBox::warning(this, tr("Запуск поверки"),
                                 tr("ВНИМАНИЕ: Диапазон показаний выходит за диапазон измерений ЦРЗ!"), QMessageBox::Ok);
            // The link may have gone while the warning was open, and the run with it.
            if (verification->state() != 0)
                return;
        }
    }

    if (verification->buildPoints()) {
        // What was read before this START is no reading of the run's points.
        if (Measure::instance)
            Measure::instance->invalidate();
        onTableDataChanged();
        onVrModeChanged();
        setCurrentPoint(0);
        emit singalUpdateSize();
        m_nextButton->setEnabled(true);
        if (TabGraph *graph = TabGraph::instance) {
            graph->setStartAllowed(false);
            graph->setMeasuring(1);
            m_runMeasures = true;
        }
    } else {
        QMessageBox::warning(this, tr("Запуск поверки"),
                             tr("Ошибка при форимровании точек поверки! Проверьте параметры поверки."),
                             QMessageBox::Ok);
        processButton(ButtonStop);
    }
    m_startButton->setEnabled(m_connected);
    updateIndicatorVisibility();
    if (verification->state() == 0)
        focusNextStep();
}

void TabVerification::stopRun()
{
    m_startButton->setEnabled(false);
    m_startButton->setId(ButtonStart);
    m_startButton->setText(captionStart());
    m_startButton->setIcon(iconOf(Icons::Start));
    const bool wasRunning = Verification::instance && Verification::instance->state() == 0;
    if (Verification::instance)
        Verification::instance->setState(1);
    setCurrentPoint(-1);
    m_nextButton->setEnabled(false);
    m_startButton->setEnabled(m_connected);
    // The next run starts where this one ended. A page in the background keeps its focus.
    if (wasRunning && isVisible())
        m_startButton->setFocus(Qt::OtherFocusReason);
    if (TabGraph *graph = TabGraph::instance) {
        graph->setStartAllowed(true);
        // A measurement the graph page runs on its own, also through a START refused before
        // the run began, is not ours to stop (a lost link stops and clears it there).
        if (m_runMeasures)
            graph->setMeasuring(0);
    }
    m_runMeasures = false;
    updateIndicatorVisibility();
}

void TabVerification::focusNextStep()
{
    if (!isVisible())
        return;
    // Several devices in method A: the first device button still due over the current row.
    for (const DeviceButton &device : qAsConst(m_deviceButtons)) {
        if (device.button->isVisible()) {
            device.button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    // Method B: the current cell, where the operator types the reading.
    const QModelIndex current = m_table->currentIndex();
    if (method() == 1 && current.isValid()) {
        if (QWidget *editor = m_table->indexWidget(current))
            editor->setFocus(Qt::OtherFocusReason);
        else
            m_table->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_nextButton->setFocus(Qt::OtherFocusReason);
}

bool TabVerification::takeReading(double *value) const
{
    if (!Measure::instance)
        return false;
    // Status and value of one and the same reading.
    const Measure::Reading reading = Measure::instance->reading();
    if (!reading.current || reading.status != 0 || !std::isfinite(reading.value))
        return false;
    *value = roundTo(fromKPa(displayUnits(), reading.value), decimals());
    return std::isfinite(*value);
}

bool TabVerification::refusedForOldReadings()
{
    // The reading held must be one of this run and of this link, and the uncertainty of a point
    // needs two such readings in the history: until they are there, nothing is stored.
    if (!Measure::instance || !TAIR::instance)
        return true;
    const Measure::Reading reading = Measure::instance->reading();
    // A failed reading refuses in silence: the measure display already says so.
    if (reading.current && reading.status != 0)
        return true;
    if (reading.current && TAIR::instance->history().size() >= 2)
        return false;
    MessageHandler::showInfo(tr("Нет нового показания ЦРЗ! Дождитесь следующего измерения."));
    return true;
}

void TabVerification::storeReading(int row, int column, double value)
{
    VrPointsModel *model = pointsModel();
    model->setData(model->index(row, column), value, Qt::EditRole);
    m_table->viewport()->update();
}

void TabVerification::nextPoint()
{
    VrPointsModel *model = pointsModel();
    if (!model || !TAIR::instance)
        return;
    if (refusedForOldReadings())
        return;

    const int row = model->currentRow;
    const int at = row < 0 ? 0 : row;
    if (method() == 1) {
        model->computeUncertainty(at);
    } else if (method() == 0 && deviceCount() == 1 && at < model->pointCount()) {
        double value = 0;
        if (!takeReading(&value))
            return;
        storeReading(at, 1, value);
        model->computeUncertainty(at);
        storeReading(at, 2, value);
        model->computeUncertainty(at);
    }

    if (row + 1 < model->pointCount()) {
        setCurrentPoint(row + 1);
    } else {
        setCurrentPoint(-1);
        processButton(ButtonStop);
    }
}

void TabVerification::onMeasureButtonPressed()
{
    auto *button = qobject_cast<HButton *>(sender());
    VrPointsModel *model = pointsModel();
    if (!button || !model || button->id() >= DeviceColumns)
        return;
    const int device = button->id();
    // A used button may keep the keyboard focus while hidden: only one still due at this row
    // stores.
    if (!m_deviceButtons.at(device).shown || button->isHidden())
        return;
    const int row = model->currentRow;
    if (row < 0 || row >= model->pointCount() || refusedForOldReadings())
        return;
    double value = 0;
    if (!takeReading(&value))
        return;

    const bool focused = button->hasFocus();
    m_deviceButtons[device].shown = false;
    storeReading(row, device + 2, value);
    model->computeUncertainty(row);
    // Before it hides: Qt would hand the focus of a hidden button to the table, which keeps it.
    if (focused)
        focusAfterDeviceButton(device);
    button->hide();

    for (int i = 0; i < DeviceColumns; ++i) {
        if (i != device && !m_deviceButtons.at(i).button->isHidden())
            return;
    }
    processButton(ButtonNextPoint);
    // The first of the next point's buttons, when the page has moved on.
    if (focused)
        focusAfterDeviceButton(-1);
}

void TabVerification::focusAfterDeviceButton(int device)
{
    for (int k = 1; k <= DeviceColumns; ++k) {
        const DeviceButton &next = m_deviceButtons.at((device + k + DeviceColumns) % DeviceColumns);
        if (next.shown && next.button->isVisible()) {
            next.button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (m_nextButton->isEnabled())
        m_nextButton->setFocus(Qt::OtherFocusReason);
}

void TabVerification::setCurrentPoint(int row)
{
    VrPointsModel *model = pointsModel();
    if (!model)
        return;
    model->currentRow = row;
    const QModelIndex index = model->index(row, m_currentColumn);

    if (method() == 1 && model->isRowValid(row) && Verification::instance && Conditions::instance) {
        const Verification *verification = Verification::instance;
        const double span = Conditions::instance->zone1 / 100.0
            * (verification->prMaxValue->value() - verification->prMinValue->value());
        const double nominal = fromKPa(displayUnits(), model->point(row).nominal);
        m_indicator->setRange(nominal - span / 2, nominal + span / 2);
    }

    for (DeviceButton &device : m_deviceButtons)
        device.shown = true;

    m_table->setCurrentIndex(index);
    currentPointChanged();
    // The current row's background comes from the model, which announces no change.
    m_table->viewport()->update();
}

void TabVerification::hideRowWidgets()
{
    m_marker->hide();
    if (m_display)
        m_display->setNominalVisible(false);
    for (const DeviceButton &device : qAsConst(m_deviceButtons))
        device.button->hide();
}

void TabVerification::currentPointChanged()
{
    VrPointsModel *model = pointsModel();
    const int row = model ? model->currentRow : -1;
    if (!model || !model->isRowValid(row)) {
        hideRowWidgets();
        return;
    }
    const int position = m_table->rowViewportPosition(row);
    if (position < 0) {
        hideRowWidgets();
        return;
    }

    const int y = position + m_table->horizontalHeader()->height();
    const int h = m_verticalHeader->defaultSectionSize();
    model->setHighlightGeometry(QRect(QPoint(0, y), QPoint(m_table->width() - 1, y + h + 1)));
    m_marker->move(0, y);
    m_marker->resize(m_table->width(), h + 2);
    m_marker->show();

    if (m_display) {
        if (!m_display->isNominalVisible())
            m_display->setNominalVisible(true);
        m_display->setNominal(fromKPa(displayUnits(), model->point(row).nominal));
    }

    const bool placed = method() == 0 && deviceCount() > 1;
    const int count = deviceCount();
    for (int i = 0; i < DeviceColumns; ++i) {
        HButton *button = m_deviceButtons.at(i).button;
        if (!placed) {
            button->hide();
            continue;
        }
        const int column = i + 2;
        const int x = m_marker->x() + m_table->columnViewportPosition(column) + i + m_verticalHeader->width();
        button->setGeometry(x, m_marker->y(), m_table->horizontalHeader()->sectionSize(column), m_marker->height());
        button->setVisible(i < count && m_deviceButtons.at(i).shown);
        button->raise();
    }
}

void TabVerification::updateSize()
{
    if (!sizeGuard.tryLock(0))
        return;

    const QFontMetrics metrics(font());
    const int h = metrics.height();
    m_startButton->setFixedHeight(startButtonHeight(h));
    m_startButton->setMinimumWidth(metrics.horizontalAdvance(captionStart() + QStringLiteral("#####")));
    // Never below what shows the whole caption beside its icon.
    m_nextButton->setMinimumWidth(std::max(metrics.size(0, m_nextButton->text()).width(),
                                           m_nextButton->sizeHint().width()));

    m_verticalHeader->setDefaultSectionSize(int(h * 2.8));
    const int headerWidth = metrics.horizontalAdvance(QStringLiteral(" 999 "));
    m_verticalHeader->setFixedWidth(headerWidth);
    int width = headerWidth;
    const int columns = pointsModel() ? pointsModel()->columnTotal() : 0;
    for (int column = 0; column < columns; ++column) {
        if (!m_table->isColumnHidden(column))
            width += m_table->columnWidth(column) + 1;
    }
    m_table->setFixedWidth(width);

    currentPointChanged();

    QFont cellFont = font();
    if (cellFont.pointSize() > 0)
        cellFont.setPointSize(int(cellFont.pointSize() * 1.6));
    for (const ResultCells &cells : qAsConst(m_resultCells)) {
        cells.errorCell->setFont(cellFont);
        cells.variationCell->setFont(cellFont);
    }

    updateMethodCaption();
    sizeGuard.unlock();
}

void TabVerification::updateMethodCaption()
{
    const Dictionary *dictionary = Dictionary::instance;
    if (!dictionary)
        return;
    const bool methodB = method() == 1;
    const QFontMetrics metrics(m_methodCaption->font());
    if (m_methodCaption->width() < metrics.horizontalAdvance(QStringLiteral("Способ поверки C")))
        m_methodCaption->setText(methodB ? dictionary->methodBName : dictionary->methodAName);
    else
        m_methodCaption->setText(methodB ? dictionary->methodBTitle : dictionary->methodATitle);
}

void TabVerification::onVrModeChanged()
{
    const int current = method();
    if ((current == 0 || current == 1) && pointsModel()) {
        // The columns follow the device count, which changes without the model knowing.
        if (m_table->horizontalHeader()->count() != pointsModel()->columnTotal())
            pointsModel()->announceColumns();
        m_table->setColumnHidden(1, true);
        for (int column = 2; column <= 5; ++column)
            m_table->setColumnHidden(column, false);
        m_currentColumn = 2;
        pointsModel()->setMode(uint8_t(current));
        // The device headers name the method; the model does not announce the change.
        m_table->horizontalHeader()->headerDataChanged(Qt::Horizontal, 0, pointsModel()->columnCount() - 1);
    }
    updateSize();
    onTableDataChanged();
    updateMethodCaption();
}

void TabVerification::updateParametrs()
{
    onVrModeChanged();
}

void TabVerification::colourCell(EditField *cell, const QColor &colour)
{
    if (!cell->editor())
        return;
    QPalette palette = cell->editor()->palette();
    palette.setBrush(QPalette::Window, QBrush(colour, Qt::SolidPattern));
    palette.setBrush(QPalette::Base, QBrush(colour, Qt::SolidPattern));
    cell->setEditorPalette(palette);
    cell->setEnabled(colour != QColor(Qt::lightGray));
}

void TabVerification::formatResultCell(EditField *cell, ParametrString *text, double value, int device)
{
    if (device >= deviceCount()) {
        cell->hide();
        return;
    }
    cell->show();
    text->setValue(std::isfinite(value) ? formatNumber(value, decimals()) : QStringLiteral("-"));
    cell->refresh();
}

void TabVerification::onTableDataChanged()
{
    VrPointsModel *model = pointsModel();
    if (!model)
        return;
    const QString none = QStringLiteral("-");
    for (int i = 0; i < DeviceColumns; ++i) {
        const ResultCells &cells = m_resultCells.at(i);
        cells.errorCell->hide();
        cells.variationCell->hide();

        const double error = model->maxReducedError(i + 2);
        const bool exceeded = model->errorExceeded();
        formatResultCell(cells.errorCell, cells.errorText, error, i);
        if (exceeded)
            colourCell(cells.errorCell, Qt::red);
        else
            colourCell(cells.errorCell, cells.errorText->value() != none ? Qt::green : Qt::lightGray);

        formatResultCell(cells.variationCell, cells.variationText, model->maxVariation(i + 2), i);
        colourCell(cells.variationCell, cells.variationText->value() != none ? Qt::white : Qt::lightGray);
    }
}

void TabVerification::onDecimalsChanged()
{
    m_delegate->setDecimals(decimals());
    // The results and the nominal are written with the decimals.
    onTableDataChanged();
    currentPointChanged();
}

void TabVerification::onSectionClicked(int row)
{
    VrPointsModel *model = pointsModel();
    if (!Verification::instance || Verification::instance->state() != 0 || !model || !model->isRowValid(row))
        return;
    setCurrentPoint(row);
}

void TabVerification::updateIndicatorVisibility()
{
    m_indicator->setVisible(method() == 1 && Verification::instance && Verification::instance->state() == 0);
}

void TabVerification::onDataMeasured()
{
    if (m_indicator->isHidden() || !Measure::instance)
        return;
    const Measure::Reading reading = Measure::instance->reading();
    m_indicator->setValue(reading.status != 0 ? NaN : fromKPa(displayUnits(), reading.value));
}

void TabVerification::setConnectedState(bool connected)
{
    m_connected = connected;
    if (!connected)
        processButton(ButtonStop);
    m_startButton->setEnabled(connected);
    m_zeroTrimButton->setEnabled(connected);
}

void TabVerification::resizeEvent(QResizeEvent *event)
{
    Tab::resizeEvent(event);
    updateMethodCaption();
}

void TabVerification::showEvent(QShowEvent *event)
{
    // Borrow the graph page's graph and display; it takes them back when it is shown.
    if (TabGraph *graph = TabGraph::instance) {
        if (m_graphLayout->indexOf(graph->graphWidget()) < 0)
            m_graphLayout->addWidget(graph->graphWidget());
        m_display = graph->measureDisplay();
        if (m_topGrid->indexOf(m_display) < 0)
            m_topGrid->addWidget(m_display, 0, 5);
        currentPointChanged();
    }
    Tab::showEvent(event);
    if (m_firstShow) {
        m_firstShow = false;
        // Once the page has its first layout, the caption knows its width.
        QTimer::singleShot(0, this, [this]() { updateMethodCaption(); });
    }
}
