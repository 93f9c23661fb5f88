#pragma once

namespace kite_utility {

// Base of every toolkit class: such objects own native resources and are neither copied nor assigned.
class not_copyable {
protected:
    not_copyable() = default;
    ~not_copyable() = default;

public:
    not_copyable(const not_copyable&) = delete;
    not_copyable& operator=(const not_copyable&) = delete;
};

} // namespace kite_utility
