// The name box of a record takes only what the stored table can keep.
#pragma once

#include <QValidator>

class NameValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &position) const override;
};
