#include "app/Dialogs.h"

#include "app/Preferences.h"
#include "platform/application/Application.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// A dialog on the main window, or on its own when there is none.
template<typename Dialog>
Dialog *makeSheet()
{
    QWidget *parent = Application::mainWindow();
    auto *dialog = new Dialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    return dialog;
}

// open() makes a dialog window-modal, which means nothing without a parent.
void present(QDialog *dialog)
{
    if (QWidget *window = dialog->parentWidget()) {
        // The keyboard goes to the dialog and back to the window when it
        // closes, also where no window manager hands it over (a dialog that
        // comes up by itself, such as a password request, or a bare X
        // session).
        QObject::connect(dialog, &QDialog::finished, window, [window] {
            if (window->isVisible())
                window->activateWindow();
        });
        dialog->open();
        dialog->activateWindow();
    } else {
        dialog->setWindowModality(Qt::ApplicationModal);
        dialog->show();
    }
}

} // namespace

void Dialogs::confirm(const QString &title, const QString &information, const QString &defaultValue,
                      const QString &alternativeValue, CompletionAction action)
{
    auto *alert = makeSheet<QMessageBox>();
    alert->setIcon(QMessageBox::Warning);
    alert->setWindowTitle(title);
    alert->setText(title);
    alert->setInformativeText(information);
    // Shown as given: a "<b>" in a file name is no markup. Set after the
    // informative text, whose label the box makes only then.
    alert->setTextFormat(Qt::PlainText);
    const auto labels = alert->findChildren<QLabel *>();
    for (QLabel *label : labels)
        if (label->text() == information)
            label->setTextFormat(Qt::PlainText);
    QPushButton *defaultButton = alert->addButton(defaultValue, QMessageBox::RejectRole);
    QPushButton *alternateButton = alert->addButton(alternativeValue, QMessageBox::AcceptRole);
    alert->setDefaultButton(defaultButton);
    alert->setEscapeButton(defaultButton);
    Q_UNUSED(alternateButton);

    auto pending = std::make_shared<CompletionAction>(std::move(action));
    QObject::connect(alert, &QMessageBox::buttonClicked, alert,
                     [pending, defaultButton](QAbstractButton *button) {
                         if (!*pending)
                             return;
                         const CompletionAction run = std::exchange(*pending, nullptr);
                         run(button == defaultButton ? 1 : 0);
                     });
    present(alert);
}

void Dialogs::yesNo(const QString &title, const QString &information, CompletionAction action)
{
    confirm(title, information, tr("&No"), tr("&Yes"), std::move(action));
}

void Dialogs::open(bool files, bool directories, const QStringList &fileTypes, PathAction action,
                   const PanelPreparation &prepare)
{
    auto *panel = makeSheet<QFileDialog>();
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFilter(panel->filter() | QDir::Hidden);
    // Qt offers files, or directories, but not both in one panel; files win.
    if (directories && !files) {
        panel->setFileMode(QFileDialog::Directory);
        panel->setOption(QFileDialog::ShowDirsOnly);
    } else {
        panel->setFileMode(QFileDialog::ExistingFile);
    }
    if (!fileTypes.isEmpty()) {
        QStringList patterns;
        for (const QString &type : fileTypes)
            patterns << u"*."_s + type;
        panel->setNameFilter(patterns.join(u' '));
    }
    const QString folder = Preferences::folder(Preferences::openFolderKey);
    if (!folder.isEmpty())
        panel->setDirectory(folder);
    if (prepare)
        prepare(panel);

    auto pending = std::make_shared<PathAction>(std::move(action));
    QObject::connect(panel, &QFileDialog::accepted, panel, [pending, panel] {
        const QStringList chosen = panel->selectedFiles();
        if (chosen.isEmpty() || !*pending)
            return;
        const PathAction run = std::exchange(*pending, nullptr);
        const QFileInfo info(chosen.constFirst());
        const QString resolved = info.canonicalFilePath();
        Preferences::rememberFolderOf(Preferences::openFolderKey, info.absoluteFilePath());
        run(resolved.isEmpty() ? info.absoluteFilePath() : resolved);
    });
    present(panel);
}

void Dialogs::password(const QString &fileName, const QString &reason, PathAction action)
{
    auto *dialog = makeSheet<QInputDialog>();
    dialog->setWindowTitle(tr("Password"));
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setTextEchoMode(QLineEdit::Password);
    dialog->setLabelText(reason.isEmpty()
                             ? tr("%1 is encrypted. Enter its password:").arg(fileName)
                             : tr("Cannot open %1: %2. Enter its password:").arg(fileName, reason));
    // File names are no markup.
    if (auto *label = dialog->findChild<QLabel *>())
        label->setTextFormat(Qt::PlainText);

    auto pending = std::make_shared<PathAction>(std::move(action));
    QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                     [pending](const QString &password) {
                         if (*pending)
                             std::exchange(*pending, nullptr)(password);
                     });
    present(dialog);
}

void Dialogs::save(const QString &path, const QString &filename, UrlAction action,
                   const PanelPreparation &prepare)
{
    auto *panel = makeSheet<QFileDialog>();
    panel->setOption(QFileDialog::DontUseNativeDialog);
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    const QString folder = Preferences::folder(Preferences::saveFolderKey);
    if (!path.isEmpty())
        panel->setDirectoryUrl(QUrl(path));
    else if (!folder.isEmpty())
        panel->setDirectory(folder);
    panel->selectFile(filename);
    std::function<void()> onAccept = prepare ? prepare(panel) : nullptr;

    auto pending = std::make_shared<UrlAction>(std::move(action));
    QObject::connect(panel, &QFileDialog::accepted, panel, [pending, panel, onAccept] {
        const QList<QUrl> chosen = panel->selectedUrls();
        if (chosen.isEmpty() || !*pending)
            return;
        if (onAccept)
            onAccept();
        if (chosen.constFirst().isLocalFile())
            Preferences::rememberFolderOf(Preferences::saveFolderKey,
                                          chosen.constFirst().toLocalFile());
        const UrlAction run = std::exchange(*pending, nullptr);
        run(chosen.constFirst());
    });
    present(panel);
}
