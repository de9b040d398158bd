#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QFileDialog;

// The window's questions and panels: window-modal on the main window, or
// modal windows of their own when there is none. Each hands its answer to
// its action once, and only when the person gives one.
class Dialogs
{
    Q_DECLARE_TR_FUNCTIONS(Dialogs)

public:
    using CompletionAction = std::function<void(int)>;
    using PathAction = std::function<void(const QString &)>;
    using UrlAction = std::function<void(const QUrl &)>;
    // Adds to a panel before it shows (filters, choices); may hand back a
    // check to run when the panel is accepted.
    using PanelPreparation = std::function<std::function<void()>(QFileDialog *)>;

    // 1 for the default button, 0 for the alternative.
    static void confirm(const QString &title, const QString &information,
                        const QString &defaultValue, const QString &alternativeValue,
                        CompletionAction action);
    // No is the default (1), Yes the alternative (0).
    static void yesNo(const QString &title, const QString &information, CompletionAction action);
    static void open(bool files, bool directories, const QStringList &fileTypes, PathAction action,
                     const PanelPreparation &prepare = {});
    // Asks for the password of an encrypted document; `reason` says why
    // when an earlier one was refused. Nothing happens on Cancel.
    static void password(const QString &fileName, const QString &reason, PathAction action);
    static void save(const QString &path, const QString &filename, UrlAction action,
                     const PanelPreparation &prepare = {});
};
