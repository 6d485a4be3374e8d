#include "scores/NameValidator.h"

#include "scores/Cp1250.h"
#include "scores/ScoreTable.h"

QValidator::State NameValidator::validate(QString &input, int & /*position*/) const {
    return ScoreTable::isStorableName(input) ? Acceptable : Invalid;
}
