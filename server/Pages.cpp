// The pages are built as text: they are small, fixed in shape, and every
// piece of player input in them goes through toHtmlEscaped.
#include "server/Pages.h"

#include <QDateTime>

namespace skore::pages {

namespace {

// The game's colours: the night blue of its sky, the light yellow of its
// result rows (RGB 255, 255, 192) and gold for the rules between them.
const QString kStyle = QStringLiteral(
    "html{background:#0a1030}"
    "body{margin:0 auto;max-width:46em;padding:1.5em 1em;background:#0a1030;color:#ffffc0;"
    "font-family:\"DejaVu Sans\",Verdana,Arial,sans-serif}"
    "h1{margin:0 0 .2em;color:#e8c15a;font-size:2em;letter-spacing:.06em;text-align:center}"
    "p{text-align:center}"
    "p.sub{margin:0 0 1.2em;color:#e8c15a}"
    "table{width:100%;border-collapse:collapse;border-top:3px double #d4a72c;"
    "border-bottom:3px double #d4a72c}"
    "th{color:#e8c15a;font-weight:bold;padding:.45em .6em;border-bottom:2px solid #d4a72c}"
    "td{padding:.35em .6em;border-bottom:1px solid #8a6d1d}"
    "td.rank,td.score,th.rank,th.score{text-align:right}"
    // Spaces of a name kept as typed, yet a long name wraps rather than
    // pushing the score off a phone's screen.
    "td.name,th.name{text-align:left;white-space:pre-wrap;overflow-wrap:anywhere}"
    "td.day,th.day{text-align:right;white-space:nowrap}"
    "td.rank{width:3.5em}"
    "a{color:#e8c15a}"
    "p.note{font-size:.85em;color:#c8c8a0}"
    "@media (max-width:32em){body{padding:1em .4em;font-size:.9em}th,td{padding:.35em .3em}"
    "td.rank{width:auto}td.day{white-space:normal}}");

QString head(const QString &title) {
    return QStringLiteral("<!DOCTYPE html><html lang=\"cs\"><head><meta charset=\"utf-8\">"
                          "<meta name=\"viewport\" content=\"width=device-width, "
                          "initial-scale=1\"><title>%1</title><style>%2</style></head>")
        .arg(title.toHtmlEscaped(), kStyle);
}

} // namespace

QList<RankedRow> rank(const BoardRows &rows) {
    QList<RankedRow> ranked;
    ranked.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const bool tie = i > 0 && rows[i].score == rows[i - 1].score;
        ranked.append({tie ? ranked.back().rank : int(i) + 1, rows[i]});
    }
    return ranked;
}

QString czechDate(QDate day) {
    return QStringLiteral("%1. %2. %3").arg(day.day()).arg(day.month()).arg(day.year());
}

QDate dayOf(qint64 firstSeen, const QTimeZone &zone) {
    return QDateTime::fromSecsSinceEpoch(firstSeen, zone).date();
}

QTimeZone boardZone() {
    const QTimeZone prague(QByteArrayLiteral("Europe/Prague"));
    return prague.isValid() ? prague : QTimeZone::utc();
}

std::string board(const BoardRows &rows, const QTimeZone &zone) {
    QString html = head(QStringLiteral("Toquel – celosvětový žebříček"));
    html += QStringLiteral("<body><h1>Toquel</h1><p class=\"sub\">Celosvětový žebříček – "
                           "%1 nejlepších výsledků</p>")
                .arg(kBoardSize);
    if (rows.isEmpty()) {
        html += QStringLiteral("<p>Zatím tu není žádný výsledek. Buďte první: v nabídce hry "
                               "zvolte „Odeslat na web“.</p>");
    } else {
        html += QStringLiteral(
            "<table><thead><tr><th class=\"rank\" scope=\"col\">Pořadí</th>"
            "<th class=\"name\" scope=\"col\">Jméno</th><th class=\"score\" scope=\"col\">Skóre"
            "</th><th class=\"day\" scope=\"col\">Poprvé</th></tr></thead><tbody>");
        for (const RankedRow &r : rank(rows)) {
            html += QStringLiteral("<tr><td class=\"rank\">%1.</td><td class=\"name\">%2</td>"
                                   "<td class=\"score\">%3</td><td class=\"day\">%4</td></tr>")
                        .arg(QString::number(r.rank), r.row.name.toHtmlEscaped(),
                             QString::number(r.row.score), czechDate(dayOf(r.row.firstSeen, zone)));
        }
        html += QStringLiteral("</tbody></table><p class=\"note\">Stejné skóre dává stejné "
                               "pořadí; výše stojí výsledek, který přišel dřív.</p>");
    }
    html += QStringLiteral("</body></html>");
    return html.toStdString();
}

std::string ok() {
    return "<!DOCTYPE html><html lang=\"cs\"><head><meta charset=\"utf-8\"><title>OK</title>"
           "</head><body>OK </body></html>";
}

std::string error(const QString &title, const QString &message) {
    QString html = head(QStringLiteral("Toquel – %1").arg(title));
    html += QStringLiteral("<body><h1>%1</h1><p>%2</p><p><a href=\"/skore\">Celosvětový "
                           "žebříček</a></p></body></html>")
                .arg(title.toHtmlEscaped(), message.toHtmlEscaped());
    return html.toStdString();
}

} // namespace skore::pages
