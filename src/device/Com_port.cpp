#include "device/Com_port.h"

#include <QEventLoop>
#include <QHostAddress>
#include <QHostInfo>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <thread>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include "device/Port_name.h"

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

// What the system says of a device we may not open: who owns it and who may use it.
OpenFault refused_device(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {OpenFault::no_permission, path, {}, {}};
    const struct group* g = ::getgrgid(st.st_gid);
    return permission_fault(path, g ? g->gr_name : std::string(), st.st_gid, st.st_mode);
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
            const std::string system_text = fault.system_text;
            fault = refused_device(path);
            fault.system_text = system_text;
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
    OpenFault open_fault() const { return fault_of(port_, path_); }

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

    // Asked only after a failure: the line broke.
    LinkFault fault() const override { return LinkFault::dropped; }

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

LinkFault fault_of(const QTcpSocket& socket) {
    switch (socket.error()) {
    case QAbstractSocket::ConnectionRefusedError:
        return LinkFault::refused;
    case QAbstractSocket::HostNotFoundError:
        return LinkFault::host_not_found;
    case QAbstractSocket::SocketTimeoutError:
        return LinkFault::no_answer;
    default:
        return LinkFault::dropped;
    }
}

// A TCP peer is connected on first use and after every failure, each time after a pause, to the
// first of its addresses that takes the connection; a read that gets nothing within the TCP wait
// is a failure, since the peer may be gone.
class TcpLink : public ByteLink {
public:
    TcpLink(TcpPeer peer, const PortTimings& t, NameLookup lookup)
        : peer_(std::move(peer)), timings_(t), lookup_(std::move(lookup)) {}

    bool configure(std::uint32_t, std::uint32_t) override { return true; }

    Got fetch(std::string& rx, const Until& until) override {
        if (!connect(until))
            return Got::failure;
        if (socket_->bytesAvailable() == 0) {
            const Waited waited =
                wait_sliced(*socket_, until.Within(timings_.tcp_wait_ms),
                            [&](int ms) { return socket_->waitForReadyRead(ms); });
            if (waited != Waited::ready) {
                fault_ = waited == Waited::over ? LinkFault::no_answer : fault_of(*socket_);
                return Got::failure;
            }
        }
        if (take_available(*socket_, rx) == Got::data)
            return Got::data;
        fault_ = LinkFault::dropped;
        return Got::failure;
    }

    bool send(const char* bytes, std::size_t count, const Until& until) override {
        if (!connect(until))
            return false;
        if (send_all(*socket_, bytes, count, until.Within(timings_.tcp_wait_ms)))
            return true;
        fault_ = LinkFault::dropped;
        return false;
    }

    bool recover(const Until&) override {
        socket_.reset();
        return true;
    }

    bool connect(const Until& until) override {
        if (socket_ && socket_->state() == QAbstractSocket::ConnectedState)
            return true;
        until.Within(timings_.reconnect_pause_ms).Sleep();
        socket_.reset();
        if (until.Stopped())
            return false;
        const Until wait = until.Within(timings_.tcp_wait_ms);
        const HostAddresses found = lookup_(peer_.host, wait);
        if (found.outcome != HostAddresses::found) {
            fault_ = found.outcome == HostAddresses::not_found ? LinkFault::host_not_found
                                                               : LinkFault::no_answer;
            return false;
        }
        // A name may stand for addresses nothing listens at (localhost: ::1 before 127.0.0.1):
        // each is tried while the wait lasts, and a refusal is what the user most needs to hear.
        bool refused = false;
        for (const std::string& address : found.addresses) {
            if (wait.LeftMs() == 0)
                break;
            socket_ = std::make_unique<QTcpSocket>();
            socket_->connectToHost(QHostAddress(QString::fromStdString(address)), peer_.port);
            if (wait_connected(*socket_, wait)) {
                socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
                fault_ = LinkFault::none;
                return true;
            }
            fault_ = socket_->state() == QAbstractSocket::UnconnectedState ? fault_of(*socket_)
                                                                           : LinkFault::no_answer;
            refused = refused || fault_ == LinkFault::refused;
        }
        if (refused)
            fault_ = LinkFault::refused;
        socket_.reset();
        return false;
    }

    LinkFault fault() const override { return fault_; }

private:
    TcpPeer peer_;
    PortTimings timings_;
    NameLookup lookup_;
    std::unique_ptr<QTcpSocket> socket_;
    LinkFault fault_ = LinkFault::none;
};

} // namespace

CommPort::~CommPort() {
    Close();
}

OpenFault permission_fault(const std::string& device, const std::string& group, unsigned gid,
                           unsigned mode) {
    OpenFault fault;
    fault.device = device;
    // Joining root's group gives nothing a user should be given, and joining a group that may
    // not read and write the device gives nothing at all.
    const bool group_may_use = (mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    if (gid != 0 && group_may_use) {
        fault.reason = OpenFault::no_permission;
        fault.group = group;
    } else {
        fault.reason = OpenFault::administrator;
    }
    return fault;
}

HostAddresses system_name_lookup(const std::string& host, const Until& until) {
    const QHostAddress numeric(QString::fromStdString(host));
    if (!numeric.isNull())
        return {HostAddresses::found, {host}};
    // The lookup runs on Qt's own threads; a local loop waits for its answer slice by slice.
    QEventLoop loop;
    QObject context;
    std::optional<QHostInfo> answer;
    const int id =
        QHostInfo::lookupHost(QString::fromStdString(host), &context, [&](const QHostInfo& info) {
            answer = info;
            loop.quit();
        });
    QTimer slice;
    QObject::connect(&slice, &QTimer::timeout, &loop, [&] {
        const int ms = until.SliceMs();
        if (ms > 0)
            slice.start(ms);
        else
            loop.quit();
    });
    slice.setSingleShot(true);
    slice.start(0);
    if (!answer)
        loop.exec();
    if (!answer) {
        QHostInfo::abortHostLookup(id);
        return {HostAddresses::no_answer, {}};
    }
    HostAddresses found;
    for (const QHostAddress& address : answer->addresses())
        found.addresses.push_back(address.toString().toStdString());
    // A resolver that could not be asked (no network) is no answer, not a name that is unknown.
    found.outcome = !found.addresses.empty()                     ? HostAddresses::found
                    : answer->error() == QHostInfo::HostNotFound ? HostAddresses::not_found
                                                                 : HostAddresses::no_answer;
    return found;
}

std::unique_ptr<ByteLink> CommPort::MakeLink(const std::string& name, const PortTimings& t,
                                             OpenFault& fault, const NameLookup& lookup) {
    if (is_tcp_name(name)) {
        TcpPeer peer;
        if (parse_tcp_name(name, &peer) != PortNameFault::none) {
            fault = {OpenFault::bad_name, name, {}, {}};
            return nullptr;
        }
        return std::make_unique<TcpLink>(std::move(peer), t, lookup);
    }
    auto serial = std::make_unique<SerialLink>(device_path(name), t.serial_error_pause_ms);
    if (!serial->open()) {
        fault = serial->open_fault();
        return nullptr;
    }
    return serial;
}

bool CommPort::Open(const std::string& name) {
    if (IsOpen())
        return false;
    fault_ = {};
    link_ = factory_ ? factory_(name, timings_, fault_) : MakeLink(name, timings_, fault_, lookup_);
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
    // Connecting takes its pause and its own wait: a short time-out bounds the write and the
    // reply, not the connection before them.
    const int connecting_ms = timings_.reconnect_pause_ms + timings_.tcp_wait_ms;
    const Until connecting(
        std::chrono::steady_clock::now() + std::chrono::milliseconds(connecting_ms), stop_);
    const bool ready = link_->connect(connecting);
    const Until until = UntilTimeout();
    if (ready && link_->send(static_cast<const char*>(bytes), count, until))
        return true;
    link_fault_ = link_->fault();
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
    if (!link_) {
        link_fault_ = LinkFault::none;
        return false;
    }
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
            link_fault_ = link_->fault();
            if (!link_->recover(until))
                Close();
            return false;
        }
    }
    return true;
}

} // namespace device
