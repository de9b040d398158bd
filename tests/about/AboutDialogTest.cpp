#include "about/AboutDialog.h"
#include "support/TestSupport.h"

#include "platform/system/Bundle.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QTranslator>

#include <memory>

namespace {

QString info(const QString &key)
{
    return Bundle::infoDictionary().value(key).toString();
}

// Takes every address the window opens, through the desktop's own hook, so
// that no test reaches a browser or a file viewer.
class OpenedUrls : public QObject
{
    Q_OBJECT

public:
    OpenedUrls()
    {
        for (const QString &scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~OpenedUrls() override
    {
        for (const QString &scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

    Q_INVOKABLE void open(const QUrl &url) { urls << url; }

    QList<QUrl> urls;

private:
    const QStringList schemes{u"http"_s, u"https"_s, u"file"_s};
};

// Stands in for a translation catalogue of the bundle's strings, with fewer
// and more placeholders than the source strings.
class BundleTranslator : public QTranslator
{
public:
    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (qstrcmp(context, "Bundle") != 0)
            return {};
        if (qstrcmp(sourceText, "Visit Website") == 0)
            return u"Visit the %@ site"_s;
        if (qstrcmp(sourceText, "Version %@ (Build %@) %@") == 0)
            return u"%@ [%@] %@%@ 100%%"_s;
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

TEST(AboutDialog, FillsOnlyNullValuesFromTheBundleAndFollowsTranslations)
{
    AboutDialog given;
    given.setAppName(u"Speaker"_s);
    given.setAppVersion(QString(u""_s));
    ASSERT_NE(given.window(), nullptr);
    EXPECT_TRUE(given.appVersion().isEmpty()) << "empty is not null";
    EXPECT_EQ(given.appCopyright(), info(u"NSHumanReadableCopyright"_s));
    EXPECT_EQ(given.window()->findChild<QLabel *>(u"appNameLabel"_s)->text(), u"Speaker"_s);

    // The name a fresh window reads is seen through the About command.
    AboutDialog fresh;
    fresh.window();
    // Short version first, build second, and an empty third: one blank at the end.
    EXPECT_EQ(fresh.appVersion(), u"Version "_s + info(u"CFBundleShortVersionString"_s) +
                                      u" (Build "_s + info(u"CFBundleVersion"_s) + u") "_s);

    BundleTranslator translator;
    QCoreApplication::installTranslator(&translator);
    AboutDialog translated;
    translated.setAppName(u"Speaker"_s);
    translated.window();
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(translated.visitWebsiteButton()->text(), u"Visit the Speaker site"_s);
    EXPECT_EQ(translated.appVersion(), info(u"CFBundleShortVersionString"_s) + u" ["_s +
                                           info(u"CFBundleVersion"_s) + u"]  100%"_s);
}

TEST(AboutDialog, ButtonsOpenTheirTargetOrNothing)
{
    OpenedUrls opened;
    AboutDialog about;
    about.window();
    // Without an address or a file, nothing is opened.
    about.setAppWebsiteURL(QUrl(u"not a url at all ::"_s, QUrl::StrictMode));
    about.visitWebsiteButton()->click();
    about.setAcknowledgmentsPath(QString(u""_s));
    ASSERT_NE(about.acknowledgmentsButton(), nullptr) << "an empty path keeps the button";
    about.acknowledgmentsButton()->click();
    EXPECT_TRUE(opened.urls.isEmpty());

    const QString path = Bundle::pathForResource(AboutDialog::acknowledgmentsFileName());
    ASSERT_FALSE(path.isEmpty());
    about.setAppWebsiteURL(QUrl(Bundle::websiteUrl()));
    about.setAcknowledgmentsPath(path);
    about.visitWebsiteButton()->click();
    about.acknowledgmentsButton()->click();
    EXPECT_EQ(opened.urls, (QList<QUrl>{QUrl(Bundle::websiteUrl()), QUrl::fromLocalFile(path)}));

    // A null path once the window is shown removes the button for good.
    about.window()->show();
    QPointer<QAbstractButton> button = about.acknowledgmentsButton();
    about.setAcknowledgmentsPath(QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return button.isNull(); }));
    about.setAcknowledgmentsPath(path);
    EXPECT_EQ(about.acknowledgmentsButton(), nullptr);
}

TEST(AboutDialog, SheetWithAWhitePanelOutlivesClosingAndGoesWithEitherOwner)
{
    auto mainWindow = std::make_unique<QWidget>();
    mainWindow->show();
    auto about = std::make_unique<AboutDialog>();
    about->showAsSheet(mainWindow.get());
    QPointer<QWidget> sheet = about->window();
    ASSERT_TRUE(sheet && sheet->isVisible());
    // The keyboard starts on the default button.
    EXPECT_EQ(sheet->focusWidget(), sheet->findChild<QPushButton *>(u"closeButton"_s));

    const QImage panel = about->infoView()->grab().toImage();
    const int bottom = panel.height() - 1;
    EXPECT_EQ(panel.pixelColor(panel.width() - 1, bottom), QColor(128, 128, 128));
    EXPECT_EQ(panel.pixelColor(0, bottom - 1), QColor(Qt::white));

    sheet->findChild<QPushButton *>(u"closeButton"_s)->click();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_TRUE(sheet) << "closing keeps the window for its controller";
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);

    // The controller and the main window may go in either order.
    about.reset();
    EXPECT_TRUE(sheet.isNull());
    auto other = std::make_unique<AboutDialog>();
    other->showAsSheet(mainWindow.get());
    QPointer<QWidget> otherSheet = other->window();
    mainWindow.reset();
    EXPECT_TRUE(otherSheet.isNull());
}

#include "AboutDialogTest.moc"
