// Turns configured host names into numeric addresses on a thread of its own and keeps the
// answers for a while, so that no caller ever waits for a resolver: a name not yet known
// gives nothing now and is looked up in the background. Safe from any thread.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kovra::udp {

class NameCache {
  public:
    // keep: how long an answer is used before it is looked up again (it is still used
    // while the new look-up runs); failed look-ups are retried after retry.
    explicit NameCache(std::chrono::seconds keep = std::chrono::minutes(5),
                       std::chrono::seconds retry = std::chrono::seconds(30));
    // Never waits for a look-up in progress: the look-up thread ends on its own.
    ~NameCache();
    NameCache(const NameCache&) = delete;
    NameCache& operator=(const NameCache&) = delete;

    // The numeric addresses known for text, IPv4 first: text itself when it is numeric;
    // for a name, the last answer (empty while none has come, and a look-up is started
    // when none runs and the answer is missing or old).
    std::vector<std::string> addresses(const std::string& text);
    // The first of addresses(text), or nothing.
    std::optional<std::string> numeric(const std::string& text);

  private:
    struct State;
    std::shared_ptr<State> state_;
};

}  // namespace kovra::udp
