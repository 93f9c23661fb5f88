#include "toolkit/com.h"

#include <ios>
#include <sstream>

namespace kite_com {

thread_local std::uint32_t com_use_count = 0;
com_runtime runtime = {&CoInitializeEx, &CoUninitialize};

hresult_error::hresult_error(HRESULT result)
{
    std::ostringstream text;
    text << "an com error has occurred: hresult=0x" << std::hex;
    text.width(8);
    text.fill('0');
    text << static_cast<std::uint32_t>(result);
    message = text.str();
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

com_apartment::com_apartment()
{
    if (com_use_count >= com_use_limit)
        return;
    ++com_use_count;
    if (com_use_count != 1)
        return;
    const HRESULT result = runtime.initialise(nullptr, COINIT_APARTMENTTHREADED);
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
