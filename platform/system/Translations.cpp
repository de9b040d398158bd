#include "platform/system/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

using namespace Qt::StringLiterals;

Translations::Translations(const QStringList &uiLanguages)
{
    for (const QString &name : uiLanguages) {
        const QLocale locale(name);
        // English is the texts' own language; "C" and names Qt does not know
        // come out as the C locale. An unknown name is skipped, a later one
        // may still match.
        if (locale.language() == QLocale::English)
            return;
        if (locale.language() == QLocale::C)
            continue;
        auto program = std::make_unique<QTranslator>();
        if (!program->load(locale, u"tavorin"_s, u"_"_s, u":/i18n"_s))
            continue;
        m_program = std::move(program);
        QCoreApplication::installTranslator(m_program.get());
        // Qt's own texts in the same language, where the system has them.
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(locale, u"qtbase"_s, u"_"_s,
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            m_qt = std::move(qt);
            QCoreApplication::installTranslator(m_qt.get());
        }
        return;
    }
}

Translations::~Translations()
{
    if (m_qt)
        QCoreApplication::removeTranslator(m_qt.get());
    if (m_program)
        QCoreApplication::removeTranslator(m_program.get());
}
