#include "TableInternal.h"

#include <QFile>
#include <QHash>
#include <QLocale>
#include <QXmlStreamReader>
#include <minizip/unzip.h>

namespace {

using table::RowCollector;

enum class Part { Ok, Missing, Damaged, TooLarge };

// The archive, closed however the reading ends.
class Archive {
public:
    explicit Archive(const QString &path)
        : zip(unzOpen64(QFile::encodeName(path).constData())) {}
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;
    ~Archive() {
        if (zip)
            unzClose(zip);
    }
    bool isOpen() const { return zip != nullptr; }

    // Unpacks one part, never more than table::MaxBytes of it whatever its header claims.
    Part read(const QString &name, QByteArray *bytes) {
        bytes->clear();
        if (unzLocateFile(zip, name.toUtf8().constData(), 2) != UNZ_OK)
            return Part::Missing;
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK
            || (info.flag & 1)) // encrypted
            return Part::Damaged;
        if (info.uncompressed_size > quint64(table::MaxBytes))
            return Part::TooLarge;
        if (unzOpenCurrentFile(zip) != UNZ_OK)
            return Part::Damaged;
        bytes->reserve(qsizetype(info.uncompressed_size));
        char chunk[64 * 1024];
        int got = 0;
        while ((got = unzReadCurrentFile(zip, chunk, sizeof chunk)) > 0) {
            if (bytes->size() + got > table::MaxBytes) {
                unzCloseCurrentFile(zip);
                bytes->clear();
                return Part::TooLarge;
            }
            bytes->append(chunk, got);
        }
        if (unzCloseCurrentFile(zip) != UNZ_OK || got < 0) {
            bytes->clear();
            return Part::Damaged;
        }
        return Part::Ok;
    }

private:
    unzFile zip;
};

struct Relation {
    QString type;   // the last word of the relationship type: "worksheet", "sharedStrings"...
    QString target; // a part name within the archive
};

// A relationship's target, as a part name: relative to the folder of the part that has it.
QString partName(const QString &from, const QString &target) {
    if (target.startsWith(u'/'))
        return target.mid(1);
    const qsizetype slash = from.lastIndexOf(u'/');
    const QString folder = slash < 0 ? QString() : from.left(slash + 1);
    QStringList parts;
    for (const QString &piece : QString(folder + target).split(u'/', Qt::SkipEmptyParts)) {
        if (piece == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
        } else if (piece != u".") {
            parts.append(piece);
        }
    }
    return parts.join(u'/');
}

// The relationships of `part`, by their id.
QHash<QString, Relation> relations(const QByteArray &xml, const QString &part) {
    QHash<QString, Relation> found;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"Relationship")
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        const QString type = a.value(QLatin1String("Type")).toString();
        found.insert(a.value(QLatin1String("Id")).toString(),
                     {type.mid(type.lastIndexOf(u'/') + 1),
                      a.value(QLatin1String("TargetMode")) == u"External"
                          ? QString()
                          : partName(part, a.value(QLatin1String("Target")).toString())});
    }
    return found;
}

// Text of the shape Excel uses to carry characters XML cannot: _x000D_ for a carriage return,
// _x005F_ for an underscore that would otherwise be read as the start of one.
QString unescapeXString(QString text) {
    if (!text.contains(u"_x"))
        return text;
    auto hex = [](QChar c) {
        return c.isDigit() || (c.toLower() >= u'a' && c.toLower() <= u'f');
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_'
            && hex(text[i + 2]) && hex(text[i + 3]) && hex(text[i + 4]) && hex(text[i + 5])) {
            out += QChar(char16_t(QStringView(text).sliced(i + 2, 4).toUShort(nullptr, 16)));
            i += 6;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The text of a string item (<si>, <is>): its own <t> or the <t> of each run, never the
// phonetic guide (<rPh>) spreadsheets keep beside East Asian text.
QString richText(QXmlStreamReader &reader) {
    QString text;
    const QString element = reader.name().toString();
    while (reader.readNext() != QXmlStreamReader::Invalid) {
        if (reader.isEndElement() && reader.name() == element)
            break;
        if (!reader.isStartElement())
            continue;
        if (reader.name() == u"rPh")
            reader.skipCurrentElement();
        else if (reader.name() == u"t")
            text += reader.readElementText(QXmlStreamReader::SkipChildElements);
    }
    return unescapeXString(std::move(text));
}

// "BC12" -> 54 (counted from 0); -1 when it names no column a spreadsheet has.
qsizetype columnOf(QStringView reference) {
    qsizetype column = 0, letters = 0;
    for (const QChar c : reference) {
        const char16_t u = c.toUpper().unicode();
        if (u < u'A' || u > u'Z')
            break;
        if (++letters > 3)
            return -1;
        column = column * 26 + (u - u'A' + 1);
    }
    return letters == 0 || column > table::MaxColumns ? -1 : column - 1;
}

class WorkbookReader {
public:
    WorkbookReader(const QString &path, const TableReadOptions &options)
        : shown(table::shownPath(path))
        , options(options)
        , archive(path) {}

    TableRead read() {
        if (!archive.isOpen())
            return fail(QStringLiteral("%1 is a damaged zip archive; it cannot be read as a "
                                       "workbook")
                            .arg(shown));
        // The package names its workbook; a package without that note is read at the usual place.
        QByteArray xml;
        QString workbookPart = QStringLiteral("xl/workbook.xml");
        if (!get(QStringLiteral("_rels/.rels"), &xml, true))
            return result;
        for (const Relation &r : relations(xml, QString()))
            if (r.type == u"officeDocument" && !r.target.isEmpty())
                workbookPart = r.target;
        const Part state = archive.read(workbookPart, &xml);
        if (state == Part::Missing) {
            if (archive.read(QStringLiteral("mimetype"), &xml) == Part::Ok
                && xml.contains("opendocument.spreadsheet"))
                return fail(QStringLiteral("%1 is an OpenDocument spreadsheet (.ods); save it as "
                                           "an Excel workbook (.xlsx) or as CSV to read it")
                                .arg(shown));
            return fail(QStringLiteral("%1 is a zip archive, not an Excel workbook").arg(shown));
        }
        if (!check(state, workbookPart))
            return result;

        QStringList sheetIds;
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"sheet")
                continue;
            result.sheets.append(reader.attributes().value(QLatin1String("name")).toString());
            QString id;
            for (const QXmlStreamAttribute &a : reader.attributes())
                if (a.name() == u"id" && !a.namespaceUri().isEmpty())
                    id = a.value().toString();
            sheetIds.append(id);
        }
        if (reader.hasError())
            return malformed(workbookPart, reader);
        if (result.sheets.isEmpty())
            return fail(QStringLiteral("%1 holds no sheets").arg(shown));
        if (options.sheet < 0 || options.sheet >= result.sheets.size())
            return fail(QStringLiteral("%1 has no sheet %2: it has %3")
                            .arg(shown)
                            .arg(options.sheet + 1)
                            .arg(result.sheets.size() == 1
                                     ? QStringLiteral("one sheet")
                                     : QStringLiteral("%1 sheets").arg(result.sheets.size())));
        result.sheet = options.sheet;

        const qsizetype slash = workbookPart.lastIndexOf(u'/') + 1;
        const QString relsPart = workbookPart.left(slash) + QStringLiteral("_rels/")
                                 + workbookPart.mid(slash) + QStringLiteral(".rels");
        if (!get(relsPart, &xml, false))
            return result;
        const QHash<QString, Relation> rels = relations(xml, workbookPart);
        for (const Relation &r : rels)
            if (r.type == u"sharedStrings" && !readSharedStrings(r.target))
                return result;
        const Relation sheet = rels.value(sheetIds[options.sheet]);
        if (sheet.target.isEmpty())
            return fail(QStringLiteral("%1 is damaged: sheet \"%2\" is missing")
                            .arg(shown, result.sheets[options.sheet]));
        if (!get(sheet.target, &xml, false) || !readSheet(xml, sheet.target))
            return result;
        if (!rows.hasHeadings())
            return fail(QStringLiteral("sheet \"%1\" of %2 is empty")
                            .arg(result.sheets[options.sheet], shown));
        result.workbook = true;
        result.ok = true;
        return result;
    }

private:
    TableRead fail(const QString &words) {
        result = TableRead();
        result.error = words;
        return result;
    }
    TableRead malformed(const QString &part, const QXmlStreamReader &reader) {
        return fail(QStringLiteral("%1 is damaged: its part %2 cannot be read (%3)")
                        .arg(shown, part, reader.errorString()));
    }
    bool check(Part state, const QString &part) {
        switch (state) {
        case Part::Ok:
            return true;
        case Part::Missing:
            fail(QStringLiteral("%1 is damaged: its part %2 is missing").arg(shown, part));
            return false;
        case Part::Damaged:
            fail(QStringLiteral("%1 is damaged: its part %2 cannot be unpacked").arg(shown, part));
            return false;
        case Part::TooLarge:
            fail(QStringLiteral("%1 holds a part (%2) that unpacks to more than 512 MB; it is "
                                "not read, as no table is that large")
                     .arg(shown, part));
            return false;
        }
        return false;
    }
    bool get(const QString &part, QByteArray *xml, bool optional) {
        const Part state = archive.read(part, xml);
        return (optional && state == Part::Missing) || check(state, part);
    }

    bool readSharedStrings(const QString &part) {
        QByteArray xml;
        if (!get(part, &xml, false))
            return false;
        QXmlStreamReader reader(xml);
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"si")
                continue;
            if (shared.size() >= table::MaxCells) {
                fail(QStringLiteral("%1 holds more than %2 texts, more than one table here may "
                                    "hold")
                         .arg(shown, QLocale::c().toString(table::MaxCells)));
                return false;
            }
            shared.append(richText(reader));
        }
        if (reader.hasError()) {
            malformed(part, reader);
            return false;
        }
        return true;
    }

    // The text of the cell <c> the reader stands on, by its type.
    bool cellText(QXmlStreamReader &reader, QString *text) {
        const QStringView type = reader.attributes().value(QLatin1String("t"));
        QString value;
        bool inlineText = false;
        while (reader.readNextStartElement()) {
            if (reader.name() == u"v") {
                value = reader.readElementText(QXmlStreamReader::SkipChildElements);
            } else if (reader.name() == u"is") {
                value = richText(reader);
                inlineText = true;
            } else {
                reader.skipCurrentElement();
            }
        }
        if (type == u"s") {
            bool ok = false;
            const qsizetype index = value.toLongLong(&ok);
            if (!ok || index < 0 || index >= shared.size())
                return false;
            *text = shared[index];
        } else if (type == u"inlineStr") {
            *text = inlineText ? value : unescapeXString(value);
        } else if (type == u"str") {
            *text = unescapeXString(value);
        } else if (type == u"b") {
            *text = value == u"1"   ? QStringLiteral("TRUE")
                    : value == u"0" ? QStringLiteral("FALSE")
                                    : value;
        } else if (type == u"e" || type == u"d") {
            *text = value;
        } else {
            *text = table::workbookNumber(value);
        }
        return true;
    }

    bool readSheet(const QByteArray &xml, const QString &part) {
        QXmlStreamReader reader(xml);
        QString error;
        qsizetype rowNumber = 0;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement || reader.name() != u"row")
                continue;
            bool numbered = false;
            const qsizetype r = reader.attributes().value(QLatin1String("r")).toLongLong(&numbered);
            rowNumber = numbered && r > 0 ? r : rowNumber + 1;
            QStringList cells;
            qsizetype column = -1;
            while (reader.readNextStartElement()) {
                if (reader.name() != u"c") {
                    reader.skipCurrentElement();
                    continue;
                }
                const QStringView reference = reader.attributes().value(QLatin1String("r"));
                column = reference.isEmpty() ? column + 1 : columnOf(reference);
                if (column < 0 || column >= table::MaxColumns) {
                    fail(QStringLiteral("%1 is damaged: row %2 has a cell beyond the last "
                                        "column a sheet can have")
                             .arg(shown)
                             .arg(rowNumber));
                    return false;
                }
                QString text;
                if (!cellText(reader, &text)) {
                    fail(QStringLiteral("%1 is damaged: row %2 refers to text the workbook "
                                        "does not hold")
                             .arg(shown)
                             .arg(rowNumber));
                    return false;
                }
                if (text.isEmpty())
                    continue;
                while (cells.size() <= column)
                    cells.append(QString());
                cells[column] = std::move(text);
            }
            if (!rows.add(std::move(cells), rowNumber, &error)) {
                fail(error);
                return false;
            }
        }
        if (reader.hasError()) {
            malformed(part, reader);
            return false;
        }
        return true;
    }

    const QString shown;
    const TableReadOptions &options;
    Archive archive;
    TableRead result;
    RowCollector rows{result, shown};
    QStringList shared;
};

} // namespace

namespace table {

TableRead readWorkbook(const QString &path, const TableReadOptions &options) {
    return WorkbookReader(path, options).read();
}

} // namespace table
