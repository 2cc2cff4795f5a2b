#pragma once

#include <QObject>
#include <QString>
#include <QtGlobal>

// The descendant of `parent` of type T named `name`. Views hand their parts to nobody; tests
// reach them by object name. A missing part ends the run with its name instead of a null
// dereference further down.
template <class T> T* child(const QObject* parent, const QString& name) {
    T* found = parent ? parent->findChild<T*>(name) : nullptr;
    if (!found) {
        qFatal("No %s named \"%s\" in %s", T::staticMetaObject.className(), qPrintable(name),
               parent ? parent->metaObject()->className() : "nothing");
    }
    return found;
}

template <class T> T* child(const QObject* parent, const char* name) {
    return child<T>(parent, QString::fromLatin1(name));
}
