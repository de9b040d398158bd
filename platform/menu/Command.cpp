#include "platform/menu/Command.h"

#include <QMetaMethod>
#include <QObject>

bool Command::send(const QString &command, QObject *target, QObject *sender)
{
    if (!target)
        return false;
    const QByteArray name = command.section(u':', 0, 0).trimmed().toLatin1();
    if (name.isEmpty())
        return false;
    // Looked up by exact signature, so that a missing method is a plain false
    // rather than a warning from Qt.
    const QMetaObject *meta = target->metaObject();
    int index = meta->indexOfMethod(QByteArray(name + "(QObject*)").constData());
    if (index >= 0)
        return meta->method(index).invoke(target, Qt::DirectConnection, Q_ARG(QObject *, sender));
    index = meta->indexOfMethod(QByteArray(name + "()").constData());
    if (index >= 0)
        return meta->method(index).invoke(target, Qt::DirectConnection);
    return false;
}
