#pragma once

#include <QString>

class QObject;

// Commands sent by menu items and buttons. A command is a selector such as
// "doPlay:"; its first keyword (surrounding blanks ignored) names a method of
// the target, called with the sender (`Q_INVOKABLE void doPlay(QObject *sender)`)
// or, when the target has no such method, without arguments (`doPlay()`).
namespace Command {

// Calls the command's method on the target now. False, and nothing called,
// when the target is null, the command empty or the target has no such method.
bool send(const QString &command, QObject *target, QObject *sender);

} // namespace Command
