// The window in the first of the person's languages that Tavorin speaks.
#include "AppFixture.h"

#include "platform/system/Translations.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QRegularExpression>
#include <QXmlStreamReader>

namespace {

class TranslatedWindow : public AppFixture
{
protected:
    // The window is loaded by each case, once its language is installed.
    void SetUp() override {}
};

} // namespace

// Every mnemonic of the export panel acts from the file name, where the
// person types, and none of them types its letter there: the timings box
// is ticked and unticked with its own.
void expectMnemonicsActFromTheName(QFileDialog *panel)
{
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    auto *name = panel->findChild<QLineEdit *>(u"fileNameEdit"_s);
    auto *timings = panel->findChild<QCheckBox *>(u"saveTimingsCheck"_s);
    ASSERT_TRUE(name && timings);
    const QString typed = name->text();
    QList<QWidget *> labelled;
    for (QLabel *label : panel->findChildren<QLabel *>())
        labelled << label;
    for (QAbstractButton *button : panel->findChildren<QAbstractButton *>())
        labelled << button;
    for (QWidget *widget : labelled) {
        const auto *label = qobject_cast<QLabel *>(widget);
        const QString text = label ? label->text() : static_cast<QAbstractButton *>(widget)->text();
        const QKeySequence mnemonic = QKeySequence::mnemonic(text);
        // The accepting button's own would end the panel.
        if (mnemonic.isEmpty() || !widget->isVisible() ||
            text == panel->labelText(QFileDialog::Accept))
            continue;
        SCOPED_TRACE(text.toStdString());
        const bool ticked = timings->isChecked();
        name->setFocus();
        QTest::keyClick(name, mnemonic[0].key(), mnemonic[0].keyboardModifiers());
        EXPECT_EQ(name->text(), typed) << "the mnemonic typed into the name";
        if (widget == timings) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return timings->isChecked() != ticked; },
                                        TestSupport::Patience));
        }
    }
}

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
        expectMnemonicsActFromTheName(panel);
        panel->reject();
        TearDown();
    }
}

namespace {

// The mnemonics of a text: "&" before anything but another "&" or a space.
qsizetype mnemonics(QString text)
{
    text.remove(u"&&"_s);
    static const QRegularExpression mnemonic(u"&\\S"_s);
    return text.count(mnemonic);
}

QStringList placeholders(const QString &text)
{
    static const QRegularExpression placeholder(u"%\\d"_s);
    QStringList found;
    for (const QRegularExpressionMatch &match : placeholder.globalMatch(text))
        found << match.captured();
    found.sort();
    return found;
}

} // namespace

// Every translation is finished and reads as its source does: the same
// placeholders, the mnemonic the source has and no second one, no markup
// left over from a bad edit, and not a text twice as long as its source.
TEST(Translations, EveryTranslationKeepsItsSourcesMnemonicPlaceholdersAndLength)
{
    const QDir folder(QStringLiteral(TAVORIN_SOURCE_DIR "/resources/translations"));
    const QStringList files = folder.entryList({u"*.ts"_s}, QDir::Files);
    ASSERT_FALSE(files.isEmpty());
    static const QRegularExpression entity(u"&(amp|lt|gt|quot|apos|#\\d+);|amp;"_s);
    for (const QString &name : files) {
        SCOPED_TRACE(name.toStdString());
        QFile file(folder.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString source;
        int messages = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == u"source") {
                source = xml.readElementText();
            } else if (xml.name() == u"translation") {
                const bool unfinished = xml.attributes().value(u"type"_s) == u"unfinished";
                const QString translation = xml.readElementText();
                SCOPED_TRACE(source.toStdString());
                ++messages;
                EXPECT_FALSE(unfinished || translation.isEmpty()) << "not translated";
                EXPECT_EQ(mnemonics(translation), mnemonics(source)) << translation.toStdString();
                EXPECT_FALSE(translation.contains(entity)) << translation.toStdString();
                EXPECT_LE(translation.size(), 2 * source.size() + 10) << translation.toStdString();
                EXPECT_EQ(placeholders(translation), placeholders(source))
                    << translation.toStdString();
            }
        }
        EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
        EXPECT_GT(messages, 100);
    }
}
