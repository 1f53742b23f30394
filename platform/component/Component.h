#pragma once

#include "qmrplatform.h"

#include <QObject>
#include <QString>
#include <QtPlugin>

// What a component plugin hands out: objects of the classes its metadata lists
// ({"classes": ["SomeClass"]}), told which folder the plugin file lies in.
class ComponentFactory {
public:
    virtual ~ComponentFactory() = default;
    virtual QObject *create(const QString &className, const QString &libraryFolder) = 0;
};
#define ComponentFactory_iid "com.velliscar.quillmere.ComponentFactory/1.0"
Q_DECLARE_INTERFACE(ComponentFactory, ComponentFactory_iid)

// Creates an object of a class from the plugin in the application folder that names it.
// The caller owns the object. Throws Failure 429 when no plugin provides the class.
QMR_PLATFORM_EXPORT QObject *createObject(const QString &className);

[[noreturn]] QMR_PLATFORM_EXPORT void throwInterfaceNotSupported(const QString &className);

// Creates an object and returns it as the interface the caller expects (Failure 430 when
// the object does not implement it).
template<typename Interface>
Interface *createObjectAs(const QString &className) {
    QObject *o = createObject(className);
    auto *i = qobject_cast<Interface *>(o);
    if (!i) {
        delete o;
        throwInterfaceNotSupported(className);
    }
    return i;
}

// The platform has no component catalogue here: making the plugin available is
// putting it in the application folder, so registration does nothing.
QMR_PLATFORM_EXPORT void registerComponent(const QString &commandLine);
