#pragma once
// AllParams: the built-in catalogue of drilling parameters a logger can record, read-only once
// built so any thread may read it; label_for_type labels a series by its logger's type text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct DefaultParam {
    std::string name;       // "Вес на крюке"
    std::string short_name; // "W кр."
    std::string unit;       // "т"
    std::string ident;      // "вес_на_крюке", the search key
    std::int32_t code;
    std::int32_t factor;
    std::int32_t group;
    float scale_a;
    float scale_b;
    float low;
    float high;
    std::uint8_t flag;
};

class AllParams {
public:
    static const AllParams& instance();

    // Index of the first record whose ident equals `text` with letter case ignored; -1 when
    // none does. No trimming, no prefix match.
    int index_of(std::string_view text) const;
    // Raises std::out_of_range("vector") outside 0..size()-1.
    const DefaultParam& at(int index) const;
    int size() const { return static_cast<int>(params_.size()); }

    // Group names by group number; 0 is the empty name.
    const std::vector<std::string>& group_names() const { return group_names_; }

    AllParams(const AllParams&) = delete;
    AllParams& operator=(const AllParams&) = delete;

private:
    AllParams();

    std::vector<DefaultParam> params_;
    std::vector<std::string> group_names_;
};

// A parameter descriptor, as the data model keeps it and a measurement series is labelled.
struct ParamLabel {
    std::string name;
    std::string short_name;
    std::string unit;
    std::string ident;
    float low = 0.0f;
    float high = 100.0f;
};

// The label of a series whose logger reported `type_text`. Found: the record's texts and limits
// with the received text as ident. Not found (the empty text too): hook load with the range 0..250.
ParamLabel label_for_type(const std::string& type_text);
