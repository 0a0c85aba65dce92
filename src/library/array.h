#pragma once
// lib::array: a fixed-size array whose out-of-range indexing raises instead of reading past it.
#include <cstddef>
#include <stdexcept>

namespace lib {

// Fixed-size array whose out-of-range indexing raises "array::operator[]".
template <class T, std::size_t N> class array {
public:
    T& operator[](std::ptrdiff_t i) {
        check(i);
        return items_[i];
    }
    const T& operator[](std::ptrdiff_t i) const {
        check(i);
        return items_[i];
    }
    static constexpr std::size_t size() { return N; }
    void fill(const T& value) {
        for (auto& item : items_)
            item = value;
    }

private:
    static void check(std::ptrdiff_t i) {
        if (i < 0 || static_cast<std::size_t>(i) >= N)
            throw std::out_of_range("array::operator[]");
    }
    T items_[N]{};
};

} // namespace lib
