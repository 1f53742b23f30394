#pragma once

// An import as the history records it (LastImport's row): the library writes the Changes
// JSON, the library and the program read it here.
#include "db/Recordset.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

struct ImportRecord {
    qint64 historyId = 0;
    QString changedAt; // ISO 8601, as the history stores it
    QString userName;
    QString file;   // the file imported, as given to ImportMembers
    QString backup; // the name of the backup made before it, in backups/
    qint64 added = 0;
    qint64 updated = 0;
};

// The first row of a result set with the history's columns.
inline ImportRecord importRecord(const Recordset &rs) {
    const auto field = [&rs](const char *column) {
        return rs.value(0, rs.columnIndex(QLatin1String(column)));
    };
    const QJsonObject changes =
        QJsonDocument::fromJson(field("Changes").toString().toUtf8()).object();
    return {field("HistoryID").toLongLong(),
            field("ChangedAt").toString(),
            field("UserName").toString(),
            changes.value(QStringLiteral("file")).toString(),
            changes.value(QStringLiteral("backup")).toString(),
            changes.value(QStringLiteral("added")).toInteger(),
            changes.value(QStringLiteral("updated")).toInteger()};
}
