#pragma once

#include <windows.h>

// While snapshots wait to be written, a user who logs off is shown why Pictor still works.
inline constexpr const char* shutdown_block_text = "Pictor speichert noch Snapshots.";

// The reason one window gives the system for holding up a log-off; given back when this object goes.
class shutdown_block {
public:
    shutdown_block() = default;
    ~shutdown_block() { release(); }
    shutdown_block(const shutdown_block&) = delete;
    shutdown_block& operator=(const shutdown_block&) = delete;

    void hold(HWND window);
    void release();
    bool held() const { return window_ != nullptr; }

private:
    HWND window_ = nullptr;
};
