# Helpers shared by the build files: collecting the portable sources, adding test programs.

# Files of the Win32 shell live beside the core in the same folders; these patterns keep them out of the core.
set(CORVANE_SHELL_PATTERN "(_page|_dialog|_win32|_shell)\\.cpp$")

function(corvane_core_sources out)
    set(result)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
        foreach(f IN LISTS found)
            if(NOT f MATCHES "${CORVANE_SHELL_PATTERN}")
                list(APPEND result ${f})
            endif()
        endforeach()
    endforeach()
    set(${out} ${result} PARENT_SCOPE)
endfunction()

# corvane_add_gtest(name SOURCES ... LIBS ...): a GoogleTest program run by CTest
# (natively each test on its own; under Wine the whole program at once, which saves a Wine start per test).
function(corvane_add_gtest name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main)
    if(CORVANE_WINDOWS)
        add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
        set_tests_properties(${name} PROPERTIES TIMEOUT 900)
    else()
        include(GoogleTest)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60)
    endif()
endfunction()
