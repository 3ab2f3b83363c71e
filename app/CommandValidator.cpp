#include "app/CommandValidator.h"

#include "app/Ansi.h"

namespace tavrin {

QValidator::State CommandValidator::validate(QString& input, int&) const {
    return FitsAnsi(input) ? Acceptable : Invalid;
}

} // namespace tavrin
