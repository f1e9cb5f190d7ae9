#include "Xlsx/Format.h"

namespace Xlsx {

QString Format::key() const
{
    return QStringLiteral("%1|%2|%3|%4|%5|%6|%7")
        .arg(m_set)
        .arg(hasFontName() ? m_fontName : QString())
        .arg(hasFontSize() ? QString::number(m_fontSize, 'g', 17) : QString())
        .arg(m_bold)
        .arg(m_italic)
        .arg(int(m_horizontal))
        .arg(int(m_vertical));
}

QString Format::horizontalName(HorizontalAlignment a)
{
    switch (a) {
    case HorizontalAlignment::General: return QStringLiteral("general");
    case HorizontalAlignment::Left: return QStringLiteral("left");
    case HorizontalAlignment::Center: return QStringLiteral("center");
    case HorizontalAlignment::Right: return QStringLiteral("right");
    case HorizontalAlignment::Fill: return QStringLiteral("fill");
    case HorizontalAlignment::Justify: return QStringLiteral("justify");
    case HorizontalAlignment::CenterContinuous: return QStringLiteral("centerContinuous");
    case HorizontalAlignment::Distributed: return QStringLiteral("distributed");
    }
    return QStringLiteral("general");
}

QString Format::verticalName(VerticalAlignment a)
{
    switch (a) {
    case VerticalAlignment::Top: return QStringLiteral("top");
    case VerticalAlignment::Center: return QStringLiteral("center");
    case VerticalAlignment::Bottom: return QStringLiteral("bottom");
    case VerticalAlignment::Justify: return QStringLiteral("justify");
    case VerticalAlignment::Distributed: return QStringLiteral("distributed");
    }
    return QStringLiteral("bottom");
}

}
