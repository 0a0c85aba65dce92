// vornell-cli read: a complete read of a logger, saved as a data file with its journal.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>

#include "cli/Commands.h"
#include "device/Hardware.h"
#include "device/Port_name.h"
#include "device/Read_session.h"
#include "document/Storage.h"
#include "formats/Formats.h"
#include "library/Console.h"
#include "library/Fileworks.h"

namespace {

constexpr int poll_ms = 200;
constexpr std::int64_t line_every_ms = 2000;

// How a read shows on stderr while it runs: on a terminal one line rewritten in place, on
// anything else (a file, a pipe) a line every 2 s at most; then the final count. Quiet shows
// nothing but the errors.
class ProgressView {
public:
    ProgressView(bool quiet, int terminal_columns) : quiet_(quiet), columns_(terminal_columns) {}

    void show(const device::ReadProgress& progress, std::int64_t elapsed_ms) {
        if (quiet_)
            return;
        const std::string line = device::read_statistics_text(progress.records, elapsed_ms) +
                                 "   " +
                                 device::progress_text(progress, std::chrono::steady_clock::now());
        if (columns_ > 0) {
            write("\r" + fitted(line) + "\x1b[K");
            shown_ = true;
        } else if (elapsed_ms - last_line_ms_ >= line_every_ms) {
            write(line + "\n");
            last_line_ms_ = elapsed_ms;
        }
    }

    void finish(std::size_t records, std::int64_t elapsed_ms) {
        if (quiet_)
            return;
        const std::string line = device::read_statistics_text(records, elapsed_ms);
        write(shown_ ? "\r" + fitted(line) + "\x1b[K\n" : line + "\n");
    }

private:
    // The line cut to the terminal's width, so that it never wraps and "\r" finds its start.
    std::string fitted(const std::string& line) const {
        int left = columns_ - 1;
        std::size_t end = 0;
        while (end < line.size() && left > 0) {
            // A UTF-8 character: its lead byte and the continuation bytes after it.
            ++end;
            while (end < line.size() && (static_cast<unsigned char>(line[end]) & 0xC0) == 0x80)
                ++end;
            --left;
        }
        return line.substr(0, end);
    }

    static void write(const std::string& text) {
        std::fwrite(text.data(), 1, text.size(), stderr);
        std::fflush(stderr);
    }

    bool quiet_;
    int columns_; // 0: no terminal
    bool shown_ = false;
    std::int64_t last_line_ms_ = 0;
};

int milliseconds(const std::string& text) {
    std::size_t used = 0;
    int ms = -1;
    try {
        ms = std::stoi(text, &used);
    } catch (const std::exception&) {
    }
    if (used != text.size() || ms <= 0)
        throw UsageError("--byte-timeout needs a positive number of milliseconds");
    return ms;
}

// A bad OUT found after a read would waste minutes of a serial line, so it is refused first.
void check_target(const std::string& out, bool force) {
    if (!is_data_file_name(out))
        throw std::runtime_error("Неправильное расширение записываемого файла: " + out);
    const QFileInfo folder(QFileInfo(QString::fromStdString(out)).absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        throw std::runtime_error("Папка недоступна для записи: " + folder.filePath().toStdString());
    for (const std::string& file : Storage::SaveTargets(out))
        lib::io::check_writable(file);
    if (!force)
        check_no_foreign_companions(Storage(stderr_reporter()), out);
}

} // namespace

int cmd_read(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parse_args(args, {"--log", "--byte-timeout"}, {"--quiet", "--force"});
    const std::vector<std::string>& positional = parsed.positional;
    const std::string log_path = parsed.options.contains("--log") ? parsed.options.at("--log")
                                                                  : device::default_comm_log_path();
    const int byte_timeout = parsed.options.contains("--byte-timeout")
                                 ? milliseconds(parsed.options.at("--byte-timeout"))
                                 : 0;
    if (positional.size() != 2)
        throw UsageError("expected PORT and OUT");
    const std::string& port = positional[0];
    const std::string& out = positional[1];
    // A port name that is no port is refused, never read with another port in its place.
    if (const device::PortNameFault fault = device::stored_port_name_fault(port);
        fault != device::PortNameFault::none)
        throw UsageError(device::port_name_fault_text(fault, port));
    check_target(out, parsed.options.contains("--force"));

    // The port's Qt objects expect an application object.
    int argc = 1;
    char name[] = "vornell-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    device::HardWare hardware(log_path);
    if (hardware.LogState() == device::HardWare::LogProblem::cannot_open)
        throw std::runtime_error(hardware.LogProblemText());
    // Anything but a regular file would hold the read: it goes on without a log.
    if (hardware.LogState() == device::HardWare::LogProblem::not_regular)
        std::cerr << hardware.LogProblemText() << '\n';
    hardware.SetPortName(port);
    if (byte_timeout > 0)
        hardware.SetTimings(hardware.Timings().capped(static_cast<std::uint32_t>(byte_timeout)));

    // The read runs on a thread of its own, so that the time and a reconnection's count-down
    // move on while it waits for the logger.
    Recording recording;
    device::SinkInto sink(recording);
    device::SharedProgress progress;
    device::ReadOutcome read;
    const std::unique_ptr<QThread> reader(QThread::create([&] {
        read = device::run_read_session(hardware, sink,
                                        [&](const device::ReadProgress& p) { progress.set(p); });
    }));
    ProgressView view(parsed.options.contains("--quiet"), lib::stderr_terminal_columns());
    QElapsedTimer clock;
    clock.start();
    reader->start();
    while (!reader->wait(QDeadlineTimer(poll_ms)))
        view.show(progress.get(), clock.elapsed());
    const int records = recording.data.item_count();
    view.finish(static_cast<std::size_t>(records), clock.elapsed());

    Storage document(stderr_reporter());
    if (read.replaces_document())
        document.Adopt(recording, {}, read.records_complete);
    print_load_notes(port, document.Data());
    // Every failure of a read exits 1, whatever its kind.
    if (!read.failure)
        return document.Save(out) ? 0 : 1;
    // Only the journal failed: the records are complete, so they are kept.
    if (read.records_complete && document.Save(out)) {
        std::cerr << read.text << "\nЖурнал датчика не считан полностью; записи сохранены в " << out
                  << '\n';
        return 1;
    }
    std::cerr << read.text << '\n';
    if (records > 0)
        std::cerr << "Считано записей до ошибки: " << records << "; файл " << out
                  << " не записан\n";
    return 1;
}
