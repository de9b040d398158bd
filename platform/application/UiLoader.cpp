#include "platform/application/UiLoader.h"

#include "platform/menu/PopUpButton.h"
#include "platform/system/Log.h"

#include <QFile>
#include <QHash>
#include <QLayout>
#include <QWidget>

using namespace Qt::StringLiterals;

namespace {

QHash<QString, UiLoader::Factory> &registry()
{
    static QHash<QString, UiLoader::Factory> factories{
        {u"PopUpButton"_s, [](QWidget *parent) { return new PopUpButton(parent); }},
    };
    return factories;
}

QHash<QString, UiLoader::LayoutFactory> &layoutRegistry()
{
    static QHash<QString, UiLoader::LayoutFactory> factories;
    return factories;
}

} // namespace

UiLoader::UiLoader(QObject *parent)
    : QUiLoader(parent)
{}

UiLoader::~UiLoader() = default;

void UiLoader::registerWidgetClass(const QString &className, Factory factory)
{
    registry().insert(className, std::move(factory));
}

void UiLoader::registerLayoutClass(const QString &className, LayoutFactory factory)
{
    layoutRegistry().insert(className, std::move(factory));
}

QWidget *UiLoader::loadFile(const QString &path, QWidget *parent)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        Log::write(u"Cannot open window description %1: %2"_s.arg(path, file.errorString()));
        return nullptr;
    }
    QWidget *widget = load(&file, parent);
    if (!widget)
        Log::write(u"Cannot load window description %1: %2"_s.arg(path, errorString()));
    return widget;
}

QWidget *UiLoader::createWidget(const QString &className, QWidget *parent, const QString &name)
{
    const auto it = registry().constFind(className);
    if (it == registry().constEnd())
        return QUiLoader::createWidget(className, parent, name);
    QWidget *widget = (*it)(parent);
    if (widget)
        widget->setObjectName(name);
    return widget;
}

QLayout *UiLoader::createLayout(const QString &className, QObject *parent, const QString &name)
{
    const auto it = layoutRegistry().constFind(className);
    if (it == layoutRegistry().constEnd())
        return QUiLoader::createLayout(className, parent, name);
    QLayout *layout = (*it)(qobject_cast<QWidget *>(parent));
    if (layout)
        layout->setObjectName(name);
    return layout;
}
