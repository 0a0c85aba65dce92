#include "datafile/Recording.h"

void Recording::add_record(std::uint32_t time, float value) {
    const int row = data.append_record(time);
    if (series_ < data.value_count()) // a series is announced before its records
        data.set_value(row, series_, value);
}
