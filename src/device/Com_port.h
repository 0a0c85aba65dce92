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
#include <vector>

namespace device {

// The link's waits.
inline constexpr int TCP_WAIT_MS = 3000;           // connect, read and write wait of a TCP peer
inline constexpr int RECONNECT_PAUSE_MS = 1000;    // before every TCP (re)connection
inline constexpr int SERIAL_ERROR_PAUSE_MS = 1000; // before reopening a serial line after an error
inline constexpr int WAIT_SLICE_MS = 100;          // the longest wait that does not see a stop
inline constexpr std::uint32_t READ_TIMEOUT_MS = 25000; // one Read or Write before Configure

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
    // no_permission: joining `group` would help (or it is not known which group owns the
    // device); administrator: only an administrator can grant access (a device of root's, or
    // one its group may not use either). bad_name: a TCP name that is no host:port.
    enum Reason { unknown, no_device, no_permission, administrator, busy, bad_name, other };
    Reason reason = unknown;
    std::string device;      // the device that was tried
    std::string group;       // no_permission: the group that owns the device, empty if unknown
    std::string system_text; // the system's own words
};

// Who may open a device that refused us: its owning group when its members may read and write
// it and the group is not root's (gid 0), otherwise only an administrator can help. `group` is
// the owning group's name, empty when it could not be looked up.
OpenFault permission_fault(const std::string& device, const std::string& group, unsigned gid,
                           unsigned mode);

// Why a link failed, as far as it can tell: the first cause of a failed wait is the one the
// user is told.
enum class LinkFault {
    none,
    refused,        // nothing listens at the peer's address
    host_not_found, // the peer's name has no address
    no_answer,      // no connection or no byte within the wait
    dropped,        // the connection or the line broke
};

// The addresses of a host name. Numeric addresses are their own; `no_answer` when the lookup
// did not end within the wait or the read was stopped.
struct HostAddresses {
    enum Outcome { found, not_found, no_answer };
    Outcome outcome = not_found;
    std::vector<std::string> addresses;
};
using NameLookup = std::function<HostAddresses(const std::string& host, const Until& until)>;
// The system's resolver (/etc/hosts, DNS), waited for slice by slice.
HostAddresses system_name_lookup(const std::string& host, const Until& until);

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
    // Makes the link ready for a command (a TCP peer is connected after its pause); true when it
    // is. The port calls it before a write's own time starts.
    virtual bool connect(const Until&) { return true; }
    // Why the last fetch, send or connect failed.
    virtual LinkFault fault() const { return LinkFault::none; }
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

    // "COMn" opens /dev/ttyS(n-1), a name starting with "/" is a device path, "host:port" is a
    // TCP peer (parse_tcp_name; any other name with a colon fails with `bad_name`). Fails when
    // open. In TCP mode it succeeds even when the peer is not reachable yet: the link connects
    // when it is first used.
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
    // Why the last Read or Write that failed did.
    LinkFault LastLinkFault() const { return link_fault_; }

    void SetTimings(const PortTimings& t) { timings_ = t; }
    // Links come from `factory` instead of the name; tests script the logger with it.
    void SetLinkFactory(LinkFactory factory) { factory_ = std::move(factory); }
    // Host names of TCP peers are looked up with `lookup` instead of the system's resolver.
    void SetNameLookup(NameLookup lookup) { lookup_ = std::move(lookup); }
    // Every wait ends within one slice once *stop is set (nullptr: waits run to their end).
    void SetStopFlag(const std::atomic<bool>* stop) { stop_ = stop; }

    // The serial or TCP link that a name stands for.
    static std::unique_ptr<ByteLink> MakeLink(const std::string& name, const PortTimings& t,
                                              OpenFault& fault,
                                              const NameLookup& lookup = system_name_lookup);

private:
    Until UntilTimeout() const;
    bool ReadUntil(void* bytes, std::size_t count, std::size_t& received, const Until& until);

    std::unique_ptr<ByteLink> link_;
    LinkFactory factory_; // empty: MakeLink
    NameLookup lookup_ = system_name_lookup;
    std::uint32_t timeout_ms_ = READ_TIMEOUT_MS;
    PortTimings timings_;
    const std::atomic<bool>* stop_ = nullptr;
    OpenFault fault_;
    LinkFault link_fault_ = LinkFault::none;
    // Received bytes not yet handed out; a one-byte read is served from here.
    std::string rx_;
    std::size_t rx_pos_ = 0;
};

} // namespace device
