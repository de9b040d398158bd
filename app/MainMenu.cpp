#include "app/MainMenu.h"

#include "app/AppDelegate.h"
#include "app/WindowBindings.h"
#include "menus/MenuOperations.h"
#include "platform/menu/Menu.h"
#include "platform/menu/MenuItem.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

using namespace Qt::StringLiterals;

namespace {

QVariantMap command(const QString &title, const QString &selector, const QString &equivalent = {})
{
    QVariantMap description{{u"title"_s, title}, {u"selector"_s, selector}};
    if (!equivalent.isEmpty())
        description.insert(u"equivalent"_s, equivalent);
    return description;
}

QVariantMap group(const QString &title, const QVariantList &children)
{
    return {{u"title"_s, title}, {u"children"_s, children}};
}

QVariantMap separator()
{
    return {{u"title"_s, u"--"_s}};
}

// Function keys as key equivalents: F5, F6, F7. They leave every key of the
// text editor alone.
const QString keyF5 = QString(QChar(0xF708));
const QString keyF6 = QString(QChar(0xF709));
const QString keyF7 = QString(QChar(0xF70A));
// Alt with the arrows moves between sentences and paragraphs: the editor
// moves its caret with the arrows alone and with Ctrl or Shift, never with Alt.
const QString altUp = u"~+"_s + QChar(0xF700);
const QString altDown = u"~+"_s + QChar(0xF701);
const QString altLeft = u"~+"_s + QChar(0xF702);
const QString altRight = u"~+"_s + QChar(0xF703);

QString caretOption()
{
    return MainMenu::tr("Move the &Caret with the Words");
}

} // namespace

QVariantList MainMenu::description()
{
    return {
        group(tr("&File"), {command(tr("&New"), u"doNew:"_s, u"@+n"_s),
                            command(tr("&Open…"), u"doOpen:"_s, u"@+o"_s),
                            command(tr("&Export…"), u"doExport:"_s, u"@+e"_s),
                            command(tr("Export &Word Timings…"), u"doExportTimings:"_s, u"@$+e"_s),
                            separator(), command(tr("&Quit"), u"quit"_s, u"@+q"_s)}),
        group(tr("&Speech"),
              {command(tr("&Play"), u"doPlay:"_s, QString(u"+"_s + keyF5)),
               command(tr("Speak &from the Cursor"), u"doSpeakFromCursor:"_s,
                       QString(u"$+"_s + keyF5)),
               command(tr("P&ause"), u"doPause:"_s, QString(u"+"_s + keyF6)),
               command(tr("&Stop"), u"doStop:"_s, QString(u"+"_s + keyF7)), separator(),
               command(tr("&Next Sentence"), u"doNextSentence:"_s, altRight),
               command(tr("P&revious Sentence"), u"doPreviousSentence:"_s, altLeft),
               command(tr("Ne&xt Paragraph"), u"doNextParagraph:"_s, altDown),
               command(tr("Pre&vious Paragraph"), u"doPreviousParagraph:"_s, altUp), separator(),
               command(caretOption(), u"followWordsWithCaret:"_s), separator(),
               command(tr("Pron&unciation…"), u"doPronunciation:"_s)}),
        group(tr("&Help"), {command(tr("&About Tavorin"), u"aboutMe:"_s)}),
    };
}

MainMenu::MainMenu(QMainWindow *window, AppDelegate *controller, WindowBindings *bindings)
    : QObject(window)
    , m_bindings(bindings)
{
    m_root = Menu::create(QString(), window);
    Operations::addItemsFromNestedArray(m_root, description(), controller);
    // Quitting is the application's own command.
    if (QAction *quit = item(u"&File/&Quit"_s))
        MenuItem::setTarget(quit, qApp);

    // An option: the item shows whether it is on.
    if (QAction *option = item(u"&Speech/"_s + caretOption())) {
        option->setCheckable(true);
        option->setChecked(controller && controller->caretFollowsWords());
    }

    QMenuBar *bar = window->menuBar();
    const QList<QAction *> menus = Menu::itemArray(m_root);
    for (QAction *menu : menus)
        bar->addAction(menu);

    if (bindings)
        connect(bindings, &WindowBindings::commandsChanged, this, &MainMenu::updateItems);
    updateItems();
}

MainMenu::~MainMenu() = default;

QAction *MainMenu::item(const QString &path) const
{
    // Paths are given in the English titles; the menus hold translated ones.
    QStringList titles = path.split(u'/');
    for (QString &title : titles)
        title = tr(title.toUtf8().constData());
    return Operations::itemWithPath(m_root, titles.join(u'/'));
}

void MainMenu::updateItems()
{
    if (!m_bindings)
        return;
    const std::pair<const char16_t *, bool> offered[] = {
        {u"&Speech/&Play", m_bindings->canPlay()},
        {u"&Speech/P&ause", m_bindings->canPause()},
        {u"&Speech/&Stop", m_bindings->canStop()},
        {u"&File/&Export…", m_bindings->canExport()},
    };
    // Export and speaking from the cursor are offered whenever no export runs.
    for (const QString &path :
         {u"&File/Export &Word Timings…"_s, u"&Speech/Speak &from the Cursor"_s})
        if (QAction *action = item(path))
            action->setEnabled(m_bindings->canExport());
    for (const QString &path : {u"&Speech/&Next Sentence"_s, u"&Speech/P&revious Sentence"_s,
                                u"&Speech/Ne&xt Paragraph"_s, u"&Speech/Pre&vious Paragraph"_s})
        if (QAction *action = item(path))
            action->setEnabled(m_bindings->canMoveInSpeech());
    for (const auto &[path, enabled] : offered)
        if (QAction *action = item(QString::fromUtf16(path)))
            action->setEnabled(enabled);
}
