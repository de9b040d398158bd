#include "AppFixture.h"

#include "app/FindIndicator.h"

#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

constexpr int speechTimeoutMs = 20000;

} // namespace

class Playback : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        // The real voice list, so the synthesizer speaks with a real voice.
        SpeechSynthesizer::setVoiceSource(nullptr);
        window->show();
        launch();
        delegate->setCurrentRate(400.0f);
        text = child<QPlainTextEdit>("textView");
        label = child<QLabel>("statusLabel");
        progress = child<QProgressBar>("statusProgress");
    }

    void select(int start, int length)
    {
        QTextCursor cursor = text->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        text->setTextCursor(cursor);
    }

    bool waitForLog(const LogCapture &log, const QString &line)
    {
        return QTest::qWaitFor([&] { return log.count(line) > 0; }, speechTimeoutMs);
    }

    QPlainTextEdit *text = nullptr;
    QLabel *label = nullptr;
    QProgressBar *progress = nullptr;
};

TEST_F(Playback, ASelectionIsSpokenAndItsWordsAreMarkedAtTheirPlaceInTheText)
{
    text->setPlainText(u"abcdefg"_s);
    select(2, 3);
    delegate->doPlay(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{2, 3}));
    EXPECT_TRUE(delegate->isPlaying());
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_EQ(label->text(), u"Speaking..."_s);
    EXPECT_FALSE(label->isHidden());
    EXPECT_FALSE(progress->isHidden());

    delegate->speechSynthesizer(delegate->speechSynth(), CharacterRange{2, 1}, u"cde"_s);
    EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{4, 1}));
    // Marking never moves the selection or changes the text.
    EXPECT_EQ(text->textCursor().selectionStart(), 2);
    EXPECT_EQ(text->textCursor().selectionEnd(), 5);
    EXPECT_EQ(text->toPlainText(), u"abcdefg"_s);
    delegate->doStop(nullptr);
}

TEST_F(Playback, TheWholeTextIsSpokenToTheEndWithSuccess)
{
    text->setPlainText(u"Hello there, world."_s);
    LogCapture log;
    delegate->doPlay(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{0, 19}));
    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(progress->isHidden());
    EXPECT_EQ(log.count(u"Without any success"_s), 0);
}

TEST_F(Playback, PauseThenContinueThenStopFollowsTheStateTable)
{
    text->setPlainText(
        QString(u"one two three four five six seven eight nine ten "_s).repeated(20));
    LogCapture log;
    delegate->doPlay(nullptr);
    delegate->doPause(nullptr);
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_TRUE(delegate->isPaused());
    EXPECT_EQ(label->text(), u"Paused"_s);
    EXPECT_FALSE(label->isHidden());
    EXPECT_TRUE(progress->isHidden());

    // Continuing takes the selection of the moment as the spoken range.
    select(4, 3);
    delegate->doPlay(nullptr);
    EXPECT_TRUE(delegate->isPlaying());
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{4, 3}));

    delegate->doStop(nullptr);
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_TRUE(label->isHidden());
    EXPECT_EQ(label->text(), u"Speaking..."_s);
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s));
    EXPECT_EQ(log.count(u"With success"_s), 0);
}

TEST_F(Playback, PauseWhileIdleMakesTheNextPlayContinueAndAnEmptyTextStillEnds)
{
    delegate->doPause(nullptr);
    EXPECT_TRUE(delegate->isPaused());
    delegate->doPlay(nullptr);
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_TRUE(delegate->isPlaying());
    delegate->doStop(nullptr);

    delegate->doPlay(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{0, 0}));
    EXPECT_TRUE(delegate->isPlaying());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !delegate->isPlaying(); }, speechTimeoutMs));
}

TEST_F(Playback, ExportWritesTheWholeTextAndMarksWordsAtTheirOwnPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"speech.aiff"_s);
    text->setPlainText(u"alpha beta gamma"_s);
    select(6, 4);
    delegate->doPlay(nullptr);
    delegate->doStop(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{6, 4}));

    LogCapture log;
    delegate->doExport(nullptr);
    auto *panel = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(panel);
    panel->reject();
    EXPECT_FALSE(delegate->isExporting()) << "a cancelled export changes nothing";
    EXPECT_TRUE(label->isHidden());

    delegate->doExport(nullptr);
    panel = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
    panel->selectFile(path);
    acceptPanel(panel);
    EXPECT_TRUE(delegate->isExporting());
    EXPECT_EQ(label->text(), u"Exporting..."_s);

    // A word of the export: the offset of the last playback does not apply.
    delegate->speechSynthesizer(delegate->speechSynth(), CharacterRange{0, 5}, QString());
    EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{0, 5}));

    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    EXPECT_FALSE(delegate->isExporting());
    EXPECT_TRUE(label->isHidden());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.read(4), QByteArray("FORM"));
}

TEST_F(Playback, MarkingFarIntoALongTextScrollsItIntoView)
{
    QString longText;
    for (int line = 0; line < 5000; ++line)
        longText += u"line %1 of the text\n"_s.arg(line);
    text->setPlainText(longText);
    text->resize(400, 200);
    const qsizetype target = longText.indexOf(u"line 4000 "_s);
    delegate->speechSynthesizer(delegate->speechSynth(), CharacterRange{quint64(target), 4},
                                QString());
    QTextCursor cursor(text->document());
    cursor.setPosition(int(target));
    const QRect rect = text->cursorRect(cursor);
    EXPECT_TRUE(text->viewport()->rect().contains(rect.center()));
    EXPECT_EQ(text->textCursor().position(), 0);

    // A range past the end of the text is clipped rather than trusted.
    delegate->speechSynthesizer(delegate->speechSynth(),
                                CharacterRange{quint64(longText.size()) + 10, 4}, QString());
    EXPECT_EQ(delegate->findIndicator()->markedRange().length, 0u);
}
