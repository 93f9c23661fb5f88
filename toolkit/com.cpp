#include "toolkit/com.h"

#include "utility/text_conversion.h"

#include <ios>
#include <sstream>

namespace kite_com {

thread_local std::uint32_t com_use_count = 0;
com_runtime runtime = {&CoInitializeEx, &CoUninitialize};

namespace {

std::string hex_code(HRESULT result)
{
    std::ostringstream text;
    text << "0x" << std::hex;
    text.width(8);
    text.fill('0');
    text << static_cast<std::uint32_t>(result);
    return text.str();
}

// The system's message table knows Win32 errors by their own number.
std::string system_text(HRESULT result)
{
    const DWORD code = HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : static_cast<DWORD>(result);
    wchar_t buffer[512];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        buffer, static_cast<DWORD>(sizeof buffer / sizeof buffer[0]), nullptr);
    std::wstring text(buffer, length);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    return kite_utility::filesystem::to_utf8(text);
}

} // namespace

hresult_error::hresult_error(HRESULT result)
{
    message = "an com error has occurred: hresult=" + hex_code(result);
    no_message = 0;
}

hresult_error::hresult_error(changed_mode_t)
{
    message = "a previous call to CoInitializeEx specified the concurrency model for this thread";
    no_message = 0;
}

const char* hresult_error::what() const noexcept
{
    if (no_message != 0)
        return "an unknown error has occurred";
    return message.c_str();
}

std::string describe_failure(HRESULT result)
{
    std::string text = system_text(result);
    if (text.empty())
        text = "Unbekannter Fehler.";
    return text + " (" + hex_code(result) + ")";
}

com_apartment::com_apartment(DWORD model)
{
    if (com_use_count >= com_use_limit)
        return;
    ++com_use_count;
    if (com_use_count != 1)
        return;
    const HRESULT result = runtime.initialise(nullptr, model);
    if (result == RPC_E_CHANGED_MODE) {
        --com_use_count;
        throw hresult_error(changed_mode);
    }
    // A refused initialisation must neither count as membership nor be balanced by CoUninitialize later.
    if (FAILED(result)) {
        --com_use_count;
        throw hresult_error(result);
    }
}

com_apartment::~com_apartment()
{
    if (com_use_count == 0)
        return;
    --com_use_count;
    if (com_use_count == 0)
        runtime.uninitialise();
}

} // namespace kite_com
