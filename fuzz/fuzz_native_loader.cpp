// The native data file loader over arbitrary bytes: it must never raise, crash, hang or read
// outside the input, and it must leave the model consistent.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "formats/Native_file.h"
#include "library/Binary_io.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // One model for the whole run, emptied as the document empties it before every open;
    // constructing one per input would spend the time on the system-wide mutex.
    static FileStorage model;
    for (bool text_only : {false, true}) {
        model.clear();
        model.messages().clear();
        lib::io::InputMemoryView view(data, size);
        native::load(model, view, text_only); // damage is absorbed; anything raised is a bug
        if (model.param_count() < 0 || model.param_count() > FileStorage::max_params)
            std::abort();
        for (int i = 0; i < model.item_count(); ++i)
            if (model.item(i)->values.size() != static_cast<std::size_t>(model.param_count()))
                std::abort();
        // At most one each: gaps, damage, a file cut before its text.
        if (model.messages().size() > 3)
            std::abort();
        if (text_only && (model.item_count() != 0 || model.param_count() != 0))
            std::abort();
    }
    return 0;
}
