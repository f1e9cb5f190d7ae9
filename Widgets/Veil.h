#pragma once

class QFrame;
class QWidget;

// The look of the panels laid over the whole main window (messages, the document name):
// a translucent black veil, and on it a framed panel in the window's own colours. The veil holds
// the keyboard while it shows (OverlayFocus).
void makeVeil(QWidget *veil);
// The framed panel, a child of veil; its window and text colours are those of veil's parent.
QFrame *makeVeilPanel(QWidget *veil);
