#include "TableInternal.h"

#include <QHash>
#include <QLocale>
#include <QStringDecoder>
#include <QStringView>
#include <array>
#include <cstring>

namespace {

using table::RowCollector;

// Windows-1252 is Latin-1 but for 0x80..0x9F; the five bytes it leaves undefined become the
// control characters of the same number, as Windows itself converts them, so nothing is lost.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString fromCp1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    for (const char b : bytes) {
        const auto c = static_cast<unsigned char>(b);
        *out++ = c >= 0x80 && c <= 0x9F ? Cp1252High[c - 0x80] : char16_t(c);
    }
    return text;
}

QString decode(QByteArrayView bytes, QStringConverter::Encoding encoding, bool *valid = nullptr) {
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (valid)
        *valid = !decoder.hasError();
    return text;
}

struct Signature {
    QByteArrayView magic;
    const char *words; // %1 is the file
};

// Files people pick by mistake, known by their first bytes.
const Signature Signatures[] = {
    {"%PDF-", "%1 is a PDF document, not a spreadsheet"},
    {"PK\x03\x04", "%1 is a zip archive (perhaps a workbook), not CSV text"},
    {"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1",
     "%1 is an older Office document (such as an .xls workbook) or one protected by a "
     "password, not a spreadsheet this program reads: save it as .xlsx without a password, or "
     "as CSV"},
    {"\x89PNG", "%1 is a PNG picture, not a spreadsheet"},
    {"\xFF\xD8\xFF", "%1 is a JPEG picture, not a spreadsheet"},
    {"GIF8", "%1 is a GIF picture, not a spreadsheet"},
    {"\x1F\x8B", "%1 is a compressed (gzip) file, not a spreadsheet"},
    {"{\\rtf", "%1 is a word-processor (RTF) document, not a spreadsheet"},
};

// Text has few control characters besides tabs and line ends; a file with many is binary.
bool looksBinary(QStringView text) {
    const QStringView sample = text.first(std::min<qsizetype>(text.size(), 4096));
    qsizetype controls = 0;
    for (const QChar c : sample) {
        const char16_t u = c.unicode();
        if (u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f' && u != u'\v'
            && u != 0x1A)
            ++controls;
    }
    return controls >= 4 && controls * 10 > sample.size();
}

// The candidate whose count outside quotes is the same over most of the first records; a tie
// goes to the larger count, then to the comma.
QChar detectDelimiter(QStringView text) {
    constexpr char16_t Candidates[] = {u',', u';', u'\t'};
    constexpr qsizetype MaxRecords = 100, MaxChars = 64 * 1024;
    std::array<QList<int>, 3> counts;
    std::array<int, 3> current{};
    bool quoted = false;
    const qsizetype end = std::min(text.size(), MaxChars);
    auto endRecord = [&] {
        for (int k = 0; k < 3; ++k) {
            counts[k].append(current[k]);
            current[k] = 0;
        }
    };
    for (qsizetype i = 0; i < end && counts[0].size() < MaxRecords; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'"') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < end && text[i + 1] == u'\n')
                ++i;
            endRecord();
        } else {
            for (int k = 0; k < 3; ++k)
                if (c == Candidates[k])
                    ++current[k];
        }
    }
    if (current[0] || current[1] || current[2])
        endRecord();

    QChar best = u',';
    int bestAgree = 0, bestCount = 0;
    for (int k = 0; k < 3; ++k) {
        // The most frequent count above zero, and how many records have it.
        QHash<int, int> seen;
        int agree = 0, count = 0;
        for (const int n : std::as_const(counts[k])) {
            if (n == 0)
                continue;
            const int times = ++seen[n];
            if (times > agree || (times == agree && n > count)) {
                agree = times;
                count = n;
            }
        }
        if (agree > bestAgree || (agree == bestAgree && agree > 0 && count > bestCount)) {
            best = Candidates[k];
            bestAgree = agree;
            bestCount = count;
        }
    }
    return best;
}

} // namespace

TableRead readCsv(const QByteArray &bytes, const QString &fileName,
                  const TableReadOptions &options) {
    TableRead failed;
    auto fail = [&](const QString &words) {
        failed.error = words;
        return failed;
    };
    if (bytes.size() > table::MaxBytes)
        return fail(QStringLiteral("%1 is larger than 512 MB, too large to be read as a table")
                        .arg(fileName));
    for (const Signature &s : Signatures)
        if (bytes.startsWith(s.magic))
            return fail(QString::fromUtf8(s.words).arg(fileName));

    TableRead read;
    // The byte order mark, if any, names the encoding; else UTF-8 when the bytes are valid
    // UTF-8, else the encoding Excel writes on Windows.
    QByteArrayView body(bytes);
    std::optional<TextEncoding> marked;
    if (body.startsWith("\xEF\xBB\xBF"))
        marked = TextEncoding::Utf8;
    else if (body.startsWith("\xFF\xFE"))
        marked = TextEncoding::Utf16LE;
    else if (body.startsWith("\xFE\xFF"))
        marked = TextEncoding::Utf16BE;
    read.encoding = options.encoding.value_or(marked.value_or(TextEncoding::Utf8));
    if (marked && *marked == read.encoding) {
        read.byteOrderMark = true;
        body = body.sliced(read.encoding == TextEncoding::Utf8 ? 3 : 2);
    }
    QString text;
    switch (read.encoding) {
    case TextEncoding::Utf8: {
        bool valid = true;
        text = decode(body, QStringConverter::Utf8, &valid);
        if (!valid && !options.encoding) {
            read.encoding = TextEncoding::Windows1252;
            text = fromCp1252(body);
        }
        break;
    }
    case TextEncoding::Windows1252:
        text = fromCp1252(body);
        break;
    case TextEncoding::Utf16LE:
        text = decode(body, QStringConverter::Utf16LE);
        break;
    case TextEncoding::Utf16BE:
        text = decode(body, QStringConverter::Utf16BE);
        break;
    }
    if (text.isEmpty())
        return fail(QStringLiteral("%1 is empty").arg(fileName));
    if (looksBinary(text))
        return fail(QStringLiteral("%1 holds binary data, not text: it is not a spreadsheet")
                        .arg(fileName));

    read.delimiter = options.delimiter.value_or(detectDelimiter(text));
    const char16_t delimiter = read.delimiter.unicode();
    if (delimiter == u'"' || delimiter == u'\n' || delimiter == u'\r' || delimiter == 0)
        return fail(QStringLiteral("%1 cannot be read with that separator").arg(fileName));

    const qsizetype firstNul = text.indexOf(QChar(0));
    const auto *s = reinterpret_cast<const char16_t *>(text.utf16());
    const qsizetype n = text.size();
    const QStringView all(text);
    // The end of the unquoted text that starts at `from`: a delimiter, a line end or the end.
    auto plainEnd = [&](qsizetype from) {
        while (from < n && s[from] != delimiter && s[from] != u'\n' && s[from] != u'\r')
            ++from;
        return from;
    };

    RowCollector rows(read, fileName);
    QString error;
    qsizetype pos = 0, rowNumber = 0, width = 0;
    while (pos < n) {
        const qsizetype recordStart = pos;
        ++rowNumber;
        QStringList cells;
        cells.reserve(width);
        for (;;) {
            if (cells.size() >= table::MaxColumns)
                return fail(QStringLiteral("%1, row %2 has more than %3 cells, more than a "
                                           "spreadsheet holds")
                                .arg(fileName)
                                .arg(rowNumber)
                                .arg(QLocale::c().toString(table::MaxColumns)));
            QString cell;
            if (s[pos] == u'"') {
                // RFC 4180: doubled quotes stand for one, and line ends belong to the cell.
                qsizetype start = ++pos;
                for (;;) {
                    const qsizetype quote = all.indexOf(u'"', pos);
                    if (quote < 0)
                        return fail(QStringLiteral("%1, row %2: a quoted cell is never closed")
                                        .arg(fileName)
                                        .arg(rowNumber));
                    if (quote + 1 < n && s[quote + 1] == u'"') {
                        cell.append(all.sliced(start, quote + 1 - start));
                        pos = start = quote + 2;
                        continue;
                    }
                    if (cell.isEmpty())
                        cell = all.sliced(start, quote - start).toString();
                    else
                        cell.append(all.sliced(start, quote - start));
                    pos = quote + 1;
                    break;
                }
                // Text after the closing quote is not RFC 4180, but spreadsheets keep it.
                const qsizetype end = plainEnd(pos);
                if (end > pos)
                    cell.append(all.sliced(pos, end - pos));
                pos = end;
            } else {
                const qsizetype end = plainEnd(pos);
                cell = all.sliced(pos, end - pos).toString();
                pos = end;
            }
            cells.append(std::move(cell));
            if (pos < n && s[pos] == delimiter) {
                ++pos;
                if (pos < n)
                    continue;
                cells.append(QString()); // a delimiter at the very end ends in an empty cell
            }
            if (pos < n)
                pos += s[pos] == u'\r' && pos + 1 < n && s[pos + 1] == u'\n' ? 2 : 1;
            break;
        }
        if (firstNul >= recordStart && firstNul < pos)
            return fail(QStringLiteral("%1 is not a text file: row %2 holds a NUL character")
                            .arg(fileName)
                            .arg(rowNumber));
        width = cells.size();
        if (!rows.add(std::move(cells), rowNumber, &error))
            return fail(error);
    }
    if (!rows.hasHeadings())
        return fail(QStringLiteral("%1 holds nothing but blank rows").arg(fileName));
    read.ok = true;
    return read;
}
