#include "about/AboutDialog.h"

#include "platform/application/UiLoader.h"
#include "platform/system/Bundle.h"
#include "platform/system/Log.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTextBrowser>

using namespace Qt::StringLiterals;

namespace {

// Fills each "%@" of a translatable format with the next argument. A
// translation may hold fewer or more placeholders than there are arguments:
// missing arguments read as empty, spare ones are dropped.
QString formatted(const QString &format, const QStringList &arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == u'%' && i + 1 < format.size()) {
            if (format.at(i + 1) == u'@') {
                if (next < arguments.size())
                    result += arguments.at(next);
                ++next;
                ++i;
                continue;
            }
            if (format.at(i + 1) == u'%') {
                result += u'%';
                ++i;
                continue;
            }
        }
        result += format.at(i);
    }
    return result;
}

} // namespace

AboutDialog::AboutDialog(QObject *parent)
    : QObject(parent)
{}

AboutDialog::~AboutDialog()
{
    // The window may have been handed to a parent window for the sheet; the
    // QPointer tells whether that parent has deleted it already.
    delete m_window.data();
}

QString AboutDialog::nibName()
{
    return u"TQAbout"_s;
}

QString AboutDialog::acknowledgmentsFileName()
{
    return u"ACKNOWLEDGMENTS.md"_s;
}

QWidget *AboutDialog::window()
{
    if (!m_windowLoaded) {
        m_windowLoaded = true;
        UiLoader loader;
        m_window = loader.loadFile(u":/ui/"_s + nibName() + u".ui"_s);
        if (m_window) {
            connectOutlets();
            bindViews();
            windowDidLoad();
        }
    }
    return m_window;
}

void AboutDialog::showAsSheet(QWidget *parentWindow)
{
    QWidget *sheet = window();
    if (!sheet)
        return;
    if (parentWindow)
        sheet->setParent(parentWindow->window(), sheet->windowFlags() | Qt::Dialog);
    // The keyboard starts on the button that Return presses, not on the
    // first one of the row.
    const QList<QPushButton *> buttons = sheet->findChildren<QPushButton *>();
    for (QPushButton *button : buttons) {
        if (button->isDefault())
            button->setFocus(Qt::OtherFocusReason);
    }
    if (auto *dialog = qobject_cast<QDialog *>(sheet)) {
        dialog->open();
    } else {
        sheet->setWindowModality(Qt::WindowModal);
        sheet->show();
    }
}

void AboutDialog::setAppName(const QString &name)
{
    m_appName = name;
    Q_EMIT appNameChanged(m_appName);
}

void AboutDialog::setAppVersion(const QString &version)
{
    m_appVersion = version;
    Q_EMIT appVersionChanged(m_appVersion);
}

void AboutDialog::setAppCopyright(const QString &copyright)
{
    m_appCopyright = copyright;
    Q_EMIT appCopyrightChanged(m_appCopyright);
}

void AboutDialog::setAppCredits(const QString &credits)
{
    m_appCredits = credits;
    Q_EMIT appCreditsChanged(m_appCredits);
}

void AboutDialog::setAppWebsiteURL(const QUrl &url)
{
    m_appWebsiteURL = url;
}

void AboutDialog::setAcknowledgmentsPath(const QString &path)
{
    m_acknowledgmentsPath = path;
    if (path.isNull() && m_acknowledgmentsButton) {
        QAbstractButton *button = m_acknowledgmentsButton;
        m_acknowledgmentsButton = nullptr;
        // Later, in case the button's own signal got us here; hidden at once
        // so that the layout closes the gap now.
        button->hide();
        button->deleteLater();
    }
}

void AboutDialog::visitWebsite()
{
    if (m_appWebsiteURL.isEmpty() || !m_appWebsiteURL.isValid()) {
        Log::write(u"Error: please set the appWebsiteURL property on the about window"_s);
        return;
    }
    QDesktopServices::openUrl(m_appWebsiteURL);
}

void AboutDialog::showAcknowledgments()
{
    // An empty path would open nothing without a word; it counts as none.
    if (m_acknowledgmentsPath.isEmpty()) {
        Log::write(u"Error: couldn't load the acknowledgments file"_s);
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(m_acknowledgmentsPath));
}

void AboutDialog::closeWindowAction()
{
    if (!m_window)
        return;
    if (auto *dialog = qobject_cast<QDialog *>(m_window.data()))
        dialog->done(QDialog::Accepted);
    else
        m_window->hide();
}

void AboutDialog::drawInfoPanel(QPainter &painter, const QRectF &rect)
{
    painter.save();
    painter.fillRect(rect, Qt::white);
    painter.fillRect(QRectF(rect.left(), rect.bottom() - 1.0, rect.width(), 1.0),
                     QColor::fromRgbF(0.5f, 0.5f, 0.5f));
    painter.restore();
}

void AboutDialog::windowDidLoad()
{
    const QVariantMap info = Bundle::infoDictionary();
    if (m_appName.isNull())
        setAppName(info.value(u"CFBundleName"_s).toString());
    if (m_appVersion.isNull()) {
        const QString build = info.value(u"CFBundleVersion"_s).toString();
        const QString shortVersion = info.value(u"CFBundleShortVersionString"_s).toString();
        const QString format =
            Bundle::localizedString(QT_TRANSLATE_NOOP("Bundle", "Version %@ (Build %@) %@"));
        setAppVersion(formatted(format, {shortVersion, build, QString()}));
    }
    if (m_appCopyright.isNull())
        setAppCopyright(info.value(u"NSHumanReadableCopyright"_s).toString());

    if (m_visitWebsiteButton)
        m_visitWebsiteButton->setText(formatted(
            Bundle::localizedString(QT_TRANSLATE_NOOP("Bundle", "Visit Website")), {m_appName}));
    if (m_acknowledgmentsButton)
        m_acknowledgmentsButton->setText(
            Bundle::localizedString(QT_TRANSLATE_NOOP("Bundle", "Acknowledgments")));
    if (m_creditsTextView)
        m_creditsTextView->setReadOnly(true);

    if (m_infoView) {
        // Dark colour schemes would put light text on the white panel.
        QPalette palette = m_infoView->palette();
        for (QPalette::ColorRole role : {QPalette::Window, QPalette::Base})
            palette.setColor(role, Qt::white);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text})
            palette.setColor(role, Qt::black);
        m_infoView->setPalette(palette);
        m_infoView->setAutoFillBackground(true);
        m_infoView->installEventFilter(this);
        m_infoView->update();
    }
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched == m_infoView.data()) {
        QPainter painter(m_infoView);
        drawInfoPanel(painter, m_infoView->rect());
    }
    return QObject::eventFilter(watched, event);
}

void AboutDialog::connectOutlets()
{
    m_infoView = m_window->findChild<QWidget *>(u"infoView"_s);
    m_creditsTextView = m_window->findChild<QTextBrowser *>(u"creditsTextView"_s);
    m_visitWebsiteButton = m_window->findChild<QAbstractButton *>(u"visitWebsiteButton"_s);
    m_acknowledgmentsButton = m_window->findChild<QAbstractButton *>(u"acknowledgmentsButton"_s);

    if (m_visitWebsiteButton)
        connect(m_visitWebsiteButton, &QAbstractButton::clicked, this, &AboutDialog::visitWebsite);
    if (m_acknowledgmentsButton)
        connect(m_acknowledgmentsButton, &QAbstractButton::clicked, this,
                &AboutDialog::showAcknowledgments);
    if (auto *close = m_window->findChild<QAbstractButton *>(u"closeButton"_s))
        connect(close, &QAbstractButton::clicked, this, &AboutDialog::closeWindowAction);
}

// The window shows the name, version line, copyright and credits from the
// properties and follows every later change of them.
void AboutDialog::bindViews()
{
    const auto bind = [this](const QString &labelName,
                             void (AboutDialog::*changed)(const QString &), const QString &value) {
        if (auto *label = m_window->findChild<QLabel *>(labelName)) {
            label->setText(value);
            connect(this, changed, label, &QLabel::setText);
        }
    };
    bind(u"appNameLabel"_s, &AboutDialog::appNameChanged, m_appName);
    bind(u"appVersionLabel"_s, &AboutDialog::appVersionChanged, m_appVersion);
    bind(u"appCopyrightLabel"_s, &AboutDialog::appCopyrightChanged, m_appCopyright);

    const auto showCredits = [this](const QString &credits) {
        if (!m_creditsTextView)
            return;
        m_creditsTextView->setText(credits);
        m_creditsTextView->setVisible(!credits.isEmpty());
    };
    showCredits(m_appCredits);
    connect(this, &AboutDialog::appCreditsChanged, m_window, showCredits);

    const auto showTitle = [this](const QString &name) {
        m_window->setWindowTitle(tr("About %1").arg(name));
    };
    showTitle(m_appName);
    connect(this, &AboutDialog::appNameChanged, m_window, showTitle);
}
