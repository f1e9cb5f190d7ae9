#pragma once

class QWidget;

// The window that in-window panels (message boxes) cover: the main window once it
// exists, before that any visible top-level window; null when there is none.
QWidget *hostWindow();
// The main window makes itself known here when it is built, and leaves with null.
void setMainHostWindow(QWidget *window);
