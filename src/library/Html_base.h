#pragma once
// lib::html::base: the element of an HTML report page, which writes itself as text lines.
#include <string>
#include <vector>

namespace lib::html {

// The page's lines, UTF-8 inside the program; saving encodes them.
using line_list = std::vector<std::string>;

class base {
public:
    virtual ~base() = default;
    // Appends the element's lines, each prefixed by `indent` blanks (deeper levels add to it).
    virtual void Emit(line_list& lines, int indent) const = 0;
};

} // namespace lib::html
