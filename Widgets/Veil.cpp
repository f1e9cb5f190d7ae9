#include "Widgets/Veil.h"

#include "Widgets/OverlayFocus.h"

#include <QApplication>
#include <QFrame>
#include <QPalette>
#include <QWidget>

void makeVeil(QWidget *veil)
{
    veil->setAttribute(Qt::WA_DeleteOnClose);
    veil->setAttribute(Qt::WA_StyledBackground);
    veil->setAttribute(Qt::WA_AlwaysStackOnTop);
    OverlayFocus::hold(veil);
    veil->setFocus(Qt::OtherFocusReason);

    veil->setAutoFillBackground(true);
    QPalette palette = veil->palette();
    palette.setBrush(QPalette::All, QPalette::Window, QBrush(QColor(0, 0, 0, 150)));
    veil->setPalette(palette);
}

QFrame *makeVeilPanel(QWidget *veil)
{
    auto *panel = new QFrame(veil);
    panel->setFrameStyle(QFrame::Box);
    panel->setLineWidth(1);
    QPalette panelPalette = veil->palette();
    const QPalette windowPalette = veil->parentWidget() ? veil->parentWidget()->palette() : QApplication::palette();
    for (auto role : {QPalette::Window, QPalette::Text, QPalette::WindowText}) {
        for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            panelPalette.setBrush(group, role, windowPalette.brush(group, role));
    }
    panel->setPalette(panelPalette);
    panel->setAutoFillBackground(true);
    return panel;
}
