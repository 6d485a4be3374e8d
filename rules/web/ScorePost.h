// The network under the send window, behind an interface of plain virtual
// functions: Qt Network and the libraries it brings (Kerberos, the proxy
// resolver) are loaded with the first post, from the module toquel-network,
// and not at every start of the game.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

// One post and its reply as it comes. Deleting it drops the request: no
// callback runs after, also when deleted from inside one.
class ScorePost {
public:
    virtual ~ScorePost() = default;

    // The body that arrived since the last call.
    virtual QByteArray takeBody() = 0;
    // Once finished: the HTTP status the server answered with, error statuses
    // included; 0 when the reply ended without one (a broken connection, a
    // time-out, or a redirect that could not be followed, which may leave the
    // status of the redirect behind).
    virtual int status() const = 0;
    virtual QByteArray contentType() const = 0;
};

// Sends posts; one per send window.
class ScorePoster {
public:
    virtual ~ScorePoster() = default;

    // Posts a form body. `arrived` runs as body bytes come, `finished` once
    // when the reply is complete, failed or `stall` passed without a byte.
    virtual std::unique_ptr<ScorePost> post(const QUrl &url, const QByteArray &body,
                                            std::chrono::milliseconds stall,
                                            std::function<void()> arrived,
                                            std::function<void()> finished) = 0;

    // The poster of the network module, loaded on first use; nullptr (with
    // a warning) when the module cannot be loaded. Its requests are QObject
    // children of `owner`, as they would be of a manager the window made.
    static std::unique_ptr<ScorePoster> create(QObject *owner);
};

// What the module exports: a new poster, owned by the caller.
extern "C" using CreateScorePoster = ScorePoster * (QObject * owner);
