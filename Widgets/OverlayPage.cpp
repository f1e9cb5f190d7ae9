#include "Widgets/OverlayPage.h"

#include "Widgets/OverlayFocus.h"

#include <QHideEvent>
#include <QShowEvent>

OverlayPage::OverlayPage(QWidget *parent) : Tab(parent)
{
    // Opaque, so the page beneath (its live graph above all) is not painted again under it.
    setAutoFillBackground(true);
    OverlayFocus::hold(this);
}

void OverlayPage::showOverParent()
{
    if (parentWidget())
        resize(parentWidget()->size());
    raise();
    show();
}

void OverlayPage::fitToParent()
{
    if (isVisible() && parentWidget())
        resize(parentWidget()->size());
}

void OverlayPage::showEvent(QShowEvent *event)
{
    Tab::showEvent(event);
    if (!event->spontaneous())
        OverlayFocus::enter(this);
}

void OverlayPage::hideEvent(QHideEvent *event)
{
    Tab::hideEvent(event);
    // Hidden for good: showing the page beneath again does not bring this one back. A minimised
    // window hides its widgets spontaneously and shows them again when restored: the page stays.
    if (!event->spontaneous())
        hide();
}

bool OverlayPage::focusNextPrevChild(bool next)
{
    return OverlayFocus::focusNextPrevChild(window(), next) || Tab::focusNextPrevChild(next);
}
