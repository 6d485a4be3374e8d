#include "server/Board.h"

#include "server/Log.h"
#include "server/Pages.h"
#include "server/Storage.h"
#include "server/Submission.h"

namespace skore {

namespace {

Board::Options withDefaults(Board::Options options) {
    if (!options.zone.isValid())
        options.zone = pages::boardZone();
    if (!options.steadyNow)
        options.steadyNow = &RateLimiter::Clock::now;
    return options;
}

Board::Reply errorReply(int status, const QString &title, const QString &message) {
    return {status, pages::error(title, message), 0};
}

} // namespace

Board::Board(DatabaseConfig config) : Board(std::move(config), Options{}) {}

Board::Board(DatabaseConfig config, Options options)
    : m_options(withDefaults(std::move(options))), m_database(std::move(config), m_options.wallNow),
      m_limiter(m_options.rateLimit, m_options.rateWindow, m_options.steadyNow) {}

Board::~Board() {
    stop();
}

bool Board::start(QString *error) {
    return m_database.start(error);
}

void Board::stop() {
    m_database.stop();
}

Board::Reply Board::post(QByteArrayView body, const std::string &client) {
    if (!m_limiter.admit(client)) {
        Reply reply = errorReply(
            429, QStringLiteral("Příliš mnoho odeslání"),
            QStringLiteral("Z jedné adresy lze odeslat výsledky nejvýše %1krát za %2 sekund. "
                           "Zkuste to prosím znovu za chvíli.")
                .arg(m_limiter.limit())
                .arg(m_limiter.window().count()));
        reply.retryAfterSeconds = std::max(1, m_limiter.secondsUntilFree(client));
        return reply;
    }
    const Submission submission = Submission::parse(body);
    if (submission.outcome == Submission::Outcome::TooLarge)
        return tooLarge();
    if (!submission.accepted()) {
        log::debug(QStringLiteral("Odeslání odmítnuto: %1").arg(submission.reason));
        return errorReply(400, QStringLiteral("Výsledky nebyly přijaty"), submission.reason);
    }
    if (!submission.results.isEmpty()) {
        const std::optional<int> added = m_database.add(submission.results);
        if (!added)
            return unavailable();
        if (*added > 0)
            m_dirty = true;
    }
    log::debug(QStringLiteral("Přijaté výsledky: %1.").arg(submission.results.size()));
    return {200, pages::ok(), 0};
}

Board::Reply Board::page() {
    std::lock_guard lock(m_pageMutex);
    const auto now = m_options.steadyNow();
    if (m_page && !m_dirty && now - m_pageChecked < m_options.pageMaxAge)
        return {200, *m_page, 0};

    bool failed = false;
    const bool ran = m_database.run([&](Storage &storage) {
        // Cleared before reading: a post stored after this point marks the
        // page stale again, so no result is ever left off for good.
        const bool wasDirty = m_dirty.exchange(false);
        const std::optional<qint64> changes = storage.changeCount();
        if (changes && m_page && !wasDirty && *changes == m_pageChanges)
            return;
        const std::optional<BoardRows> rows =
            changes ? storage.best(pages::kBoardSize) : std::nullopt;
        if (!rows) {
            failed = true;
            if (wasDirty)
                m_dirty = true;
            return;
        }
        m_page = std::make_shared<const std::string>(pages::board(*rows, m_options.zone));
        m_pageChanges = *changes;
        ++m_renders;
    });
    if (!ran || failed) {
        // The last ranking is better than none while the database is away.
        if (m_page)
            return {200, *m_page, 0};
        return unavailable();
    }
    m_pageChecked = now;
    return {200, *m_page, 0};
}

Board::Reply Board::notFound() {
    return errorReply(404, QStringLiteral("Stránka nenalezena"),
                      QStringLiteral("Tato stránka na serveru výsledků není. Celosvětový "
                                     "žebříček hry Toquel je na adrese /skore."));
}

Board::Reply Board::methodNotAllowed() {
    return errorReply(405, QStringLiteral("Nepodporovaný požadavek"),
                      QStringLiteral("Na tuto adresu hra výsledky odesílá metodou POST; "
                                     "žebříček se čte na adrese /skore."));
}

Board::Reply Board::tooLarge() {
    return errorReply(413, QStringLiteral("Příliš velký formulář"),
                      QStringLiteral("Formulář s výsledky smí mít nejvýše %1 bajtů.")
                          .arg(Submission::kMaxBodyBytes));
}

Board::Reply Board::unavailable() {
    return errorReply(503, QStringLiteral("Žebříček je dočasně nedostupný"),
                      QStringLiteral("Databáze výsledků teď neodpovídá. Zkuste to prosím "
                                     "znovu za chvíli."));
}

} // namespace skore
