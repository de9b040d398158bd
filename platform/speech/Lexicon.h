#pragma once

#include "platform/speech/CharacterRange.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <mutex>
#include <vector>

// How the person wants words said: entries read from lexicon files, applied
// to a text before an engine speaks it. A file holds one entry a line:
//   word = spoken form
//   word = [[phonemes]]          (espeak-ng's phoneme spelling)
//   /expression/ = replacement   (a QRegularExpression; \1 for its groups)
//   [de]                         (the entries below apply to German voices)
// and comments from a '#' that begins a line or follows a space on the right
// side ("C# = C sharp # the language" is "C#" said as "C sharp"). A word is one token as the word
// marks cut it, with the punctuation it is written with ("e.g."); it matches
// whole tokens, regardless of case unless it has a capital after its first
// letter ("US" is not "us"). Later entries win over earlier ones, a
// language's section over the entries for every voice.
//
// The engine is given the rewritten text, and the reports that come back in
// it are taken back to the written text through Rewrite::written(), so that
// a mark names the word the person wrote.
class Lexicon
{
public:
    // One line of a file that says how something is spoken.
    struct Entry
    {
        // The language section it stands in; empty for every voice.
        QString section;
        // A word, or an expression between slashes.
        QString written;
        // A spoken form, [[phonemes]], or a replacement.
        QString spoken;
        int line = 0;
        // Why it is not applied; empty when it is.
        QString problem;
        // The comment lines right before it, kept for a table that saves the
        // file again; those at the file's end come with an entry of their own
        // that holds nothing else.
        QStringList notes;

        bool isExpression() const { return written.startsWith(u'/'); }
        bool isPhonemes() const;
    };

    // A text as the engine is to speak it, and the way back.
    class Rewrite
    {
    public:
        const QString &spoken() const { return m_spoken; }
        // Whether the spoken text holds [[phonemes]] for the engine to read.
        bool hasPhonemes() const { return m_phonemes; }
        bool changesText() const { return !m_changes.empty(); }
        // The written range that a range of the spoken text stands for. A
        // range that touches a replacement takes in the whole written text
        // it replaced.
        CharacterRange written(CharacterRange spoken) const;

    private:
        friend class Lexicon;
        struct Change
        {
            qsizetype spokenStart = 0;
            qsizetype spokenEnd = 0;
            qsizetype writtenStart = 0;
            qsizetype writtenEnd = 0;
        };
        QString m_spoken;
        bool m_phonemes = false;
        std::vector<Change> m_changes;
    };

    Lexicon();
    ~Lexicon();
    Lexicon(const Lexicon &) = delete;
    Lexicon &operator=(const Lexicon &) = delete;

    // The entries of a file's contents, in order, the broken ones with why.
    static std::vector<Entry> parse(QStringView contents);
    // Why a section's name names no language, or nothing.
    static QString sectionProblem(const QString &section);

    // Takes the entries of a file's contents; `fileName` names it in the
    // problems. Broken entries are left out.
    void add(QStringView contents, const QString &fileName);
    // Reads a file and takes its entries. False, with why, when it cannot be
    // read; broken entries are no failure (see problems()).
    bool load(const QString &path, QString &error);

    // One line for each broken entry: "lexicon.txt line 4: the regular
    // expression does not compile: ...".
    const QStringList &problems() const { return m_problems; }
    bool isEmpty() const { return m_entries.empty(); }

    // The text as a voice of `language` ("de", "en-us") speaks it; entries
    // in phonemes only for an engine that reads them.
    Rewrite rewrite(const QString &text, const QString &language, bool phonemes) const;

private:
    struct Rules;

    std::shared_ptr<const Rules> rulesFor(const QString &language, bool phonemes) const;

    std::vector<Entry> m_entries; // only the sound ones
    QStringList m_problems;
    mutable std::mutex m_mutex;
    mutable QHash<QString, std::shared_ptr<const Rules>> m_rules;
};
