#pragma once

#include <QString>

namespace Xlsx {

// The cell look a write can set: font and alignment. A default-constructed
// Format is empty, and a write with it leaves the cell's own style in place.
class Format
{
public:
    enum class HorizontalAlignment { General, Left, Center, Right, Fill, Justify, CenterContinuous, Distributed };
    enum class VerticalAlignment { Top, Center, Bottom, Justify, Distributed };

    bool isEmpty() const { return m_set == 0; }

    void setFontName(const QString &name) { m_fontName = name; m_set |= FontName; }
    QString fontName() const { return m_fontName; }
    void setFontSize(double points) { m_fontSize = points; m_set |= FontSize; }
    double fontSize() const { return m_fontSize; }
    void setFontBold(bool bold) { m_bold = bold; m_set |= Bold; }
    bool fontBold() const { return m_bold; }
    void setFontItalic(bool italic) { m_italic = italic; m_set |= Italic; }
    bool fontItalic() const { return m_italic; }
    void setHorizontalAlignment(HorizontalAlignment a) { m_horizontal = a; m_set |= Horizontal; }
    HorizontalAlignment horizontalAlignment() const { return m_horizontal; }
    void setVerticalAlignment(VerticalAlignment a) { m_vertical = a; m_set |= Vertical; }
    VerticalAlignment verticalAlignment() const { return m_vertical; }

    bool hasFont() const { return m_set & (FontName | FontSize | Bold | Italic); }
    bool hasAlignment() const { return m_set & (Horizontal | Vertical); }
    bool hasHorizontalAlignment() const { return m_set & Horizontal; }
    bool hasVerticalAlignment() const { return m_set & Vertical; }
    bool hasFontName() const { return m_set & FontName; }
    bool hasFontSize() const { return m_set & FontSize; }

    // Identifies equal formats, so that a style is added to a workbook once.
    QString key() const;

    static QString horizontalName(HorizontalAlignment a);
    static QString verticalName(VerticalAlignment a);

private:
    enum Flag { FontName = 1, FontSize = 2, Bold = 4, Italic = 8, Horizontal = 16, Vertical = 32 };
    int m_set = 0;
    QString m_fontName;
    double m_fontSize = 11;
    bool m_bold = false;
    bool m_italic = false;
    HorizontalAlignment m_horizontal = HorizontalAlignment::General;
    VerticalAlignment m_vertical = VerticalAlignment::Bottom;
};

}
