#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstdint>
#include <exception>
#include <string>
#include <utility>

#include "utility/not_copyable.h"

namespace kite_com {

// Tag of the one COM set-up failure the program names: the thread already chose another apartment model.
struct changed_mode_t {
    explicit changed_mode_t() = default;
};
inline constexpr changed_mode_t changed_mode{};

// A failed HRESULT. The value lives only in the text.
class hresult_error : public std::exception {
public:
    explicit hresult_error(HRESULT result);
    explicit hresult_error(changed_mode_t);

    const char* what() const noexcept override;

private:
    std::int32_t no_message = 1;
    std::string message;
};

// Apartment membership of the calling thread: its first enter initialises COM there, its last leave
// uninitialises it. Users ask whether COM is up by testing the count for non-zero. COM is set up per
// thread, so each thread keeps its own count.
extern thread_local std::uint32_t com_use_count;
inline constexpr std::uint32_t com_use_limit = 0xFFFFFFF0u;

// The runtime calls behind the apartment. They can be replaced by a layer of one's own, as long as it
// answers the way the system does.
struct com_runtime {
    HRESULT(WINAPI* initialise)(LPVOID reserved, DWORD model);
    void(WINAPI* uninitialise)();
};
extern com_runtime runtime;

class com_apartment : public kite_utility::not_copyable {
public:
    // The model (COINIT_* flags) counts only for the thread's first enter; later ones nest inside it.
    explicit com_apartment(DWORD model = COINIT_APARTMENTTHREADED);
    ~com_apartment();
};

// The system's own text for a failure, in the user's language, followed by the code: "Zugriff verweigert.
// (0x80070005)". Codes the system has no text for read "Unbekannter Fehler. (0x...)".
std::string describe_failure(HRESULT result);

// Sole owner of one interface pointer.
template <class Interface>
class com_ptr {
public:
    com_ptr() noexcept = default;
    // Takes over a reference the caller already holds.
    explicit com_ptr(Interface* pointer) noexcept : pointer_(pointer) {}
    ~com_ptr() { reset(); }

    com_ptr(com_ptr&& other) noexcept : pointer_(other.detach()) {}
    com_ptr& operator=(com_ptr&& other) noexcept
    {
        if (this != &other)
            reset(other.detach());
        return *this;
    }
    com_ptr(const com_ptr&) = delete;
    com_ptr& operator=(const com_ptr&) = delete;

    Interface* get() const noexcept { return pointer_; }
    Interface* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Gives the reference up without releasing it.
    Interface* detach() noexcept { return std::exchange(pointer_, nullptr); }

    // The pointer is cleared before Release, so nothing reached from Release finds it still set.
    void reset(Interface* pointer = nullptr) noexcept
    {
        Interface* old = std::exchange(pointer_, pointer);
        if (old != nullptr)
            old->Release();
    }

    // Place for an out-parameter (CoCreateInstance and friends); whatever was held is released first.
    Interface** put() noexcept
    {
        reset();
        return &pointer_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    Interface* pointer_ = nullptr;
};

} // namespace kite_com
