#pragma once
// CommPort: the byte channel to the logger over one ByteLink, a serial line or a TCP peer when the
// name has a colon (make_link). Reports success as a boolean and never raises.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace device {

using Deadline = std::chrono::steady_clock::time_point;

struct PortTimings {
    int tcp_wait_ms = 3000;           // connect, read and write wait of the TCP link
    int reconnect_pause_ms = 1000;    // pause before every TCP (re)connection
    int serial_error_pause_ms = 1000; // pause before reopening a serial line after an error
};

// One transport under CommPort. Blocking; no call waits past the deadline it is given.
class ByteLink {
public:
    enum class Got { data, timeout, failure };
    virtual ~ByteLink() = default;
    virtual bool configure(std::uint32_t baud, std::uint32_t parity) = 0;
    // Appends bytes that have arrived to rx (at least one for `data`). `timeout`: nothing came
    // by the deadline, a short read the caller may accept; `failure`: the link broke.
    virtual Got fetch(std::string& rx, Deadline deadline) = 0;
    // Sends all bytes; false as soon as the link refuses them.
    virtual bool send(const char* bytes, std::size_t count, Deadline deadline) = 0;
    // Called after a failed fetch or send so the next one can work again; false when the link
    // could not be restored.
    virtual bool recover(Deadline deadline) = 0;
};

// Makes the link for a port name, or nothing when it cannot be opened.
using LinkFactory =
    std::function<std::unique_ptr<ByteLink>(const std::string& name, const PortTimings&)>;

// Sleeps ms milliseconds; nothing for ms <= 0.
void pause_ms(int ms);

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
    // time-out), false when the link failed (TCP: also when not all bytes came). After a
    // failure that the link could not recover from, the port is closed.
    bool Read(void* bytes, std::size_t count, std::size_t& received, Deadline deadline);
    bool Read(void* bytes, std::size_t count, std::size_t& received);
    bool IsOpen() const { return link_ != nullptr; }

    void set_timings(const PortTimings& t) { timings_ = t; }
    // Links come from `factory` instead of the name; tests script the logger with it.
    void set_link_factory(LinkFactory factory) { factory_ = std::move(factory); }

    // The device path a serial name opens ("COM3" -> "/dev/ttyS2"); exposed for the port dialog.
    static std::string device_path(const std::string& name);
    // Address and port of a TCP name: the text before the first colon, and the number after it
    // (22002 when that is no port number).
    struct TcpPeer {
        std::string address;
        std::uint16_t port = 22002;
    };
    static TcpPeer tcp_peer(const std::string& name);
    // The serial or TCP link that a name stands for.
    static std::unique_ptr<ByteLink> make_link(const std::string& name, const PortTimings& t);

private:
    Deadline after_timeout() const;

    std::unique_ptr<ByteLink> link_;
    LinkFactory factory_ = make_link;
    std::uint32_t timeout_ms_ = 25000;
    PortTimings timings_;
    // Received bytes not yet handed out; a one-byte read is served from here.
    std::string rx_;
    std::size_t rx_pos_ = 0;
};

} // namespace device
