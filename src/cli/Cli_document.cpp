// vornell-cli journal and convert: the document's journal companion, and open-then-save.
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

#include "cli/Commands.h"
#include "document/Storage.h"
#include "formats/Formats.h"
#include "formats/Journal_file.h"
#include "formats/Records_csv.h"
#include "library/Codepage.h"
#include "library/File_error.h"

namespace {

// What the window would put in its message box goes to stderr.
class StderrReporter : public Reporter {
public:
    void error(const std::string&, const std::string& text) override { std::cerr << text << "\n"; }
};

} // namespace

void print_load_notes(const std::string& path, const FileStorage& model) {
    for (const std::string& message : model.messages())
        std::cerr << path << ": " << message << "\n";
}

void check_no_foreign_companions(const Storage& doc, const std::string& out) {
    for (const std::string& file : doc.ForeignCompanions(out))
        throw UsageError("the file '" + file + "' exists and belongs to no file named OUT; " +
                         "--force replaces it");
}

Reporter& stderr_reporter() {
    static StderrReporter reporter;
    return reporter;
}

bool open_document(Storage& doc, const std::string& path, bool streamed) {
    if (!(streamed ? doc.OpenStreamed(path) : doc.Open(path)))
        return false;
    print_load_notes(path, doc.Data());
    return true;
}

void load_model(FileStorage& model, const std::string& path, bool streamed) {
    try {
        if (streamed)
            stream_data_file(model, path);
        else
            load_data_file(model, path);
    } catch (const lib::io::file_error& e) {
        throw std::runtime_error(path + ": " + lib::io::file_error_message(e));
    }
    print_load_notes(path, model);
}

int cmd_journal(const std::vector<std::string>& args) {
    if (args.size() != 1)
        throw UsageError("expected exactly one FILE argument");
    LogStorage journal;
    journal_file::load(journal, Storage::JournalPath(args[0]));

    std::string out = "index,code,start,end,value\n";
    int index = 0;
    for (const LogRecord& r : journal.Records()) {
        out += std::to_string(index++);
        out += ',';
        out += std::to_string(r.code);
        out += ',';
        out += shortest_double(r.start);
        out += ',';
        out += shortest_double(r.end);
        out += ',';
        out += shortest_float(r.value);
        out += '\n';
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}

int cmd_convert(const std::vector<std::string>& args) {
    const ParsedArgs parsed = parse_args(args, {"--las-encoding"}, {"--force"});
    if (parsed.positional.size() != 2)
        throw UsageError("expected the arguments IN OUT");
    const std::string& in = parsed.positional[0];
    const std::string& out = parsed.positional[1];
    // The name of OUT picks its format: a data family, or an export.
    const FileFormat* format = format_of(out);
    ExportOptions options;
    if (const auto it = parsed.options.find("--las-encoding"); it != parsed.options.end()) {
        if (!format || std::string_view(format->name) != "las")
            throw UsageError("--las-encoding is for a .las OUT only");
        const std::string encoding = lib::lower_ident(it->second);
        if (encoding != "utf-8" && encoding != "cp1251")
            throw UsageError("--las-encoding must be utf-8 or cp1251, not '" + it->second + "'");
        options.las_encoding = encoding == "utf-8" ? LasEncoding::utf8 : LasEncoding::cp1251;
    }
    // Through a link, another kind would be written under the input's own name.
    check_not_input(in, out);
    Storage doc(stderr_reporter());
    // Written while it is read: memory stays flat whatever the input's size.
    if (!open_document(doc, in, true))
        return 1;
    if (format && !format->data_family())
        return doc.Export(out, *format, options) ? 0 : 1;
    if (!parsed.options.contains("--force"))
        check_no_foreign_companions(doc, out);
    if (!doc.Save(out))
        return 1;
    for (const std::string& note : doc.SaveNotes())
        std::cerr << note << "\n";
    return 0;
}
