#include "datafile/Recording.h"

void Recording::add_record(std::uint32_t time, float value) {
    item_.time = time;
    item_.values.resize(0);
    item_.values.resize(static_cast<std::size_t>(data.param_count()));
    item_.values[static_cast<std::size_t>(series_)] = value;
    data.add_item(item_);
}
