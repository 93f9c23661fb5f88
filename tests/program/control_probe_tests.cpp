#include <gtest/gtest.h>

#include "tests/support/child_process.h"

#include <cwchar>
#include <string>

using namespace test_support;

namespace {

constexpr DWORD probe_timeout = 15000;
constexpr DWORD fatal_exit = 0xFFFFFFFFu;

TEST(control_probe, a_control_that_cannot_be_created_ends_the_program_with_its_text)
{
    const struct {
        const wchar_t* scenario;
        const wchar_t* text;
    } cases[] = {
        {L"button-without-parent", L"create button failed"},
        {L"edit-without-parent", L"create edit control failed"},
        {L"label-without-parent", L"create static control failed"},
        {L"image-without-parent", L"create static control failed"},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(std::string(each.scenario, each.scenario + std::wcslen(each.scenario)));
        child_process probe(beside_this_program(L"control_probe.exe"), each.scenario);
        ASSERT_TRUE(probe.started());
        HWND box = wait_for_window(probe.id(), L"#32770", L"Error", probe_timeout);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(message_box_text(box), each.text);
        answer_message_box(box, IDOK);
        DWORD exit_code = 0;
        ASSERT_TRUE(probe.wait_for_exit(probe_timeout, exit_code));
        EXPECT_EQ(exit_code, fatal_exit);
    }
}

TEST(control_probe, the_first_menu_item_of_a_process_gets_4096)
{
    child_process probe(beside_this_program(L"control_probe.exe"), L"first-menu-id");
    ASSERT_TRUE(probe.started());
    DWORD exit_code = 0;
    ASSERT_TRUE(probe.wait_for_exit(probe_timeout, exit_code));
    EXPECT_EQ(exit_code, 4096u);
}

} // namespace
