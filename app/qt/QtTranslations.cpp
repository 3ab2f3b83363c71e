#include "app/qt/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace tavrin {

QtTranslations::QtTranslations() {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QLocale system = QLocale::system();
    // "qt" names the catalogue that pulls in those of every Qt module.
    const bool loaded =
        (system.language() == QLocale::Portuguese &&
         translator_.load(system, QStringLiteral("qt"), QStringLiteral("_"), folder)) ||
        translator_.load(QLocale(QLocale::Portuguese, QLocale::Brazil), QStringLiteral("qt"),
                         QStringLiteral("_"), folder);
    if (loaded)
        installed_ = QCoreApplication::installTranslator(&translator_);
}

QtTranslations::~QtTranslations() {
    if (installed_)
        QCoreApplication::removeTranslator(&translator_);
}

} // namespace tavrin
