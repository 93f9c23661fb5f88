#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "tests/support/pump.h"
#include "toolkit/application.h"
#include "toolkit/window.h"

namespace control_tests {

// A fresh application with one shown top-level window to put controls on.
class control_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        static int serial = 0;
        app = std::make_unique<kite::application>(GetModuleHandleW(nullptr));
        window = app->create_window<kite::basic_window>("Test.Controls." + std::to_string(++serial), 400, 400);
        ASSERT_NE(window->handle(), nullptr);
        // The window paints itself once now, not over a control later.
        test_support::pump_for(30);
    }

    void TearDown() override
    {
        app.reset();
        kite::delete_pending_controls();
        test_support::pump_for(10);
        MSG quit;
        while (PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    HWND parent() const { return window->handle(); }

    std::unique_ptr<kite::application> app;
    kite::basic_window* window = nullptr;
};

// Position and size of a child window in its parent's client area, as x, y, width, height.
inline RECT placement_of(HWND child)
{
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return RECT{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

inline std::wstring text_of(HWND window)
{
    wchar_t text[256] = {};
    const int length = GetWindowTextW(window, text, 256);
    return std::wstring(text, length > 0 ? static_cast<std::size_t>(length) : 0);
}

} // namespace control_tests
