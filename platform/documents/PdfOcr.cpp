#include "platform/documents/PdfOcr.h"

#include <QImage>
#include <QLocale>
#include <QRegularExpression>

#include <poppler-qt6.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace Documents::Pdf {

namespace {

// What Tesseract reads best; a page far larger than paper gets fewer dots
// rather than an image of gigabytes.
constexpr int ocrResolution = 300;
constexpr qreal largestImage = 24e6; // pixels, an A3 page's at 300 dpi

const QString english = u"eng"_s;

// "de-DE", "de_DE", "deu": Tesseract's name of the language, or nothing.
QString tesseractName(const QString &tag)
{
    static const QRegularExpression threeLetters(u"^[a-z]{3}(_[a-z]+)?$"_s);
    if (threeLetters.match(tag).hasMatch())
        return tag;
    const QLocale locale(tag);
    if (locale.language() == QLocale::C || locale.language() == QLocale::AnyLanguage)
        return {};
    if (locale.language() == QLocale::Chinese)
        return locale.script() == QLocale::TraditionalChineseScript ? u"chi_tra"_s : u"chi_sim"_s;
    return QLocale::languageToCode(locale.language(), QLocale::ISO639Part2T);
}

bool stopRequested(void *cancel, int)
{
    return static_cast<const std::atomic_bool *>(cancel)->load(std::memory_order_relaxed);
}

// A page without a mark on it has nothing to read, and Tesseract need not
// look.
bool isBlank(const QImage &image)
{
    const uchar first = image.constScanLine(0)[0];
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        if (std::any_of(line, line + image.width(), [first](uchar c) { return c != first; }))
            return false;
    }
    return true;
}

} // namespace

bool isOcrLanguageList(const QString &languages)
{
    static const QRegularExpression list(u"^[a-z]{3}(_[a-z]+)?(\\+[a-z]{3}(_[a-z]+)?)*$"_s);
    return list.match(languages).hasMatch();
}

QString ocrLanguages(const QString &asked, const QString &document, const QString &window,
                     const QStringList &installed, QString *note)
{
    QStringList wanted;
    if (!asked.isEmpty())
        wanted = asked.split(u'+');
    else if (const QString fromDocument = tesseractName(document); !fromDocument.isEmpty())
        wanted = {fromDocument};
    else if (const QString fromWindow = tesseractName(window); !fromWindow.isEmpty())
        wanted = {fromWindow};
    QStringList chosen;
    QStringList missing;
    for (const QString &language : std::as_const(wanted)) {
        if (installed.contains(language))
            chosen.append(language);
        else
            missing.append(language);
    }
    chosen.removeDuplicates();
    if (chosen.isEmpty())
        chosen = {english};
    if (note)
        *note = missing.isEmpty()
                    ? QString()
                    : u"OCR: no language data for %1 is installed; reading in %2"_s.arg(
                          missing.join(u", "), chosen.join(u'+'));
    return chosen.join(u'+');
}

struct PageRecogniser::Engine
{
    tesseract::TessBaseAPI api;
};

PageRecogniser::PageRecogniser(const Options &options, QString documentLanguage)
    : m_options(options)
    , m_documentLanguage(std::move(documentLanguage))
{}

PageRecogniser::~PageRecogniser()
{
    if (m_engine)
        m_engine->api.End();
}

// Tesseract is loaded at the first page that needs it: a document with its
// text layer on every page never pays for it.
bool PageRecogniser::start(const std::function<void(const QString &)> &note)
{
    m_started = true;
    auto engine = std::make_unique<Engine>();
    // Its remarks on each page would go to standard error.
    engine->api.SetVariable("debug_file", "/dev/null");
    // English first: it tells where the language data is and what is there.
    if (engine->api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0) {
        note(u"OCR: no English language data is installed; scanned pages are not read"_s);
        return false;
    }
    std::vector<std::string> names;
    engine->api.GetAvailableLanguagesAsVector(&names);
    QStringList installed;
    for (const std::string &name : names)
        installed.append(QString::fromStdString(name));
    const QString window = QLocale::system().uiLanguages().value(0);
    QString why;
    const QString languages =
        ocrLanguages(m_options.ocrLanguage, m_documentLanguage, window, installed, &why);
    if (!why.isEmpty())
        note(why);
    if (languages != english) {
        engine->api.End();
        if (engine->api.Init(nullptr, languages.toUtf8().constData(), tesseract::OEM_LSTM_ONLY) !=
                0 &&
            engine->api.Init(nullptr, "eng", tesseract::OEM_LSTM_ONLY) != 0)
            return false;
    }
    engine->api.SetPageSegMode(tesseract::PSM_AUTO);
    m_engine = std::move(engine);
    return true;
}

Page PageRecogniser::recognise(const Poppler::Page &source, int index,
                               const std::function<void(const QString &)> &note)
{
    Page page;
    const QSizeF size = source.pageSizeF();
    page.height = size.height();
    if ((m_started && !m_engine) || size.isEmpty())
        return page;
    const qreal inches = size.width() * size.height() / (72.0 * 72.0);
    const qreal dpi =
        std::clamp(std::sqrt(largestImage / std::max(inches, 1e-6)), 1.0, qreal(ocrResolution));
    const QImage image = source.renderToImage(dpi, dpi).convertToFormat(QImage::Format_Grayscale8);
    if (image.isNull() || isBlank(image) || m_options.cancelled())
        return page;
    if (!m_started && !start(note))
        return page;

    tesseract::TessBaseAPI &api = m_engine->api;
    api.SetImage(image.constBits(), image.width(), image.height(), 1, int(image.bytesPerLine()));
    api.SetSourceResolution(int(std::lround(dpi)));
    tesseract::ETEXT_DESC monitor;
    if (m_options.cancel) {
        monitor.cancel = stopRequested;
        monitor.cancel_this = const_cast<std::atomic_bool *>(m_options.cancel);
    }
    if (api.Recognize(&monitor) != 0 || m_options.cancelled()) {
        api.Clear();
        return page;
    }
    const std::unique_ptr<tesseract::ResultIterator> lines(api.GetIterator());
    const qreal points = 72.0 / dpi;
    for (bool more = lines && !lines->Empty(tesseract::RIL_TEXTLINE); more;
         more = lines->Next(tesseract::RIL_TEXTLINE)) {
        const std::unique_ptr<char[]> text(lines->GetUTF8Text(tesseract::RIL_TEXTLINE));
        int left = 0, top = 0, right = 0, bottom = 0;
        if (!text || !lines->BoundingBox(tesseract::RIL_TEXTLINE, &left, &top, &right, &bottom))
            continue;
        Line line{
            QString::fromUtf8(text.get()).simplified(),
            QRectF(left * points, top * points, (right - left) * points, (bottom - top) * points),
            index};
        if (!line.text.isEmpty())
            page.lines.append(std::move(line));
    }
    api.Clear();
    return page;
}

} // namespace Documents::Pdf
