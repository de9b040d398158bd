// A background run's output arrives in pieces of any size, and the line that
// marks the working directory is taken out of each piece. Decoding the pieces
// must give the same text as decoding the whole, and taking the marker out
// must never touch text without a marker, nor leave a whole marker behind.

#include "fuzz/FuzzInput.h"
#include "terminal/TQTerminal.h"
#include "terminal/Utf8StreamDecoder.h"

using namespace Qt::StringLiterals;

namespace {

const QString Fence = u":::::"_s;

void checkChunk(const QString &chunk)
{
    const QString result = TQTerminal::withoutDirectoryMarker(chunk);
    if (result.size() > chunk.size())
        fuzzFailure("taking the marker out never adds text", chunk);
    if (!chunk.contains(Fence) && result != chunk)
        fuzzFailure("text without a marker is left alone", chunk);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput input(data, size);

    // The marker that the command line prints, with a directory of any name
    // on one line, after a text without colons. Chunks come from the UTF-8
    // decoder, so they are always well-formed UTF-16.
    QString directory = input.text(24);
    directory.remove(u'\n');
    if (directory.isEmpty())
        directory = u"/"_s;
    QString text = input.text(64);
    text.remove(u':');
    QString tail = input.text(16);
    tail.remove(u':');
    const QString marker = Fence + directory + Fence + u'\n';
    const QString expected = text + (tail.startsWith(u'\n') ? tail.mid(1) : tail);
    const QString withMarker = TQTerminal::withoutDirectoryMarker(text + marker + tail);
    if (withMarker != expected)
        fuzzFailure("a whole marker line is taken out", text + marker + tail);

    // The rest of the input is the output of a run, cut into pieces.
    const unsigned cuts = input.number(8);
    QList<qsizetype> lengths;
    for (unsigned i = 0; i < cuts; ++i)
        lengths << qsizetype(input.byte());
    const QByteArray output = input.rest();

    Utf8StreamDecoder pieces;
    QString joined;
    qsizetype position = 0;
    for (const qsizetype length : std::as_const(lengths)) {
        const QByteArray piece = output.mid(position, length);
        position += piece.size();
        const QString chunk = pieces.decode(piece);
        checkChunk(chunk);
        joined += chunk;
    }
    const QString last = pieces.decode(output.mid(position), true);
    checkChunk(last);
    joined += last;

    Utf8StreamDecoder whole;
    if (joined != whole.decode(output, true))
        fuzzFailure("pieces decode to the same text as the whole", joined);
    return 0;
}
