// The journal companion parser over arbitrary bytes, with every cell text drawn.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "formats/Journal_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LogStorage journal;
    journal_file::load_text(journal, std::string_view(reinterpret_cast<const char*>(data), size));
    for (int row = 0; row < journal.Count(); ++row)
        for (int column = 0; column < 3; ++column)
            journal.CellText(column, row);
    journal_file::to_text(journal);
    return 0;
}
