#include "Widgets/ScreenLocker.h"

#include "Parameters/MainHandler.h"
#include "Widgets/OverlayFocus.h"

#include <QFrame>
#include <QGridLayout>
#include <QPaintEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>

ScreenLocker::ScreenLocker(QWidget *parent) : QWidget(parent)
{
    m_outerLayout = new QGridLayout(this);
    m_panel = new QFrame(this);
    m_outerLayout->addWidget(m_panel, 1, 1);
    auto *inner = new QGridLayout(m_panel);
    inner->setContentsMargins(1, 1, 1, 1);
    inner->setSpacing(1);

    m_cancelButton = new QPushButton(tr("Отмена"), m_panel);
    m_cancelButton->setMinimumHeight(50);
    m_cancelButton->setFocusPolicy(Qt::NoFocus);

    m_progressBar = new QProgressBar(m_panel);
    m_progressBar->setFormat(tr("Поиск устройств... ") + QStringLiteral("%p%"));
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setRange(0, 100);
    m_progressBar->setMinimumHeight(35);
    m_panel->setMinimumWidth(500);

    inner->addWidget(m_progressBar, 0, 0);
    inner->addWidget(m_cancelButton, 1, 0);

    m_outerLayout->setColumnStretch(0, 1);
    m_outerLayout->setColumnStretch(2, 1);
    m_outerLayout->setRowStretch(0, 1);
    m_outerLayout->setRowStretch(2, 1);

    m_overlayColor = QColor(25, 25, 25, 170);
    connect(m_cancelButton, SIGNAL(clicked()), this, SIGNAL(buttonPushed()));
    // The focus of the window it covers comes back when the lock is lowered.
    OverlayFocus::hold(this);
}

ScreenLocker::~ScreenLocker()
{
    if (isVisible())
        publishVisibility(false);
}

void ScreenLocker::setState(uint8_t kind)
{
    if (kind == m_state)
        return;
    m_state = kind;
    switch (kind) {
    case StateSearch:
        m_progressBar->setFormat(tr("Поиск устройств... ") + QStringLiteral("%p%"));
        m_overlayColor = QColor(25, 25, 25, 170);
        m_outerLayout->setRowStretch(2, 1);
        m_cancelButton->setEnabled(true);
        move(0, 0);
        break;
    case StateStartupExchange:
        m_progressBar->setFormat(tr("Идет обмен... ") + QStringLiteral("%p%"));
        m_overlayColor = QColor(25, 25, 25, 50);
        m_outerLayout->setRowStretch(2, 0);
        m_cancelButton->setEnabled(true);
        m_offset = QPoint(0, 70);
        move(m_offset);
        break;
    case StateExchange:
        m_progressBar->setFormat(tr("Идет обмен... ") + QStringLiteral("%p%"));
        m_overlayColor = QColor(25, 25, 25, 50);
        m_outerLayout->setRowStretch(2, 0);
        m_cancelButton->setEnabled(false);
        m_cancelButton->hide();
        move(0, 0);
        break;
    default:
        return;
    }
    update();
}

void ScreenLocker::setProgressValue(int value)
{
    m_progressBar->setValue(value);
}

void ScreenLocker::setMaxProgress(int maximum)
{
    m_progressBar->setMaximum(maximum);
}

void ScreenLocker::addProgress()
{
    m_progressBar->setValue(m_progressBar->value() + 1);
}

void ScreenLocker::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_overlayColor);
}

void ScreenLocker::showEvent(QShowEvent *event)
{
    // A raised lock starts empty; a window coming back from minimised is no new job.
    if (!event->spontaneous())
        setProgressValue(0);
    QWidget::showEvent(event);
    publishVisibility(isVisible());
}

void ScreenLocker::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    publishVisibility(isVisible());
}

void ScreenLocker::publishVisibility(bool visible)
{
    if (MainHandler::instance)
        MainHandler::instance->setOverlayVisible(visible);
}
