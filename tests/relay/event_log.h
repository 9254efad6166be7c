// Records every event an endpoint raises as one "kind|value|value" text (loop thread).
#pragma once

#include <string>
#include <vector>

#include "relay/kovra_repeater.h"

namespace kovra::relay::test {

struct EventLog {
    std::vector<std::string> entries;

    void attach(TKovraRepeaterXE& e) {
        e.a0OnDataFriends = [this](TKovraRepeaterXE&, const DataFriends& r) {
            add("call|" + r.filter + "|" + r.line + "|" + r.date + "|" + r.opr + "|" + r.ddd + "|" +
                r.phone + "|" + r.name + "|" + r.city + "|" + r.country + "|" + r.timeInit + "|" +
                r.status);
        };
        e.a1OnHandShake = [this](TKovraRepeaterXE&, const std::string& ip,
                                 const std::string& port) { add("handshake|" + ip + "|" + port); };
        e.a2DetectPhone = [this](TKovraRepeaterXE&, const std::string& line, const std::string& t,
                                 const std::string& ddd, const std::string& phone) {
            add("detect|" + line + "|" + t + "|" + ddd + "|" + phone);
        };
        e.a3OnFormatPhone = [this](TKovraRepeaterXE&, const std::string& line,
                                   const std::string& phone, bool dtmf, bool fsk) {
            add("format|" + line + "|" + phone + (dtmf ? "|dtmf" : "") + (fsk ? "|fsk" : ""));
        };
        e.a4OnKeyEvent = [this](TKovraRepeaterXE&, const std::string& line, const std::string& k) {
            add("key|" + line + "|" + k);
        };
        e.a5OnFileRec = [this](TKovraRepeaterXE&, const std::string& line, const std::string& f,
                               const std::string& d) { add("file|" + line + "|" + f + "|" + d); };
        e.a6OnRing = [this](TKovraRepeaterXE&, const std::string& line, int count) {
            add("ring|" + line + "|" + std::to_string(count));
        };
        e.a7OnAllEvents = [this](TKovraRepeaterXE&, const std::string& t) { add("text|" + t); };
        e.a8OnStatusEvent = [this](TKovraRepeaterXE&, const std::string& line,
                                   const std::string& s) { add("status|" + line + "|" + s); };
        e.a9OnIndexPhone = [this](TKovraRepeaterXE&, const std::string& line,
                                  const std::string& i) { add("index|" + line + "|" + i); };
        e.OnOpenPort = [this](TKovraRepeaterXE&, int p) { add("open|" + std::to_string(p)); };
        e.OnClosePort = [this](TKovraRepeaterXE&, int p) { add("close|" + std::to_string(p)); };
        e.OnChange = [this](TKovraRepeaterXE& s) { add("change|" + s.text()); };
    }

    void add(std::string entry) { entries.push_back(std::move(entry)); }

    bool has(const std::string& entry) const {
        for (const auto& e : entries) {
            if (e == entry) {
                return true;
            }
        }
        return false;
    }
};

}  // namespace kovra::relay::test
