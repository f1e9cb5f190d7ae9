#pragma once

#include <QRegExp>

// One per-column test of the filter proxy; the records of a list are joined left to right.
struct ColumnFilter
{
    enum Join { And = 0, Or = 1 };
    enum Kind {
        Match = 0,        // the text consists of matches of the pattern
        NoMatch = 1,      // the opposite of Match
        Less = 2,         // kinds 2 to 5 compare the text with the pattern's text, ordinally
        LessOrEqual = 3,
        Greater = 4,
        GreaterOrEqual = 5
    };

    int join = And;
    int column = 0;
    int kind = Match;
    QRegExp pattern;

    bool operator==(const ColumnFilter &other) const
    {
        return join == other.join && column == other.column && kind == other.kind && pattern == other.pattern;
    }
    bool operator!=(const ColumnFilter &other) const { return !(*this == other); }
};
