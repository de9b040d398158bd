#pragma once

// PDF documents that tests and benchmarks make themselves: text laid out at
// chosen places, pages that are only images, encrypted copies (through qpdf),
// and hostile documents written by hand. They need a QGuiApplication for the
// fonts.

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace PdfMakers {

// A line of text with its baseline's start, in points from the page's top
// left corner, and its type's size.
struct Text
{
    qreal x;
    qreal y;
    QString text;
    int size = 12;
};

// An A4 document, one page for each list of lines, in DejaVu Serif; with
// `asImages` the pages from `firstImage` on are each a picture of its lines
// at 300 dpi, as a scanner makes them, with no text layer.
inline QByteArray textPdf(const QList<QList<Text>> &pages, bool asImages = false,
                          qsizetype firstImage = 0)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    constexpr qreal scale = 300.0 / 72;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const bool picture = asImages && i >= firstImage;
        QImage image(picture ? QSize(2480, 3508) : QSize(1, 1), QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter imagePainter(&image);
        imagePainter.scale(scale, scale);
        QPainter &target = picture ? imagePainter : painter;
        QFont font(QStringLiteral("DejaVu Serif"));
        for (const Text &line : pages[i]) {
            font.setPixelSize(line.size);
            target.setFont(font);
            target.drawText(QPointF(line.x, line.y), line.text);
        }
        imagePainter.end();
        if (picture)
            painter.drawImage(QRectF(0, 0, 595, 842), image);
    }
    painter.end();
    return buffer.data();
}

// `pdf` encrypted with AES-256 under a user and an owner password; empty
// when qpdf fails.
inline QByteArray encryptedPdf(const QByteArray &pdf, const QString &user, const QString &owner)
{
    QTemporaryFile in;
    if (!in.open() || in.write(pdf) != pdf.size() || !in.flush())
        return {};
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {QStringLiteral("--encrypt"), user, owner, QStringLiteral("256"),
                QStringLiteral("--"), in.fileName(), QStringLiteral("-")});
    const bool done = qpdf.waitForFinished(60000) && qpdf.exitStatus() == QProcess::NormalExit &&
                      qpdf.exitCode() == 0;
    return done ? qpdf.readAllStandardOutput() : QByteArray();
}

// `times` copies of `chunk` as one zlib stream, without compressing more than
// one copy: after a full flush the compressor starts afresh, so every copy
// compresses to the same bytes.
inline QByteArray deflated(const QByteArray &chunk, int times = 1)
{
    z_stream stream{};
    deflateInit(&stream, Z_BEST_COMPRESSION);
    std::vector<Bytef> out(size_t(compressBound(uLong(chunk.size())) + 16));
    const auto compress = [&](int flush) {
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(chunk.constData()));
        stream.avail_in = flush == Z_FINISH ? 0 : uInt(chunk.size());
        stream.next_out = out.data();
        stream.avail_out = uInt(out.size());
        deflate(&stream, flush);
        return QByteArray(reinterpret_cast<const char *>(out.data()),
                          qsizetype(out.size() - stream.avail_out));
    };
    const QByteArray first = compress(Z_FULL_FLUSH);
    const QByteArray again = times > 1 ? compress(Z_FULL_FLUSH) : QByteArray();
    QByteArray result = first;
    result.reserve(first.size() + again.size() * (times - 1) + 8);
    for (int i = 1; i < times; ++i)
        result += again;
    result += compress(Z_FINISH).chopped(4); // the empty last block, without its checksum
    deflateEnd(&stream);
    uLong sum = adler32(0, nullptr, 0);
    const uLong one =
        adler32(sum, reinterpret_cast<const Bytef *>(chunk.constData()), uInt(chunk.size()));
    for (int i = 0; i < times; ++i)
        sum = adler32_combine(sum, one, z_off_t(chunk.size()));
    for (int shift = 24; shift >= 0; shift -= 8)
        result += char((sum >> shift) & 0xFF);
    return result;
}

// A document written object by object, so that it can hold what no writer
// makes: `pageCount` pages that all show `content`, Flate-compressed when
// `compressed` is set (the bytes are then already a zlib stream), with
// Helvetica as /F1. With `doublings`, /X is a form that shows the form
// below it twice, that many times over, down to one that only saves and restores the graphics
// state.
inline QByteArray handMadePdf(const QByteArray &content, int pageCount = 1, bool compressed = false,
                              int doublings = 0)
{
    QByteArray pdf = "%PDF-1.5\n";
    QList<qsizetype> offsets;
    const auto add = [&](const QByteArray &object) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(offsets.size()) + " 0 obj\n" + object + "\nendobj\n";
    };
    const auto stream = [](const QByteArray &dictionary, const QByteArray &bytes) -> QByteArray {
        return "<< " + dictionary + " /Length " + QByteArray::number(bytes.size()) +
               " >>\nstream\n" + bytes + "\nendstream";
    };
    // 1 catalog, 2 page tree, 3 font, 4 content, 5 resources, then the
    // forms, then the pages.
    constexpr int firstForm = 6;
    const int firstPage = firstForm + doublings + (doublings > 0 ? 1 : 0);
    add("<< /Type /Catalog /Pages 2 0 R >>");
    QByteArray kids;
    kids.reserve(qsizetype(pageCount) * 10);
    for (int i = 0; i < pageCount; ++i)
        kids += QByteArray::number(firstPage + i) + " 0 R ";
    add("<< /Type /Pages /Count " + QByteArray::number(pageCount) + " /Kids [" + kids + "] >>");
    add("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    add(stream(compressed ? "/Filter /FlateDecode" : "", content));
    const auto resources = [](int form) -> QByteArray {
        return "<< /Font << /F1 3 0 R >> " +
               (form > 0 ? "/XObject << /X " + QByteArray::number(form) + " 0 R >> "
                         : QByteArray()) +
               ">>";
    };
    add(resources(doublings > 0 ? firstPage - 1 : 0));
    for (int level = 0; level <= doublings && doublings > 0; ++level)
        add(stream("/Type /XObject /Subtype /Form /BBox [0 0 595 842] /Resources " +
                       resources(level > 0 ? firstForm + level - 1 : 0),
                   level > 0 ? "/X Do /X Do" : "q Q"));
    for (int i = 0; i < pageCount; ++i)
        add("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R /Resources 5 "
            "0 R >>");
    const qsizetype table = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(offsets.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : std::as_const(offsets))
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    pdf += "trailer\n<< /Size " + QByteArray::number(offsets.size() + 1) +
           " /Root 1 0 R >>\nstartxref\n" + QByteArray::number(table) + "\n%%EOF\n";
    return pdf;
}

// `pdf` (as textPdf() writes it) with an outline, each entry a title, the
// page it leads to (from 0, or past the pages) and its depth, and a title
// and an author in its information: added as an incremental update.
struct OutlineEntry
{
    QByteArray title;
    int page;
    int depth = 0;
};
inline QByteArray withOutline(const QByteArray &pdf, const QList<OutlineEntry> &entries,
                              const QByteArray &title = {}, const QByteArray &author = {})
{
    const auto number = [&pdf](const char *pattern) {
        const QRegularExpressionMatchIterator found =
            QRegularExpression(QString::fromLatin1(pattern)).globalMatch(QString::fromLatin1(pdf));
        QRegularExpressionMatch last;
        for (auto it = found; it.hasNext();)
            last = it.next();
        return last.captured(1).toInt();
    };
    const int root = number("/Root (\\d+) 0 R");
    int size = number("/Size (\\d+)");
    const int previous = number("startxref\\s+(\\d+)");
    const QString text = QString::fromLatin1(pdf);
    const QString kids =
        QRegularExpression(QStringLiteral("/Kids\\s*\\[([^\\]]*)\\]")).match(text).captured(1);
    QList<int> pages;
    for (auto it = QRegularExpression(QStringLiteral("(\\d+) 0 R")).globalMatch(kids);
         it.hasNext();)
        pages.append(it.next().captured(1).toInt());
    const QString catalog =
        QRegularExpression(QStringLiteral("\\b%1 0 obj\\s*<<(.*?)>>\\s*endobj").arg(root),
                           QRegularExpression::DotMatchesEverythingOption)
            .match(text)
            .captured(1);

    QByteArray update = "\n";
    QList<std::pair<int, qsizetype>> offsets;
    const auto add = [&](int object, const QByteArray &body) {
        offsets.append({object, pdf.size() + update.size()});
        update += QByteArray::number(object) + " 0 obj\n" + body + "\nendobj\n";
    };
    // Objects: the outline, its entries, the information, the catalog.
    const int outline = size;
    const auto entry = [outline](qsizetype i) { return QByteArray::number(outline + 1 + i); };
    const auto parentOf = [&entries](qsizetype i) {
        for (qsizetype j = i - 1; j >= 0; --j) {
            if (entries[j].depth < entries[i].depth)
                return j;
        }
        return qsizetype(-1);
    };
    const auto siblings = [&](qsizetype i) {
        QList<qsizetype> result;
        for (qsizetype j = 0; j < entries.size(); ++j) {
            if (parentOf(j) == i)
                result.append(j);
        }
        return result;
    };
    const QList<qsizetype> top = siblings(-1);
    add(outline, "<< /Type /Outlines /First " + entry(top.first()) + " 0 R /Last " +
                     entry(top.last()) + " 0 R >>");
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const qsizetype parent = parentOf(i);
        const QList<qsizetype> around = siblings(parent);
        const qsizetype at = around.indexOf(i);
        const QList<qsizetype> children = siblings(i);
        QByteArray body = "<< /Title (" + entries[i].title + ") /Parent " +
                          (parent < 0 ? QByteArray::number(outline) : entry(parent)) + " 0 R";
        if (at > 0)
            body += " /Prev " + entry(around[at - 1]) + " 0 R";
        if (at + 1 < around.size())
            body += " /Next " + entry(around[at + 1]) + " 0 R";
        if (!children.isEmpty())
            body += " /First " + entry(children.first()) + " 0 R /Last " + entry(children.last()) +
                    " 0 R /Count " + QByteArray::number(children.size());
        const int page = entries[i].page;
        body += " /Dest [" +
                (page < pages.size() ? QByteArray::number(pages[page]) : QByteArray("99999")) +
                " 0 R" + " /XYZ 0 842 0] >>";
        add(outline + 1 + int(i), body);
    }
    const int info = outline + 1 + int(entries.size());
    add(info, "<< /Title (" + title + ") /Author (" + author + ") >>");
    add(root, "<<" + catalog.toLatin1() + " /Outlines " + QByteArray::number(outline) + " 0 R >>");
    size = info + 1;
    std::sort(offsets.begin(), offsets.end());
    const qsizetype table = pdf.size() + update.size();
    update += "xref\n";
    for (const auto &[object, offset] : std::as_const(offsets))
        update += QByteArray::number(object) + " 1\n" +
                  QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    update += "trailer\n<< /Size " + QByteArray::number(size) + " /Root " +
              QByteArray::number(root) + " 0 R /Info " + QByteArray::number(info) + " 0 R /Prev " +
              QByteArray::number(previous) + " >>\nstartxref\n" + QByteArray::number(table) +
              "\n%%EOF\n";
    return pdf + update;
}

} // namespace PdfMakers
