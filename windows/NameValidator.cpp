// A name is refused as it is typed or pasted when the stored table could not keep it.
#include "windows/NameValidator.h"

#include "rules/scores/ScoreTable.h"

QValidator::State NameValidator::validate(QString &input, int & /*position*/) const {
    return ScoreTable::isStorableName(input) ? Acceptable : Invalid;
}
