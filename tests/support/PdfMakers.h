#pragma once

// PDF documents that tests and benchmarks make themselves: text laid out at
// chosen places, pages that are only images, and encrypted copies (through
// qpdf). They need a QGuiApplication for the fonts.

#include <QBuffer>
#include <QFont>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

namespace PdfMakers {

// A line of text with its baseline's start, in points from the page's top
// left corner.
struct Text
{
    qreal x;
    qreal y;
    QString text;
};

// An A4 document, one page for each list of lines, in a 12 point font; with
// `asImages` each page is a picture of its lines, with no text layer.
inline QByteArray textPdf(const QList<QList<Text>> &pages, bool asImages = false)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(72);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF());
    QPainter painter(&writer);
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(12);
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        const auto draw = [&](QPainter &target) {
            target.setFont(font);
            for (const Text &line : pages[i])
                target.drawText(QPointF(line.x, line.y), line.text);
        };
        if (!asImages) {
            draw(painter);
            continue;
        }
        QImage image(595, 842, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter imagePainter(&image);
        draw(imagePainter);
        imagePainter.end();
        painter.drawImage(QPointF(), image);
    }
    painter.end();
    return buffer.data();
}

// `pdf` encrypted with AES-256 under a user and an owner password; empty
// when qpdf fails.
inline QByteArray encryptedPdf(const QByteArray &pdf, const QString &user, const QString &owner)
{
    QTemporaryDir folder;
    QFile in(folder.filePath(QStringLiteral("in.pdf")));
    if (!in.open(QIODevice::WriteOnly) || in.write(pdf) != pdf.size())
        return {};
    in.close();
    const QString out = folder.filePath(QStringLiteral("out.pdf"));
    QProcess qpdf;
    qpdf.start(QStringLiteral("qpdf"),
               {QStringLiteral("--encrypt"), user, owner, QStringLiteral("256"),
                QStringLiteral("--"), in.fileName(), out});
    if (!qpdf.waitForFinished(60000) || qpdf.exitStatus() != QProcess::NormalExit ||
        qpdf.exitCode() != 0)
        return {};
    QFile result(out);
    return result.open(QIODevice::ReadOnly) ? result.readAll() : QByteArray();
}

} // namespace PdfMakers
