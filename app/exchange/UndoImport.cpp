#include "UndoImport.h"
#include "ExchangeParts.h"
#include "club/ImportRecord.h"
#include "common/FormParts.h"
#include "common/modGlobal.h"
#include "core/Failure.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QDir>

namespace exchange {

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
        const ImportRecord row = importRecord(*last);
        const QString file = QDir::toNativeSeparators(row.file);
        if (!otherWindowsClosed(openWindows, QStringLiteral("undoing the import")))
            return;
        QString asked =
            QStringLiteral("Undo the import of %1, made %2").arg(file, whenText(row.changedAt));
        if (!row.userName.isEmpty())
            asked += QStringLiteral(" by %1").arg(row.userName);
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
                           .arg(file);
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
