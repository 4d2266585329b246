# Imported target corvane::openjp2: the static MinGW-w64 OpenJPEG that scripts/setup.sh builds under build/deps/.
include_guard(GLOBAL)

set(CORVANE_OPENJPEG_ROOT "${CMAKE_CURRENT_LIST_DIR}/../build/deps/openjpeg-mingw64"
    CACHE PATH "Install prefix of the static MinGW-w64 OpenJPEG library")

if(NOT WIN32)
    message(FATAL_ERROR "cmake/openjpeg.cmake is for the MinGW-w64 (Windows) tree; the library it names is a Windows one.")
endif()

if(NOT TARGET corvane::openjp2)
    get_filename_component(_corvane_opj_root "${CORVANE_OPENJPEG_ROOT}" ABSOLUTE)
    set(_corvane_opj_lib "${_corvane_opj_root}/lib/libopenjp2.a")
    # The header folder carries OpenJPEG's major.minor version (include/openjpeg-2.5).
    file(GLOB _corvane_opj_headers "${_corvane_opj_root}/include/openjpeg-*/openjpeg.h")
    list(SORT _corvane_opj_headers)
    list(LENGTH _corvane_opj_headers _corvane_opj_count)

    if(NOT EXISTS "${_corvane_opj_lib}" OR _corvane_opj_count EQUAL 0)
        message(FATAL_ERROR
            "OpenJPEG for MinGW-w64 was not found in ${_corvane_opj_root} "
            "(expected lib/libopenjp2.a and include/openjpeg-*/openjpeg.h).\n"
            "Run scripts/setup.sh (or scripts/build-openjpeg-mingw.sh) to build it, "
            "or set CORVANE_OPENJPEG_ROOT to another install prefix.")
    endif()

    list(GET _corvane_opj_headers -1 _corvane_opj_header)
    get_filename_component(_corvane_opj_include "${_corvane_opj_header}" DIRECTORY)

    add_library(corvane::openjp2 STATIC IMPORTED GLOBAL)
    set_target_properties(corvane::openjp2 PROPERTIES
        IMPORTED_LOCATION "${_corvane_opj_lib}"
        IMPORTED_LINK_INTERFACE_LANGUAGES C
        INTERFACE_INCLUDE_DIRECTORIES "${_corvane_opj_include}"
        # Without OPJ_STATIC the header declares every function as imported from a DLL.
        INTERFACE_COMPILE_DEFINITIONS OPJ_STATIC)

    unset(_corvane_opj_root)
    unset(_corvane_opj_lib)
    unset(_corvane_opj_headers)
    unset(_corvane_opj_count)
    unset(_corvane_opj_header)
    unset(_corvane_opj_include)
endif()
