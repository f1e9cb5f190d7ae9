#include "Widgets/HGroupBox.h"

#include "Parameters/MainHandler.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionGroupBox>

#include <algorithm>

namespace {
// Fusion sizes a group box's title by the ink of its letters, which at many font sizes is a few
// pixels narrower than the text as drawn, and clips the title's last letter: the title gets the
// width of its text.
class WholeTitleStyle : public QProxyStyle
{
public:
    explicit WholeTitleStyle(const QString &key) : QProxyStyle(key) {}

    QRect subControlRect(ComplexControl control, const QStyleOptionComplex *option, SubControl subControl,
                         const QWidget *widget) const override
    {
        QRect rect = QProxyStyle::subControlRect(control, option, subControl, widget);
        if (control == CC_GroupBox && subControl == SC_GroupBoxLabel) {
            if (const auto *group = qstyleoption_cast<const QStyleOptionGroupBox *>(option)) {
                const int needed = group->fontMetrics.horizontalAdvance(group->text) + 2;
                if (rect.width() < needed && !(group->textAlignment & (Qt::AlignRight | Qt::AlignHCenter)))
                    rect.setWidth(std::min(needed, option->rect.right() + 1 - rect.left()));
            }
        }
        return rect;
    }
};

QStyle *wholeTitleStyle()
{
    static QPointer<QStyle> style;
    if (!style && qApp) {
        style = new WholeTitleStyle(QApplication::style()->objectName());
        style->setParent(qApp);
    }
    return style;
}
}

HGroupBox::HGroupBox(const QString &title, QWidget *parent) : QGroupBox(title, parent)
{
    setAutoFillBackground(true);
    if (QStyle *style = wholeTitleStyle())
        setStyle(style);
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
    // The frame, the margins and the editors' arrows do not shrink with the font: at small sizes
    // the captions and fields may need more than the characters give, and the group then widens
    // rather than cut them.
    setFixedWidth(std::max({w, m_minimumWidth, minimumSizeHint().width()}));
}

bool HGroupBox::event(QEvent *event)
{
    const bool handled = QGroupBox::event(event);
    // A caption or a field inside has changed what it needs.
    if (event->type() == QEvent::LayoutRequest && m_charCount != -1)
        updateFixedSize();
    return handled;
}
