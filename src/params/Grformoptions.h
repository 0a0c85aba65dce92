#pragma once
// GrFormOptions: the graph's display options kept in the settings file: the value range of the
// axis, the curve colour, the selected time scale and whether the journal's events are drawn.
#include <cstdint>

#include "library/Inioptions.h"

class GrFormOptions : public lib::ini_options {
public:
    void describe_ini(lib::ini_options_elements& elements) override;

    // A range whose left is not below its right draws no curve and is never applied.
    static bool IsValidRange(double left, double right) { return left < right; }

    double left = 0;
    double right = 200;
    std::uint32_t color = 16711680; // blue-green-red: pure blue
    std::int32_t scale = 3;         // "10 мин. на 1 см."
    std::int32_t events = 1;        // 0: the chart draws no events

protected:
    // A file with a reversed range reads as the default range.
    void after_load(lib::ini_file& file) override;
};
