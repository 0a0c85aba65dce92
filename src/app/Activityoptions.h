#pragma once
// ActivityOptions: the rig activity's section of the settings file ("Activity"): the block
// weight (0: estimated from each recording), the margin above it and the shortest in-slips
// period; and how the "Операции" tab reads them from its fields.
#include <cstdint>
#include <optional>
#include <string_view>

#include "analysis/Activity.h"
#include "library/Inioptions.h"

class ActivityOptions : public lib::ini_options {
public:
    // The fields' limits: a load under 1 t is never a block weight.
    static constexpr double lowest_block_weight = 1, highest_block_weight = 1000;
    static constexpr double highest_margin = 100;
    static constexpr double highest_min_seconds = 86400;

    void describe_ini(lib::ini_options_elements& elements) override;
    // The settings of an analysis; a kept value outside the limits counts as the default.
    analysis::ActivitySettings Settings() const;

    double block_weight = 0; // tonnes; 0: estimated
    double margin = analysis::default_margin;
    std::int32_t min_seconds = analysis::default_min_seconds;
};

// The number a field holds, with a comma or a point, when it is the whole text (blanks around
// it aside) and from low to high; empty otherwise.
std::optional<double> field_number(std::string_view text, double low, double high);
