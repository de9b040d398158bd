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

std::optional<QString> decodeAs(QByteArrayView bytes, QByteArray encoding)
{
    // As browsers do: the bytes 0x80 to 0x9F are Windows-1252's printable
    // characters (€, „, “) in texts that call themselves Latin-1, never the
    // C1 controls.
    if (encoding == "ISO-8859-1" || encoding == "ASCII")
        encoding = "WINDOWS-1252";
    QStringDecoder decoder(encoding.constData(), QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return decodeWithIconv(bytes, encoding);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
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

} // namespace

std::optional<QString> Documents::decodeText(QByteArrayView bytes)
{
    std::optional<QString> text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        // A byte order mark is all that tells UTF-16 from other bytes.
        if (bytes.size() % 2 != 0)
            return std::nullopt;
        // The mark is left out here: a U+FEFF after it is the text's own
        // (a zero-width no-break space) and stays.
        QStringDecoder decoder(
            bytes.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
            QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
        text = decoder.decode(bytes.sliced(2));
        if (decoder.hasError())
            return std::nullopt;
    } else if (bytes.contains('\0')) {
        return std::nullopt;
    } else {
        // Valid UTF-8 is UTF-8: no legacy text of any length happens to be.
        text = TextFile::decodeUtf8(bytes);
        if (text)
            return text->contains(QChar(0)) ? std::nullopt : text;
        const QByteArray encoding = guessEncoding(bytes);
        if (encoding.isEmpty() || encoding.startsWith("UTF-"))
            return std::nullopt;
        text = decodeAs(bytes, encoding);
        if (text && !looksLikeText(*text))
            return std::nullopt;
    }
    if (text && text->contains(QChar(0)))
        return std::nullopt;
    return text;
}
