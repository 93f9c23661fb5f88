# Compiler settings shared by every target of the project.
add_library(pictor_options INTERFACE)
target_compile_features(pictor_options INTERFACE cxx_std_17)
target_compile_definitions(pictor_options INTERFACE
    UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN
    _WIN32_WINNT=0x0A00 WINVER=0x0A00 NTDDI_VERSION=0x0A000006)
if(MSVC)
    target_compile_options(pictor_options INTERFACE /utf-8 /W4 /permissive- /EHsc)
else()
    target_compile_options(pictor_options INTERFACE -Wall -Wextra -finput-charset=UTF-8 -fexec-charset=UTF-8)
    # 32-bit x86: float arithmetic on SSE2, as MSVC does by default. The x87 unit keeps products in extended
    # precision, and truncating those gives one pixel less than single precision at DPIs like 160.
    if(CMAKE_SIZEOF_VOID_P EQUAL 4)
        target_compile_options(pictor_options INTERFACE -msse2 -mfpmath=sse)
    endif()
    # The runtime goes into the executable so that it runs with no DLL beside it.
    target_link_options(pictor_options INTERFACE -static -static-libgcc -static-libstdc++)
endif()
