#include "app/main/CommandValidator.h"

#include "app/qt/Ansi.h"

namespace tavrin {

QValidator::State CommandValidator::validate(QString& input, int&) const {
    return FitsAnsi(input) ? Acceptable : Invalid;
}

} // namespace tavrin
