// The byte source under the data file loaders, driven by its own input: every step reads an
// operation and its operand from the stream, as a loader does with lengths from a damaged file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>

#include "library/Binary_io.h"

using namespace lib::io;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InputMemoryView view(data, size);
    for (int step = 0; step < 4096 && !view.at_end(); ++step) {
        try {
            const std::uint8_t op = read_u8(view);
            const std::ptrdiff_t before = view.tell();
            try {
                switch (op % 6) {
                case 0:
                    read_value<std::uint32_t>(view);
                    break;
                case 1:
                    read_text(view);
                    break;
                case 2:
                    view.skip(read_value<std::int32_t>(view));
                    break;
                case 3:
                    view.seek(read_value<std::int16_t>(view), op / 6 % 3);
                    break;
                case 4:
                    read_value<float>(view);
                    break;
                default:
                    view.skip(static_cast<std::ptrdiff_t>(read_value<std::int64_t>(view)));
                    break;
                }
            } catch (const std::runtime_error&) {
                // A failed read must leave the position where it was.
                if (view.tell() != before)
                    std::abort();
                view.skip(1);
            }
        } catch (const std::runtime_error&) {
            break;
        }
    }
    return 0;
}
