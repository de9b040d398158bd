// The window in the first of the person's languages that Tavorin speaks.
#include "AppFixture.h"

#include "platform/system/Translations.h"

#include <QMainWindow>
#include <QMenuBar>

namespace {

class TranslatedWindow : public AppFixture
{
protected:
    // The window is loaded by each case, once its language is installed.
    void SetUp() override {}
};

} // namespace

TEST_F(TranslatedWindow, FollowsTheFirstLanguageWithATranslationElseEnglish)
{
    const struct
    {
        QStringList languages;
        QStringList menus;
        QString play;
        QString save; // Qt's own text, in the file panel
    } cases[] = {
        {{u"de"_s},
         {u"&Datei"_s, u"&Sprachausgabe"_s, u"&Hilfe"_s},
         u"Vorlesen"_s,
         u"S&peichern"_s},
        {{u"xx"_s, u"fr-CA"_s},
         {u"&Fichier"_s, u"&Lecture"_s, u"&Aide"_s},
         u"Lire"_s,
         u"&Enregistrer"_s},
        {{u"en-GB"_s, u"de"_s}, {u"&File"_s, u"&Speech"_s, u"&Help"_s}, u"Play"_s, u"&Save"_s},
        {{u"xx"_s}, {u"&File"_s, u"&Speech"_s, u"&Help"_s}, u"Play"_s, u"&Save"_s},
    };
    for (const auto &expected : cases) {
        SCOPED_TRACE(expected.languages.join(u':').toStdString());
        const Translations translations(expected.languages);
        AppFixture::SetUp();
        ASSERT_TRUE(window);
        window->show();
        launch();

        QStringList menus;
        for (QAction *menu : qobject_cast<QMainWindow *>(window.get())->menuBar()->actions())
            menus << menu->text();
        EXPECT_EQ(menus, expected.menus);
        EXPECT_EQ(child<QAbstractButton>("playButton")->text(), expected.play);

        // The button still sends its command, and Qt's own panel follows.
        child<QAbstractButton>("exportButton")->click();
        auto *panel = currentDialog<QFileDialog>();
        ASSERT_TRUE(panel);
        EXPECT_EQ(panel->labelText(QFileDialog::Accept), expected.save);
        panel->reject();
        TearDown();
    }
}
