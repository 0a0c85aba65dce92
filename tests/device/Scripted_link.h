#pragma once
// A logger played in-process behind HardWare: every command sent queues its scripted reply.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "device/Hardware.h"

struct Script {
    std::map<std::string, std::string> replies; // command without CR -> bytes sent back
    std::function<std::string()> more;          // bytes once the queue is empty: an endless logger
    device::ByteLink::Got when_quiet = device::ByteLink::Got::timeout;
    bool trickle = false; // one byte per fetch
    bool refuse_send = false;
    int opens = 0;
};

class ScriptedLink : public device::ByteLink {
public:
    explicit ScriptedLink(std::shared_ptr<Script> s) : s_(std::move(s)) {}
    bool configure(std::uint32_t, std::uint32_t) override { return true; }
    Got fetch(std::string& rx, const device::Until&) override {
        if (queue_.empty() && s_->more)
            queue_ = s_->more();
        if (queue_.empty())
            return s_->when_quiet;
        const std::size_t n = s_->trickle ? 1 : queue_.size();
        rx.append(queue_, 0, n);
        queue_.erase(0, n);
        return Got::data;
    }
    bool send(const char* bytes, std::size_t count, const device::Until&) override {
        if (s_->refuse_send)
            return false;
        const std::string command(bytes, count);
        queue_ += s_->replies[command.substr(0, command.find('\r'))];
        return true;
    }
    bool recover(const device::Until&) override { return true; }

private:
    std::shared_ptr<Script> s_;
    std::string queue_;
};

// Makes hw talk to the script from its next Open on.
inline std::shared_ptr<Script> script_logger(device::HardWare& hw) {
    auto s = std::make_shared<Script>();
    hw.SetLinkFactory([s](const std::string&, const device::PortTimings&, device::OpenFault&) {
        ++s->opens;
        return std::make_unique<ScriptedLink>(s);
    });
    return s;
}
