#pragma once

#include <windows.h>

#include <cstdint>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>

#include "utility/not_copyable.h"

// The area of one snapshot in physical screen pixels; exactly the frame's window rectangle.
struct capture_rect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// The frame's rectangle for a pointer position: centred, halving toward zero.
capture_rect frame_rect_around(POINT pointer, std::int32_t width, std::int32_t height);

// What a key release asks of Pictor.
enum class hot_key { none, snapshot, quit };

// The modifier keys that make a W or Q someone else's: the system's shortcuts and AltGr, which is how German
// keyboards type "@" (AltGr+Q). AltGr holds Ctrl and Alt together.
struct held_modifiers {
    bool alt = false;
    bool windows = false;
};

// W released takes a snapshot and Q released asks to quit, alone or with Shift or Ctrl; not while Alt
// (the event's own flag or the key held) or a Windows key is held.
hot_key hot_key_of(WPARAM message, DWORD vk, DWORD flags, held_modifiers held);

// A hot key's release as the hook saw it. Whatever the snapshot needs is read at the release, so that what
// the program does later (a size typed meanwhile, say) does not change what the user took.
struct key_release {
    hot_key key = hot_key::none;
    std::time_t time = 0;
    POINT pointer{};
    HRESULT pointer_failure = S_OK;  // the pointer's position could not be read
    std::int32_t frame_width = 0;
    std::int32_t frame_height = 0;
};

// Posted to the main window by the hook thread: releases are waiting, or the pointer has moved.
inline constexpr UINT msg_key_released = WM_APP + 4;
inline constexpr UINT msg_pointer_moved = WM_APP + 5;

// What the hook thread hands to the UI thread. The hooks never wait for the UI thread: they record, post a
// message and return, and the lock is held for no longer than a copy of a few values.
class input_relay : public kite_utility::not_copyable {
public:
    // Where releases and pointer moves are posted: the main window. Null: the hooks only pass events on.
    void connect(HWND window);
    void set_frame_size(std::int32_t width, std::int32_t height);

    // On the hook thread. A pointer move allocates nothing, and moves that come faster than the UI thread
    // takes them are posted once: the frame goes to the latest.
    void pointer_moved(POINT where);
    void key_released(WPARAM message, const KBDLLHOOKSTRUCT& event);

    // On the UI thread: the releases recorded since the last call, in order; how many could not be recorded;
    // the pointer's latest position, false when no move is waiting.
    std::deque<key_release> take_releases();
    unsigned take_lost_releases();
    bool take_pointer(POINT& where);

private:
    std::mutex mutex_;
    HWND target_ = nullptr;
    std::int32_t frame_width_ = 0;
    std::int32_t frame_height_ = 0;
    POINT pointer_{};
    bool move_posted_ = false;
    std::deque<key_release> releases_;
    unsigned lost_ = 0;
};

// The one relay, between the hooks and the main window.
extern input_relay hook_relay;

// System-wide low-level hooks. Neither swallows an event: both return what CallNextHookEx returns.
LRESULT CALLBACK keyboard_hook_proc(int code, WPARAM wparam, LPARAM lparam);
LRESULT CALLBACK mouse_hook_proc(int code, WPARAM wparam, LPARAM lparam);

// Both hooks, on a thread of their own that does nothing but take their calls: whatever the UI thread does
// (copying the screen, a message box), no input event of the system waits for it.
class input_hooks : public kite_utility::not_copyable {
public:
    using installer = HHOOK(WINAPI*)(int kind, HOOKPROC procedure, HINSTANCE instance, DWORD thread);

    // Installs the keyboard hook, then the mouse hook; throws std::runtime_error with the user's text when
    // either cannot be installed (the other one is gone again by then).
    explicit input_hooks(HINSTANCE instance, installer install = SetWindowsHookExW);
    ~input_hooks();

    // The mouse hook, then the keyboard hook, removed on their thread, which then ends.
    void remove();

private:
    std::thread thread_;
    DWORD thread_id_ = 0;
};
