#pragma once

#include <utility>

namespace kite_utility {

// Sole owner of one native handle. Traits supply the empty value and the release call:
//   struct traits { using handle = HANDLE; static handle empty(); static bool valid(handle); static void release(handle); };
template <class Traits>
class unique_resource {
public:
    using handle = typename Traits::handle;

    unique_resource() noexcept : value_(Traits::empty()) {}
    explicit unique_resource(handle value) noexcept : value_(value) {}
    ~unique_resource() { reset(); }

    unique_resource(unique_resource&& other) noexcept : value_(other.release()) {}
    unique_resource& operator=(unique_resource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    unique_resource(const unique_resource&) = delete;
    unique_resource& operator=(const unique_resource&) = delete;

    handle get() const noexcept { return value_; }
    explicit operator bool() const noexcept { return Traits::valid(value_); }

    // Gives the handle up without releasing it.
    handle release() noexcept { return std::exchange(value_, Traits::empty()); }

    // The owner forgets the old handle before releasing it, so code run by the release never sees it.
    void reset(handle value = Traits::empty()) noexcept
    {
        handle old = std::exchange(value_, value);
        if (Traits::valid(old))
            Traits::release(old);
    }

    // Place for an out-parameter; whatever was held is released first.
    handle* put() noexcept
    {
        reset();
        return &value_;
    }

private:
    handle value_;
};

} // namespace kite_utility
