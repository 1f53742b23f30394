#include "TextOrder.h"

#include <QLocale>
#include <algorithm>
#include <vector>

QCollator readingCollator() {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::AnyTerritory);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

void sortForReading(QVector<int> &order, const std::function<QString(int)> &key, bool descending) {
    const QCollator collator = readingCollator();
    // One sort key per row: comparing keys is far cheaper than collating texts each time.
    std::vector<std::pair<int, QCollatorSortKey>> keyed;
    keyed.reserve(order.size());
    for (int i : std::as_const(order))
        keyed.emplace_back(i, collator.sortKey(key(i)));
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto &a, const auto &b) {
        const int c = a.second.compare(b.second);
        return descending ? c > 0 : c < 0;
    });
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = keyed[size_t(i)].first;
}
