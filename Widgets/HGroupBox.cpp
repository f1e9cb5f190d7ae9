#include "Widgets/HGroupBox.h"

#include "Parameters/MainHandler.h"

#include <QFontMetrics>

HGroupBox::HGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent)
{
    setAutoFillBackground(true);
}

void HGroupBox::setMinimumFixedWidth(int width)
{
    m_minimumWidth = width;
}

void HGroupBox::setFixedCharCount(int count)
{
    const int previous = m_charCount;
    m_charCount = count;
    if (count == -1) {
        // Back to a free width: a later font change must not pin it to the minimum.
        if (previous != -1) {
            if (MainHandler::instance)
                disconnect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(updateFixedSize()));
            setMinimumWidth(0);
            setMaximumWidth(QWIDGETSIZE_MAX);
        }
        return;
    }
    if (MainHandler::instance) {
        disconnect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(updateFixedSize()));
        connect(MainHandler::instance, SIGNAL(fontChanged()), this, SLOT(updateFixedSize()));
    }
    updateFixedSize();
}

void HGroupBox::updateFixedSize()
{
    const QString text(qMax(0, m_charCount), QLatin1Char('#'));
    const int w = QFontMetrics(font()).horizontalAdvance(text);
    setFixedWidth(qMax(w, m_minimumWidth));
}
