#include "about/AboutDialog.h"

#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString info(const QString &key)
{
    return Bundle::infoDictionary().value(key).toString();
}

QString labelText(AboutDialog &about, const QString &name)
{
    auto *label = about.window()->findChild<QLabel *>(name);
    return label ? label->text() : u"<no label>"_s;
}

class AboutDialogTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AboutDialog::setUrlOpener([this](const QUrl &url) { m_opened.append(url); });
    }
    void TearDown() override
    {
        // No test may reach the desktop's browser.
        AboutDialog::setUrlOpener(
            [](const QUrl &url) { ADD_FAILURE() << "opened " << url.toString().toStdString(); });
    }

    QList<QUrl> m_opened;
};

// Stands in for a translation catalogue of the bundle's strings.
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

TEST_F(AboutDialogTest, FillsOnlyNullValuesFromTheBundle)
{
    AboutDialog given;
    given.setAppName(u"Speaker"_s);
    given.setAppVersion(QString(u""_s));
    ASSERT_NE(given.window(), nullptr);
    EXPECT_EQ(given.appName(), u"Speaker"_s);
    EXPECT_TRUE(given.appVersion().isEmpty()) << "empty is not null";
    EXPECT_EQ(given.appCopyright(), info(u"NSHumanReadableCopyright"_s));
    EXPECT_EQ(labelText(given, u"appNameLabel"_s), u"Speaker"_s);

    AboutDialog fresh;
    ASSERT_NE(fresh.window(), given.window());
    EXPECT_EQ(fresh.appName(), u"Tavorin"_s);
    // Short version first, build second, and an empty third: one blank at the end.
    EXPECT_EQ(fresh.appVersion(), u"Version "_s + info(u"CFBundleShortVersionString"_s) +
                                      u" (Build "_s + info(u"CFBundleVersion"_s) + u") "_s);
    EXPECT_EQ(labelText(fresh, u"appVersionLabel"_s), fresh.appVersion());
    EXPECT_EQ(fresh.visitWebsiteButton()->text(), u"Visit Website"_s);
    EXPECT_EQ(fresh.acknowledgmentsButton()->text(), u"Acknowledgments"_s);
}

TEST_F(AboutDialogTest, TranslationsMayPlaceTheNameAndHoldAnyNumberOfPlaceholders)
{
    BundleTranslator translator;
    QCoreApplication::installTranslator(&translator);
    AboutDialog about;
    about.setAppName(u"Speaker"_s);
    about.window();
    QCoreApplication::removeTranslator(&translator);

    EXPECT_EQ(about.visitWebsiteButton()->text(), u"Visit the Speaker site"_s);
    EXPECT_EQ(about.appVersion(), info(u"CFBundleShortVersionString"_s) + u" ["_s +
                                      info(u"CFBundleVersion"_s) + u"]  100%"_s);
}

TEST_F(AboutDialogTest, ButtonsOpenTheirTargetOrLogWhatIsMissing)
{
    LogCapture log;
    AboutDialog about;
    about.window();
    about.visitWebsiteButton()->click();
    about.setAppWebsiteURL(QUrl(u"not a url at all ::"_s, QUrl::StrictMode));
    about.visitWebsite();
    EXPECT_EQ(log.count(u"Error: please set the appWebsiteURL property on the about window"_s), 2);
    about.acknowledgmentsButton()->click();
    about.setAcknowledgmentsPath(QString(u""_s));
    ASSERT_NE(about.acknowledgmentsButton(), nullptr) << "an empty path keeps the button";
    about.showAcknowledgments();
    EXPECT_EQ(log.count(u"Error: couldn't load the acknowledgments file"_s), 2);
    EXPECT_TRUE(m_opened.isEmpty());

    // The shipped acknowledgments file keeps the button alive.
    const QString path = Bundle::pathForResource(AboutDialog::acknowledgmentsFileName());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("espeak-ng"));
    about.setAppWebsiteURL(QUrl(Bundle::websiteUrl()));
    about.setAcknowledgmentsPath(path);
    about.visitWebsiteButton()->click();
    about.acknowledgmentsButton()->click();
    EXPECT_EQ(m_opened, (QList<QUrl>{QUrl(Bundle::websiteUrl()), QUrl::fromLocalFile(path)}));
    EXPECT_EQ(log.lines().size(), 4);
}

TEST_F(AboutDialogTest, NullAcknowledgmentsPathAfterLoadingRemovesTheButtonForGood)
{
    AboutDialog about;
    about.setAcknowledgmentsPath(QString()); // before loading: nothing to remove
    about.window()->show();
    QPointer<QAbstractButton> button = about.acknowledgmentsButton();
    ASSERT_TRUE(button && button->isVisible());

    about.setAcknowledgmentsPath(QString());
    EXPECT_TRUE(QTest::qWaitFor([&] { return button.isNull(); }));
    about.setAcknowledgmentsPath(u"/tmp/ACKNOWLEDGMENTS.md"_s);
    EXPECT_EQ(about.acknowledgmentsButton(), nullptr);
}

TEST_F(AboutDialogTest, WindowModalSheetWithAWhitePanelThatOutlivesClosing)
{
    auto mainWindow = std::make_unique<QWidget>();
    mainWindow->show();
    auto about = std::make_unique<AboutDialog>();
    about->showAsSheet(mainWindow.get());
    QPointer<QWidget> sheet = about->window();
    ASSERT_TRUE(sheet && sheet->isVisible());
    EXPECT_EQ(sheet->parentWidget(), mainWindow.get());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);

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
