#include "fuzz/FuzzInput.h"

#include "platform/system/TextOutline.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

void checkOutline(const TextOutline &outline, qsizetype length)
{
    if (outline.chapters.size() > 10000)
        fuzzFailure("at most 10,000 chapters");
    qsizetype previous = 0;
    for (const TextChapter &chapter : outline.chapters) {
        if (chapter.offset < previous || chapter.offset >= length)
            fuzzFailure("chapters in order, inside the text", chapter.title);
        if (chapter.title.isEmpty() || chapter.title.size() > 500)
            fuzzFailure("a title of 1 to 500 characters", chapter.title.left(600));
        previous = chapter.offset;
    }
    for (const QString &field :
         {outline.metadata.title, outline.metadata.author, outline.metadata.language}) {
        if (field.size() > 500)
            fuzzFailure("metadata of at most 500 characters", field.left(600));
    }
}

void fuzzFailure(const char *what, const QString &detail)
{
    std::fprintf(stderr, "Invariant broken: %s\n", what);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::abort();
}
