// vornell-logger-sim: plays the drilling-rig logger over TCP or a pseudo-terminal, with fault
// modes for tests. Serves one client at a time until it is stopped.
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "Drilling.h"
#include "Recording.h"
#include "library/Codepage.h"

namespace {

const char* const usage =
    "Usage: vornell-logger-sim (--listen ADDR:PORT | --pty) [OPTIONS]\n"
    "\n"
    "Options:\n"
    "  --profile NAME       the synthetic recording: 'default' (the tests' one) or\n"
    "                       'drilling': a day of a rig, its journal following the load\n"
    "  --block-weight T     drilling: the travelling block's weight (default 22.5 t)\n"
    "  --string-weight T    drilling: the drill string's weight at the start (default 60 t)\n"
    "  --set-point T        drilling: the alarm set-point (default block + string + 20 t)\n"
    "  --type TEXT          sensor type (UTF-8, sent in CP866; default вес_на_крюке)\n"
    "  --records N          number of records (default 21600)\n"
    "  --interval S         seconds between records (default 4)\n"
    "  --start T            logger time of the first record, seconds since 1970\n"
    "  --seed N             seed of the synthetic recording (default 1)\n"
    "  --alarms N           number of alarm lines (default 8)\n"
    "  --records-file PATH  dump script: 'TIME VALUE' or 'raw HEX..' lines\n"
    "  --alarms-file PATH   alarm lines sent as they are\n"
    "  --hello TEXT         reply to ~BLA BLA BLA (default 'LOGGER OK')\n"
    "  --help               print this help and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "Faults:\n"
    "  --silent-after N     send nothing more after N bytes of a session\n"
    "  --drop-after N       drop the connection after N bytes (--pty: and exit)\n"
    "  --alarm-err          answer ERR to ~DUMP ALARMS\n"
    "  --odd-frames         7- and 9-byte frames and framing errors inside the dump\n"
    "  --bad-date           an alarm line with an impossible date\n"
    "  --trickle            prompts trickle in one byte at a time\n"
    "  --endless-reply      the type reply never ends (bytes without the prompt)\n"
    "\n"
    "Prints 'listening ADDR:PORT' or 'pty PATH' on stdout once ready.\n"
    "\n"
    "Exit codes: 0 a --pty session dropped by --drop-after ended, 1 the address or the\n"
    "pseudo-terminal cannot be had, 2 bad usage or an unreadable file.\n";

struct Options {
    std::string listen;
    bool pty = false;
    std::string type = "вес_на_крюке";
    sim::RecordingOptions rec;
    bool drilling = false;
    sim::DrillingOptions drill;
    std::string records_file;
    std::string alarms_file;
    std::string hello = "LOGGER OK";
    long long silent_after = -1;
    long long drop_after = -1;
    bool alarm_err = false;
    bool trickle = false;
    bool endless_reply = false;
};

// One client connection: blocking reads of single bytes, writes of whole buffers.
class Channel {
public:
    virtual ~Channel() = default;
    virtual bool read_byte(char& c) = 0; // false when the client is gone
    virtual bool write(const char* bytes, std::size_t count) = 0;
};

class TcpChannel : public Channel {
public:
    explicit TcpChannel(QTcpSocket* s) : s_(s) {}
    bool read_byte(char& c) override {
        while (s_->bytesAvailable() == 0) {
            if (s_->state() != QAbstractSocket::ConnectedState)
                return false;
            s_->waitForReadyRead(200);
        }
        return s_->getChar(&c);
    }
    bool write(const char* bytes, std::size_t count) override {
        if (s_->write(bytes, static_cast<qint64>(count)) < 0)
            return false;
        while (s_->bytesToWrite() > 0)
            if (!s_->waitForBytesWritten(10000))
                return false;
        return true;
    }

private:
    QTcpSocket* s_;
};

class PtyChannel : public Channel {
public:
    explicit PtyChannel(int fd) : fd_(fd) {}
    bool read_byte(char& c) override {
        for (;;) {
            const ssize_t n = ::read(fd_, &c, 1);
            if (n == 1)
                return true;
            // EIO: no client holds the other end right now; wait for the next one.
            if (n < 0 && errno != EIO && errno != EINTR)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    bool write(const char* bytes, std::size_t count) override {
        while (count > 0) {
            const ssize_t n = ::write(fd_, bytes, count);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                return false;
            }
            bytes += n;
            count -= static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// CP866 bytes of a UTF-8 text, by reversing the library's CP866 decoder.
std::string to_cp866(const std::string& utf8) {
    std::vector<std::string> table(256);
    for (int b = 0; b < 256; ++b)
        table[static_cast<std::size_t>(b)] = lib::from_cp866(std::string(1, static_cast<char>(b)));
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        bool found = false;
        for (int b = 255; b >= 0 && !found; --b) {
            const std::string& u = table[static_cast<std::size_t>(b)];
            if (!u.empty() && utf8.compare(i, u.size(), u) == 0) {
                out.push_back(static_cast<char>(b));
                i += u.size();
                found = true;
            }
        }
        if (!found) {
            out.push_back('?');
            ++i;
        }
    }
    return out;
}

// One conversation with one client. Counts the bytes sent for the fault modes.
class Session {
public:
    Session(const Options& o, const std::string& dump, const std::vector<std::string>& alarms,
            Channel& ch)
        : o_(o), dump_(dump), alarms_(alarms), ch_(ch) {}

    bool dropped() const { return dropped_; }

    // Returns when the client is gone or the connection was dropped on purpose.
    void run() {
        std::string command;
        char c;
        while (!dropped_ && ch_.read_byte(c)) {
            if (c == '\n')
                continue;
            if (c != '\r') {
                if (command.size() < 4096)
                    command.push_back(c);
                continue;
            }
            if (!answer(command))
                return;
            command.clear();
        }
    }

private:
    bool send(const std::string& bytes) {
        std::size_t count = bytes.size();
        if (o_.silent_after >= 0)
            count = static_cast<std::size_t>(
                std::clamp<long long>(o_.silent_after - sent_, 0, static_cast<long long>(count)));
        if (o_.drop_after >= 0 && sent_ + static_cast<long long>(count) >= o_.drop_after) {
            count = static_cast<std::size_t>(std::max<long long>(o_.drop_after - sent_, 0));
            dropped_ = true;
        }
        sent_ += static_cast<long long>(count);
        return ch_.write(bytes.data(), count) && !dropped_;
    }

    bool prompt() {
        if (!o_.trickle)
            return send("\r\n=>");
        for (char c : std::string("\r\n=>")) {
            if (!send(std::string(1, c)))
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
        }
        return true;
    }

    bool answer(const std::string& command) {
        if (command == "~BLA BLA BLA")
            return send(o_.hello) && prompt();
        if (command == "~GET TYPE") {
            if (o_.endless_reply) {
                const std::string chunk(4096, 'A');
                for (int i = 0; i < 64; ++i)
                    if (!send(chunk))
                        return false;
            }
            return send(to_cp866(o_.type)) && prompt();
        }
        if (command == "~BDUMP LOG") {
            const std::string end("\xFF\x00", 2);
            return send(dump_) && send(end) && send("DUMP END") && prompt();
        }
        if (command == "~DUMP ALARMS") {
            if (o_.alarm_err)
                return send("ERR\r\n") && prompt();
            std::string text;
            for (const std::string& line : alarms_)
                text += line + "\r\n";
            return send(text) && send("=>\r\n");
        }
        return send("ERR") && prompt();
    }

    const Options& o_;
    const std::string& dump_;
    const std::vector<std::string>& alarms_;
    Channel& ch_;
    long long sent_ = 0;
    bool dropped_ = false;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                throw std::runtime_error(a + " needs a value");
            return argv[++i];
        };
        auto number = [&]() { return std::stoull(value()); };
        auto tonnes = [&]() { return std::stod(value()); };
        if (a == "--listen")
            o.listen = value();
        else if (a == "--pty")
            o.pty = true;
        else if (a == "--profile") {
            const std::string name = value();
            if (name != "default" && name != "drilling")
                throw std::runtime_error("unknown profile " + name);
            o.drilling = name == "drilling";
        } else if (a == "--block-weight")
            o.drill.block_weight = tonnes();
        else if (a == "--string-weight")
            o.drill.string_weight = tonnes();
        else if (a == "--set-point")
            o.drill.set_point = tonnes();
        else if (a == "--type")
            o.type = value();
        else if (a == "--records")
            o.rec.records = number();
        else if (a == "--interval")
            o.rec.interval = static_cast<std::uint32_t>(number());
        else if (a == "--start")
            o.rec.start = static_cast<std::uint32_t>(number());
        else if (a == "--seed")
            o.rec.seed = static_cast<std::uint32_t>(number());
        else if (a == "--alarms")
            o.rec.alarms = static_cast<int>(number());
        else if (a == "--records-file")
            o.records_file = value();
        else if (a == "--alarms-file")
            o.alarms_file = value();
        else if (a == "--hello")
            o.hello = value();
        else if (a == "--silent-after")
            o.silent_after = static_cast<long long>(number());
        else if (a == "--drop-after")
            o.drop_after = static_cast<long long>(number());
        else if (a == "--alarm-err")
            o.alarm_err = true;
        else if (a == "--odd-frames")
            o.rec.odd_frames = true;
        else if (a == "--bad-date")
            o.rec.bad_date = true;
        else if (a == "--trickle")
            o.trickle = true;
        else if (a == "--endless-reply")
            o.endless_reply = true;
        else
            return false;
    }
    return o.pty != !o.listen.empty();
}

int serve_tcp(const Options& o, const std::string& dump, const std::vector<std::string>& alarms) {
    const auto colon = o.listen.rfind(':');
    if (colon == std::string::npos) {
        std::cerr << "--listen needs ADDR:PORT\n";
        return 2;
    }
    QTcpServer server;
    const QHostAddress address(QString::fromStdString(o.listen.substr(0, colon)));
    if (!server.listen(address, static_cast<quint16>(std::stoi(o.listen.substr(colon + 1))))) {
        std::cerr << "cannot listen on " << o.listen << ": " << server.errorString().toStdString()
                  << '\n';
        return 1;
    }
    std::cout << "listening " << address.toString().toStdString() << ':' << server.serverPort()
              << std::endl;
    for (;;) {
        if (!server.waitForNewConnection(-1))
            continue;
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        if (!socket)
            continue;
        // Replies go out in pieces (text, then prompt); do not let them wait for an ACK.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        TcpChannel channel(socket.get());
        Session(o, dump, alarms, channel).run();
        socket->disconnectFromHost();
        if (socket->state() != QAbstractSocket::UnconnectedState)
            socket->waitForDisconnected(1000);
    }
}

int serve_pty(const Options& o, const std::string& dump, const std::vector<std::string>& alarms) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::perror("posix_openpt");
        return 1;
    }
    const char* slave_name = ptsname(master);
    if (!slave_name) {
        std::perror("ptsname");
        return 1;
    }
    const std::string slave_path = slave_name;
    // Raw line discipline on the slave side, so nothing is echoed or translated; the reader may
    // set the line again when it opens the device.
    const int slave = ::open(slave_path.c_str(), O_RDWR | O_NOCTTY);
    if (slave >= 0) {
        termios t{};
        if (tcgetattr(slave, &t) == 0) {
            cfmakeraw(&t);
            tcsetattr(slave, TCSANOW, &t);
        }
        ::close(slave);
    }
    std::cout << "pty " << slave_path << std::endl;
    PtyChannel channel(master);
    for (;;) {
        Session session(o, dump, alarms, channel);
        session.run();
        // A dropped line on a pseudo-terminal: the device goes away with the simulator, once
        // the reader had time to take what was sent (a hang-up discards unread input).
        if (session.dropped()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            return 0;
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--help") {
        std::cout << usage;
        return 0;
    }
    if (first == "--version") {
        std::cout << "vornell-logger-sim " VORNELL_VERSION "\n";
        return 0;
    }
    Options o;
    try {
        if (!parse(argc, argv, o)) {
            std::cerr << usage;
            return 2;
        }
        sim::RigDay day;
        if (o.drilling) {
            day = sim::drilling_day(o.rec, o.drill);
        } else {
            if (o.records_file.empty())
                day.wire = sim::synthetic_dump(o.rec);
            if (o.alarms_file.empty())
                day.alarms = sim::synthetic_alarms(o.rec);
        }
        if (!o.records_file.empty())
            day.wire = sim::dump_from_script(read_file(o.records_file));
        if (!o.alarms_file.empty()) {
            day.alarms.clear();
            std::istringstream in(read_file(o.alarms_file));
            std::string line;
            while (std::getline(in, line))
                day.alarms.push_back(line);
        }
        return o.pty ? serve_pty(o, day.wire, day.alarms) : serve_tcp(o, day.wire, day.alarms);
    } catch (const std::exception& e) {
        std::cerr << "vornell-logger-sim: " << e.what() << '\n';
        return 2;
    }
}
