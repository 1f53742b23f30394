#include "FormParts.h"
#include "core/Failure.h"
#include "ui/EnterKey.h"
#include "ui/MsgBox.h"
#include "ui/Pointer.h"

#include <QDateTime>
#include <QFont>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

QLabel *formTitle(QWidget *form, const QString &text, qreal scale) {
    auto *title = new QLabel(text, form);
    title->setObjectName(QStringLiteral("lblTitle"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * scale);
    title->setFont(big);
    return title;
}

QPushButton *formButton(QWidget *form, const QString &text, const QString &name,
                        const QString &spoken) {
    auto *b = new QPushButton(text, form);
    b->setObjectName(name);
    if (!spoken.isEmpty())
        b->setAccessibleName(spoken);
    b->setAutoDefault(false);
    b->setDefault(false);
    pressOnEnter(b);
    return b;
}

QString whenText(const QString &changedAt) {
    const QDateTime at = QDateTime::fromString(changedAt, Qt::ISODateWithMs);
    if (!at.isValid())
        return changedAt;
    const QLocale locale;
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy")))
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return locale.toString(at.toLocalTime(), date + u' ' + locale.timeFormat(QLocale::ShortFormat));
}

void guarded(const std::function<void()> &command) {
    try {
        command();
    } catch (...) {
        const Failure f = currentFailure(std::current_exception());
        setPointer(Pointer::Default);
        skipOnFailure([&] { MsgBox(f.description(), Mb::Critical | Mb::OKOnly); });
    }
}

QString counted(qsizetype n, const QString &one, const QString &many) {
    return QLocale().toString(n) + u' ' + (n == 1 ? one : many);
}

QString membersText(qint64 n) {
    return counted(n, QStringLiteral("member"), QStringLiteral("members"));
}
