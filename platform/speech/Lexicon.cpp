#include "platform/speech/Lexicon.h"

#include "platform/speech/WordMarks.h"
#include "platform/system/Log.h"
#include "platform/system/TextFile.h"

#include <QLocale>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// A lexicon is a person's list, not a document: far less than this.
constexpr qint64 MaximumFileSize = 64 * 1024 * 1024;

QString normalLanguage(QStringView language)
{
    return language.toString().toLower().replace(u'_', u'-');
}

bool isKnownLanguage(const QString &section)
{
    static const QRegularExpression tag(u"^[a-z]{2,3}(-[a-z0-9]{1,8})*$"_s);
    if (!tag.match(section).hasMatch())
        return false;
    return QLocale(section.section(u'-', 0, 0)).language() != QLocale::C;
}

// The tokens a word entry stands for: the first one, which it is found by,
// the rest up to the end of its last one, and the punctuation written
// around them ("e.g." is "e", ".g" and ".").
struct WordKey
{
    QString prefix;
    QString first;
    QString rest;
    QString suffix;
    bool valid = false;
};

WordKey wordKey(const QString &written)
{
    WordMarks marks([](qint64, CharacterRange) { return true; });
    marks.beginPiece(written, 0, 0);
    const CharacterRange first = marks.tokenAfter(0);
    if (first.length == 0)
        return {};
    CharacterRange last = first;
    for (CharacterRange token = first; token.length > 0;
         token = marks.tokenAfter(qsizetype(token.location + token.length)))
        last = token;
    const qsizetype firstEnd = qsizetype(first.location + first.length);
    const qsizetype lastEnd = qsizetype(last.location + last.length);
    return {written.left(qsizetype(first.location)),
            written.mid(qsizetype(first.location), qsizetype(first.length)),
            written.mid(firstEnd, lastEnd - firstEnd), written.mid(lastEnd), true};
}

// What the words of a text are looked up by before they are cut into
// tokens: runs of letters, digits and marks.
bool isRunCharacter(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

QStringView firstRun(QStringView text)
{
    const auto start = std::find_if(text.begin(), text.end(), isRunCharacter);
    const auto end = std::find_if_not(start, text.end(), isRunCharacter);
    return text.mid(start - text.begin(), end - start);
}

// Written as it stands in a text only: a capital after the first letter.
bool isCaseSensitive(QStringView core)
{
    return std::any_of(core.begin() + std::min<qsizetype>(1, core.size()), core.end(),
                       [](QChar c) { return c.isUpper(); });
}

// The highest \N that a replacement uses.
int highestReference(QStringView replacement)
{
    int highest = 0;
    for (qsizetype i = 0; i + 1 < replacement.size(); ++i) {
        if (replacement[i] != u'\\')
            continue;
        if (replacement[i + 1].isDigit())
            highest = std::max(highest, replacement[i + 1].digitValue());
        ++i;
    }
    return highest;
}

// The pattern as one alternative among others, its groups counted from
// `base`: references to its own groups follow them.
QString renumbered(QStringView pattern, int base)
{
    QString out;
    out.reserve(pattern.size() + 8);
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == u'\\' && i + 1 < pattern.size()) {
            const QChar next = pattern[++i];
            if (next.isDigit() && next != u'0')
                out += u"\\g{%1}"_s.arg(base + next.digitValue());
            else
                out += QStringView(pattern).mid(i - 1, 2);
            continue;
        }
        out += pattern[i];
    }
    return out;
}

QString expanded(QStringView replacement, const QRegularExpressionMatch &match, int base)
{
    QString out;
    for (qsizetype i = 0; i < replacement.size(); ++i) {
        if (replacement[i] == u'\\' && i + 1 < replacement.size()) {
            const QChar next = replacement[++i];
            if (next.isDigit())
                out += match.capturedView(base + next.digitValue());
            else
                out += next;
            continue;
        }
        out += replacement[i];
    }
    return out;
}

QString problemOf(const QString &written, const QString &spoken, bool phonemes)
{
    if (written.isEmpty() || written == u"//"_s)
        return u"the left side is empty"_s;
    if (spoken.isEmpty())
        return u"the right side is empty"_s;
    if (phonemes && (spoken.size() < 5 || !spoken.endsWith(u"]]"_s)))
        return u"the phonemes do not end with \"]]\""_s;
    if (written.startsWith(u'/')) {
        const QRegularExpression expression(written.mid(1, written.size() - 2));
        if (!expression.isValid())
            return u"the regular expression does not compile: %1 (at character %2)"_s.arg(
                expression.errorString(), QString::number(expression.patternErrorOffset() + 1));
        const int reference = highestReference(spoken);
        if (reference > expression.captureCount())
            return u"the replacement uses \\%1, but the expression has %2 groups"_s.arg(
                QString::number(reference), QString::number(expression.captureCount()));
        return QString();
    }
    if (!wordKey(written).valid)
        return u"\"%1\" holds no word"_s.arg(written);
    return QString();
}

} // namespace

bool Lexicon::Entry::isPhonemes() const
{
    return spoken.startsWith(u"[["_s);
}

struct Lexicon::Rules
{
    struct Word
    {
        QString prefix;
        QString rest;
        QString suffix;
        QString spoken;

        qsizetype size() const { return prefix.size() + rest.size() + suffix.size(); }
    };
    struct Expression
    {
        int base = 0; // the number of its whole match among all the groups
        QString replacement;
    };

    // By token as written, and by the token case folded.
    QHash<QString, std::vector<Word>> exact;
    QHash<QString, std::vector<Word>> folded;
    // The first run of each word's first token, case folded: only where a
    // text has one of these need it be cut into tokens.
    QSet<QString> runs;
    // Some word begins with no run ("€ = euro"): every token is looked up.
    bool everyToken = false;
    // The most text a word takes after the run it is found by.
    qsizetype longest = 0;
    // The expressions as one alternation, each with the number of its
    // group among all; one each where they do not go together (two that
    // name a group alike).
    struct Alternation
    {
        QRegularExpression pattern;
        std::vector<Expression> replacements;
    };
    std::vector<Alternation> expressions;

    void addWord(const Entry &entry)
    {
        const WordKey key = wordKey(entry.written);
        const QString whole = key.first + key.rest;
        const QStringView run = firstRun(key.first);
        runs.insert(run.toString().toCaseFolded());
        everyToken = everyToken || run.isEmpty();
        longest = std::max(longest, key.first.size() + key.rest.size() + key.suffix.size());
        auto &words = isCaseSensitive(whole) ? exact[key.first] : folded[key.first.toCaseFolded()];
        const auto same = std::find_if(words.begin(), words.end(), [&key](const Word &word) {
            return word.prefix == key.prefix && word.suffix == key.suffix &&
                   word.rest.compare(key.rest, Qt::CaseInsensitive) == 0;
        });
        if (same != words.end())
            *same = {key.prefix, key.rest, key.suffix, entry.spoken};
        else
            words.push_back({key.prefix, key.rest, key.suffix, entry.spoken});
    }

    // The entry for the tokens from the one at `start`..`end` of `text`:
    // where it begins and ends with the punctuation it is written with.
    // `marks` cuts `text`.
    const Word *wordAt(QStringView text, WordMarks &marks, qsizetype &start, qsizetype &end) const
    {
        const QString token = text.mid(start, end - start).toString();
        for (const auto *words : {&exact, &folded}) {
            if (words->isEmpty())
                continue;
            const auto found = words->constFind(words == &exact ? token : token.toCaseFolded());
            if (found == words->cend())
                continue;
            const Qt::CaseSensitivity cs =
                words == &exact ? Qt::CaseSensitive : Qt::CaseInsensitive;
            const Word *best = nullptr;
            for (const Word &word : *found) {
                const qsizetype last = end + word.rest.size();
                if (!text.left(start).endsWith(word.prefix) ||
                    !text.mid(end).startsWith(word.rest, cs) ||
                    !text.mid(last).startsWith(word.suffix) ||
                    (best && best->size() >= word.size()))
                    continue;
                // The rest ends where a token ends: "New York" is not in "New Yorker".
                const CharacterRange lastToken = marks.tokenAfter(last - 1);
                if (word.rest.isEmpty() || qsizetype(lastToken.location + lastToken.length) == last)
                    best = &word;
            }
            if (best) {
                start -= best->prefix.size();
                end += best->rest.size() + best->suffix.size();
                return best;
            }
        }
        return nullptr;
    }

    // The words of a spaced text, found where a run of letters is the start of
    // some word's first token, by the tokens of the text around it, from white
    // space to white space: tokens never cross white space.
    template<typename Found>
    void findWords(QStringView text, const Found &found) const
    {
        constexpr qsizetype Reach = 256; // beyond it, a run of text without spaces is cut
        const qsizetype size = text.size();
        qsizetype done = 0; // the text before it is looked at
        for (qsizetype at = 0; at < size;) {
            if (!isRunCharacter(text[at])) {
                ++at;
                continue;
            }
            qsizetype runEnd = at + 1;
            while (runEnd < size && isRunCharacter(text[runEnd]))
                ++runEnd;
            if (at < done || !runs.contains(text.mid(at, runEnd - at).toString().toCaseFolded())) {
                at = runEnd;
                continue;
            }
            qsizetype from = at;
            while (from > done && !text[from - 1].isSpace() && at - from < Reach)
                --from;
            qsizetype to = std::min(size, runEnd + longest);
            while (to < size && !text[to].isSpace() && to - runEnd < Reach + longest)
                ++to;
            const QStringView around = text.mid(from, to - from);
            WordMarks marks([](qint64, CharacterRange) { return true; });
            marks.beginPiece(around, 0, 0);
            const CharacterRange token = marks.tokenAfter(at - from);
            qsizetype start = qsizetype(token.location);
            qsizetype end = start + qsizetype(token.length);
            done = std::max(runEnd, from + end);
            if (token.length > 0) {
                if (const Word *word = wordAt(around, marks, start, end)) {
                    found(from + start, from + end, word->spoken);
                    done = from + end;
                }
            }
            at = runEnd;
        }
    }
};

Lexicon::Lexicon() = default;
Lexicon::~Lexicon() = default;

std::vector<Lexicon::Entry> Lexicon::parse(QStringView contents)
{
    std::vector<Entry> entries;
    QString section;
    int number = 0;
    QStringList notes;
    // An editor's byte order mark is no part of the first word.
    if (contents.startsWith(QChar(0xFEFF)))
        contents = contents.mid(1);
    for (const QStringView line : contents.split(u'\n')) {
        ++number;
        const QStringView text = line.trimmed();
        if (text.startsWith(u'#'))
            notes.append(text.toString());
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        if (text.startsWith(u'[') && text.endsWith(u']') && !text.contains(u'=')) {
            section = normalLanguage(text.mid(1, text.size() - 2).trimmed());
            if (const QString problem = sectionProblem(section); !problem.isEmpty())
                entries.push_back({section, QString(), QString(), number, problem, {}});
            continue;
        }
        Entry entry{section, QString(), QString(), number, QString(), std::exchange(notes, {})};
        qsizetype equals = -1;
        if (text.startsWith(u'/')) {
            // The expression ends at the first unescaped slash before "=".
            for (qsizetype i = 1; i < text.size() && equals < 0; ++i) {
                if (text[i] == u'\\') {
                    ++i;
                } else if (text[i] == u'/') {
                    const QStringView rest = text.mid(i + 1).trimmed();
                    if (rest.startsWith(u'=')) {
                        entry.written = text.left(i + 1).toString();
                        equals = text.size() - rest.size();
                    }
                }
            }
            if (equals < 0)
                entry.problem = u"the regular expression is not closed with \"/\" before \"=\""_s;
        } else {
            equals = text.indexOf(u'=');
            if (equals < 0)
                entry.problem = u"there is no \"=\" between the written and the spoken form"_s;
            else
                entry.written = text.left(equals).trimmed().toString();
        }
        if (equals >= 0) {
            QStringView spoken = text.mid(equals + 1);
            for (qsizetype i = 1; i < spoken.size(); ++i) {
                if (spoken[i] == u'#' && spoken[i - 1].isSpace()) {
                    spoken.truncate(i);
                    break;
                }
            }
            entry.spoken = spoken.trimmed().toString();
            entry.problem = problemOf(entry.written, entry.spoken, entry.isPhonemes());
        } else {
            entry.written = text.toString();
        }
        entries.push_back(std::move(entry));
    }
    if (!notes.isEmpty())
        entries.push_back({section, QString(), QString(), number, QString(), notes});
    return entries;
}

QString Lexicon::sectionProblem(const QString &section)
{
    return section.isEmpty() || isKnownLanguage(section)
               ? QString()
               : u"the section [%1] names no known language"_s.arg(section);
}

void Lexicon::add(QStringView contents, const QString &fileName)
{
    for (Entry &entry : parse(contents)) {
        if (!entry.problem.isEmpty())
            m_problems.append(
                u"%1 line %2: %3"_s.arg(fileName, QString::number(entry.line), entry.problem));
        else if (!entry.written.isEmpty())
            m_entries.push_back(std::move(entry));
    }
    std::lock_guard lock(m_mutex);
    m_rules.clear();
}

bool Lexicon::load(const QString &path, QString &error)
{
    QString contents;
    error = TextFile::read(path, MaximumFileSize, [&contents](QStringView piece) {
        contents += piece;
        return true;
    });
    if (!error.isEmpty())
        return false;
    add(contents, path);
    return true;
}

std::shared_ptr<const Lexicon::Rules> Lexicon::rulesFor(const QString &language,
                                                        bool phonemes) const
{
    const QString voiceLanguage = normalLanguage(language);
    const QString key = voiceLanguage + (phonemes ? u"+"_s : u"-"_s);
    std::lock_guard lock(m_mutex);
    if (auto found = m_rules.value(key))
        return found;

    const auto applies = [&voiceLanguage](const QString &section) {
        return section.isEmpty() || voiceLanguage == section ||
               voiceLanguage.startsWith(section + u'-');
    };
    auto rules = std::make_shared<Rules>();
    QStringList alternatives;
    int skipped = 0;
    // The entries for every voice first, so that the language's own win;
    // among expressions, the first alternative that matches wins.
    std::vector<const Entry *> expressions;
    for (const bool own : {false, true}) {
        for (const Entry &entry : m_entries) {
            if (entry.section.isEmpty() == own || !applies(entry.section))
                continue;
            if (entry.isPhonemes() && !phonemes) {
                ++skipped;
                continue;
            }
            if (entry.isExpression())
                expressions.insert(expressions.begin(), &entry);
            else
                rules->addWord(entry);
        }
    }
    int base = 1;
    Rules::Alternation all;
    for (const Entry *entry : expressions) {
        const QString pattern = entry->written.mid(1, entry->written.size() - 2);
        all.replacements.push_back({base, entry->spoken});
        alternatives.append(u'(' + renumbered(pattern, base) + u')');
        base += 1 + QRegularExpression(pattern).captureCount();
    }
    if (!alternatives.isEmpty()) {
        all.pattern.setPattern(alternatives.join(u'|'));
        if (all.pattern.isValid()) {
            rules->expressions.push_back(std::move(all));
        } else {
            for (const Entry *entry : expressions)
                rules->expressions.push_back(
                    {QRegularExpression(entry->written.mid(1, entry->written.size() - 2)),
                     {{0, entry->spoken}}});
        }
        for (Rules::Alternation &alternation : rules->expressions)
            alternation.pattern.optimize();
    }
    if (skipped > 0)
        Log::write(u"The lexicon's %1 entries in phonemes are left out for voices of \"%2\": "
                   "their engine reads no phonemes"_s.arg(QString::number(skipped), language));
    m_rules.insert(key, rules);
    return rules;
}

Lexicon::Rewrite Lexicon::rewrite(const QString &text, const QString &language, bool phonemes) const
{
    Rewrite rewrite;
    if (m_entries.empty()) {
        rewrite.m_spoken = text;
        return rewrite;
    }
    const std::shared_ptr<const Rules> rules = rulesFor(language, phonemes);
    struct Match
    {
        qsizetype start = 0;
        qsizetype end = 0;
        QString spoken;
    };
    std::vector<Match> matches;
    for (const Rules::Alternation &alternation : rules->expressions) {
        for (auto it = alternation.pattern.globalMatch(text); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() == 0)
                continue;
            // The alternative that matched holds the last group captured.
            const auto expression = std::prev(std::upper_bound(
                alternation.replacements.begin(), alternation.replacements.end(),
                match.lastCapturedIndex(),
                [](int index, const Rules::Expression &e) { return index < e.base; }));
            matches.push_back({match.capturedStart(), match.capturedEnd(),
                               expanded(expression->replacement, match, expression->base)});
        }
    }
    if (rules->exact.isEmpty() && rules->folded.isEmpty()) {
        // Expressions alone.
    } else if (!rules->everyToken && !WordMarks::hasUnspacedScript(text)) {
        rules->findWords(text, [&matches](qsizetype start, qsizetype end, const QString &spoken) {
            matches.push_back({start, end, spoken});
        });
    } else {
        WordMarks marks([](qint64, CharacterRange) { return true; });
        marks.beginPiece(text, 0, 0);
        for (CharacterRange token = marks.tokenAfter(0); token.length > 0;
             token = marks.tokenAfter(qsizetype(token.location + token.length))) {
            qsizetype start = qsizetype(token.location);
            qsizetype end = start + qsizetype(token.length);
            if (const Rules::Word *word = rules->wordAt(text, marks, start, end)) {
                matches.push_back({start, end, word->spoken});
                token = {quint64(start), quint64(end - start)};
            }
        }
    }
    if (matches.empty()) {
        rewrite.m_spoken = text;
        return rewrite;
    }
    // Where two overlap, the one that begins first, or the longer, is spoken.
    std::stable_sort(matches.begin(), matches.end(), [](const Match &a, const Match &b) {
        return a.start != b.start ? a.start < b.start : a.end > b.end;
    });
    QString &spoken = rewrite.m_spoken;
    spoken.reserve(text.size() + text.size() / 8);
    qsizetype written = 0;
    for (const Match &match : matches) {
        if (match.start < written)
            continue;
        spoken += QStringView(text).mid(written, match.start - written);
        rewrite.m_phonemes = rewrite.m_phonemes || match.spoken.startsWith(u"[["_s);
        rewrite.m_changes.push_back(
            {spoken.size(), spoken.size() + match.spoken.size(), match.start, match.end});
        spoken += match.spoken;
        written = match.end;
    }
    spoken += QStringView(text).mid(written);
    if (rewrite.m_phonemes) {
        // Brackets of the written text must not open phonemes; a bracket of
        // another width keeps every offset.
        qsizetype at = 0;
        for (const Rewrite::Change &change : rewrite.m_changes) {
            for (; at < change.spokenStart; ++at) {
                if (spoken[at] == u'[')
                    spoken[at] = QChar(0xFF3B);
            }
            at = change.spokenEnd;
        }
        for (; at < spoken.size(); ++at) {
            if (spoken[at] == u'[')
                spoken[at] = QChar(0xFF3B);
        }
    }
    return rewrite;
}

CharacterRange Lexicon::Rewrite::written(CharacterRange spoken) const
{
    const qsizetype start = qsizetype(spoken.location);
    const qsizetype end = start + qsizetype(spoken.length);
    // The last change that begins at or before `start`, and before `end`.
    const auto startChange =
        std::upper_bound(m_changes.begin(), m_changes.end(), start,
                         [](qsizetype at, const Change &c) { return at < c.spokenStart; });
    qsizetype writtenStart = start;
    if (startChange != m_changes.begin()) {
        const Change &c = *std::prev(startChange);
        writtenStart = start < c.spokenEnd ? c.writtenStart : start - c.spokenEnd + c.writtenEnd;
    }
    const auto endChange =
        std::lower_bound(m_changes.begin(), m_changes.end(), end,
                         [](const Change &c, qsizetype at) { return c.spokenStart < at; });
    qsizetype writtenEnd = end;
    if (endChange != m_changes.begin()) {
        const Change &c = *std::prev(endChange);
        writtenEnd = end <= c.spokenEnd ? c.writtenEnd : end - c.spokenEnd + c.writtenEnd;
    }
    writtenEnd = std::max(writtenEnd, writtenStart);
    return {quint64(writtenStart), quint64(writtenEnd - writtenStart)};
}
