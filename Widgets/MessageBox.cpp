#include "Widgets/MessageBox.h"

#include "Widgets/HButton.h"
#include "Widgets/HostWindow.h"
#include "Widgets/OverlayFocus.h"
#include "Widgets/Veil.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QStyle>

namespace {
QStyle::StandardPixmap iconOf(int type)
{
    switch (type) {
    case 0:
        return QStyle::SP_MessageBoxInformation;
    case 1:
        return QStyle::SP_MessageBoxWarning;
    case 3:
        return QStyle::SP_MessageBoxQuestion;
    default:
        return QStyle::SP_MessageBoxCritical;
    }
}
}

MessageBox::MessageBox(const QString &text, int type) : QWidget(hostWindow()), m_type(type)
{
    makeVeil(this);
    m_panel = makeVeilPanel(this);

    auto *grid = new QGridLayout(m_panel);
    m_iconLabel = new QLabel(m_panel);
    m_iconLabel->resize(50, 50);
    m_iconLabel->setFixedWidth(50);
    m_iconLabel->setPixmap(
        QApplication::style()->standardIcon(iconOf(type)).pixmap(QSize(50, 50), QIcon::Normal, QIcon::Off));
    m_textLabel = new QLabel(text, m_panel);
    m_textLabel->setWordWrap(true);
    m_buttonRow = new QGridLayout();

    grid->addWidget(m_iconLabel, 0, 0);
    grid->addWidget(m_textLabel, 0, 1);
    grid->addLayout(m_buttonRow, 1, 0, 1, 2);
    // The panel's content changes what it needs: a button shown, another font.
    m_panel->installEventFilter(this);

    if (QWidget *host = parentWidget()) {
        resize(host->width(), host->height());
        // The main window announces its resizes; any other host is watched directly.
        if (host->metaObject()->indexOfSignal("sizeChanged()") >= 0)
            connect(host, SIGNAL(sizeChanged()), this, SLOT(onMainWindowsSizeChanged()));
        else
            host->installEventFilter(this);
    }
}

MessageBox::~MessageBox() = default;

bool MessageBox::isTopmost() const
{
    const QWidget *host = parentWidget();
    if (!host)
        return true;
    const QList<MessageBox *> boxes = host->findChildren<MessageBox *>(QString(), Qt::FindDirectChildrenOnly);
    for (auto it = boxes.crbegin(); it != boxes.crend(); ++it)
        if ((*it)->isVisible())
            return *it == this;
    return true;
}

void MessageBox::takeFocus()
{
    if (m_buttons.isEmpty())
        return;
    m_panel->setFocus(Qt::OtherFocusReason);
    m_buttons.first().button->setFocus(Qt::OtherFocusReason);
}

void MessageBox::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // A box shown while the screen was locked came up in a disabled window, where nothing takes
    // the focus: the box on top takes it when the lock is lowered, so Enter still presses it.
    if (event->type() == QEvent::EnabledChange && isEnabled() && isVisible() && isTopmost())
        takeFocus();
}

QList<HButton *> MessageBox::buttons() const
{
    QList<HButton *> list;
    for (const ButtonRecord &record : m_buttons)
        list << record.button;
    return list;
}

void MessageBox::addButton(const QString &text, uint8_t id)
{
    ++m_buttonCount;
    auto *button = new HButton(text, this);
    button->setLeastHeight(50);
    button->setProperty("_i", m_buttonCount - 1);
    button->setPalette(QPalette(button->palette()));
    m_buttons.append({id, button});
    m_buttonRow->addWidget(button, 0, m_buttonRow->columnCount());
    connect(button, SIGNAL(clicked(bool)), this, SLOT(buttonPressed()));
}

void MessageBox::showEvent(QShowEvent *event)
{
    if (m_buttonCount == 0)
        addButton(tr("Ок"), 0);
    HButton *first = m_buttons.first().button;
    first->setDefault(true);
    first->setAutoDefault(true);
    takeFocus();
    QWidget::showEvent(event);
}

void MessageBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    fitPanel();
}

void MessageBox::fitPanel()
{
    const QFontMetrics metrics(m_textLabel->font());
    const int lh = metrics.height();
    int tw = metrics.horizontalAdvance(m_textLabel->text());
    const QGridLayout *grid = static_cast<QGridLayout *>(m_panel->layout());
    const int sp = grid->spacing();
    int m = 0;
    {
        int left, top, right, bottom;
        grid->getContentsMargins(&left, &top, &right, &bottom);
        m = left;
    }

    const int hMin = static_cast<int>(lh * 4.5 + 50 + 2 * sp + 2 * m);
    if (tw > 0)
        tw = tw / 3;
    const int wNeed = tw + 2 * (sp + m + 25);

    const int W = width();
    const int H = height();
    int wBase = 300;
    if (static_cast<int>(0.6 * W) < 300)
        wBase = static_cast<int>(0.6 * W);
    int hBase = 200;
    if (static_cast<int>(0.45 * H) < 200)
        hBase = static_cast<int>(0.45 * H);

    int pw = qMax(wBase, wNeed);
    int ph = qMax(hBase, hMin);
    // A long text at a large font would make the panel wider than the window: it wraps within the
    // window's width instead, and the panel takes the height its lines and buttons then need.
    pw = qMin(pw, W);
    if (grid->hasHeightForWidth())
        ph = qMax(ph, grid->totalHeightForWidth(pw));
    ph = qMin(qMax(ph, grid->totalMinimumSize().height()), H);
    m_panel->resize(pw, ph);
    m_panel->move((W - pw) / 2, (H - ph) / 2);
}

bool MessageBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        onMainWindowsSizeChanged();
    else if (watched == m_panel && event->type() == QEvent::LayoutRequest)
        fitPanel();
    return QWidget::eventFilter(watched, event);
}

void MessageBox::buttonPressed()
{
    QObject *source = sender();
    if (!source)
        return;
    bool ok = false;
    const int index = source->property("_i").toInt(&ok);
    if (!ok || index < 0 || index >= m_buttons.size())
        return;
    emit buttonClicked(m_buttons.at(index).id);
    // Gone at once, so the focus goes back where it was (to the box below, if any) now.
    hide();
    deleteLater();
}

bool MessageBox::focusNextPrevChild(bool next)
{
    return OverlayFocus::focusNextPrevChild(window(), next) || QWidget::focusNextPrevChild(next);
}

void MessageBox::onMainWindowsSizeChanged()
{
    if (QWidget *host = parentWidget())
        resize(host->width(), host->height());
}
