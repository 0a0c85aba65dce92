#include "device/Com_port.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace device {

Until Until::Within(int ms) const {
    const Deadline end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    return Until(std::min(end, deadline_), stop_);
}

int Until::LeftMs() const {
    if (Stopped())
        return 0;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline_ - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
}

int Until::SliceMs() const {
    return std::min(LeftMs(), WAIT_SLICE_MS);
}

void Until::Sleep() const {
    for (int ms = SliceMs(); ms > 0; ms = SliceMs())
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

namespace {

// Bytes taken from the OS in one go; far more than a reply, so one-byte reads stay cheap.
constexpr qint64 fetch_chunk = 64 * 1024;

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

// Whether a wait that returned false only ran out of time, so the next slice may follow.
bool timed_out(QSerialPort& port) {
    const auto e = port.error();
    if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError)
        return false;
    port.clearError();
    return true;
}

bool timed_out(const QTcpSocket& socket) {
    return socket.error() == QAbstractSocket::SocketTimeoutError &&
           socket.state() == QAbstractSocket::ConnectedState;
}

enum class Waited { ready, over, failed };

// Runs wait(ms) slice by slice until it succeeds, the wait is over or the device fails.
template <class Device, class Wait> Waited wait_sliced(Device& dev, const Until& until, Wait wait) {
    for (int ms = until.SliceMs(); ms > 0; ms = until.SliceMs()) {
        if (wait(ms))
            return Waited::ready;
        if (!timed_out(dev))
            return Waited::failed;
    }
    return Waited::over;
}

template <class Device>
bool send_all(Device& dev, const char* bytes, std::size_t count, const Until& until) {
    if (dev.write(bytes, static_cast<qint64>(count)) != static_cast<qint64>(count))
        return false;
    while (dev.bytesToWrite() > 0)
        if (wait_sliced(dev, until, [&](int ms) { return dev.waitForBytesWritten(ms); }) !=
            Waited::ready)
            return false;
    return true;
}

// waitForConnected abandons the attempt when its time runs out, so it cannot be cut into
// slices: a local event loop waits for the attempt instead, looking at the wait between slices.
bool wait_connected(QTcpSocket& socket, const Until& until) {
    QEventLoop loop;
    QTimer slice;
    slice.setSingleShot(true);
    const auto next_slice = [&] {
        const int ms = until.SliceMs();
        if (ms > 0)
            slice.start(ms);
        else
            loop.quit();
    };
    QObject::connect(&slice, &QTimer::timeout, &loop, next_slice);
    QObject::connect(&socket, &QAbstractSocket::stateChanged, &loop,
                     [&](QAbstractSocket::SocketState state) {
                         if (state == QAbstractSocket::ConnectedState ||
                             state == QAbstractSocket::UnconnectedState)
                             loop.quit();
                     });
    if (socket.state() == QAbstractSocket::ConnectingState ||
        socket.state() == QAbstractSocket::HostLookupState) {
        next_slice();
        if (slice.isActive())
            loop.exec();
    }
    return socket.state() == QAbstractSocket::ConnectedState;
}

// The group that owns a device, for the hint that the user must belong to it.
std::string group_of(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    const struct group* g = ::getgrgid(st.st_gid);
    return g ? g->gr_name : std::string();
}

OpenFault fault_of(const QSerialPort& port, const std::string& path) {
    OpenFault fault;
    fault.device = path;
    fault.system_text = port.errorString().toStdString();
    switch (port.error()) {
    case QSerialPort::DeviceNotFoundError:
        fault.reason = OpenFault::no_device;
        break;
    case QSerialPort::PermissionError:
        // Qt says the same when another program holds the line: ask the system which it is.
        if (::access(path.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
            fault.reason = OpenFault::no_permission;
            fault.group = group_of(path);
        } else {
            fault.reason = OpenFault::busy;
        }
        break;
    default:
        fault.reason = OpenFault::other;
        break;
    }
    return fault;
}

// A serial line waits for bytes up to the end of the wait and a quiet line is a short read; after
// a line error it pauses and reopens the device.
class SerialLink : public ByteLink {
public:
    SerialLink(const std::string& path, int error_pause_ms)
        : path_(path), error_pause_ms_(error_pause_ms) {
        port_.setPortName(QString::fromStdString(path));
    }

    bool open() { return port_.open(QIODevice::ReadWrite); }
    OpenFault fault() const { return fault_of(port_, path_); }

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

    Got fetch(std::string& rx, const Until& until) override {
        if (port_.bytesAvailable() == 0 && wait_sliced(port_, until, [&](int ms) {
                                               return port_.waitForReadyRead(ms);
                                           }) == Waited::failed)
            return Got::failure;
        return take_available(port_, rx);
    }

    bool send(const char* bytes, std::size_t count, const Until& until) override {
        return send_all(port_, bytes, count, until);
    }

    bool recover(const Until& until) override {
        until.Within(error_pause_ms_).Sleep();
        port_.close();
        return open() && configure(baud_, parity_);
    }

private:
    QSerialPort port_;
    std::string path_;
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

    Got fetch(std::string& rx, const Until& until) override {
        if (!connect(until))
            return Got::failure;
        if (socket_->bytesAvailable() == 0 &&
            wait_sliced(*socket_, until.Within(timings_.tcp_wait_ms),
                        [&](int ms) { return socket_->waitForReadyRead(ms); }) != Waited::ready)
            return Got::failure;
        return take_available(*socket_, rx) == Got::data ? Got::data : Got::failure;
    }

    bool send(const char* bytes, std::size_t count, const Until& until) override {
        return connect(until) &&
               send_all(*socket_, bytes, count, until.Within(timings_.tcp_wait_ms));
    }

    bool recover(const Until&) override {
        socket_.reset();
        return true;
    }

private:
    bool connect(const Until& until) {
        if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
            return true;
        until.Within(timings_.reconnect_pause_ms).Sleep();
        socket_ = std::make_unique<QTcpSocket>();
        if (until.Stopped())
            return false;
        socket_->connectToHost(QHostAddress(address_), port_);
        if (!wait_connected(*socket_, until.Within(timings_.tcp_wait_ms)))
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

CommPort::~CommPort() {
    Close();
}

std::string CommPort::DevicePath(const std::string& name) {
    if (name.size() > 3 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "com") == 0) &&
        std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
        name.size() <= 6) {
        const int n = std::stoi(name.substr(3));
        if (n >= 1)
            return "/dev/ttyS" + std::to_string(n - 1);
    }
    return name;
}

bool CommPort::IsTcpName(const std::string& name) {
    return name.find(':') != std::string::npos;
}

CommPort::TcpPeer CommPort::TcpPeerOf(const std::string& name) {
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

std::unique_ptr<ByteLink> CommPort::MakeLink(const std::string& name, const PortTimings& t,
                                             OpenFault& fault) {
    if (IsTcpName(name))
        return std::make_unique<TcpLink>(TcpPeerOf(name), t);
    auto serial = std::make_unique<SerialLink>(DevicePath(name), t.serial_error_pause_ms);
    if (!serial->open()) {
        fault = serial->fault();
        return nullptr;
    }
    return serial;
}

bool CommPort::Open(const std::string& name) {
    if (IsOpen())
        return false;
    fault_ = {};
    link_ = factory_(name, timings_, fault_);
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

Until CommPort::UntilTimeout() const {
    return Until(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_), stop_);
}

bool CommPort::Write(const void* bytes, std::size_t count) {
    if (!link_)
        return false;
    const Until until = UntilTimeout();
    if (link_->send(static_cast<const char*>(bytes), count, until))
        return true;
    if (!link_->recover(until))
        Close();
    return false;
}

bool CommPort::Read(void* bytes, std::size_t count, std::size_t& received) {
    return ReadUntil(bytes, count, received, UntilTimeout());
}

bool CommPort::Read(void* bytes, std::size_t count, std::size_t& received, Deadline deadline) {
    return ReadUntil(bytes, count, received, Until(deadline, stop_));
}

bool CommPort::ReadUntil(void* bytes, std::size_t count, std::size_t& received,
                         const Until& until) {
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
        const ByteLink::Got got = link_->fetch(rx_, until);
        if (got == ByteLink::Got::timeout)
            return true; // fewer bytes came; the caller compares
        if (got == ByteLink::Got::failure) {
            if (!link_->recover(until))
                Close();
            return false;
        }
    }
    return true;
}

} // namespace device
