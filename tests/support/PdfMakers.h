#pragma once

// PDF documents that tests and benchmarks make themselves: text laid out at
// chosen places, pages that are only images, and encrypted copies (through
// qpdf). They need a QGuiApplication for the fonts.

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryFile>

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
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0)
            writer.newPage();
        QImage image(595, 842, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter imagePainter(&image);
        QPainter &target = asImages ? imagePainter : painter;
        QFont font(QStringLiteral("DejaVu Serif"));
        font.setPixelSize(12);
        target.setFont(font);
        for (const Text &line : pages[i])
            target.drawText(QPointF(line.x, line.y), line.text);
        imagePainter.end();
        if (asImages)
            painter.drawImage(QPointF(), image);
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

} // namespace PdfMakers
