// vornell-cli read: a complete read of a logger, saved as a data file with its journal.
#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "device/Hardware.h"
#include "device/Read_session.h"
#include "document/Storage.h"
#include "formats/Formats.h"

namespace {

// Progress texts come once per record; writing each one at once would make stderr the slowest
// part of a read, so they are passed on in batches at most 100 ms apart.
class ProgressPrinter {
public:
    void operator()(const std::string& text) {
        if (text == last_)
            return;
        last_ = text;
        pending_ += text;
        pending_ += '\n';
        const auto now = std::chrono::steady_clock::now();
        if (pending_.size() > 64 * 1024 || now - flushed_ > std::chrono::milliseconds(100)) {
            flush();
            flushed_ = now;
        }
    }
    void flush() {
        std::fwrite(pending_.data(), 1, pending_.size(), stderr);
        std::fflush(stderr);
        pending_.clear();
    }

private:
    std::string last_;
    std::string pending_;
    std::chrono::steady_clock::time_point flushed_{};
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
void check_target(const std::string& out) {
    if (!is_data_file_name(out))
        throw std::runtime_error("Неправильное расширение записываемого файла: " + out);
    const QFileInfo folder(QFileInfo(QString::fromStdString(out)).absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        throw std::runtime_error("Папка недоступна для записи: " + folder.filePath().toStdString());
}

} // namespace

int cmd_read(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parse_args(args, {"--log", "--byte-timeout"});
    const std::vector<std::string>& positional = parsed.positional;
    const std::string log_path = parsed.options.contains("--log") ? parsed.options.at("--log")
                                                                  : device::default_comm_log_path();
    const int byte_timeout = parsed.options.contains("--byte-timeout")
                                 ? milliseconds(parsed.options.at("--byte-timeout"))
                                 : 0;
    if (positional.size() != 2)
        throw UsageError("expected PORT and OUT");
    const std::string& out = positional[1];
    check_target(out);

    // The port's Qt objects expect an application object on this thread.
    int argc = 1;
    char name[] = "vornell-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    device::HardWare hardware(log_path);
    if (!hardware.Logging())
        throw std::runtime_error("Невозможно открыть журнал обмена: " + log_path);
    hardware.SetPortName(positional[0]);
    if (byte_timeout > 0)
        hardware.SetTimings(hardware.Timings().capped(static_cast<std::uint32_t>(byte_timeout)));
    Recording recording;
    device::SinkInto sink(recording);
    ProgressPrinter printer;
    const device::ReadOutcome read = device::run_read_session(
        hardware, sink,
        [&printer](const std::string& text, double, std::size_t) { printer(text); });
    printer.flush();
    Storage document(stderr_reporter());
    if (read.replaces_document())
        document.Adopt(recording, {}, read.records_complete);
    // Every failure of a read exits 1, whatever its kind.
    if (!read.failure)
        return document.Save(out) ? 0 : 1;
    // Only the journal failed: the records are complete, so they are kept.
    if (read.records_complete && document.Save(out))
        std::cerr << read.text << "\nЖурнал датчика не считан полностью; записи сохранены в " << out
                  << '\n';
    else
        std::cerr << read.text << '\n';
    return 1;
}
