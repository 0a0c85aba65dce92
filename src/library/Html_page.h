#pragma once
// lib::html::page: an HTML report page of elements, written as lines and saved as Windows-1251
// with CR LF line ends.
#include <memory>
#include <string>
#include <vector>

#include "library/Html_base.h"

namespace lib::html {

class page {
public:
    std::string font_family = "Arial";
    std::string font_size = "7pt"; // a CSS size

    void AddElement(std::shared_ptr<base> element) { elements_.push_back(std::move(element)); }
    void WriteLines(line_list& lines) const;
    // Replaces the file at path as a whole (through a temporary file beside it); a failure
    // leaves the old file and raises the file layer's error.
    void SaveToFile(const std::string& path) const;

private:
    std::vector<std::shared_ptr<base>> elements_;
};

} // namespace lib::html
