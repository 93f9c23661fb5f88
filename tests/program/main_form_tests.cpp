#include <gtest/gtest.h>

#include "tests/support/child_process.h"
#include "tests/support/input.h"
#include "tests/support/pictor_form.h"
#include "tests/support/pictor_session.h"
#include "tests/support/pump.h"
#include "tests/support/snapshot_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace test_support;

namespace {

constexpr DWORD show_timeout = 10000;

std::wstring size_limits_text()
{
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return L"min: 32x32 max: " + std::to_wstring(area.right - area.left) + L"x" +
           std::to_wstring(area.bottom - area.top);
}

bool same_class(HWND window, const wchar_t* name)
{
    return lstrcmpiW(class_name_of(window).c_str(), name) == 0;
}

TEST(main_form, at_96_dpi_holds_the_thirteen_controls_in_order_with_their_texts_and_places)
{
    pictor_session pictor;
    ASSERT_TRUE(pictor.ready());
    pictor_form form(pictor.main);
    ASSERT_TRUE(form.ready());

    const struct {
        const wchar_t* class_name;
        std::wstring text;
        RECT rect;
    } expected[] = {
        {L"Static", L"Letzter Snapshot...", {5, 5, 155, 30}},
        {L"Static", L"", {5, 31, 205, 231}},
        {L"Static", L"Breite:", {5, 250, 40, 275}},
        {L"Static", size_limits_text(), {5, 232, 155, 252}},
        {L"Edit", L"512", {42, 250, 92, 275}},
        {L"Static", L"Höhe:", {5, 280, 40, 305}},
        {L"Edit", L"512", {42, 280, 92, 305}},
        {L"Button", L"&Beenden", {5, 372, 80, 397}},
        {L"Button", L"512x512", {95, 250, 170, 305}},
        {L"Static", L"Unterordner:", {5, 320, 205, 342}},
        {L"Edit", L"", {5, 342, 205, 367}},
        {L"Button", L"Zurücksetzen", {82, 372, 162, 397}},
        {L"Static", L"v1.0", {165, 377, 195, 397}},
    };
    for (int i = 0; i < form_control_count; ++i) {
        SCOPED_TRACE(i);
        const HWND control = form[static_cast<form_control>(i)];
        EXPECT_TRUE(same_class(control, expected[i].class_name)) << class_name_of(control).c_str();
        EXPECT_EQ(window_text(control), expected[i].text);
        const RECT rect = rect_in_parent(control);
        EXPECT_EQ(rect.left, expected[i].rect.left);
        EXPECT_EQ(rect.top, expected[i].rect.top);
        EXPECT_EQ(rect.right, expected[i].rect.right);
        EXPECT_EQ(rect.bottom, expected[i].rect.bottom);
    }

    RECT main_rect{};
    GetWindowRect(pictor.main, &main_rect);
    EXPECT_EQ(main_rect.right - main_rect.left, 225);
    EXPECT_EQ(main_rect.bottom - main_rect.top, 442);

    // The preview draws itself; the size edits take four characters, the subfolder edit is not limited so.
    EXPECT_EQ(GetWindowLongW(form[preview], GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);
    for (form_control edit : {width_edit, height_edit})
        EXPECT_EQ(SendMessageW(form[edit], EM_GETLIMITTEXT, 0, 0), 4);
    EXPECT_GT(SendMessageW(form[subfolder_edit], EM_GETLIMITTEXT, 0, 0), 4);
}

// Sets the system DPI of the test prefix for the programs started meanwhile and puts the old value back.
class logical_dpi {
public:
    explicit logical_dpi(DWORD dpi)
    {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_READ | KEY_WRITE,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS)
            return;
        DWORD size = sizeof(previous_);
        had_value_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                                      &size) == ERROR_SUCCESS;
        set_ = RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                              sizeof(dpi)) == ERROR_SUCCESS;
    }
    ~logical_dpi() { restore(); }
    logical_dpi(const logical_dpi&) = delete;
    logical_dpi& operator=(const logical_dpi&) = delete;

    bool set() const { return set_; }
    void restore()
    {
        if (key_ == nullptr)
            return;
        if (had_value_)
            RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                           sizeof(previous_));
        else
            RegDeleteValueW(key_, L"LogPixels");
        RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
    DWORD previous_ = 0;
    bool had_value_ = false;
    bool set_ = false;
};

// Pictor started at a DPI of the prefix's own choosing, with its form found. The DPI goes back once Pictor
// has read it, so the tests after this one start at the prefix's own; meanwhile this thread measures in
// physical pixels, whatever DPI it was started with.
class pictor_at_dpi {
public:
    explicit pictor_at_dpi(DWORD value) : dpi_(value)
    {
        if (!dpi_.set())
            return;
        pictor_ = std::make_unique<pictor_session>();
        if (pictor_->ready())
            form_ = std::make_unique<pictor_form>(pictor_->main);
        dpi_.restore();
        previous_ = SetThreadDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE);
    }
    ~pictor_at_dpi()
    {
        if (previous_ != nullptr)
            SetThreadDpiAwarenessContext(previous_);
    }
    pictor_at_dpi(const pictor_at_dpi&) = delete;
    pictor_at_dpi& operator=(const pictor_at_dpi&) = delete;

    bool ready() const { return form_ != nullptr && form_->ready(); }
    const pictor_form& form() const { return *form_; }
    SIZE window_size() const
    {
        RECT rect{};
        GetWindowRect(pictor_->main, &rect);
        return SIZE{rect.right - rect.left, rect.bottom - rect.top};
    }

private:
    logical_dpi dpi_;
    std::unique_ptr<pictor_session> pictor_;
    std::unique_ptr<pictor_form> form_;
    DPI_AWARENESS_CONTEXT previous_ = nullptr;
};

TEST(main_form, at_144_dpi_the_window_and_every_control_are_scaled_by_one_and_a_half)
{
    const pictor_at_dpi pictor(144);
    ASSERT_TRUE(pictor.ready());
    const pictor_form& form = pictor.form();
    EXPECT_EQ(pictor.window_size().cx, 337);
    EXPECT_EQ(pictor.window_size().cy, 663);

    // Each of left, top, width and height is truncated on its own.
    const struct {
        form_control control;
        RECT rect;
    } expected[] = {
        {preview, {7, 46, 307, 346}},
        {default_size_button, {142, 375, 254, 457}},
        {version, {247, 565, 292, 595}},
        {subfolder_label, {7, 480, 307, 513}},
    };
    for (const auto& each : expected) {
        SCOPED_TRACE(each.control);
        const RECT rect = rect_in_parent(form[each.control]);
        EXPECT_EQ(rect.left, each.rect.left);
        EXPECT_EQ(rect.top, each.rect.top);
        EXPECT_EQ(rect.right, each.rect.right);
        EXPECT_EQ(rect.bottom, each.rect.bottom);
    }
}

// 160 DPI is no exact step (5/3): values that are multiples of 3 must still come out whole.
TEST(main_form, at_160_dpi_products_that_are_whole_numbers_lose_no_pixel)
{
    const pictor_at_dpi pictor(160);
    ASSERT_TRUE(pictor.ready());
    EXPECT_EQ(pictor.window_size().cx, 375);
    EXPECT_EQ(pictor.window_size().cy, 736);
    // "v1.0" at 165, 377, 30 x 20.
    const RECT rect = rect_in_parent(pictor.form()[version]);
    EXPECT_EQ(rect.left, 275);
    EXPECT_EQ(rect.top, 628);
    EXPECT_EQ(rect.right, 325);
    EXPECT_EQ(rect.bottom, 661);
}

// A string of the file's version details, in the one translation the file declares.
std::wstring version_string(const std::vector<BYTE>& details, const wchar_t* name)
{
    struct translation {
        WORD language;
        WORD code_page;
    }* translations = nullptr;
    UINT size = 0;
    if (!VerQueryValueW(details.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations),
                        &size) ||
        size < sizeof(translation))
        return L"(no translation)";
    wchar_t path[80];
    swprintf(path, 80, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language, translations->code_page, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(details.data(), path, reinterpret_cast<void**>(&value), &size) || value == nullptr)
        return L"(missing)";
    return value;
}

// Explorer's details of Pictor.exe and the form's label show the same version.
TEST(main_form, the_version_label_agrees_with_the_programs_file_details)
{
    const std::wstring program = beside_this_program(L"Pictor.exe");
    DWORD ignored = 0;
    std::vector<BYTE> details(GetFileVersionInfoSizeW(program.c_str(), &ignored));
    ASSERT_FALSE(details.empty());
    ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(details.size()), details.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(details.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    const std::wstring numbers = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                 std::to_wstring(LOWORD(fixed->dwFileVersionMS));
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(version_string(details, L"FileVersion"), numbers);
    EXPECT_EQ(version_string(details, L"ProductVersion"), numbers);
    EXPECT_EQ(version_string(details, L"ProductName"), L"Pictor");
    EXPECT_EQ(version_string(details, L"OriginalFilename"), L"Pictor.exe");
    // Non-ASCII characters arrive intact: the resource script is read as UTF-8.
    EXPECT_EQ(version_string(details, L"LegalCopyright").rfind(L"\u00a9 ", 0), 0u);

    pictor_session pictor;
    ASSERT_TRUE(pictor.ready());
    pictor_form form(pictor.main);
    ASSERT_TRUE(form.ready());
    EXPECT_EQ(window_text(form[version]), L"v" + numbers);
}

void remove_folder_tree(const std::wstring& base, const std::vector<std::wstring>& levels)
{
    for (std::size_t n = levels.size(); n > 0; --n) {
        std::wstring path = base;
        for (std::size_t i = 0; i < n; ++i)
            path += L"\\" + levels[i];
        RemoveDirectoryW(path.c_str());
    }
}

bool is_folder(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

TEST(main_form, the_previews_menu_opens_the_target_folder_it_creates)
{
    pictor_session pictor;
    ASSERT_TRUE(pictor.ready());
    pictor_form form(pictor.main);
    ASSERT_TRUE(form.ready());
    const std::wstring base = snapshot_folder();
    remove_folder_tree(base, {L"Menü", L"Ziel"});
    ASSERT_FALSE(is_folder(base + L"\\Menü\\Ziel"));
    form.set_text(subfolder_edit, L"Menü/Ziel");
    const std::vector<HWND> before = foreign_windows(pictor.process.id());

    // Shown at the pointer, with one item.
    const POINT centre = centre_of(form[preview]);
    click_at(centre.x, centre.y, true);
    ASSERT_TRUE(pump_until([&] { return open_menus(pictor.process.id()).size() == 1; }, show_timeout));
    RECT menu_rect{};
    GetWindowRect(open_menus(pictor.process.id()).front(), &menu_rect);
    EXPECT_LE(std::abs(menu_rect.left - centre.x), 2);
    EXPECT_LE(std::abs(menu_rect.top - centre.y), 2);
    EXPECT_LT(menu_rect.bottom - menu_rect.top, 2 * GetSystemMetrics(SM_CYMENU));
    const POINT item = centre_of(open_menus(pictor.process.id()).front());
    click_at(item.x, item.y);

    EXPECT_TRUE(pump_until([&] { return is_folder(base + L"\\Menü\\Ziel"); }, show_timeout));
    // The shell shows the folder in a window of its own process.
    EXPECT_GE(close_new_foreign_windows(pictor.process.id(), before, show_timeout), 1u);
    remove_folder_tree(base, {L"Menü", L"Ziel"});

    // The item's command id is 4096: the program adds no other menu item.
    remove_folder_tree(base, {L"Kennung"});
    form.set_text(subfolder_edit, L"Kennung");
    PostMessageW(pictor.main, WM_COMMAND, MAKEWPARAM(4096, 0), 0);
    EXPECT_TRUE(pump_until([&] { return is_folder(base + L"\\Kennung"); }, show_timeout));
    EXPECT_GE(close_new_foreign_windows(pictor.process.id(), before, show_timeout), 1u);
    remove_folder_tree(base, {L"Kennung"});
}

// The folder is made and opened beside the input hooks: pointer moves go on while it takes its time, as on
// a slow or offline share. This build of Pictor takes two seconds to make the folder.
TEST(main_form, a_slow_target_folder_does_not_hold_the_pointer)
{
    pictor_session pictor(L"pictor_slow_folder.exe");
    ASSERT_TRUE(pictor.ready());
    pictor_form form(pictor.main);
    ASSERT_TRUE(form.ready());
    const std::wstring base = snapshot_folder();
    remove_folder_tree(base, {L"Langsam"});
    form.set_text(subfolder_edit, L"Langsam");
    const std::vector<HWND> before = foreign_windows(pictor.process.id());

    PostMessageW(pictor.main, WM_COMMAND, MAKEWPARAM(4096, 0), 0);
    pump_for(100);
    double longest_ms = 0;
    for (int i = 0; i < 10; ++i) {
        const ULONGLONG start = GetTickCount64();
        move_pointer(600 + 20 * i, 500);
        longest_ms = std::max(longest_ms, static_cast<double>(GetTickCount64() - start));
    }
    EXPECT_LT(longest_ms, 500.0);
    EXPECT_FALSE(is_folder(base + L"\\Langsam"));

    EXPECT_TRUE(pump_until([&] { return is_folder(base + L"\\Langsam"); }, show_timeout));
    EXPECT_GE(close_new_foreign_windows(pictor.process.id(), before, show_timeout), 1u);
    remove_folder_tree(base, {L"Langsam"});
}

TEST(main_form, a_context_menu_asked_for_from_the_keyboard_shows_nothing)
{
    pictor_session pictor;
    ASSERT_TRUE(pictor.ready());
    pictor_form form(pictor.main);
    ASSERT_TRUE(form.ready());
    const DWORD id = pictor.process.id();

    // Shift+F10 in the main window.
    form.click(preview_caption);
    key_down(VK_SHIFT);
    tap_key(VK_F10);
    key_up(VK_SHIFT);
    pump_for(500);
    EXPECT_TRUE(open_menus(id).empty());

    // The keyboard's position (-1, -1) for the preview itself shows nothing; a point does.
    const WPARAM clicked = reinterpret_cast<WPARAM>(form[preview]);
    PostMessageW(pictor.main, WM_CONTEXTMENU, clicked, MAKELPARAM(-1, -1));
    pump_for(500);
    EXPECT_TRUE(open_menus(id).empty());
    const POINT centre = centre_of(form[preview]);
    PostMessageW(pictor.main, WM_CONTEXTMENU, clicked, MAKELPARAM(centre.x, centre.y));
    EXPECT_TRUE(pump_until([&] { return open_menus(id).size() == 1; }, show_timeout));
    click_at(1800, 1000);
    EXPECT_TRUE(pump_until([&] { return open_menus(id).empty(); }, show_timeout));
}

} // namespace
