#pragma once

#include <windows.h>

#include <thread>

// A window of text lines for the snapshot benchmark to photograph, on a thread of its own so that it
// repaints while the driver waits in SendInput. Its background alternates between two colours, so that
// every snapshot's thumbnail differs from the one before.
class subject_window {
public:
    explicit subject_window(const RECT& place);
    ~subject_window();
    subject_window(const subject_window&) = delete;
    subject_window& operator=(const subject_window&) = delete;

    bool ready() const { return window_ != nullptr; }
    // Switches to the other background and returns once the window has painted it.
    void next_look();
    // Paints a bar of the ring's pure green at a place of the client area from the next look on; an empty
    // rectangle paints none.
    void show_green_bar(const RECT& bar);

private:
    void run(RECT place);

    std::thread thread_;
    HANDLE created_ = nullptr;
    HWND window_ = nullptr;
};
