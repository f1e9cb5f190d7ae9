#pragma once

#include <QMessageBox>

#include <functional>

class QWidget;

namespace TestSupport {
// Hands the next modal widget (a dialog or message box opened by what the test does next) to
// handler once it is shown, polling from the event loop. Call it before the action that opens
// the dialog; handler must close it. After timeoutMs without one, handler gets null.
void handleNextModal(const std::function<void(QWidget *)> &handler, int timeoutMs = 30000);
// Clicks the first button of the role on a message box; false when it has none.
bool clickButtonOfRole(QMessageBox *box, QMessageBox::ButtonRole role);
// Answers the next modal message box with its button of the role (see handleNextModal); its
// text goes to *text unless text is null, and stays empty when no message box came.
void answerNextMessageBox(QMessageBox::ButtonRole role, QString *text = nullptr, int timeoutMs = 30000);
}
