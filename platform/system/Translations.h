#pragma once

#include <QStringList>

#include <memory>

class QTranslator;

// The program's texts, and Qt's own (standard buttons, file panels), in the
// first of the person's languages that the program is translated into. The
// texts are written in English, which is what is shown when no language of
// the list has a translation, or when English comes first in it.
class Translations
{
public:
    // Installs the translations for `uiLanguages`, most preferred first, as
    // QLocale::uiLanguages() lists them; they stay installed while this
    // object lives.
    explicit Translations(const QStringList &uiLanguages);
    ~Translations();

    Translations(const Translations &) = delete;
    Translations &operator=(const Translations &) = delete;

private:
    std::unique_ptr<QTranslator> m_program;
    std::unique_ptr<QTranslator> m_qt;
};
