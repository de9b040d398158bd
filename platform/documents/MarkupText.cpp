#include "platform/documents/MarkupText.h"

#include "platform/documents/DocumentXml.h"
#include "platform/documents/TextEncoding.h"
#include "platform/system/TextFile.h"

#include <QFont>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>
#include <QVariant>

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

Documents::Result plainText(QTextDocument &document, const Documents::Options &options)
{
    if (options.cancelled())
        return Documents::Result::stopped();
    QString text = document.toPlainText();
    // Images stand in the text as object marks, which have nothing to say.
    text.remove(QChar::ObjectReplacementCharacter);
    if (text.size() > options.limits.maximumText)
        return Documents::Result::failure(TextFile::tooLarge(options.limits.maximumText));
    options.report(1);
    return Documents::Result::success(std::move(text));
}

} // namespace

Documents::Result Documents::readHtml(const QByteArray &bytes, const Options &options)
{
    const std::optional<QString> markup = decodeHtml(bytes);
    if (!markup)
        return Result::failure(TextFile::notText());
    Result result = Xml::readHtmlText(*markup, options);
    if (result.text)
        options.report(1);
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
