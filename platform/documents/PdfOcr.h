#pragma once

#include "platform/documents/PdfPages.h"

#include <QString>
#include <QStringList>

#include <memory>

namespace Poppler {
class Page;
}

// Scanned pages: a page whose text is a picture, with no text layer, is read
// from an image of it with Tesseract, as lines in reading order with their
// boxes in the page's points, so that PdfText lays them out as it does the
// lines of a text layer.
namespace Documents::Pdf {

// The languages to read in, by Tesseract's names ("deu", "deu+eng"): those
// asked for, else the document's (a language tag such as "de-DE"), else the
// window's (a QLocale name), else English; of them only what is installed.
// `note` tells why a language asked for is not used, empty when all are.
QString ocrLanguages(const QString &asked, const QString &document, const QString &window,
                     const QStringList &installed, QString *note);

// Whether `languages` has the form of Tesseract's names joined with '+'.
bool isOcrLanguageList(const QString &languages);

class PageRecogniser
{
public:
    // `documentLanguage` is the language the document names, if any.
    PageRecogniser(const Options &options, QString documentLanguage);
    ~PageRecogniser();
    PageRecogniser(const PageRecogniser &) = delete;
    PageRecogniser &operator=(const PageRecogniser &) = delete;

    // The lines of `source`, page `index`, read from its picture; none when
    // there is no text on it, OCR cannot be had, or Options::cancel stops
    // it. `note` is told once of a language that is not installed.
    Page recognise(const Poppler::Page &source, int index,
                   const std::function<void(const QString &)> &note);

private:
    struct Engine;
    bool start(const std::function<void(const QString &)> &note);

    const Options &m_options;
    QString m_documentLanguage;
    std::unique_ptr<Engine> m_engine;
    bool m_started = false;
};

} // namespace Documents::Pdf
