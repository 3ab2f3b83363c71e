#pragma once

// Qt's own texts (the standard buttons of message boxes, the edit menus of text fields)
// in Portuguese like the rest of the interface: "Sim" and "Não", not "Yes" and "No". A
// user whose locale names a variant of Portuguese gets that variant where Qt has it;
// everybody else, including the C and English locales, gets Brazilian Portuguese. The
// catalogues are Qt's (Debian's qt6-translations-l10n); without them the texts stay
// Qt's English.

#include <QTranslator>

namespace tavrin {

class QtTranslations {
public:
    // Loads the catalogue and installs it in the running QCoreApplication.
    QtTranslations();
    ~QtTranslations();
    QtTranslations(const QtTranslations&) = delete;
    QtTranslations& operator=(const QtTranslations&) = delete;

    bool Installed() const { return installed_; }

private:
    QTranslator translator_;
    bool installed_ = false;
};

} // namespace tavrin
