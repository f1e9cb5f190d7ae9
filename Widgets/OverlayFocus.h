#pragma once

class QWidget;

// The keyboard of a panel laid over other widgets: a page over the page that opened it, a
// message or the document name over the whole window, the screen lock. An overlay covers its
// parent widget and everything in it, but for itself and the overlays that lie above it. While
// an overlay shows, no covered widget has the focus, and so no key reaches one: Tab and
// Shift+Tab pass over them, and a covered widget given the focus anyway hands it back at once.
// When the overlay goes, the focus returns to where it was when the overlay came.
namespace OverlayFocus {

// From now on the overlay holds the keyboard whenever it shows. Once per overlay, in its
// constructor.
void hold(QWidget *overlay);

// True while a shown overlay lies over the widget.
bool isCovered(const QWidget *widget);

// Tab (next) or Shift+Tab from the focus in window, to the next widget in Qt's focus order that
// takes Tab and is not covered. False when no overlay shows in the window: Qt's own step
// applies then. Called by the window's and the overlays' focusNextPrevChild.
bool focusNextPrevChild(QWidget *window, bool next);

// Puts the focus into the overlay unless one of its widgets has it: on the widget of it that had
// it last, else on its first widget that takes Tab.
void enter(QWidget *overlay);

}
