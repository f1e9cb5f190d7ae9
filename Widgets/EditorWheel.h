#pragma once

class QWidget;

// A spin box or combo box takes the wheel only while it has the keyboard focus: turned over one
// the operator is not editing, the wheel scrolls the page under it and gives the editor no focus.
// Clicked or tabbed into, the editor takes the wheel as usual.
void takeWheelOnlyWithFocus(QWidget *editor);
