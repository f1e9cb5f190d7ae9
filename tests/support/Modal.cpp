#include "Modal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

namespace TestSupport {

void handleNextModal(const std::function<void(QWidget *)> &handler, int timeoutMs)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    timer->setInterval(20);
    QElapsedTimer clock;
    clock.start();
    QObject::connect(timer, &QTimer::timeout, timer, [timer, handler, timeoutMs, clock]() {
        QWidget *modal = QApplication::activeModalWidget();
        const bool shown = modal && modal->isVisible();
        if (!shown && clock.elapsed() <= timeoutMs)
            return;
        timer->stop();
        timer->deleteLater();
        handler(shown ? modal : nullptr);
    });
    timer->start();
}

bool clickButtonOfRole(QMessageBox *box, QMessageBox::ButtonRole role)
{
    if (!box)
        return false;
    const QList<QAbstractButton *> buttons = box->buttons();
    for (QAbstractButton *button : buttons) {
        if (box->buttonRole(button) == role) {
            button->click();
            return true;
        }
    }
    return false;
}

void answerNextMessageBox(QMessageBox::ButtonRole role, QString *text, int timeoutMs)
{
    handleNextModal(
        [role, text](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            if (!box)
                return;
            if (text)
                *text = box->text();
            clickButtonOfRole(box, role);
        },
        timeoutMs);
}

}
