#include "toolkit/button.h"
#include "toolkit/edit.h"
#include "toolkit/static_controls.h"
#include "toolkit/window.h"

#include <memory>
#include <utility>

namespace kite {

namespace {

// The window owns the control from here on; the caller keeps a plain pointer.
template <class Control>
Control* adopt(std::vector<std::unique_ptr<basic_control>>& controls, std::unique_ptr<Control> control)
{
    Control* result = control.get();
    controls.push_back(std::move(control));
    return result;
}

} // namespace

ctrl::button* basic_window::add_button(const std::string& text, const control_rect& rect)
{
    return adopt(controls, std::make_unique<ctrl::button>(hwnd.get(), text, rect));
}

edit* basic_window::add_edit(const control_rect& rect)
{
    return adopt(controls, std::make_unique<edit>(hwnd.get(), rect));
}

label* basic_window::add_label(const control_rect& rect, const std::string& text)
{
    return adopt(controls, std::make_unique<label>(hwnd.get(), rect, text));
}

image* basic_window::add_image(const control_rect& rect)
{
    return adopt(controls, std::make_unique<image>(hwnd.get(), rect));
}

} // namespace kite
