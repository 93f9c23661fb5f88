# Shared part of the MinGW-w64 cross toolchains. PICTOR_MINGW_TRIPLE is set by the caller.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_VERSION 10.0)

# The -posix variants carry the thread model that std::mutex and GoogleTest need.
set(CMAKE_C_COMPILER   ${PICTOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PICTOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${PICTOR_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PICTOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run through Wine; the wrapper picks the loader and the isolated prefix.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec)
