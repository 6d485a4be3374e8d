// What the score board's listener shares with every connection it accepted.
#pragma once

#include "server/Board.h"
#include "server/ConnectionSlots.h"
#include "server/HttpLimits.h"
#include "server/TrustedProxies.h"

#include <mutex>

namespace skore {

// A connection gets this and nothing of the listener: it may outlive the
// listener's last handler (the database thread may still hold an answer for
// it), so it is shared, not borrowed.
struct HttpFront {
    HttpFront(Board &board, const HttpLimits &limits, TrustedProxies proxies)
        : board(board), limits(limits), proxies(std::move(proxies)), connectionSlots(limits) {}

    Board &board;
    const HttpLimits limits;
    const TrustedProxies proxies;
    ConnectionSlots connectionSlots;

    // Whether the database thread may still hand answers to connections:
    // closed once the event loop has stopped, before it goes away. An answer
    // is posted to its connection with the gate held.
    std::mutex gateMutex;
    bool gateOpen = true;
};

} // namespace skore
