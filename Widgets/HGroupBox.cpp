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
    m_charCount = count;
    if (count == -1)
        return;
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
