#include "platform/documents/MarkupText.h"

#include "platform/documents/DocumentXml.h"
#include "platform/documents/OutlineBounds.h"
#include "platform/documents/TextEncoding.h"
#include "platform/system/TextFile.h"

#include <QFont>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace {

// A document that loads nothing the Markdown names: an image could be a
// FIFO or a device that never ends, or one of the person's other files, and
// a text to be read aloud needs neither.
class IsolatedDocument : public QTextDocument
{
public:
    IsolatedDocument()
    {
        setResourceProvider([](const QUrl &) { return QVariant(); });
        // Headings are sized from the default font, which has no size of
        // its own in a program without a display.
        QFont font = defaultFont();
        if (font.pointSize() <= 0 && font.pixelSize() <= 0)
            font.setPointSize(12);
        setDefaultFont(font);
    }

protected:
    QVariant loadResource(int, const QUrl &) override { return QVariant(); }
};

// A page that names its encoding is read in it; any other as plain text is.
std::optional<QString> decodeHtml(const QByteArray &bytes)
{
    const bool marked = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
                        bytes.startsWith("\xFE\xFF");
    if (!marked &&
        bytes.first(std::min<qsizetype>(bytes.size(), 4096)).contains(QByteArrayView("charset"))) {
        QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
        if (decoder.isValid()) {
            QString text = decoder.decode(bytes);
            if (!text.contains(QChar(0)))
                return text;
        }
    }
    return Documents::decodeText(bytes);
}

// The text of a laid-out document, its headings of levels 1 to 3 as
// chapters.
Documents::Result plainText(QTextDocument &document, const Documents::Options &options)
{
    if (options.cancelled())
        return Documents::Result::stopped();
    QString text = document.toPlainText();
    if (text.size() > options.limits.maximumText)
        return Documents::Result::failure(TextFile::tooLarge(options.limits.maximumText));
    QList<TextChapter> chapters;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const int level = block.blockFormat().headingLevel();
        if (level < 1 || level > 3)
            continue;
        chapters.append({block.text(), block.position(), level - 1});
        if (chapters.size() > Documents::Outline::maximumChapters)
            break;
    }
    // Images stand in the text as object marks, which have nothing to say;
    // the chapters after them move back.
    qsizetype removed = 0;
    qsizetype at = 0;
    for (TextChapter &chapter : chapters) {
        for (; at < chapter.offset; ++at)
            removed += text.at(at) == QChar::ObjectReplacementCharacter;
        chapter.offset -= removed;
    }
    text.remove(QChar::ObjectReplacementCharacter);
    options.report(1);
    Documents::Result result = Documents::Result::success(std::move(text));
    result.outline.chapters = Documents::Outline::bounded(std::move(chapters), result.text->size());
    return result;
}

// What a page's head says of it: its <title> and its language (lang on
// <html>). Looked for in the page's start, where the head is.
TextMetadata htmlMetadata(const QString &markup, const Documents::Options &options)
{
    static const QRegularExpression title(u"<title[^>]*>(.*?)</title"_s,
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression lang(
        u"<html\\b[^>]*?\\blang\\s*=\\s*[\"']?([A-Za-z0-9-]{1,35})"_s,
        QRegularExpression::CaseInsensitiveOption);
    const QString head = markup.left(64 * 1024);
    TextMetadata metadata;
    if (const QRegularExpressionMatch match = title.match(head); match.hasMatch()) {
        // The title's entities are read as the page's are.
        const Documents::Result read =
            Documents::Xml::readHtmlText(match.captured(1).left(4 * 1024), options);
        metadata.title = Documents::Outline::boundedTitle(read.text.value_or(QString()));
    }
    if (const QRegularExpressionMatch match = lang.match(head); match.hasMatch())
        metadata.language = match.captured(1);
    return metadata;
}

} // namespace

Documents::Result Documents::readHtml(const QByteArray &bytes, const Options &options)
{
    const std::optional<QString> markup = decodeHtml(bytes);
    if (!markup)
        return Result::failure(TextFile::notText());
    Result result = Xml::readHtmlText(*markup, options);
    if (result.text) {
        result.outline.metadata = htmlMetadata(*markup, options);
        options.report(1);
    }
    return result;
}

Documents::Result Documents::readMarkdown(const QByteArray &bytes, const Options &options)
{
    const std::optional<QString> markup = decodeText(bytes);
    if (!markup)
        return Result::failure(TextFile::notText());
    if (options.cancelled())
        return Result::stopped();
    IsolatedDocument document;
    document.setMarkdown(*markup);
    return plainText(document, options);
}
