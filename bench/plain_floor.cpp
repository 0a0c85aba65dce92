// plain-floor: the least a program must do for what the tools do, written plainly, so that the
// whole-process figures of bench/process-figures.sh have a floor to be compared with. It shares
// no code with the program and takes no care of damage.
//   plain-floor decode FILE          a native data file into two arrays: times and first values
//   plain-floor graph FILE MIN DPI   decode, then each pixel row's minimum and maximum value at
//                                    MIN minutes per centimetre of a DPI screen
//   plain-floor journal FILE         the lines "code start end value" of a journal into records
// Prints what it found, so that nothing is optimised away.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

struct Mapped {
    const unsigned char* base = nullptr;
    std::size_t size = 0;
};

Mapped map_file(const char* path) {
    const int fd = ::open(path, O_RDONLY);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || st.st_size == 0) {
        std::perror(path);
        std::exit(1);
    }
    void* p = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) {
        std::perror(path);
        std::exit(1);
    }
    return {static_cast<const unsigned char*>(p), static_cast<std::size_t>(st.st_size)};
}

struct Columns {
    std::vector<std::uint32_t> times;
    std::vector<float> values;
};

// Record chunks (kind 1) give their time and first value; every other chunk is stepped over.
Columns decode(const Mapped& f) {
    Columns c;
    std::size_t pos = 0;
    while (f.size - pos >= 3) {
        const unsigned kind = f.base[pos];
        const std::size_t length = f.base[pos + 1] | f.base[pos + 2] << 8;
        pos += 3;
        if (length > f.size - pos)
            break;
        if (kind == 1 && length >= 22) {
            std::uint32_t t;
            float v;
            std::memcpy(&t, f.base + pos, 4);
            std::memcpy(&v, f.base + pos + 18, 4);
            c.times.push_back(t);
            c.values.push_back(v);
        }
        pos += length;
    }
    return c;
}

int graph(const Mapped& f, double minutes, double dpi) {
    const Columns c = decode(f);
    const double px_per_s = dpi / 2.54 / (minutes * 60);
    std::vector<float> low, high;
    std::uint64_t elapsed = 0;
    for (std::size_t i = 0; i < c.times.size(); ++i) {
        if (i > 0) {
            std::uint32_t gap = c.times[i] - c.times[i - 1];
            elapsed += gap == 0 || gap > 120 ? 10 : gap;
        }
        const auto row = static_cast<std::size_t>(elapsed * px_per_s + 0.5);
        if (row >= low.size()) {
            low.resize(row + 1, std::numeric_limits<float>::max());
            high.resize(row + 1, std::numeric_limits<float>::lowest());
        }
        low[row] = std::min(low[row], c.values[i]);
        high[row] = std::max(high[row], c.values[i]);
    }
    std::printf("%zu records, %zu rows\n", c.times.size(), low.size());
    return 0;
}

struct Event {
    double start, end;
    int code;
    float value;
};

int journal(const Mapped& f) {
    std::vector<Event> events;
    const char* p = reinterpret_cast<const char*>(f.base);
    const char* const end = p + f.size;
    while (p < end) {
        const char* eol = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!eol)
            eol = end;
        Event e{};
        const char* q = std::from_chars(p, eol, e.code).ptr;
        double fields[3] = {};
        for (double& field : fields) {
            while (q < eol && *q == ' ')
                ++q;
            q = std::from_chars(q, eol, field).ptr;
        }
        e.start = fields[0];
        e.end = fields[1];
        e.value = static_cast<float>(fields[2]);
        if (std::trunc(e.start) != 0)
            events.push_back(e);
        p = eol + 1;
    }
    std::printf("%zu events\n", events.size());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 2 ? argv[1] : "";
    if (mode == "decode" && argc == 3) {
        const Columns c = decode(map_file(argv[2]));
        float sum = 0;
        for (float v : c.values)
            sum += v;
        std::printf("%zu records, sum %g\n", c.times.size(), sum);
        return 0;
    }
    if (mode == "graph" && argc == 5)
        return graph(map_file(argv[2]), std::atof(argv[3]), std::atof(argv[4]));
    if (mode == "journal" && argc == 3)
        return journal(map_file(argv[2]));
    std::fprintf(stderr, "usage: plain-floor decode FILE | graph FILE MIN DPI | journal FILE\n");
    return 2;
}
