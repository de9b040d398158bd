#pragma once

#include <QAbstractButton>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTextBrowser>
#include <QUrl>

class QPainter;
class QRectF;

// Controller of the About window, loaded from the window description "TQAbout"
// on the first call of window(). Right after loading, windowDidLoad() fills
// the name, version line and copyright that are still null from the bundle's
// information keys; the window's labels follow these properties from then on.
//
// The About command makes a new AboutDialog every time, replacing (and so
// deleting) the previous one together with its window:
//
//     m_aboutDialog = std::make_unique<AboutDialog>();
//     m_aboutDialog->setAppWebsiteURL(QUrl(Bundle::websiteUrl()));
//     // Only when the file is there: a null path removes the button.
//     const QString acknowledgments =
//         Bundle::pathForResource(AboutDialog::acknowledgmentsFileName());
//     if (!acknowledgments.isEmpty())
//         m_aboutDialog->setAcknowledgmentsPath(acknowledgments);
//     m_aboutDialog->showAsSheet(m_window);
//
// Set these before showAsSheet(): it loads the window.
class AboutDialog : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString appName READ appName WRITE setAppName NOTIFY appNameChanged)
    Q_PROPERTY(QString appVersion READ appVersion WRITE setAppVersion NOTIFY appVersionChanged)
    Q_PROPERTY(
        QString appCopyright READ appCopyright WRITE setAppCopyright NOTIFY appCopyrightChanged)
    Q_PROPERTY(QString appCredits READ appCredits WRITE setAppCredits NOTIFY appCreditsChanged)
    Q_PROPERTY(QUrl appWebsiteURL READ appWebsiteURL WRITE setAppWebsiteURL)
    Q_PROPERTY(QString acknowledgmentsPath READ acknowledgmentsPath WRITE setAcknowledgmentsPath)

public:
    explicit AboutDialog(QObject *parent = nullptr);
    ~AboutDialog() override;

    // The window description this controller loads: "TQAbout".
    static QString nibName();
    // The acknowledgments file among the resources: "ACKNOWLEDGMENTS.md".
    static QString acknowledgmentsFileName();

    // Loads the window on the first call; null if the description could not
    // be loaded (the loader logs why).
    QWidget *window();
    bool isWindowLoaded() const { return m_windowLoaded; }

    // Shows the window as a window-modal sheet on `parentWindow`'s window;
    // without a parent it shows as an ordinary dialog.
    void showAsSheet(QWidget *parentWindow);

    QString appName() const { return m_appName; }
    void setAppName(const QString &name);
    QString appVersion() const { return m_appVersion; }
    void setAppVersion(const QString &version);
    QString appCopyright() const { return m_appCopyright; }
    void setAppCopyright(const QString &copyright);
    // Rich text (HTML) or plain text; the credits view is hidden while empty.
    QString appCredits() const { return m_appCredits; }
    void setAppCredits(const QString &credits);
    QUrl appWebsiteURL() const { return m_appWebsiteURL; }
    void setAppWebsiteURL(const QUrl &url);
    QString acknowledgmentsPath() const { return m_acknowledgmentsPath; }
    // A null path also removes the acknowledgments button for good once the
    // window has loaded; an empty but non-null one leaves it in place.
    void setAcknowledgmentsPath(const QString &path);

    // Outlets into the loaded window; null before loading or when the
    // description lacks them.
    QWidget *infoView() const { return m_infoView; }
    QTextBrowser *creditsTextView() const { return m_creditsTextView; }
    QAbstractButton *visitWebsiteButton() const { return m_visitWebsiteButton; }
    QAbstractButton *acknowledgmentsButton() const { return m_acknowledgmentsButton; }

    void visitWebsite();
    void showAcknowledgments();
    void closeWindowAction();

    // The information panel: white, with a grey line along its bottom edge.
    static void drawInfoPanel(QPainter &painter, const QRectF &rect);

Q_SIGNALS:
    void appNameChanged(const QString &name);
    void appVersionChanged(const QString &version);
    void appCopyrightChanged(const QString &copyright);
    void appCreditsChanged(const QString &credits);

protected:
    // Runs once, right after the window has loaded.
    virtual void windowDidLoad();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void connectOutlets();
    void bindViews();

    QString m_appName;
    QString m_appVersion;
    QString m_appCopyright;
    QString m_appCredits;
    QUrl m_appWebsiteURL;
    QString m_acknowledgmentsPath;

    bool m_windowLoaded = false;
    QPointer<QWidget> m_window;
    QPointer<QWidget> m_infoView;
    QPointer<QTextBrowser> m_creditsTextView;
    QPointer<QAbstractButton> m_visitWebsiteButton;
    QPointer<QAbstractButton> m_acknowledgmentsButton;
};
