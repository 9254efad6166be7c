#include "relay/inbound_queue.h"

namespace kovra::relay {

bool InboundQueue::push(InboundEvent event) {
    if (event.fromHost) {
        if (host_.size() >= limits_.host) {
            ++dropped_;
            return false;
        }
        host_.push_back(std::move(event));
        return true;
    }
    const auto found = others_.find(event.fromAddress);
    if (found == others_.end()) {
        if (others_.size() >= limits_.senders) {
            ++dropped_;
            return false;
        }
        std::string key = event.fromAddress;
        others_[key].push_back(std::move(event));
        return true;
    }
    if (found->second.size() >= limits_.perSender) {
        ++dropped_;
        return false;
    }
    found->second.push_back(std::move(event));
    return true;
}

std::optional<InboundEvent> InboundQueue::popHost() {
    if (host_.empty()) {
        return std::nullopt;
    }
    InboundEvent event = std::move(host_.front());
    host_.pop_front();
    return event;
}

std::optional<InboundEvent> InboundQueue::popOther() {
    if (others_.empty()) {
        return std::nullopt;
    }
    auto next = others_.upper_bound(lastServed_);
    if (next == others_.end()) {
        next = others_.begin();
    }
    lastServed_ = next->first;
    InboundEvent event = std::move(next->second.front());
    next->second.pop_front();
    if (next->second.empty()) {
        others_.erase(next);
    }
    return event;
}

std::size_t InboundQueue::takeDropped() {
    const std::size_t dropped = dropped_;
    dropped_ = 0;
    return dropped;
}

}  // namespace kovra::relay
