#pragma once

// What makes a file a club's roll, for every connection that opens one: the library's and
// the program's own report connection, which does not link the library.
#include "db/Connection.h"

#include <QFileInfo>
#include <memory>

// Every roll carries this identifier, so a foreign file is refused before it is changed. A
// roll rebuilt by a tool that drops it (0) is known by its four tables and is marked again.
inline constexpr int RollApplicationId = 0x514D5233;

// The layout of the roll this version writes (PRAGMA user_version): 1 the four original
// tables, 2 with the history of changes, 3 with dues payments and settings. An older roll is
// brought up to date by the numbered migrations in data/migrations at its first change; a
// newer one is only read.
inline constexpr int RollSchemaVersion = 3;

// The refusals are worded for the club's secretary, who can put a backup in place but not
// repair a file.
class RollProfile : public FileProfile {
public:
    int applicationId() const override { return RollApplicationId; }
    int newestVersion() const override { return RollSchemaVersion; }

    QString missing(const QStringList &tables, const ColumnReader &columnsOf) const override {
        // What makes a file a roll when it carries no mark: the four tables with these columns.
        static constexpr struct {
            const char *name;
            const char *columns;
        } Tables[] = {
            {"tblMembers", "ID MemberID LName FName MName Address1 Address2 City State Zip Phone1 "
                           "Phone2 Phone3 Dues Membership DuesPaid Email Notes AddDate ModDate"},
            {"tblMain", "ID ClubID ClubName Address1 City State Zip Phone1 Phone2 Phone3 Phone4 "
                        "Phone5 Phone6 WebURL Email AddDate"},
            {"tblStates", "State StateFull"},
            {"tblCanada", "State StateFull"},
        };
        for (const auto &table : Tables) {
            const QString name = QLatin1String(table.name);
            if (!tables.contains(name, Qt::CaseInsensitive))
                return QStringLiteral("it has no table %1").arg(name);
            const QStringList columns = columnsOf(name);
            for (const QString &column :
                 QString::fromLatin1(table.columns).split(u' ', Qt::SkipEmptyParts))
                if (!columns.contains(column, Qt::CaseInsensitive))
                    return QStringLiteral("its table %1 has no column %2").arg(name, column);
        }
        return {};
    }

    QString markedByAnother(const QString &path) const override {
        return QStringLiteral("The file %1 belongs to another program: it is not a Quillmere "
                              "roll. %2")
            .arg(path, putBack());
    }

    QString notOfThisKind(const QString &path, const QString &engineWords) const override {
        return QStringLiteral("The file %1 is not a Quillmere roll (%2). %3")
            .arg(path, engineWords, putBack());
    }

    QString lacking(const QString &path, const QString &what, bool unmarked) const override {
        if (unmarked)
            return QStringLiteral("The file %1 is not a Quillmere roll: %2. %3")
                .arg(path, what, putBack());
        return QStringLiteral("The roll %1 is damaged: %2. %3").arg(path, what, restore());
    }

    QString damaged(const QString &path, const QString &problem,
                    bool journalPlayed) const override {
        QString message =
            QStringLiteral("The roll %1 is damaged (%2). %3").arg(path, problem, restore());
        if (journalPlayed)
            message += QStringLiteral(" A save that was cut short had left %1 beside it, and it "
                                      "was played into the roll: remove any such file before "
                                      "you copy the backup.")
                           .arg(QFileInfo(path).fileName() + QStringLiteral("-journal"));
        return message;
    }

private:
    static QString restore() { return QStringLiteral("Restore the roll from a backup."); }
    static QString putBack() {
        return QStringLiteral("Put the club's roll back in its place, for example from a backup.");
    }
};

// Shared by every connection to a roll; it holds no state.
inline std::shared_ptr<const FileProfile> rollProfile() {
    static const auto profile = std::make_shared<const RollProfile>();
    return profile;
}
