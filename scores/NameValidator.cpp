#include "scores/NameValidator.h"

#include "scores/Cp1250.h"
#include "scores/TabulkaSkore.h"

QValidator::State NameValidator::validate(QString &input, int & /*position*/) const {
    return TabulkaSkore::isStorableName(input) ? Acceptable : Invalid;
}
