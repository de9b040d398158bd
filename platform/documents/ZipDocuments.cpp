#include "platform/documents/ZipDocuments.h"

#include "platform/documents/DocumentXml.h"
#include "platform/documents/OutlineBounds.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QUrl>

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace Documents {

namespace {

Result notReadable()
{
    return Result::failure(QCoreApplication::translate(
        "Documents",
        "it is a zip archive, not a book, OpenDocument text or Word document Tavorin can read"));
}

struct ArchiveFree
{
    void operator()(archive *handle) const { archive_read_free(handle); }
};

// The entries of a zip held in memory. libarchive hands entries over in
// their order only, so each pass opens the archive again and takes the data
// of the entries it wants. Every byte unpacked, in any pass, counts against
// Limits::maximumUnpacked as it comes out of the decompressor: the sizes that
// the headers claim are not trusted.
class Zip
{
public:
    Zip(const QByteArray &bytes, const Options &options)
        : m_bytes(bytes)
        , m_options(options)
    {}

    // Goes through every entry; `take` gets the data of the files `wanted`
    // asks for. False when the pass stopped early: failure() tells why.
    bool pass(const std::function<bool(const QByteArray &name)> &wanted,
              const std::function<bool(const QByteArray &name, QByteArray data)> &take)
    {
        const std::unique_ptr<archive, ArchiveFree> handle(archive_read_new());
        if (!handle)
            return fail(Result::failure(
                QCoreApplication::translate("Documents", "there is not enough memory to open it")));
        archive_read_support_format_zip(handle.get());
        if (!m_options.password.isEmpty())
            archive_read_add_passphrase(handle.get(), m_options.password.constData());
        if (archive_read_open_memory(handle.get(), m_bytes.constData(), size_t(m_bytes.size())) !=
            ARCHIVE_OK)
            return damaged(handle.get());
        m_names.clear();
        int entries = 0;
        for (;;) {
            if (m_options.cancelled())
                return fail(Result::stopped());
            archive_entry *entry = nullptr;
            const int status = archive_read_next_header(handle.get(), &entry);
            if (status == ARCHIVE_EOF)
                return true;
            if (status < ARCHIVE_WARN)
                return damaged(handle.get());
            if (++entries > m_options.limits.maximumEntries)
                return fail(Result::failure(
                    QCoreApplication::translate(
                        "Documents", "it holds more than %1 files, more than Tavorin reads")
                        .arg(m_options.limits.maximumEntries)));
            if (archive_entry_filetype(entry) != AE_IFREG)
                continue;
            const QByteArray name = entryName(entry);
            m_names.append(name);
            if (wanted(name)) {
                QByteArray data;
                if (!unpack(handle.get(), entry, &data) || !take(name, std::move(data)))
                    return false;
            } else if (!archive_entry_size_is_set(entry)) {
                // An entry whose size comes only after its data (a zip read
                // without its directory) is decompressed to be skipped: count
                // it, or a small file could keep the reader busy for hours.
                if (!unpack(handle.get(), entry, nullptr))
                    return false;
            }
        }
    }

    // The files of the last pass, in their order.
    const QList<QByteArray> &names() const { return m_names; }

    bool fail(Result result)
    {
        if (!m_failure)
            m_failure = std::move(result);
        return false;
    }
    const Result &failure() const { return *m_failure; }

private:
    // The name as the archive holds it: UTF-8 where the entry says so (every
    // document format here does), else the bytes themselves.
    static QByteArray entryName(archive_entry *entry)
    {
        if (const char *utf8 = archive_entry_pathname_utf8(entry))
            return QByteArray(utf8);
        const char *raw = archive_entry_pathname(entry);
        return raw ? QByteArray(raw) : QByteArray();
    }

    bool damaged(archive *handle)
    {
        const char *reason = archive_error_string(handle);
        if (!reason)
            return fail(Result::failure(QCoreApplication::translate("Documents", "it is damaged")));
        return fail(Result::failure(QCoreApplication::translate("Documents", "it is damaged: %1")
                                        .arg(QString::fromLocal8Bit(reason))));
    }

    bool needsPassword(QString reason)
    {
        Result result = Result::failure(std::move(reason));
        result.needsPassword = true;
        return fail(std::move(result));
    }

    bool tooLarge()
    {
        return fail(Result::failure(
            QCoreApplication::translate("Documents",
                                        "it unpacks to more than %1 MiB, more than Tavorin reads")
                .arg(m_options.limits.maximumUnpacked / (1024 * 1024))));
    }

    // The entry's data into `data`, or counted and dropped when it is null.
    bool unpack(archive *handle, archive_entry *entry, QByteArray *data)
    {
        const bool encrypted = archive_entry_is_encrypted(entry);
        if (encrypted && m_options.password.isEmpty())
            return needsPassword(
                QCoreApplication::translate("Documents", "it is protected with a password"));
        const qint64 left = m_options.limits.maximumUnpacked - m_unpacked;
        if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > left)
            return tooLarge();
        char buffer[64 * 1024];
        for (int chunk = 1;; ++chunk) {
            const la_ssize_t read = archive_read_data(handle, buffer, sizeof buffer);
            if (read < 0 && encrypted)
                return needsPassword(QCoreApplication::translate(
                    "Documents", "it is protected with a password, and the one given is wrong"));
            if (read < 0)
                return damaged(handle);
            if (read == 0)
                return true;
            m_unpacked += read;
            if (m_unpacked > m_options.limits.maximumUnpacked)
                return tooLarge();
            if (data)
                data->append(buffer, read);
            if (chunk % 16 == 0 && m_options.cancelled())
                return fail(Result::stopped());
        }
    }

    const QByteArray &m_bytes;
    const Options &m_options;
    QList<QByteArray> m_names;
    qint64 m_unpacked = 0;
    std::optional<Result> m_failure;
};

// The data of the named entries (the first of each name), in one pass.
std::optional<QHash<QByteArray, QByteArray>> entries(Zip &zip, const QSet<QByteArray> &names)
{
    QHash<QByteArray, QByteArray> found;
    const bool complete = zip.pass(
        [&](const QByteArray &name) { return names.contains(name) && !found.contains(name); },
        [&](const QByteArray &name, QByteArray data) {
            found.insert(name, std::move(data));
            return true;
        });
    if (!complete)
        return std::nullopt;
    return found;
}

QString partName(const QByteArray &name)
{
    return QString::fromUtf8(name);
}

// A document that is one XML entry of the container, with the entry that
// holds its metadata and, for Word, the one that holds its styles.
Result readPart(Zip &zip, const QByteArray &name, Xml::Format format, const Options &options,
                const QByteArray &metadataName = {}, const QByteArray &stylesName = {})
{
    QSet<QByteArray> names = {name, metadataName, stylesName};
    names.remove({});
    const auto found = entries(zip, names);
    if (!found)
        return zip.failure();
    if (!found->contains(name))
        return Result::failure(
            QCoreApplication::translate("Documents", "its part %1 is missing").arg(partName(name)));
    Xml::Context context;
    if (found->contains(stylesName))
        context.headingStyles = Xml::wordHeadingStyles(found->value(stylesName), options);
    Result result = Xml::readText(format, found->value(name), options, partName(name), &context);
    if (result.text && found->contains(metadataName))
        result.outline.metadata = Xml::readMetadata(found->value(metadataName), options);
    options.report(1);
    return result;
}

// An href of the package document as the name of an entry: relative to the
// package document's folder, percent-encoding undone, without a fragment.
// Empty for a link that leaves the container.
QByteArray entryOf(const QByteArray &package, QStringView href)
{
    const QStringView path = href.left(href.indexOf(u'#'));
    const qsizetype colon = path.indexOf(u':');
    if (path.isEmpty() || (colon >= 0 && colon < path.indexOf(u'/')) ||
        (colon >= 0 && !path.contains(u'/')))
        return {};
    const QByteArray folder = package.left(package.lastIndexOf('/') + 1);
    const QByteArray joined = folder + QByteArray::fromPercentEncoding(path.toUtf8());
    QList<QByteArray> segments;
    for (const QByteArray &segment : joined.split('/')) {
        if (segment == "..") {
            if (segments.isEmpty())
                return {};
            segments.removeLast();
        } else if (!segment.isEmpty() && segment != ".") {
            segments.append(segment);
        }
    }
    return segments.join('/');
}

// The package document that META-INF/container.xml names.
std::optional<QByteArray> packageOf(const QByteArray &container, const Options &options,
                                    Result *failure)
{
    const QString part = u"META-INF/container.xml"_s;
    Xml::XmlWalk walk(container, options, part);
    QXmlStreamReader &xml = walk.reader();
    while (walk.next()) {
        if (xml.isStartElement() && xml.name() == u"rootfile") {
            const QXmlStreamAttributes attributes = xml.attributes();
            const QStringView type = attributes.value("media-type"_L1);
            const QStringView path = attributes.value("full-path"_L1);
            if (!path.isEmpty() && (type.isEmpty() || type == u"application/oebps-package+xml"))
                return path.toUtf8();
        }
    }
    *failure = walk.outcome() ? *walk.outcome()
                              : Result::failure(QCoreApplication::translate(
                                    "Documents", "it is a book whose container names no "
                                                 "package document"));
    return std::nullopt;
}

// The navigation documents that a package names: EPUB 3's nav, EPUB 2's
// NCX; empty where it names none.
struct Navigation
{
    QByteArray nav;
    QByteArray ncx;
};

// The entries of the book's reading order: the spine's XHTML documents
// without the navigation documents (EPUB 3's nav, EPUB 2's NCX) and, when
// there are others, without those the book marks as outside the reading
// order (linear="no": notes, covers, answer keys).
std::optional<QList<QByteArray>> spineOf(const QByteArray &package, const QByteArray &xmlBytes,
                                         const Options &options, Result *failure,
                                         Navigation *navigation)
{
    struct Item
    {
        QByteArray entry;
        QString type;
        bool navigation = false;
    };
    QHash<QString, Item> manifest;
    QList<std::pair<QString, bool>> spine; // idref, linear
    QString toc;
    Xml::XmlWalk walk(xmlBytes, options, partName(package));
    QXmlStreamReader &xml = walk.reader();
    while (walk.next()) {
        if (!xml.isStartElement())
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        if (xml.name() == u"item") {
            const QString type = attributes.value("media-type"_L1).toString();
            const bool nav = attributes.value("properties"_L1).split(u' ').contains(u"nav");
            const bool ncx = type == u"application/x-dtbncx+xml";
            const QByteArray entry = entryOf(package, attributes.value("href"_L1));
            if (nav && navigation->nav.isEmpty())
                navigation->nav = entry;
            if (ncx && navigation->ncx.isEmpty())
                navigation->ncx = entry;
            manifest.insert(attributes.value("id"_L1).toString(), {entry, type, nav || ncx});
        } else if (xml.name() == u"spine") {
            toc = attributes.value("toc"_L1).toString();
        } else if (xml.name() == u"itemref") {
            spine.append(
                {attributes.value("idref"_L1).toString(), attributes.value("linear"_L1) != u"no"});
        }
    }
    if (walk.outcome()) {
        *failure = *walk.outcome();
        return std::nullopt;
    }
    if (const auto item = manifest.constFind(toc); item != manifest.cend())
        navigation->ncx = item->entry;
    QList<QByteArray> primary;
    QList<QByteArray> auxiliary;
    for (const auto &[id, linear] : std::as_const(spine)) {
        const auto item = manifest.constFind(id);
        if (item == manifest.cend() || id == toc || item->navigation || item->entry.isEmpty() ||
            (item->type != u"application/xhtml+xml" && item->type != u"text/html"))
            continue;
        (linear ? primary : auxiliary).append(item->entry);
    }
    if (primary.isEmpty() && auxiliary.isEmpty()) {
        *failure = Result::failure(
            QCoreApplication::translate("Documents", "it is a book without any chapters to read"));
        return std::nullopt;
    }
    return primary.isEmpty() ? auxiliary : primary;
}

Result protectedDocument()
{
    return Result::failure(QCoreApplication::translate(
        "Documents", "it is encrypted (protected with a password or against copying), which "
                     "Tavorin cannot read"));
}

// One entry of the book's table of contents: the chapter file it leads to
// and the place in it, if it names one.
struct Contents
{
    QString title;
    QByteArray file;
    QString fragment;
    int depth = 0;
};

// The book's table of contents from its EPUB 3 navigation document, else
// its NCX; none for a book that has neither, or whose contents lead out of
// the book. A failure of the container is told by a first entry without a
// file (and Zip::failure()).
QList<Contents> contentsOf(Zip &zip, const Navigation &navigation, const Options &options)
{
    QSet<QByteArray> names = {navigation.nav, navigation.ncx};
    names.remove({});
    if (names.isEmpty())
        return {};
    const auto found = entries(zip, names);
    if (!found)
        return {Contents{}};
    for (const QByteArray &name : {navigation.nav, navigation.ncx}) {
        if (name.isEmpty() || !found->contains(name))
            continue;
        QList<Contents> contents;
        for (const Xml::NavigationEntry &entry :
             Xml::readNavigation(found->value(name), name == navigation.ncx, options)) {
            const qsizetype hash = entry.href.indexOf(u'#');
            Contents item{entry.title, entryOf(name, entry.href),
                          hash < 0 ? QString()
                                   : QUrl::fromPercentEncoding(entry.href.mid(hash + 1).toUtf8()),
                          entry.depth};
            if (!item.file.isEmpty())
                contents.append(std::move(item));
        }
        if (!contents.isEmpty())
            return contents;
    }
    return {};
}

// The chapters where the contents lead in the joined text: a file's start,
// or the place within it; entries that lead to no chapter read, or to a
// place the chapter does not hold, are left out.
QList<TextChapter> placeContents(const QList<Contents> &contents,
                                 const QHash<QByteArray, qsizetype> &starts,
                                 const QHash<QByteArray, QString> &texts,
                                 const QHash<QByteArray, QHash<QString, qsizetype>> &anchors,
                                 qsizetype length)
{
    QList<TextChapter> chapters;
    for (const Contents &entry : contents) {
        const auto start = starts.constFind(entry.file);
        if (start == starts.cend())
            continue;
        qsizetype offset = *start;
        if (!entry.fragment.isEmpty()) {
            const qsizetype anchor = anchors.value(entry.file).value(entry.fragment, -1);
            if (anchor < 0)
                continue;
            // A place after the chapter's last word is where the next begins.
            const qsizetype chapterLength = texts.value(entry.file).size();
            offset += anchor < chapterLength ? anchor : chapterLength + 2;
        }
        chapters.append({entry.title, offset, entry.depth});
    }
    return Outline::bounded(std::move(chapters), length);
}

// `encryption` is the book's META-INF/encryption.xml: the parts it lists are
// encrypted, usually its fonts, sometimes (copy protection) its chapters.
Result readEpub(Zip &zip, const QByteArray &container, const QByteArray &encryption,
                const Options &options)
{
    Result failure;
    const std::optional<QByteArray> package = packageOf(container, options, &failure);
    if (!package)
        return failure;
    const auto packageEntry = entries(zip, {*package});
    if (!packageEntry)
        return zip.failure();
    if (!packageEntry->contains(*package))
        return Result::failure(QCoreApplication::translate("Documents", "its part %1 is missing")
                                   .arg(partName(*package)));
    Navigation navigation;
    const auto chapters =
        spineOf(*package, packageEntry->value(*package), options, &failure, &navigation);
    if (!chapters)
        return failure;
    const QList<Contents> contents = contentsOf(zip, navigation, options);
    if (!contents.isEmpty() && contents.constFirst().file.isEmpty())
        return zip.failure();

    // The places the contents lead to within each chapter, to be found as
    // the chapters are read.
    QHash<QByteArray, QSet<QString>> anchorsWanted;
    for (const Contents &entry : contents) {
        if (!entry.fragment.isEmpty())
            anchorsWanted[entry.file].insert(entry.fragment);
    }

    // The chapters come in the archive's order; each is read as it comes
    // and put in its place in the spine.
    QHash<QByteArray, qsizetype> place;
    for (qsizetype i = 0; i < chapters->size(); ++i)
        place.insert(chapters->at(i), i);
    QHash<QByteArray, QString> texts;
    QHash<QByteArray, QHash<QString, qsizetype>> anchors;
    qsizetype length = 0;
    std::optional<Result> chapterFailure;
    const bool complete = zip.pass(
        [&](const QByteArray &name) { return place.contains(name) && !texts.contains(name); },
        [&](const QByteArray &name, QByteArray data) {
            Options chapter = options;
            chapter.limits.maximumText = options.limits.maximumText - length;
            const double done = double(texts.size());
            const double count = double(place.size());
            chapter.progress = [&options, done, count](double share) {
                options.report((done + share) / count);
            };
            Xml::Context context;
            context.wantedAnchors = anchorsWanted.value(name);
            Result read =
                Xml::readText(Xml::Format::Xhtml, data, chapter, partName(name), &context);
            if (!read.text && !read.cancelled && encryption.contains(name.toPercentEncoding("/")))
                return zip.fail(protectedDocument());
            if (!read.text)
                return zip.fail(std::move(read));
            length += read.text->size() + 2;
            texts.insert(name, std::move(*read.text));
            anchors.insert(name, std::move(context.anchors));
            options.report(double(texts.size()) / count);
            return true;
        });
    if (!complete)
        return zip.failure();
    // A spine may list one chapter many times: the joined length is known,
    // and refused, before any of it is joined.
    qsizetype joined = 0;
    for (const QByteArray &chapter : *chapters) {
        const auto found = texts.constFind(chapter);
        if (found == texts.cend())
            return Result::failure(
                QCoreApplication::translate("Documents", "its part %1 is missing")
                    .arg(partName(chapter)));
        if (!found->isEmpty())
            joined += (joined > 0 ? 2 : 0) + found->size();
        if (joined > options.limits.maximumText)
            return Result::failure(Xml::textTooLong(options.limits));
    }
    QString text;
    text.reserve(joined);
    // Where each chapter's text begins in the whole, the first time the
    // spine lists it; an empty one begins where the next does.
    QHash<QByteArray, qsizetype> starts;
    for (const QByteArray &chapter : *chapters) {
        const QString &chapterText = *texts.constFind(chapter);
        if (!starts.contains(chapter))
            starts.insert(chapter, text.isEmpty() ? 0 : text.size() + 2);
        if (chapterText.isEmpty())
            continue;
        if (!text.isEmpty())
            text += u"\n\n"_s;
        text += chapterText;
    }
    Result result = Result::success(std::move(text));
    result.outline.metadata = Xml::readMetadata(packageEntry->value(*package), options);
    result.outline.chapters = placeContents(contents, starts, texts, anchors, result.text->size());
    return result;
}

} // namespace

Result readZipDocument(const QByteArray &bytes, const Options &options)
{
    Zip zip(bytes, options);
    const QByteArray mimetypeName = "mimetype";
    const QByteArray containerName = "META-INF/container.xml";
    const QByteArray encryptionName = "META-INF/encryption.xml";
    const QByteArray manifestName = "META-INF/manifest.xml";
    const auto found = entries(zip, {mimetypeName, containerName, encryptionName, manifestName});
    if (!found)
        return zip.failure();
    const QByteArray mimetype = found->value(mimetypeName).trimmed();

    if (mimetype == "application/epub+zip" ||
        (mimetype.isEmpty() && found->contains(containerName))) {
        if (!found->contains(containerName))
            return Result::failure(
                QCoreApplication::translate("Documents", "its part %1 is missing")
                    .arg(partName(containerName)));
        return readEpub(zip, found->value(containerName), found->value(encryptionName), options);
    }
    if (mimetype == "application/vnd.oasis.opendocument.text") {
        if (found->value(manifestName).contains(":encryption-data"))
            return protectedDocument();
        return readPart(zip, "content.xml", Xml::Format::OpenDocumentText, options, "meta.xml");
    }
    if (!mimetype.isEmpty())
        return notReadable();
    const QList<QByteArray> names = zip.names();
    if (names.contains("[Content_Types].xml") && names.contains("word/document.xml"))
        return readPart(zip, "word/document.xml", Xml::Format::WordDocument, options,
                        "docProps/core.xml", "word/styles.xml");
    QList<QByteArray> books;
    for (const QByteArray &name : names) {
        if (name.toLower().endsWith(".fb2") && !books.contains(name))
            books.append(name);
    }
    if (books.size() == 1)
        return readPart(zip, books.constFirst(), Xml::Format::FictionBook, options);
    return notReadable();
}

Result readFictionBook(const QByteArray &bytes, const Options &options)
{
    return Xml::readText(Xml::Format::FictionBook, bytes, options);
}

} // namespace Documents
