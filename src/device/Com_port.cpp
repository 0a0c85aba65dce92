#include "device/Com_port.h"

#include <QHostAddress>
#include <QSerialPort>
#include <QTcpSocket>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace device {

namespace {

// Bytes taken from the OS in one go; far more than a reply, so one-byte reads stay cheap.
constexpr qint64 fetch_chunk = 64 * 1024;

void pause_ms(int ms) {
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

} // namespace

class SerialLink : public ByteLink {
public:
    bool open(const std::string& path) {
        port_.setPortName(QString::fromStdString(path));
        return port_.open(QIODevice::ReadWrite);
    }

    bool configure(std::uint32_t baud, std::uint32_t parity) {
        static constexpr QSerialPort::Parity parities[] = {
            QSerialPort::NoParity, QSerialPort::OddParity, QSerialPort::EvenParity,
            QSerialPort::MarkParity, QSerialPort::SpaceParity};
        const bool ok = port_.setBaudRate(static_cast<qint32>(baud)) &&
                        port_.setDataBits(QSerialPort::Data8) &&
                        port_.setStopBits(QSerialPort::OneStop) &&
                        port_.setFlowControl(QSerialPort::NoFlowControl);
        port_.setParity(parity < 5 ? parities[parity] : QSerialPort::NoParity);
        return ok;
    }

    Got fetch(std::string& rx, int wait_ms) override {
        if (port_.bytesAvailable() == 0 && !port_.waitForReadyRead(wait_ms)) {
            const auto e = port_.error();
            if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
                return Got::failure;
            port_.clearError();
        }
        return take_available(port_, rx);
    }

    bool send(const char* bytes, std::size_t count, int wait_ms) override {
        if (port_.write(bytes, static_cast<qint64>(count)) != static_cast<qint64>(count))
            return false;
        while (port_.bytesToWrite() > 0)
            if (!port_.waitForBytesWritten(wait_ms))
                return false;
        return true;
    }

private:
    QSerialPort port_;
};

class TcpLink : public ByteLink {
public:
    TcpLink(QString address, std::uint16_t port) : address_(std::move(address)), port_(port) {}

    bool connect(int wait_ms) {
        socket_ = std::make_unique<QTcpSocket>();
        socket_->connectToHost(QHostAddress(address_), port_);
        if (!socket_->waitForConnected(wait_ms))
            return false;
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }

    void disconnect() { socket_.reset(); }

    Got fetch(std::string& rx, int wait_ms) override {
        if (!socket_)
            return Got::failure;
        if (socket_->bytesAvailable() == 0 && !socket_->waitForReadyRead(wait_ms))
            return socket_->state() == QAbstractSocket::ConnectedState &&
                           socket_->error() == QAbstractSocket::SocketTimeoutError
                       ? Got::timeout
                       : Got::failure;
        return take_available(*socket_, rx);
    }

    bool send(const char* bytes, std::size_t count, int wait_ms) override {
        if (!socket_ ||
            socket_->write(bytes, static_cast<qint64>(count)) != static_cast<qint64>(count))
            return false;
        while (socket_->bytesToWrite() > 0)
            if (!socket_->waitForBytesWritten(wait_ms))
                return false;
        return true;
    }

private:
    QString address_;
    std::uint16_t port_;
    std::unique_ptr<QTcpSocket> socket_;
};

CommPort::CommPort() = default;

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

bool CommPort::Open(const std::string& name) {
    if (IsOpen())
        return false;
    if (name.find(':') != std::string::npos) {
        const TcpPeer peer = tcp_peer(name);
        tcp_ = std::make_unique<TcpLink>(QString::fromStdString(peer.address), peer.port);
        connected_ = false;
        Connect();
    } else {
        auto serial = std::make_unique<SerialLink>();
        if (!serial->open(device_path(name)))
            return false;
        serial_ = std::move(serial);
    }
    name_ = name;
    return true;
}

bool CommPort::Configure(std::uint32_t baud, std::uint32_t parity, std::uint32_t timeout_ms,
                         int /*rx_buffer_size: Linux drivers size their own buffers*/) {
    if (!serial_)
        return true;
    baud_ = baud;
    parity_ = parity;
    timeout_ms_ = timeout_ms;
    return serial_->configure(baud, parity);
}

bool CommPort::Close() {
    if (!IsOpen())
        return false;
    tcp_.reset();
    serial_.reset();
    connected_ = false;
    rx_.clear();
    rx_pos_ = 0;
    return true;
}

bool CommPort::Reopen() {
    Close();
    if (Open(name_))
        Configure(baud_, parity_, reopen_timeout_ms_, -1);
    return true;
}

bool CommPort::IsOpen() const {
    return serial_ != nullptr || tcp_ != nullptr;
}

ByteLink* CommPort::link() const {
    if (serial_)
        return serial_.get();
    return tcp_.get();
}

bool CommPort::Connect() {
    if (connected_)
        return true;
    tcp_->disconnect();
    pause_ms(timings_.reconnect_pause_ms);
    connected_ = tcp_->connect(timings_.tcp_wait_ms);
    return connected_;
}

bool CommPort::Write(const void* bytes, std::size_t count) {
    if (!IsOpen())
        return false;
    if (serial_)
        return serial_->send(static_cast<const char*>(bytes), count, static_cast<int>(timeout_ms_));
    if (!Connect())
        return false;
    if (!tcp_->send(static_cast<const char*>(bytes), count, timings_.tcp_wait_ms)) {
        connected_ = false;
        return false;
    }
    return true;
}

bool CommPort::Read(void* bytes, std::size_t count, std::size_t& received) {
    received = 0;
    if (!IsOpen())
        return false;
    auto* out = static_cast<char*>(bytes);
    // The usual case: the protocol asks for one byte that is already here.
    if (count <= rx_.size() - rx_pos_) {
        std::memcpy(out, rx_.data() + rx_pos_, count);
        rx_pos_ += count;
        received = count;
        return true;
    }
    if (tcp_ && !Connect())
        return false;
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::milliseconds(timeout_ms_);
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
        int wait_ms = timings_.tcp_wait_ms;
        if (serial_) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now());
            wait_ms = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
        }
        const ByteLink::Got got = link()->fetch(rx_, wait_ms);
        if (got == ByteLink::Got::data)
            continue;
        if (serial_) {
            if (got == ByteLink::Got::timeout)
                return true; // a serial time-out is not a failure: fewer bytes came
            pause_ms(timings_.serial_error_pause_ms);
            Reopen();
            return false;
        }
        connected_ = false;
        return false;
    }
    return true;
}

} // namespace device
