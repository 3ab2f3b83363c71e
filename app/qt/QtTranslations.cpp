#include "app/qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tavrin {

namespace {
// "qt" names the catalogue that pulls in those of every Qt module.
bool LoadQtCatalogue(QTranslator& translator, const QLocale& locale) {
    return translator.load(locale, QStringLiteral("qt"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
} // namespace

QtTranslations::QtTranslations(const QLocale& locale) {
    const QLocale brazilian(QLocale::Portuguese, QLocale::Brazil);
    // Qt asks the translator installed last first and goes on to the earlier ones for a text
    // it lacks: the Brazilian catalogue goes in first, the locale's own variant over it.
    if (LoadQtCatalogue(fallback_, brazilian))
        fallbackInstalled_ = QCoreApplication::installTranslator(&fallback_);
    if (locale.language() == QLocale::Portuguese && locale.territory() != QLocale::Brazil &&
        LoadQtCatalogue(variant_, locale)) {
        // QTranslator::load falls back from pt_PT to pt by itself; a plain "pt" catalogue
        // would be the one just loaded for Brazil again, so only a variant of its own counts.
        if (variant_.filePath() != fallback_.filePath())
            variantInstalled_ = QCoreApplication::installTranslator(&variant_);
    }
}

QtTranslations::~QtTranslations() {
    if (variantInstalled_)
        QCoreApplication::removeTranslator(&variant_);
    if (fallbackInstalled_)
        QCoreApplication::removeTranslator(&fallback_);
}

} // namespace tavrin
