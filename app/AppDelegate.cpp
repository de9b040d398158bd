#include "app/AppDelegate.h"

#include "app/FileDrop.h"
#include "app/FindIndicator.h"
#include "app/MainMenu.h"
#include "app/Preferences.h"
#include "app/VoiceRecords.h"
#include "app/WindowBindings.h"
#include "menus/MenuOperations.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"
#include "platform/system/Bundle.h"
#include "platform/system/Log.h"

#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>

using namespace Qt::StringLiterals;

AppDelegate::AppDelegate(QObject *parent)
    : ApplicationDelegate(parent)
{
    m_recentList.setMaxThreadCount(1);
}

AppDelegate::~AppDelegate()
{
    // The synthesizer must not report to a half-destroyed controller.
    if (m_speechSynth)
        m_speechSynth->setDelegate(nullptr);
    // A document still being read is read for nobody: the program's end
    // waits for the reading thread, which stops (and ends the process that
    // reads a PDF) at once.
    if (m_loadCancel)
        m_loadCancel->store(true);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // The voice menu is the pop-up's own unless the window names another.
    if (m_voicePopup && !m_voicePopupMenu)
        m_voicePopupMenu = m_voicePopup->menu();
    if (m_textView && !m_findIndicator)
        m_findIndicator = new FindIndicator(m_textView);
    if (m_window && !m_bindings) {
        m_bindings = new WindowBindings(this, m_window);
        new MainMenu(m_window, this, m_bindings);
    }
    if (m_textView && !m_textView->findChild<FileDrop *>()) {
        // Files dropped on the editor are opened as the desktop's are.
        new FileDrop(m_textView, [this](const QStringList &paths) { application(this, paths); });
    }

    m_speechSynth = std::make_unique<SpeechSynthesizer>();
    m_speechSynth->setDelegate(this);

    Log::write(QString::number(getAvailableVoices().size()));
    buildVoiceMenu();

    setMinRate(0.0f);
    setMaxRate(300.0f);
    setCurrentRate(m_speechSynth->rate());

    // Registered after the launch value is set, so that value is not echoed
    // back to the synthesizer.
    if (!m_rateObservation) {
        m_rateObservation =
            connect(this, &AppDelegate::currentRateChanged, this, [this](float value) {
                observeValueForKeyPath(u"currentRate"_s, this, {{u"new"_s, value}}, nullptr);
            });
    }
    setCurrentPitch(m_speechSynth->pitch());
    setCurrentIntonation(m_speechSynth->intonation());
    setCurrentVolume(m_speechSynth->volume());
    followVoiceSettings();

    setIsPlaying(false);
    setIsExporting(false);
    setIsPaused(false);

    // A busy indicator is a bar without a range; it animates for as long as
    // it exists and the commands only show and hide it.
    if (m_statusProgress)
        m_statusProgress->setRange(0, 0);

    applyRememberedChoices();
}

void AppDelegate::buildVoiceMenu()
{
    QList<QAction *> items;
    QString defaultVoiceTitle;
    const QVariantList voices = getAvailableVoices();
    for (const QVariant &voice : voices) {
        const QVariantMap record = voice.toMap();
        const QString label = record.value(u"label"_s).toString();
        QAction *item = MenuItem::create(label, u"activeVoiceChanged:"_s, QString());
        if (record.value(u"identifier"_s).toString() == SpeechSynthesizer::defaultVoice())
            defaultVoiceTitle = label;
        MenuItem::setRepresentedObject(item, record);
        items.append(item);
    }
    if (m_voicePopupMenu) {
        Operations::removeAllItemsExceptForFirst(m_voicePopupMenu, 0);
        Operations::addItemsFromMenuItems(m_voicePopupMenu, items, this);
    } else {
        qDeleteAll(items);
    }
    if (m_voicePopup)
        m_voicePopup->selectItemWithTitle(defaultVoiceTitle);
}

QVariantList AppDelegate::getAvailableVoices()
{
    // Voices without a name or a language cannot make a complete record and
    // are left out, which keeps the others usable.
    QVariantList voices = VoiceRecords::availableVoiceRecords();
    Log::write(u"HERE!"_s);
    return voices;
}

void AppDelegate::activeVoiceChanged(QObject *sender)
{
    if (auto *item = qobject_cast<QAction *>(sender))
        remember(Preferences::voiceKey,
                 MenuItem::representedObject(item).toMap().value(u"identifier"_s));
}

void AppDelegate::followWordsWithCaret(QObject *sender)
{
    const auto *item = qobject_cast<QAction *>(sender);
    m_caretFollowsWords = item && item->isCheckable() ? item->isChecked() : !m_caretFollowsWords;
}

void AppDelegate::aboutMe(QObject *sender)
{
    Q_UNUSED(sender);
    // A new controller, and so a new window with freshly read values, each time.
    m_aboutDialog = std::make_unique<AboutDialog>();
    m_aboutDialog->setAppWebsiteURL(QUrl(Bundle::websiteUrl()));
    const QString acknowledgments = Bundle::pathForResource(AboutDialog::acknowledgmentsFileName());
    if (!acknowledgments.isEmpty())
        m_aboutDialog->setAcknowledgmentsPath(acknowledgments);
    m_aboutDialog->showAsSheet(m_window);
}

void AppDelegate::observeValueForKeyPath(const QString &keyPath, QObject *object,
                                         const QVariantMap &change, void *context)
{
    Q_UNUSED(object);
    Q_UNUSED(change);
    Q_UNUSED(context);
    if (m_speechSynth)
        m_speechSynth->setRate(m_currentRate);
    Log::write(
        QString::asprintf("keypath: %s - %g", keyPath.toUtf8().constData(), double(m_currentRate)));
}

bool AppDelegate::applicationShouldHandleReopen(bool hasVisibleWindows)
{
    if (m_window) {
        // A minimised window is still visible to Qt, but not to the person.
        const bool minimised = m_window->isMinimized();
        if (minimised)
            m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        m_window->show();
        m_window->raise();
        // Only a window that was not visible is made key as well.
        if (!hasVisibleWindows || minimised)
            m_window->activateWindow();
    }
    return true;
}

bool AppDelegate::applicationShouldTerminateAfterLastWindowClosed()
{
    return false;
}

void AppDelegate::setIsPlaying(bool value)
{
    if (value && !m_listening.isValid()) {
        m_listening.start();
    } else if (!value && m_listening.isValid()) {
        m_listenedBefore += m_listening.elapsed();
        m_listening.invalidate();
    }
    m_isPlaying = value;
    Q_EMIT isPlayingChanged(value);
}

void AppDelegate::setIsPaused(bool value)
{
    m_isPaused = value;
    Q_EMIT isPausedChanged(value);
}

void AppDelegate::setIsExporting(bool value)
{
    m_isExporting = value;
    Q_EMIT isExportingChanged(value);
}

void AppDelegate::setMinRate(float value)
{
    m_minRate = value;
    Q_EMIT minRateChanged(value);
}

void AppDelegate::setMaxRate(float value)
{
    m_maxRate = value;
    Q_EMIT maxRateChanged(value);
}

void AppDelegate::setCurrentRate(float value)
{
    m_currentRate = value;
    Q_EMIT currentRateChanged(value);
}

void AppDelegate::showStatus(const QString &text, bool busy)
{
    m_failureShown = false;
    if (m_statusLabel) {
        m_statusLabel->setAccessibleName(QString());
        // File names are no markup.
        m_statusLabel->setTextFormat(Qt::PlainText);
        m_statusLabel->setText(text);
        m_statusLabel->setHidden(false);
    }
    if (m_statusProgress) {
        // Busy without a range, unless an export gives it one.
        m_statusProgress->setAccessibleName(tr("Busy"));
        m_statusProgress->setRange(0, 0);
        m_statusProgress->setHidden(!busy);
    }
    announce(text);
}

void AppDelegate::hideStatus()
{
    m_failureShown = false;
    if (m_statusLabel)
        m_statusLabel->setHidden(true);
    if (m_statusProgress)
        m_statusProgress->setHidden(true);
}
