# Helpers shared by the build files: collecting the portable sources, adding test programs.

# corvane_folder_sources(out dir...): the .cpp files of the named folders under src/.
function(corvane_folder_sources out)
    set(result)
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp)
        list(APPEND result ${found})
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

# corvane_add_driving_test(name SOURCE file PROGRAMS target...): a GoogleTest program that starts the named programs
# and drives them from outside. Each one's path is given to it as <TARGET>_EXE (CORVANE_EXE, RESTAVO_EXE,
# CORVANE_CLI_EXE), the sample site as SAMPLE_SITE.
function(corvane_add_driving_test name)
    cmake_parse_arguments(ARG "" "SOURCE" "PROGRAMS" ${ARGN})
    corvane_add_gtest(${name} SOURCES ${ARG_SOURCE} LIBS gui_driver corvane_core)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests ${PROJECT_SOURCE_DIR}/resources)
    target_compile_definitions(${name} PRIVATE SAMPLE_SITE="${PROJECT_SOURCE_DIR}/examples/site")
    foreach(program IN LISTS ARG_PROGRAMS)
        string(TOUPPER ${program} macro)
        string(REPLACE "-" "_" macro ${macro})
        target_compile_definitions(${name} PRIVATE ${macro}_EXE="$<TARGET_FILE:${program}>")
    endforeach()
    add_dependencies(${name} ${ARG_PROGRAMS})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
