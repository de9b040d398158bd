#include "about/AboutDialog.h"

#include "platform/Bundle.h"
#include "platform/Log.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString websiteError = u"Error: please set the appWebsiteURL property on the about window"_s;
const QString acknowledgmentsError = u"Error: couldn't load the acknowledgments file"_s;

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

} // namespace

TEST_F(AboutDialogTest, LoadsTQAboutOnceAndFillsNullValuesFromTheBundle)
{
    AboutDialog about;
    EXPECT_FALSE(about.isWindowLoaded());
    EXPECT_TRUE(about.appName().isNull());
    QWidget *window = about.window();
    ASSERT_NE(qobject_cast<QDialog *>(window), nullptr);
    EXPECT_EQ(about.window(), window);
    ASSERT_TRUE(about.infoView() && about.creditsTextView() && about.visitWebsiteButton() &&
                about.acknowledgmentsButton());

    EXPECT_EQ(about.appName(), u"Tavorin"_s);
    EXPECT_EQ(about.appCopyright(), info(u"NSHumanReadableCopyright"_s));
    // Short version first, build second, and an empty third argument that
    // leaves one blank at the end.
    EXPECT_EQ(about.appVersion(), u"Version "_s + info(u"CFBundleShortVersionString"_s) +
                                      u" (Build "_s + info(u"CFBundleVersion"_s) + u") "_s);
    EXPECT_TRUE(about.appCredits().isNull());

    EXPECT_EQ(labelText(about, u"appNameLabel"_s), about.appName());
    EXPECT_EQ(labelText(about, u"appVersionLabel"_s), about.appVersion());
    EXPECT_EQ(labelText(about, u"appCopyrightLabel"_s), about.appCopyright());
    EXPECT_EQ(about.visitWebsiteButton()->text(), u"Visit Website"_s);
    EXPECT_EQ(about.acknowledgmentsButton()->text(), u"Acknowledgments"_s);
    EXPECT_TRUE(about.creditsTextView()->isReadOnly());
}

TEST_F(AboutDialogTest, ValuesGivenBeforeLoadingStayAndViewsFollowLaterChanges)
{
    AboutDialog about;
    about.setAppName(u"Speaker"_s);
    about.setAppVersion(QString(u""_s));
    ASSERT_NE(about.window(), nullptr);
    EXPECT_EQ(about.appName(), u"Speaker"_s);
    EXPECT_TRUE(about.appVersion().isEmpty()) << "empty is not null";
    EXPECT_EQ(about.appCopyright(), info(u"NSHumanReadableCopyright"_s));
    EXPECT_EQ(labelText(about, u"appNameLabel"_s), u"Speaker"_s);

    about.setAppCopyright(u"Copyright © someone else"_s);
    EXPECT_EQ(labelText(about, u"appCopyrightLabel"_s), u"Copyright © someone else"_s);
    about.window()->show();
    EXPECT_FALSE(about.creditsTextView()->isVisible()) << "no credits, no credits view";
    about.setAppCredits(u"<p>Thanks to <b>everyone</b></p>"_s);
    EXPECT_TRUE(about.creditsTextView()->isVisible());
    EXPECT_EQ(about.creditsTextView()->toPlainText(), u"Thanks to everyone"_s);

    // A second dialog has a window of its own and the bundle's values.
    AboutDialog second;
    ASSERT_NE(second.window(), nullptr);
    EXPECT_NE(second.window(), about.window());
    EXPECT_EQ(second.appName(), u"Tavorin"_s);
}

namespace {

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
    EXPECT_EQ(log.count(websiteError), 2);
    about.acknowledgmentsButton()->click();
    about.setAcknowledgmentsPath(QString(u""_s));
    ASSERT_NE(about.acknowledgmentsButton(), nullptr) << "an empty path keeps the button";
    about.showAcknowledgments();
    EXPECT_EQ(log.count(acknowledgmentsError), 2);
    EXPECT_TRUE(m_opened.isEmpty());

    const QString path = Bundle::pathForResource(AboutDialog::acknowledgmentsFileName());
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
    QWidget *window = about.window();
    window->show();
    QPointer<QAbstractButton> button = about.acknowledgmentsButton();
    ASSERT_TRUE(button && button->isVisible());

    about.setAcknowledgmentsPath(QString());
    EXPECT_EQ(about.acknowledgmentsButton(), nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return button.isNull(); }));
    about.setAcknowledgmentsPath(u"/tmp/ACKNOWLEDGMENTS.md"_s);
    EXPECT_EQ(about.acknowledgmentsButton(), nullptr);
    EXPECT_EQ(window->findChild<QAbstractButton *>(u"acknowledgmentsButton"_s), nullptr);
}

TEST_F(AboutDialogTest, InformationPanelIsWhiteWithAGreyBottomLine)
{
    AboutDialog about;
    about.window()->show();
    const QImage panel = about.infoView()->grab().toImage();
    const int bottom = panel.height() - 1;
    const int right = panel.width() - 1;
    EXPECT_EQ(panel.pixelColor(0, bottom), QColor(128, 128, 128));
    EXPECT_EQ(panel.pixelColor(right, bottom), QColor(128, 128, 128));
    for (QPoint white : {QPoint(0, 0), QPoint(right, 0), QPoint(0, bottom - 1)})
        EXPECT_EQ(panel.pixelColor(white), QColor(Qt::white)) << white.x() << "," << white.y();
}

TEST_F(AboutDialogTest, ShowsAsAWindowModalSheetAndClosesWithoutDying)
{
    auto mainWindow = std::make_unique<QWidget>();
    mainWindow->show();
    auto about = std::make_unique<AboutDialog>();
    about->showAsSheet(mainWindow.get());
    QPointer<QWidget> sheet = about->window();
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible() && sheet->isWindow());
    EXPECT_EQ(sheet->parentWidget(), mainWindow.get());
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    EXPECT_EQ(QApplication::activeModalWidget(), sheet.data());

    QSignalSpy finished(qobject_cast<QDialog *>(sheet.data()), &QDialog::finished);
    sheet->findChild<QPushButton *>(u"closeButton"_s)->click();
    EXPECT_EQ(finished.count(), 1);
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

TEST_F(AboutDialogTest, AcknowledgmentsFileIsAResourceNamingEachComponent)
{
    QFile file(Bundle::pathForResource(AboutDialog::acknowledgmentsFileName()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const QString &item : {u"Qt 6"_s, u"espeak-ng"_s, u"libsndfile"_s, u"GLib"_s,
                                u"GoogleTest"_s, u"PulseAudio"_s, u"BSD-3-Clause"_s})
        EXPECT_TRUE(text.contains(item)) << item.toStdString();
}
