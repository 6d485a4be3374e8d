#include "rules/game/RulesText.h"

#include <QStringList>

QString howToPlayText(const QString &contact) {
    // The no-break spaces (U+00A0) keep the opening words of two paragraphs on one line,
    // the one-letter "V" never left alone at a line end.
    const QStringList paragraphs{
        QStringLiteral("Tato hra je na první pohled velmi prostá a přitom se u ní dokážete dobře "
                       "pobavit. Zvláště ti z vás, kteří v sobě mají ducha soutěživosti."),
        QStringLiteral("V\u00A0horní\u00A0části\u00A0obrazovky se pohybují zprava doleva kostičky "
                       "pěti různých barev. Ve spodní části je pět sloupečků s kostičkami taktéž "
                       "pěti barev, které postupně klesají dolů."),
        QStringLiteral("Vašim\u00A0úkolem\u00A0je\u00A0posílat kostičky z horní řady do "
                       "sloupečků. Stačí kliknout myší na kostičku nad sloupečkem. Je však třeba "
                       "dodržet správnou barvu. Pokud pošlete do sloupečku kostičku jiné barvy, "
                       "než která tam patří, hra končí. Hra také končí v okamžiku, kdy se některý "
                       "sloupeček úplně vyprázdní."),
        QStringLiteral("Hra se postupně zrychluje, a proto vám držíme palce, abyste vydrželi co "
                       "nejdéle a dosáhli co nejvíce bodů."),
        QStringLiteral("V případě jakýchkoli nejasností či nesprávné funkce programu nás "
                       "kontaktujte pomocí e-mailu ") +
            contact,
    };
    return paragraphs.join(QStringLiteral("\r\n"));
}
