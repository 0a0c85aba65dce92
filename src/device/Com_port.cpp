#include "device/Com_port.h"

#include <QHostAddress>
#include <QSerialPort>
#include <QTcpSocket>

#include <algorithm>
#include <cstring>
#include <thread>

namespace device {

namespace {

// Bytes taken from the OS in one go; far more than a reply, so one-byte reads stay cheap.
constexpr qint64 fetch_chunk = 64 * 1024;

int ms_left(Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
}

// A wait of `ms` that never runs past the deadline.
int within(int ms, Deadline deadline) {
    return std::min(ms, ms_left(deadline));
}

ByteLink::Got take_available(QIODevice& dev, std::string& rx) {
    const qint64 n = std::min(dev.bytesAvailable(), fetch_chunk);
    const std::size_t old = rx.size();
    rx.resize(old + static_cast<std::size_t>(n));
    const qint64 got = dev.read(rx.data() + old, n);
    rx.resize(old + static_cast<std::size_t>(std::max<qint64>(got, 0)));
    if (got < 0)
        return ByteLink::Got::failure;
    return got > 0 ? ByteLink::Got::data : ByteLink::Got::timeout;
}

bool send_all(QIODevice& dev, const char* bytes, std::size_t count, int wait_ms) {
    if (dev.write(bytes, static_cast<qint64>(count)) != static_cast<qint64>(count))
        return false;
    while (dev.bytesToWrite() > 0)
        if (!dev.waitForBytesWritten(wait_ms))
            return false;
    return true;
}

// A serial line waits for bytes up to the deadline and a quiet line is a short read; after a
// line error it pauses and reopens the device.
class SerialLink : public ByteLink {
public:
    SerialLink(const std::string& path, int error_pause_ms) : error_pause_ms_(error_pause_ms) {
        port_.setPortName(QString::fromStdString(path));
    }

    bool open() { return port_.open(QIODevice::ReadWrite); }

    bool configure(std::uint32_t baud, std::uint32_t parity) override {
        static constexpr QSerialPort::Parity parities[] = {
            QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
            QSerialPort::MarkParity, QSerialPort::SpaceParity};
        baud_ = baud;
        parity_ = parity;
        const bool ok = port_.setBaudRate(static_cast<qint32>(baud)) &&
                        port_.setDataBits(QSerialPort::Data8) &&
                        port_.setStopBits(QSerialPort::OneStop) &&
                        port_.setFlowControl(QSerialPort::NoFlowControl);
        port_.setParity(parity < 5 ? parities[parity] : QSerialPort::NoParity);
        return ok;
    }

    Got fetch(std::string& rx, Deadline deadline) override {
        if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(ms_left(deadline))) {
            const auto e = port_.error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                return Got::failure;
            port_.clearError();
        }
        return take_available(port_, rx);
    }

    bool send(const char* bytes, std::size_t count, Deadline deadline) override {
        return send_all(port_, bytes, count, ms_left(deadline));
    }

    bool recover(Deadline deadline) override {
        pause_ms(within(error_pause_ms_, deadline));
        port_.close();
        return open() && configure(baud_, parity_);
    }

private:
    QSerialPort port_;
    int error_pause_ms_;
    std::uint32_t baud_ = 57600;
    std::uint32_t parity_ = 0;
};

// A TCP peer is connected on first use and after every failure, each time after a pause; a read
// that gets nothing within the TCP wait is a failure, since the peer may be gone.
class TcpLink : public ByteLink {
public:
    TcpLink(const CommPort::TcpPeer& peer, const PortTimings& t)
        : address_(QString::fromStdString(peer.address)), port_(peer.port), timings_(t) {}

    bool configure(std::uint32_t, std::uint32_t) override { return true; }

    Got fetch(std::string& rx, Deadline deadline) override {
        if (!connect(deadline))
            return Got::failure;
        if (socket_->bytesAvailable() == 0 &&
            !socket_->waitForReadyRead(within(timings_.tcp_wait_ms, deadline)))
            return Got::failure;
        return take_available(*socket_, rx) == Got::data ? Got::data : Got::failure;
    }

    bool send(const char* bytes, std::size_t count, Deadline deadline) override {
        return connect(deadline) &&
               send_all(*socket_, bytes, count, within(timings_.tcp_wait_ms, deadline));
    }

    bool recover(Deadline) override {
        socket_.reset();
        return true;
    }

private:
    bool connect(Deadline deadline) {
        if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
            return true;
        pause_ms(within(timings_.reconnect_pause_ms, deadline));
        socket_ = std::make_unique<QTcpSocket>();
        socket_->connectToHost(QHostAddress(address_), port_);
        if (!socket_->waitForConnected(within(timings_.tcp_wait_ms, deadline)))
            return false;
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }

    QString address_;
    std::uint16_t port_;
    PortTimings timings_;
    std::unique_ptr<QTcpSocket> socket_;
};

} // namespace

void pause_ms(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

CommPort::~CommPort() {
    Close();
}

std::string CommPort::device_path(const std::string& name) {
    if (name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0) &&
        std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        name.size() <= 6) {
        const int n = std::stoi(name.substr(3));
        if (n >= 1)
            return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

CommPort::TcpPeer CommPort::tcp_peer(const std::string& name) {
    const auto colon = name.find(':');
    TcpPeer peer;
    peer.address = name.substr(0, colon);
    if (colon == std::string::npos)
        return peer;
    const std::string port_text = name.substr(colon + 1);
    if (!port_text.empty() && port_text.size() <= 5 &&
        std::all_of(port_text.begin(), port_text.end(),
                    [](char c) { return c >= '0' && c <= '9'; })) {
        const int p = std::stoi(port_text);
        if (p <= 65535)
            peer.port = static_cast<std::uint16_t>(p);
    }
    return peer;
}

std::unique_ptr<ByteLink> CommPort::make_link(const std::string& name, const PortTimings& t) {
    if (name.find(':') != std::string::npos)
        return std::make_unique<TcpLink>(tcp_peer(name), t);
    auto serial = std::make_unique<SerialLink>(device_path(name), t.serial_error_pause_ms);
    if (!serial->open())
        return nullptr;
    return serial;
}

bool CommPort::Open(const std::string& name) {
    if (IsOpen())
        return false;
    link_ = factory_(name, timings_);
    return link_ != nullptr;
}

bool CommPort::Configure(std::uint32_t baud, std::uint32_t parity, std::uint32_t timeout_ms,
                         int /*rx_buffer_size: Linux drivers size their own buffers*/) {
    if (!link_)
        return true;
    timeout_ms_ = timeout_ms;
    return link_->configure(baud, parity);
}

bool CommPort::Close() {
    if (!IsOpen())
        return false;
    link_.reset();
    rx_.clear();
    rx_pos_ = 0;
    return true;
}

Deadline CommPort::after_timeout() const {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
}

bool CommPort::Write(const void* bytes, std::size_t count) {
    if (!link_)
        return false;
    const Deadline deadline = after_timeout();
    if (link_->send(static_cast<const char*>(bytes), count, deadline))
        return true;
    if (!link_->recover(deadline))
        Close();
    return false;
}

bool CommPort::Read(void* bytes, std::size_t count, std::size_t& received) {
    return Read(bytes, count, received, after_timeout());
}

bool CommPort::Read(void* bytes, std::size_t count, std::size_t& received, Deadline deadline) {
    received = 0;
    if (!link_)
        return false;
    auto* out = static_cast<char*>(bytes);
    while (received < count) {
        if (rx_pos_ < rx_.size()) {
            const std::size_t n = std::min(count - received, rx_.size() - rx_pos_);
            std::memcpy(out + received, rx_.data() + rx_pos_, n);
            received += n;
            rx_pos_ += n;
            continue;
        }
        rx_.clear();
        rx_pos_ = 0;
        const ByteLink::Got got = link_->fetch(rx_, deadline);
        if (got == ByteLink::Got::timeout)
            return true; // fewer bytes came; the caller compares
        if (got == ByteLink::Got::failure) {
            if (!link_->recover(deadline))
                Close();
            return false;
        }
    }
    return true;
}

} // namespace device
