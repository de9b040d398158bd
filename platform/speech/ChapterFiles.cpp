#include "platform/speech/ChapterFiles.h"

#include "platform/speech/SoundFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

std::vector<ChapterFiles::File> ChapterFiles::plan(const QString &audioPath,
                                                   const SoundFormat &format, const AudioTags &book)
{
    const QFileInfo target(audioPath);
    const QString extension = format.extensions.contains(target.suffix(), Qt::CaseInsensitive)
                                  ? target.suffix()
                                  : format.extensions.constFirst();
    std::vector<File> files;
    for (qsizetype i = 0; i < book.chapters.size(); ++i) {
        const AudioChapter &chapter = book.chapters[i];
        const qint64 start = i == 0 ? 0 : chapter.startSample;
        if (chapter.endSample <= start)
            continue;
        File file{{}, book, start, chapter.endSample};
        file.tags.title = chapter.title;
        file.tags.chapters.clear();
        files.push_back(file);
    }
    const int count = int(files.size());
    for (int n = 0; n < count; ++n) {
        QString title;
        for (const QChar c : files[size_t(n)].tags.title)
            title += c == u'/' || c == u'\\' || c.category() == QChar::Other_Control ? u' ' : c;
        title = title.simplified().left(80).trimmed();
        files[size_t(n)].tags.track = n + 1;
        files[size_t(n)].tags.trackCount = count;
        files[size_t(n)].path =
            target.dir().filePath(u"%1%2.%3"_s.arg(n + 1, 2, 10, QChar(u'0'))
                                      .arg(title.isEmpty() ? QString() : u' ' + title, extension));
    }
    return files;
}

QString ChapterFiles::write(SoundFileWriter &whole, const std::vector<File> &files,
                            const SoundFormat &format, int sampleRate,
                            const std::atomic<bool> &stopped)
{
    if (!whole.complete())
        return whole.errorString();
    if (files.empty())
        return QCoreApplication::translate("SpeechSynthesizer", "there is no speech to write");
    std::vector<std::unique_ptr<SoundFileWriter>> writers;
    std::vector<qint16> block(65536);
    const auto failed = [](const File &file, const QString &error) {
        return u"%1: %2"_s.arg(QFileInfo(file.path).fileName(), error);
    };
    for (const File &file : files) {
        auto writer = std::make_unique<SoundFileWriter>(file.path, sampleRate, format);
        writer->setTags(file.tags);
        if (!writer->open())
            return failed(file, writer->errorString());
        for (qint64 at = file.startSample; at < file.endSample;) {
            // Not a success: the sink reports the stop.
            if (stopped.load())
                return u"stopped"_s;
            const qint64 count = std::min<qint64>(qint64(block.size()), file.endSample - at);
            const ssize_t got = ::pread(whole.fd(), block.data(), size_t(count) * 2, off_t(at) * 2);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 1)
                return failed(file, QCoreApplication::translate("SoundFileWriter",
                                                                "cannot read the speech back"));
            if (!writer->write(block.data(), got / 2))
                return failed(file, writer->errorString());
            at += got / 2;
        }
        if (!writer->complete())
            return failed(file, writer->errorString());
        writers.push_back(std::move(writer));
    }
    for (size_t i = 0; i < writers.size(); ++i)
        if (!writers[i]->commit())
            return failed(files[i], writers[i]->errorString());
    whole.discard();
    return QString();
}
