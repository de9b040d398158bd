#include "platform/documents/TextEncoding.h"

#include "platform/system/TextFile.h"

#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <memory>

#include <iconv.h>
#include <uchardet.h>

namespace {

struct UchardetDeleter
{
    void operator()(uchardet *detector) const { uchardet_delete(detector); }
};

// uchardet's name for the encoding the bytes look like; empty when it has
// no guess.
QByteArray guessEncoding(QByteArrayView bytes)
{
    const std::unique_ptr<uchardet, UchardetDeleter> detector(uchardet_new());
    if (!detector)
        return {};
    // Only the lines with bytes beyond ASCII tell one encoding from another,
    // and a few hundred of them tell it as well as all of a long text: the
    // guess takes a second for every few megabytes it is given.
    constexpr qsizetype enough = 64 * 1024;
    qsizetype given = 0;
    for (qsizetype start = 0; start < bytes.size() && given < enough;) {
        qsizetype end = bytes.indexOf('\n', start);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line = bytes.sliced(start, std::min(end - start, enough));
        if (std::any_of(line.begin(), line.end(), [](char c) { return uchar(c) >= 0x80; })) {
            if (uchardet_handle_data(detector.get(), line.data(), size_t(line.size())) != 0)
                return {};
            given += line.size();
        }
        start = end;
    }
    uchardet_data_end(detector.get());
    const char *name = uchardet_get_charset(detector.get());
    return name ? QByteArray(name) : QByteArray();
}

struct IconvCloser
{
    void operator()(iconv_t converter) const { iconv_close(converter); }
};

// For an encoding that Qt's converters do not know by uchardet's name.
std::optional<QString> decodeWithIconv(QByteArrayView bytes, const QByteArray &encoding)
{
    iconv_t opened = iconv_open("UTF-8", encoding.constData());
    if (opened == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    const std::unique_ptr<void, IconvCloser> converter(opened);
    // No 8-bit character takes more than four bytes in UTF-8.
    QByteArray out(bytes.size() * 4 + 4, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.data());
    size_t inLeft = size_t(bytes.size());
    char *outNext = out.data();
    size_t outLeft = size_t(out.size());
    if (iconv(converter.get(), &in, &inLeft, &outNext, &outLeft) == size_t(-1) ||
        iconv(converter.get(), nullptr, nullptr, &outNext, &outLeft) == size_t(-1))
        return std::nullopt;
    out.truncate(outNext - out.data());
    return TextFile::decodeUtf8(out);
}

// Line and page breaks, tabs and the end mark of old DOS files are text;
// other control characters and the replacement of an undecodable byte show
// that the bytes were not text in the encoding guessed.
bool looksLikeText(const QString &text)
{
    return std::none_of(text.cbegin(), text.cend(), [](QChar c) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            return u != u'\t' && u != u'\n' && u != u'\v' && u != u'\f' && u != u'\r' && u != 0x1a;
        return (u >= 0x7f && u < 0xa0) || u == 0xfffd;
    });
}

// Decodes `bytes` a part at a time, each part checked as it comes; a stateful
// decoder carries a character cut in two from one part to the next. A byte
// that no character follows shows as an error once a line break is decoded
// after the last part.
Documents::Decoding decodeInParts(QStringDecoder &decoder, QByteArrayView bytes,
                                  QByteArrayView lineBreak,
                                  const std::function<bool(QStringView)> &piece,
                                  const std::function<bool(const QString &)> &isText)
{
    constexpr qsizetype partSize = 256 * 1024;
    for (qsizetype at = 0; at < bytes.size(); at += partSize) {
        const QString text =
            decoder.decode(bytes.sliced(at, std::min(partSize, bytes.size() - at)));
        if (decoder.hasError() || text.contains(QChar(0)) || !isText(text))
            return Documents::Decoding::NotText;
        if (!text.isEmpty() && !piece(text))
            return Documents::Decoding::Stopped;
    }
    const QString end = decoder.decode(lineBreak);
    return decoder.hasError() || end != u"\n" ? Documents::Decoding::NotText
                                              : Documents::Decoding::Text;
}

} // namespace

std::optional<QString> Documents::decodeText(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    const Decoding decoded = decodeText(bytes, [&text](QStringView piece) {
        text += piece;
        return true;
    });
    return decoded == Decoding::Text ? std::optional(std::move(text)) : std::nullopt;
}

Documents::Decoding Documents::decodeText(QByteArrayView bytes,
                                          const std::function<bool(QStringView)> &piece)
{
    const auto anything = [](const QString &) { return true; };
    const auto nothing = [](QStringView) { return true; };
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // A byte order mark is all that tells UTF-16 from other bytes.
        if (bytes.size() % 2 != 0)
            return Decoding::NotText;
        const bool little = bytes.startsWith("\xFF\xFE");
        // The mark is left out here: a U+FEFF after it is the text's own
        // (a zero-width no-break space) and stays.
        QStringDecoder decoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::ConvertInitialBom);
        return decodeInParts(decoder, bytes.sliced(2),
                             little ? QByteArrayView("\n\0", 2) : QByteArrayView("\0\n", 2), piece,
                             anything);
    }
    if (bytes.contains('\0'))
        return Decoding::NotText;
    // Valid UTF-8 is UTF-8: no legacy text of any length happens to be. It
    // is checked whole before any of it goes out.
    QStringDecoder utf8(QStringDecoder::Utf8);
    if (decodeInParts(utf8, bytes, "\n", nothing, anything) == Decoding::Text) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        return decodeInParts(decoder, bytes, "\n", piece, anything);
    }
    QByteArray encoding = guessEncoding(bytes);
    if (encoding.isEmpty() || encoding.startsWith("UTF-"))
        return Decoding::NotText;
    // As browsers do: the bytes 0x80 to 0x9F are Windows-1252's printable
    // characters (€, „, “) in texts that call themselves Latin-1, never the
    // C1 controls.
    if (encoding == "ISO-8859-1" || encoding == "ASCII")
        encoding = "WINDOWS-1252";
    QStringDecoder decoder(encoding.constData());
    if (decoder.isValid())
        return decodeInParts(decoder, bytes, "\n", piece, looksLikeText);
    const std::optional<QString> text = decodeWithIconv(bytes, encoding);
    if (!text || text->contains(QChar(0)) || !looksLikeText(*text))
        return Decoding::NotText;
    return piece(*text) ? Decoding::Text : Decoding::Stopped;
}
