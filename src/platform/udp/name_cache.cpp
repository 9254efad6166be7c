#include "platform/udp/name_cache.h"

#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "platform/log.h"
#include "platform/udp/udp_socket.h"

namespace kovra::udp {

namespace {

using Clock = std::chrono::steady_clock;

// The system's resolver (it may take as long as its time-outs say); IPv4 answers first,
// since the relay's peers are IPv4 and "localhost" must not become "::1" for them.
std::vector<std::string> resolve(const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* list = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) {
        return {};
    }
    std::vector<std::string> v4;
    std::vector<std::string> v6;
    for (const addrinfo* it = list; it != nullptr; it = it->ai_next) {
        char text[NI_MAXHOST];
        if (getnameinfo(it->ai_addr, it->ai_addrlen, text, sizeof text, nullptr, 0,
                        NI_NUMERICHOST) != 0) {
            continue;
        }
        const std::string address = canonicalAddress(text);
        auto& into = it->ai_family == AF_INET ? v4 : v6;
        if (!address.empty() && std::find(into.begin(), into.end(), address) == into.end()) {
            into.push_back(address);
        }
    }
    freeaddrinfo(list);
    v4.insert(v4.end(), v6.begin(), v6.end());
    return v4;
}

}  // namespace

struct NameCache::State {
    struct Entry {
        std::vector<std::string> addresses;
        Clock::time_point renewAt{};
        bool looking = false;
    };

    std::chrono::seconds keep;
    std::chrono::seconds retry;
    std::mutex mutex;
    std::condition_variable work;
    std::map<std::string, Entry> entries;
    std::deque<std::string> queue;
    bool threadStarted = false;
    bool stop = false;

    // The look-up thread holds the state, so it may outlive the cache.
    static void run(const std::shared_ptr<State>& self) {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->work.wait(lock, [&] { return self->stop || !self->queue.empty(); });
            if (self->stop) {
                return;
            }
            const std::string name = self->queue.front();
            self->queue.pop_front();
            lock.unlock();
            std::vector<std::string> found = resolve(name);
            lock.lock();
            Entry& entry = self->entries[name];
            entry.looking = false;
            if (found.empty()) {
                logLine(LogLevel::Warning,
                        "Relay: the name " + name + " cannot be resolved; retried later");
                entry.renewAt = Clock::now() + self->retry;
            } else {
                entry.addresses = std::move(found);
                entry.renewAt = Clock::now() + self->keep;
            }
        }
    }
};

NameCache::NameCache(std::chrono::seconds keep, std::chrono::seconds retry)
    : state_(std::make_shared<State>()) {
    state_->keep = keep;
    state_->retry = retry;
}

NameCache::~NameCache() {
    {
        const std::lock_guard lock(state_->mutex);
        state_->stop = true;
    }
    state_->work.notify_all();
}

std::vector<std::string> NameCache::addresses(const std::string& text) {
    const std::string numericText = canonicalAddress(text);
    if (!numericText.empty()) {
        return {numericText};
    }
    if (text.empty()) {
        return {};
    }
    const std::lock_guard lock(state_->mutex);
    State::Entry& entry = state_->entries[text];
    if (!entry.looking && Clock::now() >= entry.renewAt) {
        entry.looking = true;
        state_->queue.push_back(text);
        if (!state_->threadStarted) {
            state_->threadStarted = true;
            std::thread([state = state_] { State::run(state); }).detach();
        }
        state_->work.notify_one();
    }
    return entry.addresses;
}

std::optional<std::string> NameCache::numeric(const std::string& text) {
    std::vector<std::string> found = addresses(text);
    if (found.empty()) {
        return std::nullopt;
    }
    return std::move(found.front());
}

}  // namespace kovra::udp
