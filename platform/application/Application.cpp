#include "platform/application/Application.h"

#include "platform/application/ApplicationDelegate.h"
#include "platform/application/SingleInstance.h"
#include "platform/application/UiLoader.h"
#include "platform/menu/Command.h"
#include "platform/system/Log.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMetaProperty>
#include <QPointer>
#include <QWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QPointer<QWidget> &mainWindowSlot()
{
    static QPointer<QWidget> window;
    return window;
}

QObject *findNamed(QObject *root, const QString &name)
{
    if (root->objectName() == name)
        return root;
    return root->findChild<QObject *>(name);
}

} // namespace

QWidget *Application::mainWindow()
{
    QWidget *window = mainWindowSlot();
    return window && window->isVisible() ? window : nullptr;
}

void Application::connectOutlets(QObject *owner, QObject *root)
{
    if (!owner || !root)
        return;
    const QMetaObject *meta = owner->metaObject();
    for (int i = 0; i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        if (!property.isWritable() || !(property.metaType().flags() & QMetaType::PointerToQObject))
            continue;
        QObject *object = findNamed(root, QString::fromLatin1(property.name()));
        if (!object)
            continue;
        QVariant value = QVariant::fromValue(object);
        // The property's own pointer type decides: a QLabel outlet must not
        // receive some other widget of that name.
        const QMetaObject *wanted = property.metaType().metaObject();
        if (wanted && !wanted->cast(object))
            continue;
        if (value.convert(property.metaType()))
            property.write(owner, value);
    }
}

QWidget *Application::loadMainWindow(const QString &descriptionPath, ApplicationDelegate *delegate)
{
    UiLoader loader;
    QWidget *window = loader.loadFile(descriptionPath);
    if (!window)
        return nullptr;
    mainWindowSlot() = window;
    connectOutlets(delegate, window);
    const auto buttons = window->findChildren<QAbstractButton *>();
    for (QAbstractButton *button : buttons) {
        const QString command = button->property("action").toString();
        if (command.isEmpty())
            continue;
        QPointer<ApplicationDelegate> target(delegate);
        QObject::connect(button, &QAbstractButton::clicked, delegate, [command, target, button] {
            if (!Command::send(command, target, button))
                Log::write(u"No command %1 for %2"_s.arg(command, button->objectName()));
        });
    }
    return window;
}

void Application::serveLaunches(SingleInstance *instance, ApplicationDelegate *delegate)
{
    QObject::connect(instance, &SingleInstance::activationRequested, delegate,
                     [delegate](const QStringList &handedOver) {
                         Log::write(u"Another launch asked for the window"_s);
                         const QWidget *window = mainWindowSlot();
                         delegate->applicationShouldHandleReopen(window && window->isVisible() &&
                                                                 !window->isMinimized());
                         if (!handedOver.isEmpty())
                             delegate->application(qApp, handedOver);
                     });
    // A text is often handed over from a desktop shortcut while the person
    // works in another application: a closed window comes back to show it,
    // but nothing is raised over their work.
    instance->setSpeechHandler([delegate = QPointer(delegate)](const QString &text) {
        Log::write(u"Another launch handed over a text to speak"_s);
        if (!delegate || !delegate->applicationSpeak(qApp, text))
            return false;
        if (QWidget *window = mainWindowSlot(); window && !window->isVisible())
            window->show();
        return true;
    });
}

int Application::run(const std::function<ApplicationDelegate *()> &makeDelegate,
                     const QStringList &files, SingleInstance *instance, const QString &speech)
{
    std::unique_ptr<ApplicationDelegate> delegate(makeDelegate());
    std::unique_ptr<QWidget> window;
    if (instance) {
        serveLaunches(instance, delegate.get());
        // Listening before the window is built and its files are loaded lets
        // a launch in the meantime connect and wait for the answer, instead
        // of waiting for the lock.
        instance->listen();
    }
    window.reset(loadMainWindow(u":/ui/MainWindow.ui"_s, delegate.get()));
    if (!window)
        return 1;
    QApplication::setQuitOnLastWindowClosed(
        delegate->applicationShouldTerminateAfterLastWindowClosed());
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, delegate.get(),
                     &ApplicationDelegate::applicationWillTerminate);

    window->show();
    delegate->applicationDidFinishLaunching();
    if (!files.isEmpty())
        delegate->application(qApp, files);
    if (!speech.isEmpty())
        delegate->applicationSpeak(qApp, speech);

    const int status = QApplication::exec();
    window.reset();
    delegate.reset();
    return status;
}
