// Who holds the score board's connections, and who gives a slot up when
// they run short.
#pragma once

#include "server/HttpLimits.h"
#include "server/IpAddress.h"

#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace skore {

// A connection costs the server a descriptor whether or not its client says
// anything, so a client that only opens connections must not crowd out one
// that asks for a page. Connections waiting for a request (never spoken, or
// silent between two) are kept in the order they fell silent: when every slot
// is taken, the one silent longest is closed for the newcomer, at a cost that
// does not grow with their number. Only a server full of requests in progress
// refuses (503). Each client has its own cap (429): an IPv4 address, an IPv6
// /64, and together the /64s of one IPv6 network (a subscriber's /56).
class ConnectionSlots {
public:
    // What the slots need of a connection. Each call may come from any
    // thread and must not wait: the connection acts on its own thread later.
    class Occupant {
    public:
        virtual ~Occupant() = default;
        // Its slot went to a newcomer: close without a reply.
        virtual void evict() = 0;
        // The server stops: finish the request in progress, if any, then close.
        virtual void drain() = 0;
        // The server's grace is over: close now.
        virtual void close() = 0;
    };

private:
    struct Entry {
        std::weak_ptr<Occupant> occupant;
        IpBytes client{};
        IpBytes network{};
        bool counted = false;
        bool networkCounted = false;
        bool idle = false;
        bool evicted = false;
    };
    using Entries = std::list<Entry>;

public:
    // A connection's hold on its slot, given back when it goes. Moves, never copies.
    class Slot {
    public:
        Slot() = default;
        Slot(Slot &&other) noexcept;
        Slot &operator=(Slot &&) = delete;
        ~Slot();

        // Says who to evict, drain or close: once, as the connection starts.
        void occupy(std::weak_ptr<Occupant> occupant);
        // Waiting for a request: the newest of the silent ones.
        void idle();
        // A request began. false when the slot was given away meanwhile.
        bool busy();

    private:
        friend class ConnectionSlots;
        ConnectionSlots *m_slots = nullptr;
        Entries::iterator m_entry;
    };

    enum class Refusal { None, Client, Server };

    explicit ConnectionSlots(const HttpLimits &limits);
    ConnectionSlots(const ConnectionSlots &) = delete;
    ConnectionSlots &operator=(const ConnectionSlots &) = delete;

    // A slot for a new connection from address, counted against its client's
    // caps unless it comes from a trusted proxy. When every slot is taken the
    // longest-silent connection is evicted; Refusal::Server only when none is
    // silent. The new connection starts as silent (it has said nothing yet).
    Refusal take(const IpBytes &address, bool counted, Slot *slot);

    // Open connections, evicted ones not yet closed included.
    int open() const;
    // Connections waiting for a request: the ones a newcomer may evict.
    int silent() const;
    // Every connection still open, to drain or close them when the server stops.
    std::vector<std::shared_ptr<Occupant>> occupants() const;
    // Called, on the thread of the connection that went, once none is open;
    // an empty function stops the calls.
    void whenEmpty(std::function<void()> callback);

private:
    void release(Entries::iterator entry);
    // false when the connection was evicted.
    bool setIdle(Entries::iterator entry, bool idle);
    static void uncount(std::map<IpBytes, int> &counts, const IpBytes &key);

    const int m_total;
    const int m_perClient;
    const int m_perNetwork;
    mutable std::mutex m_mutex;
    // Silent connections, longest silent first; the rest in no order.
    Entries m_idle;
    Entries m_busy;
    int m_evicting = 0; // evicted, not yet closed: their slots are already promised
    std::map<IpBytes, int> m_perClientOpen;
    std::map<IpBytes, int> m_perNetworkOpen;
    std::function<void()> m_whenEmpty;
};

} // namespace skore
