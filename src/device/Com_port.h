#pragma once
// The byte channel to the logger: a serial line, or a TCP peer when the name has a colon.
// Reports success as a boolean and never raises; the protocol turns failures into messages.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace device {

// One transport under CommPort. Blocking; nothing here waits longer than the time it is given.
class ByteLink {
public:
    enum class Got { data, timeout, failure };
    virtual ~ByteLink() = default;
    // Waits up to wait_ms for bytes and appends the ones that have arrived (at least one when it
    // returns `data`) to rx. `timeout` when nothing came in time, `failure` when the link broke.
    virtual Got fetch(std::string& rx, int wait_ms) = 0;
    // Sends all bytes, waiting at most wait_ms for them to leave.
    virtual bool send(const char* bytes, std::size_t count, int wait_ms) = 0;
};

struct PortTimings {
    int tcp_wait_ms = 3000;           // connect, read and write wait of the TCP link
    int reconnect_pause_ms = 1000;    // pause before every TCP (re)connection
    int serial_error_pause_ms = 1000; // pause before reopening a serial line after an error
};

class SerialLink;
class TcpLink;

class CommPort {
public:
    CommPort();
    ~CommPort();
    CommPort(const CommPort&) = delete;
    CommPort& operator=(const CommPort&) = delete;

    // "COMn" opens /dev/ttyS(n-1), a name starting with "/" is a device path, "address:port" is
    // a TCP peer (port 22002 when the text after the colon is no port number). Fails when open.
    // In TCP mode it succeeds even when the peer is not reachable yet; reads and writes retry.
    bool Open(const std::string& name);
    // 8 data bits, 1 stop bit; parity codes 0-4 are none, odd, even, mark, space (others: none).
    // timeout_ms bounds the whole of one Read. A no-op returning true when no serial line is
    // open; rx_buffer_size is accepted for compatibility (-1: leave alone).
    bool Configure(std::uint32_t baud, std::uint32_t parity, std::uint32_t timeout_ms,
                   int rx_buffer_size);
    // False only when nothing was open. Drops buffered received bytes.
    bool Close();
    // Close, Open with the remembered name, Configure with the remembered settings and 500 ms.
    bool Reopen();
    bool Write(const void* bytes, std::size_t count);
    // Serial: up to count bytes within the configured time-out, true with fewer on time-out;
    // false after a line failure (the port has been reopened). TCP: all count bytes, false
    // when they do not come within the TCP wait or the connection broke.
    bool Read(void* bytes, std::size_t count, std::size_t& received);
    bool IsOpen() const;

    const std::string& name() const { return name_; }
    void set_timings(const PortTimings& t) { timings_ = t; }
    const PortTimings& timings() const { return timings_; }

    // The device path a serial name opens ("COM3" -> "/dev/ttyS2"); exposed for the port dialog.
    static std::string device_path(const std::string& name);
    // Address and port of a TCP name: the text before the first colon, and the number after it
    // (22002 when that is no port number).
    struct TcpPeer {
        std::string address;
        std::uint16_t port = 22002;
    };
    static TcpPeer tcp_peer(const std::string& name);

private:
    bool Connect();
    ByteLink* link() const;

    std::unique_ptr<SerialLink> serial_;
    std::unique_ptr<TcpLink> tcp_;
    bool connected_ = false;
    std::string name_;
    std::uint32_t baud_ = 57600;
    std::uint32_t parity_ = 0;
    std::uint32_t timeout_ms_ = 25000;
    const std::uint32_t reopen_timeout_ms_ = 500;
    PortTimings timings_;
    // Received bytes not yet handed out; a one-byte read is served from here.
    std::string rx_;
    std::size_t rx_pos_ = 0;
};

} // namespace device
