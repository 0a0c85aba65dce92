#pragma once
// Data models for the graph tests: one parameter, values that make a visible curve.
#include <cstdint>
#include <initializer_list>

#include "datafile/Assembling.h"

inline void add_hook_load(FileStorage& data) {
    if (data.param_count() == 0)
        data.add_param({"Вес на крюке", "W кр.", "т", "вес_на_крюке", 0, 250});
}

// count records step seconds apart from start; the value of record i is i % 200.
inline void fill_records(FileStorage& data, std::uint32_t start, int count, std::uint32_t step) {
    add_hook_load(data);
    FileStorageItem item;
    item.values = {0};
    for (int i = 0; i < count; ++i) {
        item.time = start + static_cast<std::uint32_t>(i) * step;
        item.values[0] = static_cast<float>(i % 200);
        data.add_item(item);
    }
}

inline void add_records(FileStorage& data, std::initializer_list<std::uint32_t> times) {
    add_hook_load(data);
    FileStorageItem item;
    item.values = {0};
    for (std::uint32_t t : times) {
        item.time = t;
        data.add_item(item);
    }
}
