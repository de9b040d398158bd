#pragma once

#include <QString>
#include <QUiLoader>

#include <functional>

// Loads window descriptions (.ui files) at run time and knows the project's own
// widget classes, which register themselves by class name.
class UiLoader : public QUiLoader
{
    Q_OBJECT

public:
    using Factory = std::function<QWidget *(QWidget *parent)>;
    using LayoutFactory = std::function<QLayout *(QWidget *parent)>;

    explicit UiLoader(QObject *parent = nullptr);
    ~UiLoader() override;

    // Makes `className` in descriptions create widgets with `factory`.
    static void registerWidgetClass(const QString &className, Factory factory);

    // Makes `className` in descriptions create layouts with `factory`; the
    // parent is null for a layout nested in another.
    static void registerLayoutClass(const QString &className, LayoutFactory factory);

    // Loads a description from a file or a Qt resource path; null on failure,
    // with a log line that names the file and the reason.
    QWidget *loadFile(const QString &path, QWidget *parent = nullptr);

    QWidget *createWidget(const QString &className, QWidget *parent = nullptr,
                          const QString &name = QString()) override;
    QLayout *createLayout(const QString &className, QObject *parent = nullptr,
                          const QString &name = QString()) override;
};
