#include "Wholeness.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QWidget>

namespace TestSupport {

namespace {
QString describe(const QWidget *widget)
{
    QString text;
    if (auto *label = qobject_cast<const QLabel *>(widget))
        text = label->text();
    else if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        text = button->text();
    else if (auto *group = qobject_cast<const QGroupBox *>(widget))
        text = group->title();
    else if (auto *combo = qobject_cast<const QComboBox *>(widget))
        text = combo->currentText();
    else if (auto *spin = qobject_cast<const QAbstractSpinBox *>(widget))
        text = spin->text();
    else if (auto *edit = qobject_cast<const QLineEdit *>(widget))
        text = edit->text();
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return QStringLiteral("%1 \"%2\"").arg(QString::fromLatin1(widget->metaObject()->className()), text);
}

QString sizeText(const QSize &size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

bool insideSpinBox(const QWidget *widget)
{
    return qobject_cast<const QAbstractSpinBox *>(widget->parentWidget()) != nullptr;
}

// A push button's text and icon with the style's margins, without the style's least width for
// buttons with a text (a short caption in a narrow button is whole).
QSize buttonNeeds(const QPushButton *button)
{
    const QFontMetrics fm = button->fontMetrics();
    QString text = button->text();
    text.remove(QLatin1Char('&'));
    QSize contents = fm.size(Qt::TextShowMnemonic, text);
    if (!button->icon().isNull()) {
        contents.rwidth() += button->iconSize().width() + 4;
        contents.setHeight(std::max(contents.height(), button->iconSize().height()));
    }
    QStyleOptionButton option;
    option.initFrom(button);
    option.text = button->text();
    option.icon = button->icon();
    option.iconSize = button->iconSize();
    option.features = button->isFlat() ? QStyleOptionButton::Flat : QStyleOptionButton::None;
    const QStyle *style = button->style();
    const int margins = style->pixelMetric(QStyle::PM_ButtonMargin, &option, button)
        + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, button);
    return QSize(contents.width() + margins, std::min(button->sizeHint().height(), contents.height() + margins));
}

// The size the widget needs to show itself whole; invalid for widgets not judged.
QSize neededSize(const QWidget *widget)
{
    if (auto *label = qobject_cast<const QLabel *>(widget)) {
        // A picture (the filter bar's magnifier) may stand in a larger frame.
        if (label->text().isEmpty())
            return QSize();
        if (label->wordWrap())
            return QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()));
        return label->sizeHint();
    }
    if (auto *button = qobject_cast<const QPushButton *>(widget))
        return buttonNeeds(button);
    if (qobject_cast<const QAbstractButton *>(widget))
        return widget->sizeHint();
    // The text of a number: all of it, in the editor's text field.
    if (auto *edit = qobject_cast<const QLineEdit *>(widget); edit && insideSpinBox(edit)) {
        const QFontMetrics fm = edit->fontMetrics();
        const QMargins margins = edit->textMargins();
        return QSize(fm.horizontalAdvance(edit->text()) + 4 + margins.left() + margins.right(), fm.height());
    }
    // An editor's text may scroll within it; its frame, arrows and one line of text are whole.
    if (qobject_cast<const QComboBox *>(widget) || qobject_cast<const QLineEdit *>(widget))
        return widget->minimumSizeHint();
    if (auto *spin = qobject_cast<const QAbstractSpinBox *>(widget))
        return QSize(0, spin->minimumSizeHint().height());
    return QSize();
}

// A group box's title as the style draws it: clipped to the label's rectangle.
bool titleCut(const QGroupBox *group)
{
    if (group->title().isEmpty())
        return false;
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.lineWidth = 1;
    option.midLineWidth = 0;
    option.textAlignment = group->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    return label.width() < group->fontMetrics().horizontalAdvance(group->title())
        || label.right() >= group->width();
}
}

QStringList cutWidgets(QWidget *root)
{
    QStringList cut;
    if (!root)
        return cut;
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (!widget->isVisibleTo(root) || widget->isWindow())
            continue;
        // A combo box's text field is judged with the box.
        if (qobject_cast<QLineEdit *>(widget) && qobject_cast<QComboBox *>(widget->parentWidget()))
            continue;
        // Tab bars scroll their tabs.
        if (qobject_cast<QTabBar *>(widget->parentWidget()))
            continue;
        if (auto *group = qobject_cast<QGroupBox *>(widget); group && titleCut(group))
            cut << QStringLiteral("%1 cuts its title").arg(describe(widget));
        const QSize needed = neededSize(widget);
        if (!needed.isValid() && !qobject_cast<QGroupBox *>(widget))
            continue;
        if (needed.isValid() && (widget->width() < needed.width() || widget->height() < needed.height())) {
            cut << QStringLiteral("%1 is %2, needs %3")
                       .arg(describe(widget), sizeText(widget->size()), sizeText(needed));
            continue;
        }
        // Clipped by a widget between it and root.
        QRect visible = widget->rect();
        QPoint offset;
        const QWidget *w = widget;
        while (w != root && w->parentWidget()) {
            offset += w->pos();
            w = w->parentWidget();
            if (w == root)
                break;
            visible &= w->rect().translated(-offset);
        }
        if (visible != widget->rect())
            cut << QStringLiteral("%1 is cut to %2 of %3")
                       .arg(describe(widget), sizeText(visible.size()), sizeText(widget->size()));
    }
    return cut;
}

}
