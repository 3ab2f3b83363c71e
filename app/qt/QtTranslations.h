#pragma once

// Qt's own texts (the standard buttons of message boxes, the edit menus of text fields)
// in Portuguese like the rest of the interface: "Sim" and "Não", not "Yes" and "No". A
// user whose locale names a variant of Portuguese gets that variant where Qt's catalogue of
// it has the text, and Brazilian Portuguese for every text it lacks (Qt's pt_PT catalogue
// has no standard buttons); everybody else, including the C and English locales, gets
// Brazilian Portuguese. The catalogues are Qt's (Debian's qt6-translations-l10n); without
// them the texts stay Qt's English.

#include <QLocale>
#include <QTranslator>

namespace tavrin {

class QtTranslations {
public:
    // Loads the catalogues for `locale` and installs them in the running QCoreApplication.
    explicit QtTranslations(const QLocale& locale = QLocale::system());
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    // The Brazilian catalogue at least is in place.
    bool Installed() const { return fallbackInstalled_; }

private:
    QTranslator fallback_; // Brazilian Portuguese, asked last
    QTranslator variant_;  // the locale's own Portuguese, asked first
    bool fallbackInstalled_ = false;
    bool variantInstalled_ = false;
};

} // namespace tavrin
