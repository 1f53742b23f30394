#include "ErrorLog.h"
#include "System.h"
#include "core/Failure.h"

#include <QFile>
#include <QLocale>
#include <QStringList>
#include <QTextStream>

namespace {
QString &banner() {
    static QString b;
    return b;
}

QString rule(int hyphens) {
    return u'%' + QString(hyphens, u'-') + u'%';
}

// Items of the date line start at the next print zone (14 columns each), as the log's
// earlier readers expect.
QString zoned(const QStringList &items) {
    constexpr int Zone = 14;
    QString line;
    for (int i = 0; i < items.size(); ++i) {
        line += items[i];
        if (i + 1 < items.size()) {
            do
                line += u' ';
            while (line.size() % Zone != 0);
        }
    }
    return line;
}

QString timeText(const QTime &t) {
    // The locale's long time format without its time-zone name.
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QLatin1String(" t")).remove(u't');
    return QLocale().toString(t, format.trimmed());
}
} // namespace

void setErrorLogBanner(const QString &b) {
    banner() = b;
}

void writeErrorLog(const LogWriter &w, int number, const QString &description) {
    const QString path = appPath(QStringLiteral("\\error.log"));
    const bool exists = QFile::exists(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));

    const QDateTime now = currentDateTime();
    const QString date = QLocale().toString(now.date(), QLocale::ShortFormat);
    QString errorItem;
    if (w.startUp)
        errorItem = QStringLiteral("Error:") + (number >= 0 ? QStringLiteral(" ") : QString())
                    + QString::number(number);
    else
        errorItem = (exists ? QStringLiteral("Error: ") : QStringLiteral(" Error: "))
                    + QString::number(number);

    QStringList lines;
    if (!exists)
        lines << rule(51) << QString(w.bannerIndent, u' ') + banner() << rule(51);
    lines << u'%' + QString(51, u' ') + u'%';
    if (exists && w.infoLine)
        lines << QStringLiteral("% Error Information %");
    lines << zoned({date, timeText(now.time()), errorItem}) << w.label
          << (w.separator.isEmpty() ? rule(51) : w.separator) << description
          << rule(w.closingHyphens);

    QTextStream out(&file);
    for (const QString &l : lines)
        out << l << '\n';
    out.flush();
    if (out.status() != QTextStream::Ok || !file.flush())
        throw Failure(ErrNo::PathFileAccess, QStringLiteral("Path/File access error"));
}
