#include "LabelSheets.h"

namespace labels {

const LabelSheet *sheetByCode(const QString &code) {
    QString wanted = code.simplified();
    // What the box says is "Avery 5160"; the maker's name alone picks nothing.
    if (wanted.startsWith(QLatin1String("avery"), Qt::CaseInsensitive))
        wanted = wanted.mid(5).trimmed();
    if (wanted.isEmpty())
        return nullptr;
    for (const LabelSheet &sheet : LabelSheets)
        if (wanted.compare(QLatin1String(sheet.code), Qt::CaseInsensitive) == 0)
            return &sheet;
    return nullptr;
}

double paperWidth(Paper paper) {
    return paper == Paper::Letter ? inch(8.5) : 210.0;
}

double paperHeight(Paper paper) {
    return paper == Paper::Letter ? inch(11) : 297.0;
}

} // namespace labels
