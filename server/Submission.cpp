// The checks a posted table passes before anything of it reaches the board.
#include "server/Submission.h"

#include "rules/web/FormBody.h"

#include <algorithm>
#include <array>
#include <utility>

namespace skore {

namespace {

Submission refuse(const QString &reason) {
    Submission s;
    s.outcome = Submission::Outcome::Refused;
    s.reason = reason;
    return s;
}

// A field name for a message: the game's names are short ASCII, anything else
// is shown cut and with its odd bytes replaced.
QString shownFieldName(const QByteArray &name) {
    QString shown = QString::fromLatin1(name.left(16));
    for (QChar &c : shown)
        if (c.unicode() < 0x20 || c.unicode() >= 0x7F)
            c = u'?';
    return name.size() > 16 ? shown + u'…' : shown;
}

int fieldIndex(const QByteArray &name) {
    const auto &names = FormBody::kFieldNames;
    const auto found =
        std::find_if(names.begin(), names.end(), [&](const char *known) { return name == known; });
    return found == names.end() ? -1 : int(found - names.begin());
}

} // namespace

std::optional<int> parseScore(QStringView text) {
    // Five digits at most, so the value cannot overflow before the range check.
    if (text.isEmpty() || text.size() > 5 || text.front() == u'0')
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value < Submission::kMinScore || value > Submission::kMaxScore)
        return std::nullopt;
    return value;
}

namespace {

// Default_Ignorable_Code_Point of Unicode's DerivedCoreProperties that are not
// format characters already: drawn as nothing, so "Pepa" with one of them
// would stand on the board as a second "Pepa". Hangul fillers look empty, and
// so does the braille blank, which no name needs.
constexpr std::array<std::pair<char32_t, char32_t>, 10> kInvisible{{
    {0x034F, 0x034F},   // combining grapheme joiner
    {0x115F, 0x1160},   // Hangul choseong and jungseong fillers
    {0x17B4, 0x17B5},   // Khmer inherent vowels
    {0x180B, 0x180F},   // Mongolian variation selectors and vowel separator
    {0x2800, 0x2800},   // braille pattern blank
    {0x3164, 0x3164},   // Hangul filler
    {0xFE00, 0xFE0F},   // variation selectors
    {0xFFA0, 0xFFA0},   // halfwidth Hangul filler
    {0xFFF0, 0xFFF8},   // reserved in the specials block
    {0xE0000, 0xE0FFF}, // tags and the variation selectors supplement
}};

bool isInvisible(char32_t c) {
    return std::any_of(kInvisible.begin(), kInvisible.end(),
                       [c](const auto &range) { return c >= range.first && c <= range.second; });
}

bool isRefusedCategory(char32_t c) {
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Other_Surrogate:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

bool isMark(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
           category == QChar::Mark_Enclosing;
}

// The game's own spaces: Windows-1250 has the space and the no-break space.
bool isGameSpace(char32_t c) {
    return c == u' ' || c == 0xA0;
}

} // namespace

bool isAcceptableName(QStringView name) {
    const QList<uint> codePoints = name.toUcs4();
    if (codePoints.isEmpty() || codePoints.size() > Submission::kMaxNameLength)
        return false;
    // Besides control characters: format characters (a byte order mark, bidi
    // overrides, zero-width joiners), private-use and unassigned code points,
    // lone surrogates and line/paragraph separators. On the page they would
    // show as nothing, reorder the row or break it: a name must look the way
    // it reads.
    int marksInARow = 0;
    bool visible = false;
    bool onlyGameSpaces = true;
    for (const uint c : codePoints) {
        if (isRefusedCategory(c) || isInvisible(c))
            return false;
        // A stack of accents on one letter spills over the rows around it.
        marksInARow = isMark(c) ? marksInARow + 1 : 0;
        if (marksInARow > 2)
            return false;
        onlyGameSpaces = onlyGameSpaces && isGameSpace(c);
        visible = visible || !QChar::isSpace(c);
    }
    // A name of spaces the game can type stays (the game keeps it); one of
    // other blanks would only be an empty-looking row.
    return visible || onlyGameSpaces;
}

Submission Submission::parse(QByteArrayView body) {
    if (body.size() > kMaxBodyBytes) {
        Submission s;
        s.outcome = Outcome::TooLarge;
        s.reason = QStringLiteral("Formulář je větší než %1 bajtů.").arg(kMaxBodyBytes);
        return s;
    }
    const std::optional<FormBody::Fields> fields = FormBody::decode(body);
    if (!fields)
        return refuse(QStringLiteral("Formulář nelze přečíst: není zakódován tak, jak ho "
                                     "posílá hra (pole bez „=“ nebo chybný znak „%“)."));

    constexpr int kFields = int(FormBody::kFieldNames.size());
    std::array<std::optional<QString>, kFields> values;
    for (const FormBody::Field &field : *fields) {
        const int index = fieldIndex(field.first);
        if (index < 0)
            return refuse(QStringLiteral("Formulář obsahuje neznámé pole „%1“.")
                              .arg(shownFieldName(field.first)));
        if (values[std::size_t(index)])
            return refuse(QStringLiteral("Pole %1 je ve formuláři vícekrát.")
                              .arg(QLatin1String(FormBody::kFieldNames[std::size_t(index)])));
        values[std::size_t(index)] = field.second;
    }
    for (int i = 0; i < kFields; ++i)
        if (!values[std::size_t(i)])
            return refuse(QStringLiteral("Ve formuláři chybí pole %1.")
                              .arg(QLatin1String(FormBody::kFieldNames[std::size_t(i)])));

    Submission s;
    s.outcome = Outcome::Accepted;
    for (int place = 1; place <= ScoreTable::kEntries; ++place) {
        const QString &name = *values[std::size_t(2 * place - 2)];
        const QString &score = *values[std::size_t(2 * place - 1)];
        if (name.isEmpty() && score.isEmpty())
            continue; // a free place of the table
        if (name.isEmpty())
            return refuse(QStringLiteral("Na %1. místě je skóre, ale chybí jméno.").arg(place));
        if (score.isEmpty())
            return refuse(QStringLiteral("Na %1. místě je jméno, ale chybí skóre.").arg(place));
        const std::optional<int> value = parseScore(score);
        if (!value)
            return refuse(QStringLiteral("Skóre na %1. místě musí být celé číslo od %2 do %3 "
                                         "zapsané bez znaménka a úvodních nul.")
                              .arg(place)
                              .arg(kMinScore)
                              .arg(kMaxScore));
        if (!isAcceptableName(name))
            return refuse(QStringLiteral("Jméno na %1. místě musí mít 1 až %2 znaků a nesmí "
                                         "obsahovat řídicí ani neviditelné znaky ani víc než dvě "
                                         "znaménka nad jedním písmenem.")
                              .arg(place)
                              .arg(kMaxNameLength));
        s.results.append({name, *value});
    }
    return s;
}

} // namespace skore
