#include "server/ConnectionSlots.h"

#include <algorithm>
#include <utility>

namespace skore {

namespace {

// The first bytes of an address, the rest zero.
IpBytes prefixOf(const IpBytes &address, int bytes) {
    IpBytes prefix{};
    std::copy_n(address.begin(), bytes, prefix.begin());
    return prefix;
}

} // namespace

ConnectionSlots::Slot::Slot(Slot &&other) noexcept
    : m_slots(std::exchange(other.m_slots, nullptr)), m_entry(other.m_entry) {}

ConnectionSlots::Slot::~Slot() {
    if (m_slots)
        m_slots->release(m_entry);
}

void ConnectionSlots::Slot::occupy(std::weak_ptr<Occupant> occupant) {
    std::lock_guard lock(m_slots->m_mutex);
    m_entry->occupant = std::move(occupant);
}

void ConnectionSlots::Slot::idle() {
    m_slots->setIdle(m_entry, true);
}

bool ConnectionSlots::Slot::busy() {
    return m_slots->setIdle(m_entry, false);
}

ConnectionSlots::ConnectionSlots(const HttpLimits &limits)
    : m_total(std::max(1, limits.totalConnections)), m_perClient(limits.perClientConnections),
      m_perNetwork(limits.perNetworkConnections) {}

ConnectionSlots::Refusal ConnectionSlots::take(const IpBytes &address, bool counted, Slot *slot) {
    Entry entry;
    entry.counted = counted;
    // An IPv6 subscriber has a /64 at least, often a /56: a client rotating
    // through its addresses is one client, its /64s together one network.
    const bool v6 = !isMappedIpv4(address);
    entry.client = v6 ? prefixOf(address, 8) : address;
    entry.network = prefixOf(address, 7);
    entry.networkCounted = counted && v6;
    entry.idle = true;

    std::shared_ptr<Occupant> evicted;
    {
        std::lock_guard lock(m_mutex);
        if (counted) {
            const auto client = m_perClientOpen.find(entry.client);
            const auto network = m_perNetworkOpen.find(entry.network);
            if ((client != m_perClientOpen.end() && client->second >= m_perClient) ||
                (entry.networkCounted && network != m_perNetworkOpen.end() &&
                 network->second >= m_perNetwork))
                return Refusal::Client;
        }
        const int holding = int(m_idle.size() + m_busy.size()) - m_evicting;
        if (holding >= m_total) {
            if (m_idle.empty())
                return Refusal::Server;
            const Entries::iterator oldest = m_idle.begin();
            oldest->evicted = true;
            oldest->idle = false;
            ++m_evicting;
            m_busy.splice(m_busy.end(), m_idle, oldest);
            evicted = oldest->occupant.lock();
        }
        if (counted) {
            ++m_perClientOpen[entry.client];
            if (entry.networkCounted)
                ++m_perNetworkOpen[entry.network];
        }
        m_idle.push_back(std::move(entry));
        slot->m_slots = this;
        slot->m_entry = std::prev(m_idle.end());
    }
    // Outside the lock: the last reference to the evicted connection may go
    // here, and its slot is given back through the same lock.
    if (evicted)
        evicted->evict();
    return Refusal::None;
}

int ConnectionSlots::open() const {
    std::lock_guard lock(m_mutex);
    return int(m_idle.size() + m_busy.size());
}

int ConnectionSlots::silent() const {
    std::lock_guard lock(m_mutex);
    return int(m_idle.size());
}

std::vector<std::shared_ptr<ConnectionSlots::Occupant>> ConnectionSlots::occupants() const {
    std::vector<std::shared_ptr<Occupant>> all;
    std::lock_guard lock(m_mutex);
    for (const Entries *list : {&m_idle, &m_busy})
        for (const Entry &entry : *list)
            if (std::shared_ptr<Occupant> occupant = entry.occupant.lock())
                all.push_back(std::move(occupant));
    return all;
}

void ConnectionSlots::whenEmpty(std::function<void()> callback) {
    std::lock_guard lock(m_mutex);
    m_whenEmpty = std::move(callback);
}

void ConnectionSlots::uncount(std::map<IpBytes, int> &counts, const IpBytes &key) {
    const auto found = counts.find(key);
    if (found != counts.end() && --found->second <= 0)
        counts.erase(found);
}

void ConnectionSlots::release(Entries::iterator entry) {
    std::function<void()> empty;
    {
        std::lock_guard lock(m_mutex);
        if (entry->counted) {
            uncount(m_perClientOpen, entry->client);
            if (entry->networkCounted)
                uncount(m_perNetworkOpen, entry->network);
        }
        if (entry->evicted)
            --m_evicting;
        (entry->idle ? m_idle : m_busy).erase(entry);
        if (m_idle.empty() && m_busy.empty())
            empty = m_whenEmpty;
    }
    if (empty)
        empty();
}

bool ConnectionSlots::setIdle(Entries::iterator entry, bool idle) {
    std::lock_guard lock(m_mutex);
    if (entry->evicted)
        return false;
    if (entry->idle == idle)
        return true;
    entry->idle = idle;
    // Back of the list: the most recently silent is evicted last.
    if (idle)
        m_idle.splice(m_idle.end(), m_busy, entry);
    else
        m_busy.splice(m_busy.end(), m_idle, entry);
    return true;
}

} // namespace skore
