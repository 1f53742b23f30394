#include "Component.h"
#include "core/Failure.h"
#include "system/System.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QLibrary>
#include <QPluginLoader>

QObject *createObject(const QString &className) {
    const QString folder = appFolder();
    const QStringList files = QDir(folder).entryList(QDir::Files);
    for (const QString &file : files) {
        const QString path = folder + u'/' + file;
        if (!QLibrary::isLibrary(path))
            continue;
        QPluginLoader loader(path);
        // Reading the metadata does not load the library, so only the provider is loaded.
        const QJsonArray classes = loader.metaData()
                                       .value(QLatin1String("MetaData"))
                                       .toObject()
                                       .value(QLatin1String("classes"))
                                       .toArray();
        if (!classes.contains(className))
            continue;
        auto *factory = qobject_cast<ComponentFactory *>(loader.instance());
        if (!factory)
            break;
        if (QObject *o = factory->create(className, folder))
            return o;
        break;
    }
    throw Failure(ErrNo::CannotCreateObject,
                  QStringLiteral("ActiveX component can't create object"));
}

void throwInterfaceNotSupported(const QString &className) {
    throw Failure(ErrNo::InterfaceNotSupported,
                  QStringLiteral("Class does not support Automation or does not support expected "
                                 "interface: %1")
                      .arg(className));
}

void registerComponent(const QString &commandLine) {
    Q_UNUSED(commandLine);
}
