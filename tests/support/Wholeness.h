#pragma once

#include <QStringList>

class QWidget;

namespace TestSupport {
// The captions and fields under root that are not whole: shown smaller than their size hints
// ask for (a label's or a button's text, an editor's frame and arrows), or cut by a widget
// between them and root (a group, a tab, a scroll area of their own). Root itself may be larger
// than its parent: a page that scrolls as a whole is whole. One line per widget, for the
// failure message.
QStringList cutWidgets(QWidget *root);
}
