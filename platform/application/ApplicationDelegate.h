#pragma once

#include <QObject>
#include <QStringList>

// The questions the application asks its one controller. Commands reach the
// controller as Q_INVOKABLE methods taking the sender, by name ("doPlay:").
class ApplicationDelegate : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    ~ApplicationDelegate() override = default;

    virtual void applicationDidFinishLaunching() {}
    // The user asked for the application again while it runs.
    virtual bool applicationShouldHandleReopen(bool hasVisibleWindows)
    {
        Q_UNUSED(hasVisibleWindows);
        return true;
    }
    virtual bool applicationShouldTerminateAfterLastWindowClosed() { return true; }
    virtual void applicationWillTerminate() {}
    // Files the desktop asks the application to open.
    virtual void application(QObject *sender, const QStringList &files)
    {
        Q_UNUSED(sender);
        Q_UNUSED(files);
    }
    // A text to speak without opening it, from another launch or at start;
    // false when it cannot be spoken now.
    virtual bool applicationSpeak(QObject *sender, const QString &text)
    {
        Q_UNUSED(sender);
        Q_UNUSED(text);
        return false;
    }
};
