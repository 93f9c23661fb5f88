#include "app/main_window.h"

#include "toolkit/edit.h"
#include "utility/text_conversion.h"

my_window* main_window = nullptr;

my_window::~my_window()
{
    if (main_window == this)
        main_window = nullptr;
}

std::string my_window::subfolder_text() const
{
    if (subfolder_edit == nullptr)
        return std::string();
    return kite_utility::filesystem::to_utf8(subfolder_edit->get_text());
}
