# pixolan_add_image(<target> <picture> [NAME ident] [OUTPUT_DIR dir] [HEADER] [OPTIONS ...])
#
# Converts <picture> into the C array <ident>.c, and with HEADER its header <ident>.h, in
# OUTPUT_DIR (default: ${CMAKE_CURRENT_BINARY_DIR}/pixolan), whenever the picture or
# pixolan-export changes and never otherwise. The array is added to <target>'s sources and the
# folder to its include path. OPTIONS go to pixolan-export as they are (--resize 320x240 --dither
# fs, ...; see `pixolan-export --help`).
#
# NAME defaults to the picture's name without its extension, every character other than A-Z,
# a-z, 0-9 and _ made _, with img_ before a leading digit: splash-2.png gives splash_2 and
# 8bit.png img_8bit. Two pictures of one target cannot share a name, even only in upper case
# (their headers' macros would clash).
#
# The array file declares `const int8 <ident>[]`. Each array is compiled as C with int8 defined
# as unsigned char for that file alone, so a project's own int8, if it has one, is never touched;
# the header declares the array as `const unsigned char` and needs no int8 at all. A C++ source
# includes the header (which gives the array C linkage) and links with the C array.
include_guard(GLOBAL)
if(CMAKE_VERSION VERSION_LESS 3.20)
    message(FATAL_ERROR "Pixolan's pixolan_add_image() needs CMake 3.20 or later")
endif()

function(pixolan_add_image target picture)
    cmake_parse_arguments(PARSE_ARGV 2 arg "HEADER" "NAME;OUTPUT_DIR" "OPTIONS")
    if(arg_UNPARSED_ARGUMENTS)
        message(FATAL_ERROR "pixolan_add_image: unknown arguments: ${arg_UNPARSED_ARGUMENTS}")
    endif()
    if(arg_KEYWORDS_MISSING_VALUES)
        message(FATAL_ERROR "pixolan_add_image: ${arg_KEYWORDS_MISSING_VALUES} needs a value")
    endif()
    if(NOT TARGET "${target}")
        message(FATAL_ERROR "pixolan_add_image: there is no target \"${target}\"")
    endif()
    if(NOT TARGET Pixolan::pixolan-export)
        message(FATAL_ERROR "pixolan_add_image: call find_package(Pixolan) first")
    endif()
    get_property(languages GLOBAL PROPERTY ENABLED_LANGUAGES)
    if(NOT "C" IN_LIST languages)
        message(FATAL_ERROR "pixolan_add_image: the arrays are C sources; enable C in the "
                            "project, e.g. project(<name> LANGUAGES C CXX)")
    endif()
    foreach(option IN ITEMS --name --header)
        if(option IN_LIST arg_OPTIONS)
            message(FATAL_ERROR "pixolan_add_image: give NAME or HEADER, not ${option}")
        endif()
    endforeach()

    cmake_path(ABSOLUTE_PATH picture BASE_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}" NORMALIZE
               OUTPUT_VARIABLE picture_path)
    get_source_file_property(generated "${picture_path}" GENERATED)
    if(NOT EXISTS "${picture_path}" AND NOT generated)
        message(FATAL_ERROR "pixolan_add_image: there is no picture \"${picture_path}\"")
    endif()

    if(DEFINED arg_NAME)
        set(name "${arg_NAME}")
    else()
        cmake_path(GET picture_path STEM LAST_ONLY stem)
        string(REGEX REPLACE "[^A-Za-z0-9_]" "_" name "${stem}")
        if(name MATCHES "^[0-9]")
            set(name "img_${name}")
        endif()
    endif()
    string(TOUPPER "${name}" upper)
    get_property(taken GLOBAL PROPERTY "PIXOLAN_IMAGE_${target}_${upper}")
    if(taken)
        message(FATAL_ERROR "pixolan_add_image: \"${picture_path}\" and \"${taken}\" both give "
                            "the array name ${name} (${upper} in upper case) in target "
                            "${target}; give one of them a NAME")
    endif()
    set_property(GLOBAL PROPERTY "PIXOLAN_IMAGE_${target}_${upper}" "${picture_path}")

    if(DEFINED arg_OUTPUT_DIR)
        cmake_path(ABSOLUTE_PATH arg_OUTPUT_DIR BASE_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
                   NORMALIZE OUTPUT_VARIABLE dir)
    else()
        set(dir "${CMAKE_CURRENT_BINARY_DIR}/pixolan")
    endif()
    set(array "${dir}/${name}.c")
    get_property(owner GLOBAL PROPERTY "PIXOLAN_OUTPUT_${array}")
    if(owner)
        message(FATAL_ERROR "pixolan_add_image: ${array} is already made for target ${owner}; "
                            "give this one another OUTPUT_DIR or NAME")
    endif()
    set_property(GLOBAL PROPERTY "PIXOLAN_OUTPUT_${array}" "${target}")

    set(outputs "${array}")
    set(header_arguments)
    if(arg_HEADER)
        list(APPEND outputs "${dir}/${name}.h")
        set(header_arguments --header "${dir}/${name}.h")
    endif()
    file(MAKE_DIRECTORY "${dir}")
    cmake_path(RELATIVE_PATH picture_path BASE_DIRECTORY "${CMAKE_SOURCE_DIR}"
               OUTPUT_VARIABLE shown)
    add_custom_command(
        OUTPUT ${outputs}
        COMMAND Pixolan::pixolan-export --name "${name}" ${header_arguments} ${arg_OPTIONS}
                "${picture_path}" "${array}"
        DEPENDS "${picture_path}" "$<TARGET_FILE:Pixolan::pixolan-export>"
        COMMENT "Converting ${shown} into the array ${name}"
        VERBATIM)
    target_sources("${target}" PRIVATE ${outputs})
    target_include_directories("${target}" PRIVATE "${dir}")
    set_source_files_properties("${array}" TARGET_DIRECTORY "${target}" PROPERTIES
        LANGUAGE C COMPILE_DEFINITIONS "int8=unsigned char")
endfunction()
