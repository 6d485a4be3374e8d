// The score board without HTTP: what a post or a page request is answered with.
#pragma once

#include "server/DatabaseConfig.h"
#include "server/DatabaseThread.h"
#include "server/RateLimiter.h"

#include <QByteArrayView>
#include <QTimeZone>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>

namespace skore {

class Board {
public:
    struct Options {
        // Posts per window and client address; 0 turns the limit off (for load tests).
        int rateLimit = RateLimiter::kDefaultLimit;
        std::chrono::seconds rateWindow = RateLimiter::kDefaultWindow;
        // How long the rendered ranking is served before the shared database
        // is asked whether another server changed it.
        std::chrono::milliseconds pageMaxAge{2000};
        RateLimiter::Now steadyNow = &RateLimiter::Clock::now;
        DatabaseThread::WallClock wallNow;
        QTimeZone zone;
    };

    struct Reply {
        int status = 200;
        std::string html;
        // For 429: when the client may try again.
        int retryAfterSeconds = 0;
    };

    explicit Board(DatabaseConfig config);
    Board(DatabaseConfig config, Options options);
    ~Board();

    // Opens the database (creating or updating its tables). false, with the
    // reason, when it cannot.
    bool start(QString *error = nullptr);
    void stop();

    // A post of the game's form from a client address. The address goes to
    // the rate limiter's memory and nowhere else.
    Reply post(QByteArrayView body, const std::string &client);

    // The world ranking.
    Reply page();

    static Reply notFound();
    static Reply methodNotAllowed();
    static Reply tooLarge();
    static Reply unavailable();

    RateLimiter &rateLimiter() { return m_limiter; }
    // How often the ranking was rendered: each change of the board once.
    int pageRenders() const { return m_renders; }

private:
    const Options m_options;
    DatabaseThread m_database;
    RateLimiter m_limiter;

    // The rendered ranking. Taking the lock lets one request re-render while
    // the others wait for its result instead of rendering it again.
    std::mutex m_pageMutex;
    std::shared_ptr<const std::string> m_page;
    qint64 m_pageChanges = -1;
    RateLimiter::Clock::time_point m_pageChecked;
    std::atomic<bool> m_dirty{true};
    std::atomic<int> m_renders{0};
};

} // namespace skore
