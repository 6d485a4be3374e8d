// The score board without HTTP: what a post or a page request is answered with.
#pragma once

#include "server/DatabaseConfig.h"
#include "server/DatabaseThread.h"
#include "server/RateLimiter.h"

#include <QByteArrayView>
#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

namespace skore {

class Storage;

class Board {
public:
    struct Options {
        // Posts per window and client address; 0 turns the limit off (for load tests).
        int rateLimit = RateLimiter::kDefaultLimit;
        std::chrono::seconds rateWindow = RateLimiter::kDefaultWindow;
        std::size_t rateMaxClients = RateLimiter::kDefaultMaxClients;
        // How often the database is asked whether another server changed the
        // board while this one wrote nothing.
        std::chrono::milliseconds pageMaxAge{2000};
        // The longest a post waits for the database before its 503.
        std::chrono::milliseconds postWait{2000};
        // The clock of the rate limit and of the posts' deadlines.
        RateLimiter::Now steadyNow = &RateLimiter::Clock::now;
        // Initialised, like every option, so that a caller may name only the
        // ones it changes: Options{.rateLimit = 0}.
        DatabaseThread::WallClock wallNow{};
        QTimeZone zone{};
    };

    struct Reply {
        int status = 200;
        std::shared_ptr<const std::string> body;
        // For 429: when the client may try again.
        int retryAfterSeconds = 0;

        const std::string &html() const { return *body; }
    };
    using Answer = std::function<void(Reply)>;

    // A post waiting for the database. giveUp() is true when the caller won
    // the right to answer it (503): the database thread had not taken it to
    // write yet, and now never will. Once taken, the commit decides.
    class Pending {
    public:
        explicit Pending(std::shared_ptr<DatabaseThread::Write> write)
            : m_write(std::move(write)) {}
        bool giveUp() { return m_write->claim(); }

    private:
        std::shared_ptr<DatabaseThread::Write> m_write;
    };

    explicit Board(DatabaseConfig config);
    Board(DatabaseConfig config, Options options);
    ~Board();

    // Opens the database (creating or updating its tables) and draws the
    // first page. false, with the reason, when it cannot.
    bool start(QString *error = nullptr);
    void stop();
    // stop(), waiting at most limit for the database (see DatabaseThread).
    bool stopWithin(std::chrono::milliseconds limit);

    // A post of the game's form from a client address; the address goes to
    // the rate limiter's memory and nowhere else. Answered at once when the
    // database is not needed (the returned pointer is null then), otherwise
    // later from the database thread, unless the caller gives up first.
    std::unique_ptr<Pending> post(QByteArrayView body, const std::string &client, Answer answer);
    // The same, waiting for the answer: 503 when the database has not taken
    // the post within postWait.
    Reply post(QByteArrayView body, const std::string &client);

    // The world ranking, from memory: never waits for the database.
    Reply page() const;

    static Reply notFound();
    static Reply methodNotAllowed();
    static Reply tooLarge();
    static Reply unavailable();
    static Reply error(int status, const QString &title, const QString &message);

    RateLimiter &rateLimiter() { return m_limiter; }
    const Options &options() const { return m_options; }
    // How often the ranking was drawn: each change of the board once.
    int pageRenders() const { return m_renders; }

private:
    void refresh(Storage &storage, const Results *written);

    const Options m_options;
    RateLimiter m_limiter;
    DatabaseThread m_database;

    mutable std::mutex m_pageMutex;
    std::shared_ptr<const std::string> m_page;
    // Only the database thread touches these.
    BoardRows m_pageRows;
    int m_pageFloor = 0; // the last place's score of a full ranking, else 0
    bool m_pageStale = true;
    std::atomic<int> m_renders{0};
};

} // namespace skore
