#include "AppFixture.h"

#include "app/EditorText.h"
#include "app/FindIndicator.h"
#include "app/MainMenu.h"
#include "app/ReadingPlaces.h"
#include "platform/menu/MenuItem.h"
#include "platform/menu/PopUpButton.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextBlock>

#include <functional>

// The window launched on the real voice list, speaking fast.
class Playback : public LaunchedWindow
{
protected:
    void SetUp() override
    {
        LaunchedWindow::SetUp();
        delegate->setCurrentRate(400.0f);
        label = child<QLabel>("statusLabel");
        progress = child<QProgressBar>("statusProgress");
    }

    bool waitForMark(const std::function<bool(CharacterRange)> &seen)
    {
        return QTest::qWaitFor([&] { return seen(delegate->findIndicator()->markedRange()); },
                               TestSupport::Patience);
    }

    // The synthesizer reports the word at `location` of the spoken text.
    void hear(quint64 location, quint64 length, const QString &spoken = {})
    {
        delegate->speechSynthesizer(delegate->speechSynth(), CharacterRange{location, length},
                                    spoken);
    }

    QLabel *label = nullptr;
    QProgressBar *progress = nullptr;
};

TEST_F(Playback, ASelectionIsSpokenAndItsWordsAreMarkedAtTheirPlaceInTheText)
{
    text->setPlainText(u"abcdefg"_s);
    select(2, 3);
    delegate->doPlay(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{2, 3}));
    EXPECT_EQ(label->text(), u"Speaking..."_s);
    EXPECT_FALSE(label->isHidden());
    EXPECT_FALSE(progress->isHidden());

    hear(2, 1, u"cde"_s);
    EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{4, 1}));
    // Marking never moves the selection or changes the text.
    EXPECT_EQ(text->textCursor().selectionStart(), 2);
    EXPECT_EQ(text->textCursor().selectionEnd(), 5);
    EXPECT_EQ(text->toPlainText(), u"abcdefg"_s);
    // The mark shows above the selection's highlight.
    QTextCursor marked(text->document());
    marked.setPosition(4);
    const QRect at = text->cursorRect(marked);
    const QImage shot = text->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(at.left() + 1, at.top() + 1), QColor(255, 222, 64));
    delegate->doStop(nullptr);
}

// What the status bar shows is what screen readers are told: its name is the
// line on the screen, empty when there is none, and each new line is
// announced once.
TEST_F(Playback, TheStatusBarSaysWhatItShowsAndAnnouncesEachNewLineOnce)
{
    QWidget *area = label->parentWidget();
    ASSERT_EQ(QAccessible::queryAccessibleInterface(area)->role(), QAccessible::StatusBar);
    const auto shown = [&] { return label->isHidden() ? QString() : label->text(); };
    QStringList announced;
    QObject::connect(delegate->findChild<StatusArea *>(), &StatusArea::announced,
                     [&](const QString &line) { announced << line; });
    LogCapture log;

    text->setPlainText(u"Hello there, world."_s);
    delegate->doPlay(nullptr);
    delegate->doPlay(nullptr); // the same line again is no news
    EXPECT_EQ(area->accessibleName(), u"Speaking..."_s);
    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    EXPECT_EQ(area->accessibleName(), shown());
    EXPECT_EQ(announced, QStringList{u"Speaking..."_s});

    delegate->doPlay(nullptr);
    delegate->doPause(nullptr);
    EXPECT_EQ(area->accessibleName(), u"Paused"_s);
    delegate->doStop(nullptr);
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s));
    EXPECT_EQ(area->accessibleName(), shown());

    // Nothing to speak: no news of a success.
    text->clear();
    delegate->doPlay(nullptr);
    ASSERT_TRUE(waitForLog(log, u"With success"_s, 2));
    EXPECT_EQ(area->accessibleName(), shown());
    EXPECT_EQ(announced,
              (QStringList{u"Speaking..."_s, u"Speaking..."_s, u"Paused"_s, u"Speaking..."_s}));
}

TEST_F(Playback, APausedSpeechKeepsItsRangeAndWhateverEndsItEndsThePause)
{
    const QString words =
        QString(u"one two three four five six seven eight nine ten "_s).repeated(8);
    text->setPlainText(words);
    LogCapture log;
    select(8, 200);
    delegate->doPlay(nullptr);
    ASSERT_TRUE(waitForMark([](CharacterRange marked) { return marked.length > 0; }));
    delegate->doPause(nullptr);
    EXPECT_EQ(label->text(), u"Paused"_s);
    EXPECT_TRUE(progress->isHidden());

    // A new selection waits for the next fresh Play: the paused words stay where they are.
    select(300, 3);
    delegate->doPlay(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{8, 200}));
    const CharacterRange before = delegate->findIndicator()->markedRange();
    ASSERT_TRUE(waitForMark([&](CharacterRange now) { return now.location > before.location; }));
    const CharacterRange marked = delegate->findIndicator()->markedRange();
    EXPECT_GE(marked.location, 8u);
    EXPECT_LE(marked.location + marked.length, 208u);
    delegate->doStop(nullptr);
    EXPECT_FALSE(delegate->isPaused());
    EXPECT_EQ(label->text(), u"Speaking..."_s);
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s));

    // Paused, then an export takes the synthesizer over and ends: Play starts anew.
    QTemporaryDir dir;
    text->setPlainText(u"Short text."_s);
    delegate->doPlay(nullptr);
    delegate->doPause(nullptr);
    delegate->doExport(nullptr);
    ASSERT_TRUE(choose(dir.filePath(u"out.aiff"_s)));
    EXPECT_FALSE(delegate->isPaused());
    // Play is not offered during an export, and does nothing if given anyway.
    EXPECT_FALSE(delegate->windowBindings()->canPlay());
    delegate->doPlay(nullptr);
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_TRUE(delegate->isExporting());
    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    EXPECT_FALSE(delegate->isExporting());
    EXPECT_TRUE(QFile::exists(dir.filePath(u"out.aiff"_s)));

    // Pause while idle: the next Play has nothing to continue and speaks.
    delegate->doPause(nullptr);
    delegate->doPlay(nullptr);
    EXPECT_TRUE(delegate->speechSynth()->isSpeaking());
    EXPECT_TRUE(waitForLog(log, u"With success"_s, 2));
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_TRUE(label->isHidden());
}

TEST_F(Playback, MarksFollowTypingAndANewTextEndsTheSpeechFirst)
{
    const QString words =
        QString(u"alpha bravo charlie delta echo foxtrot golf hotel "_s).repeated(6);
    const QStringList known = words.split(u' ', Qt::SkipEmptyParts);
    text->setPlainText(words);
    LogCapture log;
    delegate->doPlay(nullptr);
    ASSERT_TRUE(waitForMark([](CharacterRange marked) { return marked.length > 0; }));
    // Typing before the spoken words, and inside the text already spoken.
    QTextCursor typing(text->document());
    typing.insertText(u"Typed here. "_s);
    typing.setPosition(17);
    typing.insertText(u"more "_s);
    for (int word = 0; word < 4; ++word) {
        const CharacterRange before = delegate->findIndicator()->markedRange();
        ASSERT_TRUE(
            waitForMark([&](CharacterRange now) { return now.location != before.location; }));
        const CharacterRange marked = delegate->findIndicator()->markedRange();
        const QString markedText =
            text->toPlainText().mid(qsizetype(marked.location), qsizetype(marked.length));
        EXPECT_TRUE(known.contains(markedText)) << markedText.toStdString();
    }

    // New, answered Yes: the old text's speech ends, with its report, before the text goes.
    delegate->doNew(nullptr);
    ASSERT_TRUE(answer(u"Yes"_s));
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_FALSE(delegate->isPlaying());
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s));
    EXPECT_FALSE(delegate->speechSynth()->isSpeaking());
    EXPECT_EQ(delegate->findIndicator()->markedRange().length, 0u);
}

TEST_F(Playback, ExportWritesTheWholeTextAndMarksWordsAtTheirOwnPlace)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"speech.aiff"_s);
    text->setPlainText(u"alpha beta gamma"_s);
    select(6, 4);
    auto *popup = child<PopUpButton>("voicePopup");
    const QString played = popup->selectedItem()->text();
    delegate->doPlay(nullptr);
    delegate->doStop(nullptr);
    EXPECT_EQ(delegate->spokenRange(), (CharacterRange{6, 4}));
    // Another voice chosen but not played: the export keeps the one played,
    // and the panel says so.
    popup->selectItem(popup->menu()->actions().constLast());
    ASSERT_NE(popup->selectedItem()->text(), played);

    LogCapture log;
    // The panel offers the formats, the name follows the filter chosen, and
    // the timings come along when asked for.
    delegate->doExport(nullptr);
    auto *savePanel = currentDialog<QFileDialog>();
    ASSERT_EQ(savePanel->acceptMode(), QFileDialog::AcceptSave);
    const QString voice = savePanel->findChild<QLabel *>(u"exportVoiceLabel"_s)->text();
    EXPECT_TRUE(voice.contains(played) && voice.contains(u"last played"_s)) << voice.toStdString();
    auto *types = savePanel->findChild<QComboBox *>(u"fileTypeCombo"_s);
    const int opus = types->findText(u"Opus audio (*.opus)"_s);
    ASSERT_GE(opus, 0) << savePanel->nameFilters().join(u' ').toStdString();
    types->setCurrentIndex(opus);
    Q_EMIT types->activated(opus);
    EXPECT_EQ(savePanel->findChild<QLineEdit *>(u"fileNameEdit"_s)->text(), u"output.opus"_s);
    savePanel->findChild<QCheckBox *>(u"saveTimingsCheck"_s)->setChecked(true);
    ASSERT_TRUE(choose(path));
    EXPECT_TRUE(delegate->isExporting());
    EXPECT_TRUE(label->text().startsWith(u"Exporting... 0%"_s)) << label->text().toStdString();
    EXPECT_EQ(progress->maximum(), 1000) << "a bar that shows how far the export is";

    // A word of the export: the offset of the last playback does not apply.
    delegate->speechSynthesizer(delegate->speechSynth(), CharacterRange{0, 5}, QString());
    EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{0, 5}));

    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    EXPECT_FALSE(delegate->isExporting());
    EXPECT_TRUE(label->isHidden());
    EXPECT_TRUE(TestSupport::readSoundFile(path).valid);
    EXPECT_TRUE(TestSupport::contents(dir.filePath(u"speech.vtt"_s)).startsWith("WEBVTT\n\n1\n"));
    EXPECT_EQ(delegate->findIndicator()->markedRange().length, 0u) << "a mark left after the end";

    // A long export, by worker processes: its marks only go on, the view
    // stays where the person reads, and no mark is left once it ends.
    QString book;
    for (int section = 1; section <= 40; ++section)
        book += u"Section %1.\n"_s.arg(section) +
                QString(u"A sentence of this section to render. "_s).repeated(40) + u'\n';
    text->setPlainText(book);
    int scrolled = 0;
    QObject::connect(text->verticalScrollBar(), &QScrollBar::valueChanged, [&] { ++scrolled; });
    quint64 lastMarked = 0;
    bool backwards = false;
    QObject::connect(delegate->speechSynth(), &SpeechSynthesizer::willSpeakWord, [&] {
        const CharacterRange marked = delegate->findIndicator()->markedRange();
        backwards = backwards || (marked.length > 0 && marked.location < lastMarked);
        lastMarked = std::max(lastMarked, marked.location);
    });
    delegate->doExport(nullptr);
    ASSERT_TRUE(choose(dir.filePath(u"book.wav"_s)));
    ASSERT_TRUE(waitForLog(log, u"With success"_s, 2));
    EXPECT_GT(lastMarked, 0u);
    EXPECT_FALSE(backwards);
    EXPECT_EQ(scrolled, 0);
    EXPECT_EQ(delegate->findIndicator()->markedRange().length, 0u);
}

// From the cursor (or a selection's start) to the end, marks at their place;
// with nothing after the cursor, the whole text.
TEST_F(Playback, SpeakingFromTheCursorTakesTheRestOfTheText)
{
    text->setPlainText(u"alpha beta gamma"_s);
    const struct
    {
        int cursor;
        CharacterRange spoken;
    } cases[] = {{6, {6, 10}}, {0, {0, 16}}, {16, {0, 16}}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cursor);
        QTextCursor cursor(text->document());
        cursor.setPosition(c.cursor);
        text->setTextCursor(cursor);
        delegate->doSpeakFromCursor(nullptr);
        EXPECT_EQ(delegate->spokenRange(), c.spoken);
        hear(0, 4);
        EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{c.spoken.location, 4}));
    }
    delegate->doStop(nullptr);
}

TEST_F(Playback, MarkingFarIntoALongTextScrollsItIntoView)
{
    QString longText;
    for (int line = 0; line < 5000; ++line)
        longText += u"line %1 of the text\n"_s.arg(line);
    text->setPlainText(longText);
    text->resize(400, 200);
    const qsizetype target = longText.indexOf(u"line 4000 "_s);
    hear(quint64(target), 4);
    QTextCursor cursor(text->document());
    cursor.setPosition(int(target));
    const QRect rect = text->cursorRect(cursor);
    EXPECT_TRUE(text->viewport()->rect().contains(rect.center()));
    EXPECT_EQ(text->textCursor().position(), 0);
    // The option that moves the caret with the words, for screen readers.
    QAction *option =
        window->findChild<MainMenu *>()->item(u"&Speech/Move the &Caret with the Words"_s);
    ASSERT_TRUE(option && option->isCheckable() && !option->isChecked());
    option->trigger();
    hear(quint64(target), 4);
    EXPECT_EQ(text->textCursor().position(), target);
    option->trigger();
    hear(0, 4);
    EXPECT_EQ(text->textCursor().position(), target);

    // A range past the end of the text is clipped rather than trusted.
    hear(quint64(longText.size()) + 10, 4);
    EXPECT_EQ(delegate->findIndicator()->markedRange().length, 0u);
}

// Moving on or back while speaking: the words marked next are the first of
// the sentence or paragraph asked for, in every script, none of the speech
// left behind comes late, and the speech goes on to the end of its range.
class MovingInSpeech : public Playback
{
protected:
    void SetUp() override
    {
        Playback::SetUp();
        QObject::connect(delegate->speechSynth(), &SpeechSynthesizer::willSpeakWord, delegate.get(),
                         [this](CharacterRange word) {
                             heard.push_back(delegate->spokenRange().location + word.location);
                         });
    }

    // Until a word at or after `at` is heard.
    bool hearFrom(qsizetype at = 0)
    {
        return QTest::qWaitFor([&] { return !heard.empty() && heard.back() >= quint64(at); },
                               TestSupport::Patience);
    }

    std::vector<quint64> heard;
};

TEST_F(MovingInSpeech, NextAndPreviousLandOnTheFirstWordOfTheSentenceOrParagraph)
{
    const QString english =
        u"First comes one sentence. Second follows it here. Third one now. Fourth and last."_s;
    const QString german = u"Das kostet ca. fünf Euro und mehr. Über die Brücke gingen wir zu "
                           u"Fuß. Dann war es still."_s;
    const QString chinese = u"今天天气很好。我们去公园散步吧。然后回家吃饭。"_s;
    const QString paragraphs =
        u"One paragraph here. It has two sentences.\n\n   \nAnother paragraph follows.\nA last."_s;
    const QString longSentence = u"Short. This one goes on with alpha bravo charlie delta echo "
                                 u"foxtrot golf hotel india juliet kilo lima mike november oscar "
                                 u"papa quebec romeo sierra. End."_s;
    const struct
    {
        QString voice;
        QString text;
        QString selectedUpTo; // the selection runs from the start to its end; empty: none
        QString heardFirst;   // the moves wait until this is marked
        QString moves;        // n, p: next and previous sentence; N, P: paragraph
        QString landing;
    } cases[] = {
        {u"gmw/en-US"_s, english, {}, {}, u"n"_s, u"Second"_s},
        // Previous in the first second of a sentence: the one before.
        {u"gmw/en-US"_s, english, {}, {}, u"np"_s, u"First"_s},
        // ... and at the first sentence, that sentence again.
        {u"gmw/en-US"_s, english, {}, {}, u"p"_s, u"First"_s},
        // Quick moves, inside a selection: its last sentence is the last.
        {u"gmw/en-US"_s, english, u"Third one now."_s, {}, u"nnn"_s, u"Third"_s},
        // Well into a sentence, Previous starts it again.
        {u"gmw/en-US"_s, longSentence, {}, u"november"_s, u"p"_s, u"This one"_s},
        // An abbreviation ends no sentence.
        {u"gmw/de"_s, german, {}, {}, u"n"_s, u"Über"_s},
        // Full stops of Chinese, with no spaces.
        {u"sit/cmn"_s, chinese, {}, {}, u"n"_s, u"我们"_s},
        {u"sit/cmn"_s, chinese, {}, {}, u"nnp"_s, u"我们"_s},
        // Empty and blank paragraphs are passed over.
        {u"gmw/en-US"_s, paragraphs, {}, {}, u"NNP"_s, u"Another"_s},
    };
    const QHash<QChar, void (AppDelegate::*)(QObject *)> commands{
        {u'n', &AppDelegate::doNextSentence},
        {u'p', &AppDelegate::doPreviousSentence},
        {u'N', &AppDelegate::doNextParagraph},
        {u'P', &AppDelegate::doPreviousParagraph},
    };
    auto *popup = child<PopUpButton>("voicePopup");
    for (const auto &c : cases) {
        SCOPED_TRACE(QString(c.text.left(12) + u' ' + c.moves).toStdString());
        for (QAction *item : popup->menu()->actions())
            if (MenuItem::representedObject(item).toMap().value(u"identifier"_s) == c.voice)
                popup->selectItem(item);
        text->setPlainText(c.text);
        const qsizetype end = c.selectedUpTo.isEmpty()
                                  ? c.text.size()
                                  : c.text.indexOf(c.selectedUpTo) + c.selectedUpTo.size();
        select(0, c.selectedUpTo.isEmpty() ? 0 : int(end));
        heard.clear();
        delegate->doPlay(nullptr);
        ASSERT_TRUE(hearFrom(c.heardFirst.isEmpty() ? 0 : c.text.indexOf(c.heardFirst)));
        heard.clear();
        for (const QChar move : c.moves)
            (delegate.get()->*commands.value(move))(nullptr);
        ASSERT_TRUE(hearFrom());
        EXPECT_EQ(c.text.mid(qsizetype(heard.front()), c.landing.size()), c.landing);
        EXPECT_EQ(delegate->findIndicator()->markedRange().location, heard.front());
        EXPECT_EQ(delegate->spokenRange().location + delegate->spokenRange().length, quint64(end));
        EXPECT_TRUE(delegate->isPlaying());
        delegate->doStop(nullptr);
    }
}

TEST_F(MovingInSpeech, APausedSpeechStaysPausedAndContinuesFromTheNewPlace)
{
    const QString english =
        u"First comes one sentence. Second follows it here. Third one now.\nLast paragraph."_s;
    const quint64 second = quint64(english.indexOf(u"Second"));
    text->setPlainText(english);
    LogCapture log;
    delegate->doPlay(nullptr);
    ASSERT_TRUE(hearFrom());
    delegate->doPause(nullptr);
    heard.clear();
    delegate->doNextSentence(nullptr);
    const WindowBindings *bindings = delegate->windowBindings();
    EXPECT_TRUE(delegate->isPaused() && !delegate->isPlaying());
    EXPECT_EQ(label->text(), u"Paused"_s);
    EXPECT_TRUE(bindings->canPlay() && bindings->canMoveInSpeech() && !bindings->canPause());
    // The first word of the new place is marked, and nothing is spoken yet.
    EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{second, 6}));
    QCoreApplication::processEvents();
    EXPECT_TRUE(heard.empty());
    // The mark stays for as long as the pause does, where Play goes on from.
    delegate->doNextParagraph(nullptr);
    delegate->doPreviousParagraph(nullptr);
    delegate->doNextSentence(nullptr);
    QTest::qWait(FindIndicator::fadeMilliseconds * 2);
    EXPECT_EQ(delegate->findIndicator()->markedRange(), (CharacterRange{second, 6}));

    delegate->doPlay(nullptr);
    EXPECT_TRUE(delegate->isPlaying());
    ASSERT_TRUE(hearFrom());
    EXPECT_EQ(heard.front(), second);
    delegate->doStop(nullptr);
    ASSERT_TRUE(waitForLog(log, u"Without any success"_s));
    EXPECT_FALSE(bindings->canMoveInSpeech());
}

// A line of many thousand characters, pasted: the editor holds it in short
// pieces (cut at spaces, and inside a run without any), which speech, export,
// copying, typing and Undo never show.
TEST_F(Playback, ALongLineIsHeldInPiecesThatTheTextNeverShows)
{
    const QString words = QString(u"The keeper climbed the stairs. "_s).repeated(200);
    const QString line =
        words + QString(u"—"_s).repeated(5000) + u" combining a\u0301\u0323 "_s + words + u"end"_s;
    QTextDocument *document = text->document();
    const auto shown = [document](qint64 from = 0, qint64 to = -1) {
        return EditorText::read(document, from, to).text;
    };
    QApplication::clipboard()->setText(line);
    text->paste();
    ASSERT_TRUE(shown() == line);
    const int pasted = document->availableUndoSteps();
    EXPECT_GT(document->blockCount(), 4);
    for (QTextBlock block = document->firstBlock(); block.isValid(); block = block.next())
        ASSERT_LE(block.length(), EditorText::Writer::pieceSize + 1);
    text->selectAll();
    text->copy();
    EXPECT_TRUE(QApplication::clipboard()->text() == line);

    // Words past the pieces are marked where they stand.
    delegate->doPlay(nullptr);
    delegate->doStop(nullptr);
    for (const QString &word : {u"stairs"_s, u"combining"_s, u"a\u0301\u0323"_s, u"end"_s}) {
        const qsizetype at = line.lastIndexOf(word);
        hear(quint64(at), quint64(word.size()));
        const CharacterRange marked = delegate->findIndicator()->markedRange();
        EXPECT_EQ(shown(qint64(marked.location), qint64(marked.location + marked.length)), word);
    }

    // Typing where a piece begins, Return inside one, and Backspace and
    // Delete beside a cut between two dashes change the text there alone;
    // Undo takes each back.
    QString expected = line;
    const auto type = [&](qint64 position, int key, qsizetype at, qsizetype removed,
                          const QString &added) {
        QTextCursor cursor(document);
        cursor.setPosition(int(position));
        text->setTextCursor(cursor);
        QTest::keyClick(text, Qt::Key(key));
        expected.replace(at, removed, added);
        EXPECT_TRUE(shown() == expected) << "key " << key << " at " << at;
    };
    QTextBlock spaceCut = document->findBlock(100).next();
    type(spaceCut.position(), Qt::Key_X, spaceCut.position(), 0, u"x"_s);
    type(spaceCut.position() + 3, Qt::Key_Return, spaceCut.position() + 3, 0, u"\n"_s);
    QTextBlock dashCut = document->findBlock(int(words.size() + 2500));
    while (EditorText::seamBefore(dashCut) != EditorText::Seam::Nothing)
        dashCut = dashCut.next();
    const qint64 before = shown(0, dashCut.position()).size();
    type(dashCut.position(), Qt::Key_Backspace, before - 1, 1, QString());
    type(dashCut.position() - 1, Qt::Key_Delete, before - 1, 1, QString());
    while (document->availableUndoSteps() > pasted)
        text->undo();
    EXPECT_TRUE(shown() == line);

    // The export speaks the text itself: the timings' ranges are the words'.
    LogCapture log;
    const QTemporaryDir dir;
    delegate->doExportTimings(nullptr);
    ASSERT_TRUE(choose(dir.filePath(u"timings.json"_s)));
    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    const QJsonArray cues =
        QJsonDocument::fromJson(TestSupport::contents(dir.filePath(u"timings.json"_s)))
            .object()
            .value(u"words"_s)
            .toArray();
    ASSERT_FALSE(cues.isEmpty());
    for (const QJsonValue &cue : cues) {
        const QJsonArray range = cue[u"utf16"_s].toArray();
        ASSERT_EQ(line.mid(range[0].toInt(), range[1].toInt()), cue[u"text"_s].toString());
    }
    EXPECT_EQ(cues.last()[u"text"_s].toString(), u"end"_s);
}

// The place of the last word heard and the scroll position come back when
// the file is opened again after a restart, where Speak from the Cursor goes
// on; a file whose size changed opens at its start; the last documents only
// are kept.
TEST_F(Playback, TheReadingPlaceOutlastsARestartUntilTheFileChanges)
{
    QTemporaryDir dir;
    QByteArray book;
    for (int line = 1; line <= 400; ++line)
        book += "Line " + QByteArray::number(line) + " of the book.\n";
    const QString file = TestSupport::writeFile(dir.filePath(u"book.txt"_s), book);
    const auto open = [&] {
        QSignalSpy loaded(delegate.get(), &AppDelegate::fileLoadFinished);
        delegate->application(nullptr, {file});
        if (currentDialog<QMessageBox>() && !answer(u"Yes"_s))
            return false;
        return loaded.wait(TestSupport::Patience);
    };
    ASSERT_TRUE(open());
    const int from = int(book.indexOf("Line 300"));
    QTextCursor cursor(text->document());
    cursor.setPosition(from);
    text->setTextCursor(cursor);
    delegate->doSpeakFromCursor(nullptr);
    ASSERT_TRUE(waitForMark([from](CharacterRange word) { return word.location > quint64(from); }));
    delegate->doStop(nullptr);
    const qint64 heard = qint64(delegate->findIndicator()->markedRange().location);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !delegate->isPlaying(); }, TestSupport::Patience));
    cursor.setPosition(5);
    text->setTextCursor(cursor);
    text->verticalScrollBar()->setValue(250);

    delegate->applicationWillTerminate();
    window.reset();
    delegate = std::make_unique<AppDelegate>();
    window.reset(Startup::loadMainWindow(delegate.get()));
    window->show();
    launch();
    text = child<QPlainTextEdit>("textView");
    label = child<QLabel>("statusLabel");
    ASSERT_TRUE(open());
    EXPECT_EQ(text->textCursor().position(), heard);
    EXPECT_EQ(text->verticalScrollBar()->value(), 250);
    EXPECT_EQ(label->text(), u"Continuing where you stopped"_s);
    delegate->doSpeakFromCursor(nullptr);
    EXPECT_EQ(delegate->spokenRange().location, quint64(heard));
    delegate->doStop(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !delegate->isPlaying(); }, TestSupport::Patience));

    // The same length is the same file, whatever it says now.
    TestSupport::writeFile(file, book + "More.\n");
    ASSERT_TRUE(open());
    EXPECT_EQ(text->textCursor().position(), 0);
    EXPECT_NE(label->text(), u"Continuing where you stopped"_s);
    ASSERT_TRUE(open());
    EXPECT_EQ(text->textCursor().position(), 0) << "the changed file's place stays forgotten";

    QStringList files;
    for (int i = 0; i <= ReadingPlaces::remembered; ++i) {
        files.append(TestSupport::writeFile(dir.filePath(u"%1.txt"_s.arg(i)), "words"));
        ReadingPlaces::remember(ReadingPlaces::identify(files.last()), {3, 0});
    }
    EXPECT_FALSE(ReadingPlaces::find(ReadingPlaces::identify(files.first())));
    EXPECT_TRUE(ReadingPlaces::find(ReadingPlaces::identify(files[1])));
    EXPECT_TRUE(ReadingPlaces::find(ReadingPlaces::identify(files.last())));
}
