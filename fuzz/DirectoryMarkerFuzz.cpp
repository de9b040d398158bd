// A background run's standard output arrives in pieces of any size and ends
// with the line that marks the working directory. However the output is cut,
// the caller must get exactly what the program printed: the final marker
// taken out, nothing of the program's own taken with it, and the pieces
// decoding to the same text as the whole.

#include "fuzz/FuzzInput.h"
#include "terminal/DirectoryMarkerFilter.h"
#include "terminal/Utf8StreamDecoder.h"

#include <QList>

using namespace Qt::StringLiterals;

namespace {

// The stream cut at the given lengths, decoded and filtered piece by piece.
QString received(const QByteArray &stream, const QList<qsizetype> &lengths)
{
    Utf8StreamDecoder decoder;
    DirectoryMarkerFilter filter;
    QString joined;
    qsizetype position = 0;
    for (const qsizetype length : lengths) {
        const QByteArray piece = stream.mid(position, length);
        position += piece.size();
        joined += filter.filter(decoder.decode(piece));
    }
    joined += filter.filter(decoder.decode(stream.mid(position), true), true);
    return joined;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);

    // Any directory on one line; one that itself holds ":::::/" cannot be
    // told from the program's output before it and is left out.
    QString directory = u'/' + input.text(24);
    directory.remove(u'\n');
    while (directory.contains(u":::::/"_s))
        directory.remove(u":::::/"_s);
    const unsigned cuts = input.number(8);
    QList<qsizetype> lengths;
    for (unsigned i = 0; i < cuts; ++i)
        lengths << qsizetype(input.byte());
    const QByteArray output = input.rest();

    Utf8StreamDecoder whole;
    const QString printed = whole.decode(output, true);
    const QByteArray marker = (u":::::"_s + directory + u":::::\n"_s).toUtf8();
    if (received(output + marker, lengths) != printed)
        fuzzFailure("exactly the program's output reaches the caller",
                    QString::fromUtf8(output + marker));
    DirectoryMarkerFilter filter;
    if (received(output, lengths) != filter.filter(printed, true))
        fuzzFailure("the pieces give what the whole gives", printed);
    return 0;
}
