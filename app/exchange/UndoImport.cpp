#include "UndoImport.h"
#include "ExchangeParts.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>

namespace exchange {

namespace {
struct ImportRow {
    QString file;
    QString when;
    QString who;
    qint64 added = 0;
    qint64 updated = 0;
};

ImportRow importRow(Recordset &rs) {
    rs.moveFirst();
    const QJsonObject changes =
        QJsonDocument::fromJson(rs.field(QStringLiteral("Changes")).toString().toUtf8()).object();
    ImportRow row;
    row.file = QDir::toNativeSeparators(changes.value(QStringLiteral("file")).toString());
    row.when = whenText(rs.field(QStringLiteral("ChangedAt")).toString());
    row.who = rs.field(QStringLiteral("UserName")).toString();
    row.added = changes.value(QStringLiteral("added")).toInteger();
    row.updated = changes.value(QStringLiteral("updated")).toInteger();
    return row;
}

QString membersText(qint64 n) {
    return counted(n, QStringLiteral("member"), QStringLiteral("members"));
}
} // namespace

void undoLastImport(const OpenWindows &openWindows) {
    guarded([&] {
        skipOnFailure([] { NewClub(); });
        setPointer(Pointer::Busy);
        const RecordsetPtr last = club2().LastImport();
        setPointer(Pointer::Default);
        if (!last || last->isEmpty()) {
            MsgBox(QStringLiteral("There is no import to undo."), Mb::Information | Mb::OKOnly);
            return;
        }
        const ImportRow row = importRow(*last);
        if (!otherWindowsClosed(openWindows, QStringLiteral("undoing the import")))
            return;
        QString asked = QStringLiteral("Undo the import of %1, made %2").arg(row.file, row.when);
        if (!row.who.isEmpty())
            asked += QStringLiteral(" by %1").arg(row.who);
        asked += u'?';
        if (MsgBox(asked + LineBreak + LineBreak
                       + QStringLiteral("It added %1 and updated %2. The roll goes back exactly as "
                                        "it was before it; the roll as it is now is backed up "
                                        "first.")
                             .arg(membersText(row.added), membersText(row.updated)),
                   Mb::Question | Mb::YesNo | Mb::DefaultButton2)
            != Mb::Yes)
            return;
        setPointer(Pointer::Busy);
        bool undone = false;
        QString refusal;
        try {
            undone = club2().UndoLastImport();
        } catch (...) {
            refusal = currentFailure(std::current_exception()).description();
        }
        setPointer(Pointer::Default);
        if (!undone) {
            // The library says why, and that nothing changed.
            MsgBox(refusal.isEmpty()
                       ? QStringLiteral("The import was not undone; the roll is as it was.")
                       : refusal,
                   Mb::Exclamation | Mb::OKOnly);
            return;
        }
        QString said = QStringLiteral("The import of %1 was undone; the roll is as it was "
                                      "before it.")
                           .arg(row.file);
        QStringList restored;
        if (row.added > 0)
            restored << QStringLiteral("the %1 it added %2 gone")
                            .arg(membersText(row.added), row.added == 1 ? u"is" : u"are");
        if (row.updated > 0)
            restored << QStringLiteral("the %1 it updated %2")
                            .arg(membersText(row.updated),
                                 row.updated == 1 ? u"is as it was" : u"are as they were");
        if (!restored.isEmpty()) {
            QString sentence = restored.join(QStringLiteral(" and ")) + u'.';
            sentence[0] = sentence[0].toUpper();
            said += QString(2, LineBreak) + sentence;
        }
        MsgBox(said, Mb::Information | Mb::OKOnly);
    });
}

} // namespace exchange
