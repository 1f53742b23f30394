// Clean on any text, every UTF-16 code unit included: the result is the text with each
// apostrophe doubled, the NUL characters gone and the surrounding blanks trimmed, and placed
// between two apostrophes it is one complete SQL literal.
#include "FuzzSupport.h"
#include "libClub.h"

#include <cstdint>
#include <cstring>

namespace {
// The rule written out a second way, to hold Clean's own loop against.
QString byTheRule(const QString &text) {
    QString out;
    for (const QChar c : text) {
        if (c == QChar(0))
            continue;
        out += c;
        if (c == u'\'')
            out += c;
    }
    return storedForm(out);
}

libClub *club = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    fuzz::startApplication(argc, argv, false);
    static libClub object(fuzz::scratch().path());
    club = &object;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QString text(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(text.data(), data, (size / 2) * 2);
    const QString cleaned = club->Clean(text);
    if (cleaned != byTheRule(text))
        fuzz::broken(QStringLiteral("Clean differs from its rule"));
    if (cleaned.contains(QChar(0)))
        fuzz::broken(QStringLiteral("a NUL character is left"));
    // Inside the quotes apostrophes come in pairs only, so the literal cannot end early.
    for (qsizetype i = 0; i < cleaned.size(); ++i) {
        if (cleaned[i] != u'\'')
            continue;
        if (i + 1 >= cleaned.size() || cleaned[i + 1] != u'\'')
            fuzz::broken(QStringLiteral("an apostrophe is left single"));
        ++i;
    }
    return 0;
}
