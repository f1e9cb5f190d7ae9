#include "Widgets/OverlayFocus.h"

#include <QApplication>
#include <QEvent>
#include <QList>
#include <QPointer>
#include <QStyleHints>
#include <QWidget>

namespace {

bool within(const QWidget *widget, const QWidget *overlay)
{
    return widget && overlay && (widget == overlay || overlay->isAncestorOf(widget));
}

// True when a is painted over b: at the first parent they share, a's branch is the later child
// (raising a widget moves it to the end of its siblings).
bool isAbove(const QWidget *a, const QWidget *b)
{
    QList<const QWidget *> upA, upB;
    for (const QWidget *w = a; w; w = w->parentWidget())
        upA.prepend(w);
    for (const QWidget *w = b; w; w = w->parentWidget())
        upB.prepend(w);
    int i = 0;
    while (i < upA.size() && i < upB.size() && upA.at(i) == upB.at(i))
        ++i;
    if (i == 0 || i == upA.size())
        return false;   // other windows, or a holds b
    if (i == upB.size())
        return true;    // b holds a
    const QObjectList &siblings = upA.at(i - 1)->children();
    return siblings.indexOf(const_cast<QWidget *>(upA.at(i))) > siblings.indexOf(const_cast<QWidget *>(upB.at(i)));
}

QWidget *deepestFocusProxy(QWidget *widget)
{
    QWidget *proxy = widget->focusProxy();
    while (proxy && proxy->focusProxy())
        proxy = proxy->focusProxy();
    return proxy;
}

class Guard : public QObject
{
public:
    // One for the application, made with the first overlay, gone with the application.
    static Guard *instance()
    {
        if (!s_existing && qApp)
            new Guard(qApp);
        return s_existing;
    }
    static Guard *existing() { return s_existing; }

    void add(QWidget *overlay)
    {
        for (const Hold &hold : qAsConst(m_holds))
            if (hold.overlay == overlay)
                return;
        prune();
        m_holds.append(Hold{overlay, nullptr, false});
        overlay->installEventFilter(this);
    }

    bool isCovered(const QWidget *widget) const
    {
        if (!widget)
            return false;
        for (const Hold &hold : m_holds) {
            const QWidget *overlay = hold.overlay;
            if (!isShown(overlay) || overlay->window() != widget->window() || within(widget, overlay))
                continue;
            const QWidget *base = overlay->parentWidget();
            if (!base || !within(widget, base))
                continue;
            // A widget of an overlay laid over this one is not covered by it.
            bool lifted = false;
            for (const Hold &other : m_holds) {
                if (isShown(other.overlay) && within(widget, other.overlay) && isAbove(other.overlay, overlay)) {
                    lifted = true;
                    break;
                }
            }
            if (!lifted)
                return true;
        }
        return false;
    }

    bool anyShownIn(const QWidget *window) const
    {
        for (const Hold &hold : m_holds)
            if (isShown(hold.overlay) && hold.overlay->window() == window)
                return true;
        return false;
    }

    bool step(QWidget *window, bool next) const
    {
        if (!anyShownIn(window))
            return false;
        QWidget *from = QApplication::focusWidget();
        if (!from || from->window() != window)
            from = window;
        // Qt's own order and rules for Tab, the covered widgets left out.
        for (QWidget *w = next ? from->nextInFocusChain() : from->previousInFocusChain(); w && w != from;
             w = next ? w->nextInFocusChain() : w->previousInFocusChain()) {
            if (w->window() == window && takesTab(w, from) && canTake(w, window)) {
                w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
                return true;
            }
        }
        // Nothing else to go to: the focus stays.
        return true;
    }

    void enter(QWidget *overlay) const
    {
        if (within(QApplication::focusWidget(), overlay))
            return;
        if (QWidget *target = preferredIn(overlay))
            target->setFocus(Qt::OtherFocusReason);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // A minimised window hides and shows its widgets spontaneously: that is no coming or going.
        if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && !event->spontaneous()) {
            for (Hold &hold : m_holds) {
                if (hold.overlay != watched)
                    continue;
                if (event->type() == QEvent::Show)
                    shown(hold);
                else
                    gone(hold);
                break;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    struct Hold
    {
        QPointer<QWidget> overlay;
        // Where the focus was when the overlay came.
        QPointer<QWidget> returnTo;
        // The way back is known for this showing.
        bool entered;
    };

    explicit Guard(QObject *parent) : QObject(parent)
    {
        connect(static_cast<QApplication *>(QCoreApplication::instance()), &QApplication::focusChanged, this,
                &Guard::onFocusChanged);
        s_existing = this;
    }
    ~Guard() override { s_existing = nullptr; }

    static bool isShown(const QWidget *overlay) { return overlay && overlay->isVisible(); }

    // As Qt's Tab step judges a widget, focus proxies included.
    static bool takesTab(QWidget *widget, QWidget *from)
    {
        const Qt::FocusPolicy wanted = QGuiApplication::styleHints()->tabFocusBehavior() == Qt::TabFocusAllControls
            ? Qt::TabFocus
            : Qt::StrongFocus;
        QWidget *proxy = deepestFocusProxy(widget);
        if (((proxy ? proxy : widget)->focusPolicy() & wanted) != wanted)
            return false;
        // A compound widget and its own part are one stop, not two.
        if (proxy && (proxy->isAncestorOf(widget) || widget->isAncestorOf(proxy)))
            return false;
        return proxy != from;
    }

    bool canTake(const QWidget *widget, const QWidget *window) const
    {
        return widget && widget->window() == window && widget->isVisible() && widget->isEnabled()
            && !isCovered(widget);
    }

    // The overlay's widget that had the focus last, else its first that takes Tab.
    QWidget *preferredIn(QWidget *overlay) const
    {
        QWidget *window = overlay->window();
        QWidget *last = overlay->focusWidget();
        if (within(last, overlay) && canTake(last, window))
            return last;
        for (QWidget *w = overlay->nextInFocusChain(); w && w != overlay; w = w->nextInFocusChain()) {
            if (within(w, overlay) && takesTab(w, nullptr) && canTake(w, window))
                return w;
        }
        return nullptr;
    }

    QWidget *topmostShownIn(const QWidget *window) const
    {
        QWidget *top = nullptr;
        for (const Hold &hold : m_holds) {
            QWidget *overlay = hold.overlay;
            if (isShown(overlay) && overlay->window() == window && (!top || isAbove(overlay, top)))
                top = overlay;
        }
        return top;
    }

    // Where the focus goes back to: the widget that had it, if it still can take it, else into
    // the topmost overlay that shows.
    QWidget *givenBackTo(QWidget *previous, const QWidget *window) const
    {
        if (canTake(previous, window))
            return previous;
        QWidget *top = topmostShownIn(window);
        return top ? preferredIn(top) : nullptr;
    }

    void shown(Hold &hold)
    {
        if (hold.entered)
            return;
        QWidget *focus = QApplication::focusWidget();
        hold.returnTo = within(focus, hold.overlay) ? nullptr : focus;
        hold.entered = true;
    }

    void gone(Hold &hold)
    {
        QWidget *overlay = hold.overlay;
        QWidget *window = overlay->window();
        QPointer<QWidget> back = hold.returnTo;
        hold.returnTo = nullptr;
        hold.entered = false;
        // An overlay that came over this one, or came while the focus was nowhere (the window
        // locked), goes back where this one would have.
        for (Hold &other : m_holds) {
            if (&other != &hold && isShown(other.overlay) && other.entered
                && (!other.returnTo || within(other.returnTo, overlay)))
                other.returnTo = back;
        }
        QWidget *focus = QApplication::focusWidget();
        if (focus && !within(focus, overlay) && canTake(focus, window))
            return;
        if (QWidget *target = givenBackTo(back, window))
            target->setFocus(Qt::OtherFocusReason);
    }

    void onFocusChanged(QWidget *old, QWidget *now)
    {
        if (!now)
            return;
        for (Hold &hold : m_holds) {
            if (!hold.entered && isShown(hold.overlay) && within(now, hold.overlay)) {
                hold.entered = true;
                hold.returnTo = within(old, hold.overlay) ? nullptr : old;
            }
        }
        if (m_bouncing || !isCovered(now))
            return;
        // Whatever gave it the focus, a covered widget gives it back.
        QWidget *target = givenBackTo(old, now->window());
        m_bouncing = true;
        if (target && target != now)
            target->setFocus(Qt::OtherFocusReason);
        else
            now->clearFocus();
        m_bouncing = false;
    }

    void prune()
    {
        for (int i = m_holds.size() - 1; i >= 0; --i)
            if (!m_holds.at(i).overlay)
                m_holds.removeAt(i);
    }

    QList<Hold> m_holds;
    bool m_bouncing = false;
    static Guard *s_existing;
};

Guard *Guard::s_existing = nullptr;

}

namespace OverlayFocus {

void hold(QWidget *overlay)
{
    if (Guard *guard = overlay ? Guard::instance() : nullptr)
        guard->add(overlay);
}

bool isCovered(const QWidget *widget)
{
    const Guard *guard = Guard::existing();
    return guard && guard->isCovered(widget);
}

bool focusNextPrevChild(QWidget *window, bool next)
{
    const Guard *guard = Guard::existing();
    return guard && window && guard->step(window, next);
}

void enter(QWidget *overlay)
{
    if (const Guard *guard = overlay ? Guard::existing() : nullptr)
        guard->enter(overlay);
}

}
