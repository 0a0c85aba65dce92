#pragma once
// lib::heavy_vector: a list of separately allocated items, so a reference to one stays valid.
#include <cstddef>
#include <memory>
#include <stdexcept>
#include <vector>

namespace lib {

// An ordered list of individually allocated items: growing it never moves an item, so a
// reference to one stays valid. Out-of-range indexing raises "vector".
template <class T> class heavy_vector {
public:
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    // New items are default-constructed; surplus items are destroyed from the end.
    void resize(std::size_t n) {
        items_.reserve(n);
        while (items_.size() > n)
            items_.pop_back();
        while (items_.size() < n)
            items_.push_back(std::make_unique<T>());
    }

    T& operator[](std::ptrdiff_t i) { return *items_[check(i)]; }
    const T& operator[](std::ptrdiff_t i) const { return *items_[check(i)]; }

    template <class F> void for_each(F f) {
        for (auto& item : items_)
            f(*item);
    }
    template <class F> void for_each(F f) const {
        for (const auto& item : items_)
            f(static_cast<const T&>(*item));
    }

private:
    std::size_t check(std::ptrdiff_t i) const {
        if (i < 0 || static_cast<std::size_t>(i) >= items_.size())
            throw std::out_of_range("vector");
        return static_cast<std::size_t>(i);
    }
    std::vector<std::unique_ptr<T>> items_;
};

} // namespace lib
