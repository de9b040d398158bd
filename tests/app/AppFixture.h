#pragma once

#include "app/AppDelegate.h"
#include "app/Startup.h"
#include "platform/application/Application.h"
#include "platform/speech/SpeechSynthesizer.h"
#include "platform/speech/SpeechTesting.h"
#include "platform/system/Log.h"

#include <QDialog>
#include <QPlainTextEdit>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// Confirms a file panel as its OK button does (QFileDialog::accept is protected).
inline void acceptPanel(QDialog *panel)
{
    panel->accept();
}

// A voice list that a test writes itself.
class FakeVoiceSource : public VoiceSource
{
public:
    struct Voice
    {
        QString identifier;
        QVariantMap attributes;
    };

    QStringList availableVoices() const override
    {
        QStringList identifiers;
        for (const Voice &voice : voices)
            identifiers << voice.identifier;
        return identifiers;
    }
    QVariantMap attributesForVoice(const QString &identifier) const override
    {
        for (const Voice &voice : voices)
            if (voice.identifier == identifier)
                return voice.attributes;
        return {};
    }
    QString defaultVoice() const override { return defaultIdentifier; }

    void add(const QString &identifier, const QString &name, const QString &language,
             const QString &gender = QString())
    {
        using namespace Qt::StringLiterals;
        QVariantMap attributes{{u"VoiceName"_s, name},
                               {u"VoiceLanguage"_s, language},
                               {u"VoiceIdentifier"_s, identifier}};
        if (!gender.isNull())
            attributes.insert(u"VoiceGender"_s, gender);
        voices.append({identifier, attributes});
    }

    QList<Voice> voices;
    QString defaultIdentifier;
};

// The main window loaded from its description with a controller connected to
// it, as the program does at start-up, on a voice list the test controls.
class AppFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SpeechTesting::setVoiceSource(&voices);
        delegate = std::make_unique<AppDelegate>();
        window.reset(Startup::loadMainWindow(delegate.get()));
        ASSERT_TRUE(window);
    }

    void TearDown() override
    {
        window.reset();
        delegate.reset();
        SpeechTesting::setVoiceSource(nullptr);
    }

    void launch() { delegate->applicationDidFinishLaunching(); }

    template<typename T>
    T *child(const char *name) const
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }

    FakeVoiceSource voices;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<QWidget> window;
};

// The window shown and launched on the real voice list, as a user meets it.
class LaunchedWindow : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        SpeechTesting::setVoiceSource(nullptr);
        window->show();
        launch();
        text = window->findChild<QPlainTextEdit *>(QStringLiteral("textView"));
    }

    QPlainTextEdit *text = nullptr;
};
