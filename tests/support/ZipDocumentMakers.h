#pragma once

// Documents made the way their applications write them: zip files with their
// XML, written with libarchive. For the tests, the benchmarks and the fuzz
// targets' seeds.

#include <QByteArray>
#include <QList>

#include <archive.h>
#include <archive_entry.h>

#include <utility>

namespace ZipDocumentMakers {

struct Entry
{
    QByteArray name;
    QByteArray data;
    // Stored rather than deflated (an EPUB's mimetype must be).
    bool stored = false;
};

// A zip of these entries, in this order; encrypted (traditional PKWARE)
// when a password is given.
inline QByteArray zip(const QList<Entry> &entries, const char *password = nullptr)
{
    QByteArray bytes;
    archive *writer = archive_write_new();
    archive_write_set_format_zip(writer);
    if (password) {
        archive_write_set_options(writer, "zip:encryption=zipcrypt");
        archive_write_set_passphrase(writer, password);
    }
    archive_write_set_bytes_in_last_block(writer, 1);
    archive_write_open(
        writer, &bytes, nullptr,
        [](archive *, void *out, const void *data, size_t size) -> la_ssize_t {
            static_cast<QByteArray *>(out)->append(static_cast<const char *>(data),
                                                   qsizetype(size));
            return la_ssize_t(size);
        },
        nullptr);
    for (const Entry &item : entries) {
        if (item.stored)
            archive_write_zip_set_compression_store(writer);
        else
            archive_write_zip_set_compression_deflate(writer);
        archive_entry *entry = archive_entry_new();
        archive_entry_set_pathname_utf8(entry, item.name.constData());
        archive_entry_set_filetype(entry, AE_IFREG);
        archive_entry_set_perm(entry, 0644);
        archive_entry_set_size(entry, item.data.size());
        archive_write_header(writer, entry);
        archive_write_data(writer, item.data.constData(), size_t(item.data.size()));
        archive_entry_free(entry);
    }
    archive_write_close(writer);
    archive_write_free(writer);
    return bytes;
}

// An XHTML document with this body (markup).
inline QByteArray xhtml(const QByteArray &title, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.1//EN\" "
           "\"http://www.w3.org/TR/xhtml11/DTD/xhtml11.dtd\">\n"
           "<html xmlns=\"http://www.w3.org/1999/xhtml\">\n<head><title>" +
           title + "</title><style>p { margin: 0 }</style></head>\n<body>\n" + body +
           "\n</body>\n</html>\n";
}

// An EPUB book of these chapters (entry name under OEBPS/, XHTML), in this
// order, with a table of contents: an NCX for EPUB 2, a navigation document
// that is also in the spine for EPUB 3 (as many books have it).
inline QByteArray epub(const QList<std::pair<QByteArray, QByteArray>> &chapters, int version = 3)
{
    QByteArray manifest;
    QByteArray spine;
    QByteArray points;
    QByteArray links;
    for (qsizetype i = 0; i < chapters.size(); ++i) {
        const QByteArray id = "c" + QByteArray::number(i);
        const QByteArray href = chapters[i].first.toPercentEncoding("/");
        manifest += "<item id=\"" + id + "\" href=\"" + href +
                    "\" media-type=\"application/xhtml+xml\"/>\n";
        spine += "<itemref idref=\"" + id + "\"/>\n";
        points += "<navPoint><navLabel><text>Chapter</text></navLabel><content src=\"" + href +
                  "\"/></navPoint>";
        links += "<li><a href=\"" + href + "\">Chapter " + QByteArray::number(i + 1) + "</a></li>";
    }
    QList<Entry> entries = {
        {"mimetype", "application/epub+zip", true},
        {"META-INF/container.xml",
         "<container xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
         "<rootfile full-path=\"OEBPS/content.opf\"/></rootfiles></container>"}};
    QByteArray package = "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"" +
                         QByteArray(version == 2 ? "2.0" : "3.0") + "\"><metadata/><manifest>\n" +
                         manifest;
    if (version == 2) {
        package += "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
                   "</manifest>\n<spine toc=\"ncx\">\n" +
                   spine + "</spine>\n</package>\n";
        entries.append({"OEBPS/content.opf", package});
        entries.append(
            {"OEBPS/toc.ncx", "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\"><navMap>" +
                                  points + "</navMap></ncx>\n"});
    } else {
        package += "<item id=\"nav\" href=\"nav.xhtml\" media-type=\"application/xhtml+xml\" "
                   "properties=\"nav\"/>\n</manifest>\n<spine>\n<itemref idref=\"nav\"/>\n" +
                   spine + "</spine>\n</package>\n";
        entries.append({"OEBPS/content.opf", package});
        entries.append({"OEBPS/nav.xhtml",
                        xhtml("Contents", "<nav xmlns:epub=\"http://www.idpf.org/2007/ops\" "
                                          "epub:type=\"toc\"><h1>Contents</h1><ol>" +
                                              links + "</ol></nav>")});
    }
    // The chapters in the opposite order of the spine: the archive's order
    // is not the reading order.
    for (qsizetype i = chapters.size() - 1; i >= 0; --i)
        entries.append({"OEBPS/" + chapters[i].first, chapters[i].second});
    return zip(entries);
}

// An OpenDocument text whose office:text holds this markup, with more
// entries (meta.xml) if given.
inline QByteArray odt(const QByteArray &text, const QList<Entry> &more = {})
{
    return zip(
        QList<Entry>{{"mimetype", "application/vnd.oasis.opendocument.text", true},
                     {"content.xml",
                      "<office:document-content "
                      "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                      "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                      "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                      "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><office:body><office:text>" +
                          text + "</office:text></office:body></office:document-content>"}} +
        more);
}

// A Word document whose w:body holds this markup, with more entries
// (word/styles.xml, docProps/core.xml) if given.
inline QByteArray docx(const QByteArray &body, const QList<Entry> &more = {})
{
    return zip(
        QList<Entry>{
            {"[Content_Types].xml", "<Types/>"},
            {"word/document.xml",
             "<w:document "
             "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
             "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
             "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
             "mc:Ignorable=\"wps\"><w:body>" +
                 body + "<w:sectPr><w:pgSz w:w=\"11906\"/></w:sectPr></w:body></w:document>"}} +
        more);
}

// A FictionBook whose bodies are this markup, with a description and a
// picture as books have them.
inline QByteArray fb2(const QByteArray &bodies)
{
    return "<FictionBook xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\"><description>"
           "<title-info><book-title>Book</book-title></title-info></description>" +
           bodies +
           "<binary id=\"c.png\" content-type=\"image/png\">iVBORw0KGgo=</binary></FictionBook>";
}

} // namespace ZipDocumentMakers
