#include "OpenWindows.h"
#include "ui/MsgBox.h"

bool otherWindowsClosed(const OpenWindows &openWindows, const QString &doing) {
    const QStringList open = openWindows ? openWindows() : QStringList();
    if (open.isEmpty())
        return true;
    MsgBox(QStringLiteral("Close these windows before %1:").arg(doing) + LineBreak + LineBreak
               + open.join(LineBreak),
           Mb::Exclamation | Mb::OKOnly);
    return false;
}
