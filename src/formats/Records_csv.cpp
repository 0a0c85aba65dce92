#include "formats/Records_csv.h"

#include <charconv>

#include "datafile/Assembling.h"

namespace {

template <class Number> void append_number(std::string& out, Number value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

} // namespace

std::string shortest_float(float value) {
    std::string out;
    append_number(out, value);
    return out;
}

std::string shortest_double(double value) {
    std::string out;
    append_number(out, value);
    return out;
}

void records_csv(const FileStorage& model, const std::function<void(std::string_view)>& sink) {
    const int params = model.param_count();
    std::string out = "index,time,depth1,depth2,depth3,kind,full";
    for (int v = 0; v < params; ++v) {
        out += ",v";
        append_number(out, v);
    }
    out += '\n';
    int i = 0;
    model.for_each_record([&](const FileStorageItem& item) {
        append_number(out, i++);
        out += ',';
        append_number(out, item.time);
        for (float depth : {item.depth1, item.depth2, item.depth3}) {
            out += ',';
            append_number(out, depth);
        }
        out += ',';
        append_number(out, unsigned{item.kind});
        out += item.full ? ",1" : ",0";
        for (int v = 0; v < params; ++v) {
            out += ',';
            if (static_cast<std::size_t>(v) < item.values.size())
                append_number(out, item.values[v]);
        }
        out += '\n';
        if (out.size() > (1u << 16)) {
            sink(out);
            out.clear();
        }
    });
    sink(out);
}
