#pragma once

// The command line takes only what the port can send: characters that Windows-1252 has,
// each going out as one byte. A paste with any other character is refused whole, as a
// typed one is, rather than sent as a substitute the user never typed.

#include <QValidator>

namespace tavrin {

class CommandValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace tavrin
