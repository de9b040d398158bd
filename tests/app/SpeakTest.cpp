// Texts handed to the running window by `tavorin --speak`: the window here is
// the instance, the launches are the real program.
#include "AppFixture.h"

#include "platform/application/SingleInstance.h"

#include <QLocalSocket>
#include <QProcess>

class HandedSpeech : public LaunchedWindow
{
protected:
    void SetUp() override
    {
        LaunchedWindow::SetUp();
        QFile::setPermissions(runtime.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner);
        ASSERT_EQ(instance.handOver({}), SingleInstance::Outcome::Primary);
        Application::serveLaunches(&instance, delegate.get());
        ASSERT_TRUE(instance.listen());
        spoken = child<QPlainTextEdit>("spokenTextView");
    }

    // Answered by this process's event loop: the exit status, -1 for a crash.
    int launch(const QStringList &arguments, const QByteArray &input = {})
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(TAVORIN_PROGRAM), arguments);
        process.write(input);
        process.closeWriteChannel();
        const bool ended = QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; },
                                           TestSupport::Patience);
        return ended && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QString markedWord() const
    {
        const auto *indicator = spoken->findChild<FindIndicator *>();
        const CharacterRange marked = indicator ? indicator->markedRange() : CharacterRange{};
        return spoken->toPlainText().mid(qsizetype(marked.location), qsizetype(marked.length));
    }

    QTemporaryDir runtime;
    SingleInstance instance{runtime.filePath(u"tavorin"_s)};
    QPlainTextEdit *spoken = nullptr;
    LogCapture log;
};

TEST_F(HandedSpeech, SpeaksTheTextOfALaunchWithoutTouchingTheEditor)
{
    text->setPlainText(u"My own notes stay."_s);
    text->moveCursor(QTextCursor::End);
    text->insertPlainText(u" Undo this."_s);
    const QString notes = text->toPlainText();
    const int undoSteps = text->document()->availableUndoSteps();
    delegate->doPlay(nullptr);

    // It replaces the editor's speech; Pause and Play work on it.
    ASSERT_EQ(launch({u"--speak"_s, u"Hello there, this is a handed text. It has more words, so "
                                    u"that it lasts a while at the rate of the window."_s}),
              0);
    EXPECT_TRUE(spoken->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return markedWord() == u"rate"_s; }, TestSupport::Patience));
    delegate->doPause(nullptr);
    delegate->doPlay(nullptr);
    EXPECT_TRUE(delegate->isPlaying());
    // A newer text replaces it.
    ASSERT_EQ(launch({u"--speak"_s, u"-"_s}, "Words from a pipe, caf\xc3\xa9."), 0);
    EXPECT_EQ(spoken->toPlainText(), u"Words from a pipe, café."_s);
    ASSERT_TRUE(waitForLog(log, u"With success"_s));
    EXPECT_TRUE(QTest::qWaitFor([&] { return spoken->isHidden(); }, TestSupport::Patience));

    EXPECT_EQ(text->toPlainText(), notes);
    EXPECT_EQ(text->document()->availableUndoSteps(), undoSteps);
    delegate->doPlay(nullptr);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return delegate->findIndicator()->markedRange() == CharacterRange{3, 3};
        },
        TestSupport::Patience));

    // A long text shows in the strip a part at a time, the part of the word
    // being spoken.
    const QString book = QString(u"The keeper climbed the stairs. "_s).repeated(600) + u"Last."_s;
    ASSERT_TRUE(delegate->applicationSpeak(nullptr, book));
    for (const QString &word : {u"Last"_s, u"stairs"_s, u"keeper"_s}) {
        const qsizetype at = word == u"keeper"_s ? book.indexOf(word) : book.lastIndexOf(word);
        delegate->speechSynthesizer(delegate->speechSynth(),
                                    CharacterRange{quint64(at), quint64(word.size())}, QString());
        EXPECT_EQ(markedWord(), word);
        EXPECT_LT(spoken->document()->characterCount(), book.size() / 2);
    }
    delegate->doStop(nullptr);
}

// Whatever reaches the channel, a request that is not one, or whose text is
// no text, is refused and changes nothing.
TEST_F(HandedSpeech, RequestsThatAreNoTextToSpeakAreRefusedAndChangeNothing)
{
    const QByteArray requests[] = {
        "{\"files\":[],\"speak\":\"caf\xe9 \xff\"}\n",
        "{\"speak\":\"\\ud800 half a pair\"}\n",
        "{\"speak\":[\"not\",\"a text\"]}\n",
        "{\"files\":[\"/etc/passwd\"],\"speak\":\"two requests in one\"}\n",
        "\x01garbage\xfe\n",
    };
    for (const QByteArray &request : requests) {
        SCOPED_TRACE(request.toStdString());
        QLocalSocket socket;
        socket.connectToServer(instance.channelPath());
        socket.write(request);
        ASSERT_TRUE(QTest::qWaitFor([&] { return socket.canReadLine(); }, TestSupport::Patience));
        EXPECT_EQ(socket.readLine(), "refused\n");
    }
    EXPECT_FALSE(delegate->isPlaying());
    EXPECT_TRUE(spoken->isHidden());
    EXPECT_EQ(log.count(u"Another launch asked for the window"_s), 0);
}
