#pragma once
// CommPort: the byte channel to the logger over one ByteLink, a serial line or a TCP peer when the
// name has a colon (MakeLink). Reports success as a boolean and never raises.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace device {

// The link's waits and its fallback TCP port.
inline constexpr int TCP_WAIT_MS = 3000;           // connect, read and write wait of a TCP peer
inline constexpr int RECONNECT_PAUSE_MS = 1000;    // before every TCP (re)connection
inline constexpr int SERIAL_ERROR_PAUSE_MS = 1000; // before reopening a serial line after an error
inline constexpr int WAIT_SLICE_MS = 100;          // the longest wait that does not see a stop
inline constexpr std::uint32_t READ_TIMEOUT_MS = 25000; // one Read or Write before Configure
inline constexpr std::uint16_t DEFAULT_TCP_PORT = 22002;

using Deadline = std::chrono::steady_clock::time_point;

// The end of one wait: its deadline, or sooner once the read is stopped from another thread.
// Every wait is cut into slices of at most WAIT_SLICE_MS, so a stop ends it within one slice.
class Until {
public:
    Until(Deadline deadline, const std::atomic<bool>* stop) : deadline_(deadline), stop_(stop) {}
    // The same stop, a wait of ms from now (never past this one's deadline).
    Until Within(int ms) const;

    bool Stopped() const { return stop_ && stop_->load(std::memory_order_relaxed); }
    // Milliseconds left; 0 once the deadline has passed or the read is stopped.
    int LeftMs() const;
    // The next slice of the wait: at most WAIT_SLICE_MS, 0 when the wait is over.
    int SliceMs() const;
    // Sleeps slice by slice until the wait is over.
    void Sleep() const;

private:
    Deadline deadline_;
    const std::atomic<bool>* stop_;
};

struct PortTimings {
    int tcp_wait_ms = TCP_WAIT_MS;
    int reconnect_pause_ms = RECONNECT_PAUSE_MS;
    int serial_error_pause_ms = SERIAL_ERROR_PAUSE_MS;
};

// Why a port could not be opened, as the system told it.
struct OpenFault {
    enum Reason { unknown, no_device, no_permission, busy, other };
    Reason reason = unknown;
    std::string device;      // the device that was tried
    std::string group;       // no_permission: the group that owns the device
    std::string system_text; // the system's own words
};

// One transport under CommPort. Blocking; no call waits past the end it is given.
class ByteLink {
public:
    enum class Got { data, timeout, failure };
    virtual ~ByteLink() = default;
    virtual bool configure(std::uint32_t baud, std::uint32_t parity) = 0;
    // Appends bytes that have arrived to rx (at least one for `data`). `timeout`: nothing came
    // by the end of the wait, a short read the caller may accept; `failure`: the link broke.
    virtual Got fetch(std::string& rx, const Until& until) = 0;
    // Sends all bytes; false as soon as the link refuses them.
    virtual bool send(const char* bytes, std::size_t count, const Until& until) = 0;
    // Called after a failed fetch or send so the next one can work again; false when the link
    // could not be restored.
    virtual bool recover(const Until& until) = 0;
};

// Makes the link for a port name, or nothing (with `fault` filled) when it cannot be opened.
using LinkFactory = std::function<std::unique_ptr<ByteLink>(
    const std::string& name, const PortTimings& timings, OpenFault& fault)>;

class CommPort {
public:
    CommPort() = default;
    ~CommPort();
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    // "COMn" opens /dev/ttyS(n-1), a name starting with "/" is a device path, "address:port" is
    // a TCP peer (port 22002 when the text after the colon is no port number). Fails when open.
    // In TCP mode it succeeds even when the peer is not reachable yet: the link connects when
    // it is first used.
    bool Open(const std::string& name);
    // 8 data bits, 1 stop bit; parity codes 0-4 are none, odd, even, mark, space (others: none).
    // timeout_ms bounds one Read or Write without a deadline. A no-op returning true when
    // closed; rx_buffer_size is accepted for compatibility (-1: leave alone).
    bool Configure(std::uint32_t baud, std::uint32_t parity, std::uint32_t timeout_ms,
                   int rx_buffer_size);
    // False only when nothing was open. Drops buffered received bytes.
    bool Close();
    bool Write(const void* bytes, std::size_t count);
    // Up to count bytes by the deadline: true with fewer when the line stayed quiet (a serial
    // time-out) or the read was stopped, false when the link failed (TCP: also when not all
    // bytes came). After a failure that the link could not recover from, the port is closed.
    bool Read(void* bytes, std::size_t count, std::size_t& received, Deadline deadline);
    bool Read(void* bytes, std::size_t count, std::size_t& received);
    bool IsOpen() const { return link_ != nullptr; }
    // Why the last Open failed.
    const OpenFault& LastOpenFault() const { return fault_; }

    void SetTimings(const PortTimings& t) { timings_ = t; }
    // Links come from `factory` instead of the name; tests script the logger with it.
    void SetLinkFactory(LinkFactory factory) { factory_ = std::move(factory); }
    // Every wait ends within one slice once *stop is set (nullptr: waits run to their end).
    void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

    // The device path a serial name opens ("COM3" -> "/dev/ttyS2"); other names are their own.
    static std::string DevicePath(const std::string& name);
    // Address and port of a TCP name: the text before the first colon, and the number after it
    // (22002 when that is no port number).
    struct TcpPeer {
        std::string address;
        std::uint16_t port = DEFAULT_TCP_PORT;
    };
    static TcpPeer TcpPeerOf(const std::string& name);
    static bool IsTcpName(const std::string& name);
    // The serial or TCP link that a name stands for.
    static std::unique_ptr<ByteLink> MakeLink(const std::string& name, const PortTimings& t,
                                              OpenFault& fault);

private:
    Until UntilTimeout() const;
    bool ReadUntil(void* bytes, std::size_t count, std::size_t& received, const Until& until);

    std::unique_ptr<ByteLink> link_;
    LinkFactory factory_ = MakeLink;
    std::uint32_t timeout_ms_ = READ_TIMEOUT_MS;
    PortTimings timings_;
    const std::atomic<bool>* stop_ = nullptr;
    OpenFault fault_;
    // Received bytes not yet handed out; a one-byte read is served from here.
    std::string rx_;
    std::size_t rx_pos_ = 0;
};

} // namespace device
