#include "platform/documents/DocumentReader.h"

#include "platform/documents/MarkupText.h"
#include "platform/documents/PdfText.h"
#include "platform/documents/TextEncoding.h"
#include "platform/documents/ZipDocuments.h"
#include "platform/system/TextFile.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <QStringDecoder>

#include <algorithm>
#include <cctype>

using namespace Qt::StringLiterals;

namespace Documents {
namespace {

// Enough of a file to tell its kind and whether it starts as UTF-8.
constexpr qint64 headSize = 64 * 1024;

// The first bytes of markup as ASCII in lower case, the high byte of UTF-16
// left out, to look for its first element.
QByteArray markupStart(QByteArrayView head)
{
    QByteArray start;
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        for (qsizetype i = head.startsWith("\xFF\xFE") ? 2 : 3; i < head.size(); i += 2)
            start += head.at(i);
    } else {
        start = head.startsWith("\xEF\xBB\xBF") ? head.sliced(3).toByteArray() : head.toByteArray();
    }
    return start.toLower();
}

// Where the declaration at `at` ("<!doctype" or another "<!") ends: after
// its ">", past what its internal subset between brackets holds, which may
// be quoted "<" and ">" and comments. -1 when it goes on past the end.
qsizetype declarationEnd(const QByteArray &start, qsizetype at)
{
    bool subset = false;
    for (qsizetype i = at + 2; i < start.size(); ++i) {
        const char c = start.at(i);
        if (c == '"' || c == '\'') {
            i = start.indexOf(c, i + 1);
        } else if (subset && QByteArrayView(start).sliced(i).startsWith("<!--")) {
            i = start.indexOf("-->", i + 4);
            if (i >= 0)
                i += 2;
        } else if (c == '[' || c == ']') {
            subset = c == '[';
        } else if (c == '>' && !subset) {
            return i + 1;
        }
        if (i < 0)
            break;
    }
    return -1;
}

// The first element's name after the XML declaration, comments, white
// space and a document type other than HTML's: "html" for an HTML page.
QByteArray firstElement(const QByteArray &start)
{
    qsizetype at = 0;
    for (;;) {
        while (at < start.size() && std::isspace(uchar(start.at(at))))
            ++at;
        const QByteArrayView rest = QByteArrayView(start).sliced(at);
        if (rest.startsWith("<!doctype html"))
            return "html";
        const auto after = [&start, at](QByteArrayView closing) {
            const qsizetype found = start.indexOf(closing, at + 2);
            return found < 0 ? found : found + closing.size();
        };
        qsizetype end = -1;
        if (rest.startsWith("<?"))
            end = after("?>");
        else if (rest.startsWith("<!--"))
            end = after("-->");
        else if (rest.startsWith("<!"))
            end = declarationEnd(start, at);
        else
            break;
        if (end < 0)
            return {};
        at = end;
    }
    if (at >= start.size() || start.at(at) != '<')
        return {};
    qsizetype end = at + 1;
    while (end < start.size() && (std::isalnum(uchar(start.at(end))) || start.at(end) == ':'))
        ++end;
    return start.mid(at + 1, end - at - 1);
}

QString cannotRead()
{
    return QCoreApplication::translate("Documents", "cannot read this kind of document");
}

// Plain text in the window is limited by its size in bytes, as it always
// was; a UTF-16 text takes two for each of its characters.
qint64 textFileLimit(QByteArrayView head, const Options &options)
{
    const bool utf16 = head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF");
    return std::min<qint64>(TextFile::maximumSize, options.limits.maximumText * (utf16 ? 2 : 1));
}

// Markup holds its text and more: up to four bytes for each character.
// Markdown is laid out as a rich document that takes some fifty times its
// size on top: a book in one file is a few megabytes.
qint64 markupFileLimit(Kind kind, const Options &options)
{
    constexpr qint64 maximumMarkdown = 8 * 1024 * 1024;
    return std::min<qint64>(kind == Kind::Markdown ? maximumMarkdown : TextFile::maximumSize,
                            options.limits.maximumText * 4);
}

Result plainText(QByteArrayView bytes, const Options &options)
{
    std::optional<QString> text = decodeText(bytes);
    if (!text)
        return Result::failure(TextFile::notText());
    if (text->size() > options.limits.maximumText)
        return Result::failure(TextFile::tooLarge(options.limits.maximumText));
    options.report(1);
    return Result::success(std::move(*text));
}

// The one place where each kind of document meets its reader.
Result dispatch(Kind kind, const QByteArray &bytes, const Options &options)
{
    if (options.cancelled())
        return Result::stopped();
    switch (kind) {
    case Kind::Text:
        return plainText(bytes, options);
    case Kind::Html:
        return readHtml(bytes, options);
    case Kind::Markdown:
        return readMarkdown(bytes, options);
    case Kind::Pdf:
        return readPdf(bytes, options);
    case Kind::Zip:
        return readZipDocument(bytes, options);
    case Kind::FictionBook:
        return readFictionBook(bytes, options);
    }
    return Result::failure(cannotRead());
}

bool startsAsUtf8(QByteArrayView head)
{
    // A character cut off by the end of the head is no error yet.
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder.decode(head);
    return !decoder.hasError() && !text.contains(QChar(0));
}

// A plain UTF-8 text piece by piece; nothing when it turns out not to be
// UTF-8, for the caller to read it whole in the encoding it has.
std::optional<Result> streamUtf8(const QString &path, qint64 limit, qint64 size,
                                 const Options &options,
                                 const std::function<bool(QStringView)> &piece)
{
    bool holdsNul = false;
    bool stopped = false;
    qint64 decoded = 0;
    const QString error = TextFile::read(path, limit, [&](QStringView text) {
        if (options.cancelled()) {
            stopped = true;
            return false;
        }
        if (text.contains(QChar(0))) {
            holdsNul = true;
            return false;
        }
        decoded += text.size();
        // Characters for bytes: near enough for a text that is mostly ASCII.
        options.report(size > 0 ? std::min(1.0, double(decoded) / double(size)) : 1.0);
        if (!piece(text))
            stopped = true;
        return !stopped;
    });
    if (holdsNul)
        return Result::failure(TextFile::notText());
    if (error == TextFile::notText())
        return std::nullopt;
    if (!error.isEmpty())
        return Result::failure(error);
    if (stopped)
        return Result::stopped();
    return Result{};
}

// A plain text in another encoding than UTF-8, decoded a part at a time.
Result decodeInPieces(const QByteArray &bytes, const Options &options,
                      const std::function<bool(QStringView)> &piece)
{
    qint64 decoded = 0;
    bool tooLarge = false;
    const Decoding decoding = decodeText(bytes, [&](QStringView text) {
        decoded += text.size();
        tooLarge = decoded > options.limits.maximumText;
        if (tooLarge || options.cancelled())
            return false;
        // Characters for bytes, as for UTF-8.
        options.report(
            std::min(1.0, double(decoded) / double(std::max<qsizetype>(1, bytes.size()))));
        return piece(text);
    });
    if (tooLarge)
        return Result::failure(TextFile::tooLarge(options.limits.maximumText));
    if (decoding == Decoding::NotText)
        return Result::failure(TextFile::notText());
    if (decoding == Decoding::Stopped)
        return Result::stopped();
    options.report(1);
    return Result{};
}

QString nameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(u'/') + 1);
}

} // namespace

Kind detect(QByteArrayView head, const QString &fileName)
{
    if (head.startsWith("%PDF-"))
        return Kind::Pdf;
    if (head.startsWith("PK\x03\x04") || head.startsWith("PK\x05\x06"))
        return Kind::Zip;
    const QByteArray element = firstElement(markupStart(head));
    if (element == "fictionbook")
        return Kind::FictionBook;
    if (element == "html")
        return Kind::Html;

    const QMimeDatabase mimes;
    const QMimeType byContent = mimes.mimeTypeForData(head.toByteArray());
    if (byContent.inherits(u"application/pdf"_s))
        return Kind::Pdf;
    if (byContent.inherits(u"application/zip"_s))
        return Kind::Zip;
    if (byContent.inherits(u"application/x-fictionbook+xml"_s))
        return Kind::FictionBook;
    if (byContent.inherits(u"text/html"_s) || byContent.inherits(u"application/xhtml+xml"_s))
        return Kind::Html;
    // The name only decides between kinds of text: markup that does not
    // show it at its start, and Markdown, which has no mark at all.
    if (!byContent.isDefault() && !byContent.inherits(u"text/plain"_s))
        return Kind::Text;
    const QMimeType byName = mimes.mimeTypeForFile(fileName, QMimeDatabase::MatchExtension);
    if (byName.inherits(u"text/markdown"_s))
        return Kind::Markdown;
    // A book whose document type is longer than the head.
    if (byName.inherits(u"application/x-fictionbook+xml"_s))
        return Kind::FictionBook;
    if (byName.inherits(u"text/html"_s) || byName.inherits(u"application/xhtml+xml"_s))
        return Kind::Html;
    return Kind::Text;
}

Result read(const QString &path, const Options &options)
{
    return read(path, options, nullptr, nullptr);
}

Result read(const QString &path, const Options &options,
            const std::function<bool(QStringView)> &piece, const std::function<void()> &restart)
{
    options.report(0);
    const TextFile::Bytes head = TextFile::readBytes(path, TextFile::maximumSize, headSize);
    if (!head.bytes)
        return Result::failure(head.error);
    const Kind kind = detect(*head.bytes, nameOf(path));
    const qint64 limit = kind == Kind::Text ? textFileLimit(*head.bytes, options)
                         : kind == Kind::Html || kind == Kind::Markdown
                             ? markupFileLimit(kind, options)
                             : TextFile::maximumSize;
    if (head.size > limit)
        return Result::failure(TextFile::tooLarge(limit));
    if (options.cancelled())
        return Result::stopped();
    const bool whole = head.bytes->size() >= head.size;
    if (kind == Kind::Text && piece && !whole && startsAsUtf8(*head.bytes)) {
        if (std::optional<Result> streamed = streamUtf8(path, limit, head.size, options, piece))
            return std::move(*streamed);
        restart();
    }
    if (whole)
        return dispatch(kind, *head.bytes, options);
    const TextFile::Bytes all = TextFile::readBytes(path, limit);
    if (!all.bytes)
        return Result::failure(all.error);
    if (kind == Kind::Text && piece)
        return decodeInPieces(*all.bytes, options, piece);
    return dispatch(kind, *all.bytes, options);
}

Result read(const QByteArray &bytes, const QString &fileName, const Options &options)
{
    return dispatch(detect(bytes.first(std::min<qsizetype>(bytes.size(), headSize)), fileName),
                    bytes, options);
}

} // namespace Documents
