#include "app/qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>

namespace tavrin {

QtTranslations::QtTranslations(const QLocale& locale) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // "qt" names the catalogue that pulls in those of every Qt module. A text missing from
    // the translator installed last is looked up in the one installed before it.
    const QLocale brazil(QLocale::Portuguese, QLocale::Brazil);
    if (brazil_.load(brazil, QStringLiteral("qt"), QStringLiteral("_"), folder))
        brazilInstalled_ = QCoreApplication::installTranslator(&brazil_);
    if (locale.language() == QLocale::Portuguese && locale.territory() != QLocale::Brazil &&
        variant_.load(locale, QStringLiteral("qt"), QStringLiteral("_"), folder) &&
        variant_.language() != brazil_.language())
        variantInstalled_ = QCoreApplication::installTranslator(&variant_);
}

QtTranslations::~QtTranslations() {
    if (variantInstalled_)
        QCoreApplication::removeTranslator(&variant_);
    if (brazilInstalled_)
        QCoreApplication::removeTranslator(&brazil_);
}

} // namespace tavrin
