#include "record/session_columns.h"

#include "platform/bounded_text.h"
#include "platform/numbers.h"

std::string SessionColumnNames() {
    std::string names;
    for (const SessionColumn& column : sessionColumns) {
        if (column.cell != 0) names += ',';
        names += column.name;
    }
    return names;
}

std::string SessionRowText(const SessionRowSource& source) {
    std::string row;
    for (const SessionColumn& column : sessionColumns) {
        char cell[64];
        if (column.value)
            FormatText(cell, sizeof cell, column.format, FiniteOrZero(column.value(source)));
        else
            FormatText(cell, sizeof cell, column.format, source.timeOfDay);
        if (column.cell != 0) row += ',';
        row += cell;
    }
    return row;
}
