// Arbitrary bytes through the text utilities that read outside data: code pages, numbers,
// escapes and splitting. Checks the properties callers rely on, not just survival.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "library/Codepage.h"
#include "library/Numstr.h"
#include "library/Strworks.h"

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Every CP1251 byte comes back; any UTF-8 (valid or not) gives one byte per character.
    const std::string utf8 = lib::from_cp1251(bytes);
    check(lib::to_cp1251(utf8) == bytes);
    (void)lib::to_cp1251(bytes);
    (void)lib::from_cp866(bytes);
    const std::string lower = lib::lower_ident(utf8);
    check(lower.size() == utf8.size() && lib::equal_ident(utf8, lower));
    check(lib::equal_ident(bytes, lib::lower_ident(bytes)));

    const double v = lib::text_to_number(bytes);
    check(!std::isnan(v));
    (void)lib::number_to_text(v);
    if (size > 0)
        (void)lib::number_to_text(v, data[0] % 20, data[size - 1] % 40);

    check(lib::unescape_text(lib::escape_text(bytes)).size() <= size);
    (void)lib::unescape_text(bytes);

    std::vector<std::string> items;
    for (char sep : {' ', '\t', '|'}) {
        lib::split_text(bytes, sep, items);
        for (const std::string& item : items)
            check(item.size() <= size);
        check(lib::split_item(bytes, static_cast<int>(items.size()), sep).empty());
        if (!items.empty())
            check(lib::split_item(bytes, 0, sep) == items[0]);
    }
    return 0;
}
