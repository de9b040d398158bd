#include "controls/AccessibleControls.h"

#include "controls/GradientStatusBar.h"

#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QSlider>

namespace {

class AccessibleSlider : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit AccessibleSlider(QSlider *slider)
        : QAccessibleWidget(slider, QAccessible::Slider)
    {
        addControllingSignal(QStringLiteral("valueChanged(int)"));
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Value) {
            const QVariant shown = slider()->property("accessibleValueText");
            return shown.isValid() ? shown.toString() : QString::number(slider()->value());
        }
        return QAccessibleWidget::text(type);
    }

    QVariant currentValue() const override { return slider()->value(); }
    void setCurrentValue(const QVariant &value) override { slider()->setValue(value.toInt()); }
    QVariant maximumValue() const override { return slider()->maximum(); }
    QVariant minimumValue() const override { return slider()->minimum(); }
    QVariant minimumStepSize() const override { return slider()->singleStep(); }

private:
    QSlider *slider() const { return static_cast<QSlider *>(widget()); }
};

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1StringView("GradientStatusBar"))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::StatusBar);
    if (className == QLatin1StringView("QSlider"))
        return new AccessibleSlider(static_cast<QSlider *>(object));
    return nullptr;
}

} // namespace

void AccessibleControls::install()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(factory);
}
