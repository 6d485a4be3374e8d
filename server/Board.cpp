#include "server/Board.h"

#include "server/Log.h"
#include "server/Pages.h"
#include "server/Storage.h"
#include "server/Submission.h"

#include <algorithm>
#include <future>

namespace skore {

namespace {

Board::Options withDefaults(Board::Options options) {
    if (!options.zone.isValid())
        options.zone = pages::boardZone();
    if (!options.steadyNow)
        options.steadyNow = &RateLimiter::Clock::now;
    return options;
}

Board::Reply okReply() {
    static const auto ok = std::make_shared<const std::string>(pages::ok());
    return {200, ok, 0};
}

} // namespace

Board::Board(DatabaseConfig config) : Board(std::move(config), Options{}) {}

Board::Board(DatabaseConfig config, Options options)
    : m_options(withDefaults(std::move(options))),
      m_limiter(m_options.rateLimit, m_options.rateWindow, m_options.steadyNow,
                m_options.rateMaxClients),
      m_database(
          std::move(config), m_options.wallNow,
          [this](Storage &storage, const Results *written) { refresh(storage, written); },
          m_options.pageMaxAge, m_options.steadyNow) {}

Board::~Board() {
    stop();
}

bool Board::start(QString *error) {
    return m_database.start(error);
}

void Board::stop() {
    m_database.stop();
}

bool Board::stopWithin(std::chrono::milliseconds limit) {
    return m_database.stopWithin(limit);
}

Board::Reply Board::error(int status, const QString &title, const QString &message) {
    return {status, std::make_shared<const std::string>(pages::error(title, message)), 0};
}

std::unique_ptr<Board::Pending> Board::post(QByteArrayView body, const std::string &client,
                                            Answer answer) {
    if (!m_limiter.admit(client)) {
        Reply reply =
            error(429, QStringLiteral("Příliš mnoho odeslání"),
                  QStringLiteral("Z jedné adresy lze odeslat výsledky nejvýše %1krát za %2 sekund. "
                                 "Zkuste to prosím znovu za chvíli.")
                      .arg(m_limiter.limit())
                      .arg(m_limiter.window().count()));
        reply.retryAfterSeconds = std::max(1, m_limiter.secondsUntilFree(client));
        answer(std::move(reply));
        return nullptr;
    }
    Submission submission = Submission::parse(body);
    if (submission.outcome == Submission::Outcome::TooLarge) {
        answer(tooLarge());
        return nullptr;
    }
    if (!submission.accepted()) {
        log::debug(QStringLiteral("Odeslání odmítnuto: %1").arg(submission.reason));
        answer(error(400, QStringLiteral("Výsledky nebyly přijaty"), submission.reason));
        return nullptr;
    }
    if (submission.results.isEmpty()) {
        answer(okReply());
        return nullptr;
    }
    auto write = std::make_shared<DatabaseThread::Write>();
    write->results = std::move(submission.results);
    write->deadline = m_options.steadyNow() + m_options.postWait;
    const qsizetype count = write->results.size();
    write->done = [answer = std::move(answer), count](std::optional<int> added) {
        // "OK " only once the results are committed to the database.
        if (!added) {
            answer(unavailable());
            return;
        }
        log::debug(QStringLiteral("Přijaté výsledky: %1, nové: %2.").arg(count).arg(*added));
        answer(okReply());
    };
    auto pending = std::make_unique<Pending>(write);
    if (!m_database.add(write) && write->claim())
        write->done(std::nullopt); // the server is stopping: nothing more is written
    return pending;
}

Board::Reply Board::post(QByteArrayView body, const std::string &client) {
    auto promise = std::make_shared<std::promise<Reply>>();
    std::future<Reply> reply = promise->get_future();
    std::unique_ptr<Pending> pending =
        post(body, client, [promise](Reply r) { promise->set_value(std::move(r)); });
    if (pending && reply.wait_for(m_options.postWait) == std::future_status::timeout &&
        pending->giveUp())
        return unavailable();
    return reply.get();
}

Board::Reply Board::page() const {
    std::lock_guard lock(m_pageMutex);
    if (!m_page)
        return unavailable();
    return {200, m_page, 0};
}

void Board::refresh(Storage &storage, const Results *written) {
    // Results below the last place of a full ranking leave it as it is: the
    // busy board's usual case, so most writes cost no query and no redraw.
    // Should another server have changed the ranking meanwhile, the next
    // quiet check sees it.
    const bool belowThePage =
        written && m_pageFloor > 0 &&
        std::all_of(written->begin(), written->end(),
                    [this](const Result &r) { return r.score < m_pageFloor; });
    if (belowThePage && !m_pageStale)
        return;
    // The ranking itself tells whether it changed, whoever changed it (a
    // post to another server, a result an operator removed): a hundred rows
    // read by the index every two seconds of quiet, and no row that every
    // writer of every server would have to update.
    const std::optional<BoardRows> rows = storage.best(pages::kBoardSize);
    if (!rows) {
        // The last ranking is better than none while the database is away;
        // the next round tries again.
        m_pageStale = true;
        return;
    }
    if (!m_pageStale && *rows == m_pageRows)
        return;
    auto page = std::make_shared<const std::string>(pages::board(*rows, m_options.zone));
    {
        std::lock_guard lock(m_pageMutex);
        m_page = std::move(page);
    }
    m_pageRows = *rows;
    m_pageFloor = rows->size() == pages::kBoardSize ? rows->back().score : 0;
    m_pageStale = false;
    ++m_renders;
}

Board::Reply Board::notFound() {
    return error(404, QStringLiteral("Stránka nenalezena"),
                 QStringLiteral("Tato stránka na serveru výsledků není. Celosvětový "
                                "žebříček hry Toquel je na adrese /skore."));
}

Board::Reply Board::methodNotAllowed() {
    return error(405, QStringLiteral("Nepodporovaný požadavek"),
                 QStringLiteral("Na tuto adresu hra výsledky odesílá metodou POST; "
                                "žebříček se čte na adrese /skore."));
}

Board::Reply Board::tooLarge() {
    return error(413, QStringLiteral("Příliš velký formulář"),
                 QStringLiteral("Formulář s výsledky smí mít nejvýše %1 bajtů.")
                     .arg(Submission::kMaxBodyBytes));
}

Board::Reply Board::unavailable() {
    return error(503, QStringLiteral("Žebříček je dočasně nedostupný"),
                 QStringLiteral("Databáze výsledků teď neodpovídá. Zkuste to prosím "
                                "znovu za chvíli."));
}

} // namespace skore
