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
        points += "<navPoint id=\"n" + id +
                  "\"><navLabel><text>Chapter</text></navLabel>"
                  "<content src=\"" +
                  href + "\"/></navPoint>\n";
        links += "<li><a href=\"" + href + "\">Chapter " + QByteArray::number(i + 1) + "</a></li>";
    }
    QList<Entry> entries = {
        {"mimetype", "application/epub+zip", true},
        {"META-INF/container.xml",
         "<?xml version=\"1.0\"?>\n<container version=\"1.0\" "
         "xmlns=\"urn:oasis:names:tc:opendocument:xmlns:container\"><rootfiles>"
         "<rootfile full-path=\"OEBPS/content.opf\" media-type=\"application/oebps-package+xml\"/>"
         "</rootfiles></container>\n"}};
    QByteArray package = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                         "<package xmlns=\"http://www.idpf.org/2007/opf\" version=\"" +
                         QByteArray(version == 2 ? "2.0" : "3.0") +
                         "\" unique-identifier=\"id\">\n<metadata "
                         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:identifier "
                         "id=\"id\">urn:uuid:1</dc:identifier><dc:title>Book</dc:title>"
                         "<dc:language>en</dc:language></metadata>\n<manifest>\n" +
                         manifest;
    if (version == 2) {
        package += "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>\n"
                   "</manifest>\n<spine toc=\"ncx\">\n" +
                   spine + "</spine>\n</package>\n";
        entries.append({"OEBPS/content.opf", package});
        entries.append(
            {"OEBPS/toc.ncx",
             "<?xml version=\"1.0\"?>\n<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\" "
             "version=\"2005-1\"><head/><docTitle><text>Book</text></docTitle><navMap>" +
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

// An OpenDocument text whose office:text holds this markup.
inline QByteArray odt(const QByteArray &text)
{
    return zip(
        {{"mimetype", "application/vnd.oasis.opendocument.text", true},
         {"content.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document-content "
                         "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                         "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
                         "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                         "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
                         "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
                         "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" office:version=\"1.3\">"
                         "<office:automatic-styles/><office:body><office:text>" +
                             text + "</office:text></office:body></office:document-content>\n"},
         {"META-INF/manifest.xml",
          "<?xml version=\"1.0\"?>\n<manifest:manifest "
          "xmlns:manifest=\"urn:oasis:names:tc:opendocument:xmlns:manifest:1.0\">"
          "<manifest:file-entry manifest:full-path=\"/\" "
          "manifest:media-type=\"application/vnd.oasis.opendocument.text\"/>"
          "<manifest:file-entry manifest:full-path=\"content.xml\" "
          "manifest:media-type=\"text/xml\"/></manifest:manifest>\n"}});
}

// A Word document whose w:body holds this markup.
inline QByteArray docx(const QByteArray &body)
{
    return zip(
        {{"[Content_Types].xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
          "Extension=\"rels\" ContentType=\"application/"
          "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
          "ContentType=\"application/xml\"/><Override PartName=\"/word/document.xml\" "
          "ContentType=\"application/"
          "vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/></Types>\n"},
         {"_rels/.rels",
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Relationships "
          "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\"><Relationship "
          "Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
          "relationships/officeDocument\" Target=\"word/document.xml\"/></Relationships>\n"},
         {"word/document.xml",
          "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<w:document "
          "xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
          "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\" "
          "xmlns:wps=\"http://schemas.microsoft.com/office/word/2010/wordprocessingShape\" "
          "mc:Ignorable=\"wps\"><w:body>" +
              body +
              "<w:sectPr><w:pgSz w:w=\"11906\" w:h=\"16838\"/></w:sectPr></w:body>"
              "</w:document>\n"}});
}

// A FictionBook whose bodies are this markup, with a description and a
// picture as books have them.
inline QByteArray fb2(const QByteArray &bodies)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<FictionBook "
           "xmlns=\"http://www.gribuser.ru/xml/fictionbook/2.0\" "
           "xmlns:l=\"http://www.w3.org/1999/xlink\"><description><title-info>"
           "<genre>prose</genre><author><first-name>A.</first-name><last-name>Writer</last-name>"
           "</author><book-title>Book</book-title><lang>en</lang></title-info></description>" +
           bodies +
           "<binary id=\"cover.png\" content-type=\"image/png\">iVBORw0KGgo=</binary>"
           "</FictionBook>\n";
}

} // namespace ZipDocumentMakers
