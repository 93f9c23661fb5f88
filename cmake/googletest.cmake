# GoogleTest is built from source with the project's compiler. Debian ships the sources in
# /usr/src/googletest; elsewhere point PICTOR_GOOGLETEST_DIR at a checkout.
set(PICTOR_GOOGLETEST_DIR "/usr/src/googletest" CACHE PATH "GoogleTest source tree")
set(PICTOR_HAVE_GOOGLETEST OFF)
if(EXISTS "${PICTOR_GOOGLETEST_DIR}/CMakeLists.txt")
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
    add_subdirectory("${PICTOR_GOOGLETEST_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)
    set(PICTOR_HAVE_GOOGLETEST ON)
else()
    message(STATUS "GoogleTest sources not found in ${PICTOR_GOOGLETEST_DIR}: tests are not built")
endif()
