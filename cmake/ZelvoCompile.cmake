# Compiler settings shared by every target of the tree.
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_EXPORT_COMPILE_COMMANDS ON)

find_program(ZELVO_CCACHE ccache)
if(ZELVO_CCACHE)
  # The test programs use precompiled headers, which ccache caches only when told to trust them.
  set(CMAKE_C_COMPILER_LAUNCHER /usr/bin/env CCACHE_SLOPPINESS=pch_defines,time_macros ${ZELVO_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER /usr/bin/env CCACHE_SLOPPINESS=pch_defines,time_macros ${ZELVO_CCACHE})
endif()

# Reproducible floating point: no contraction into fused multiply-add.
add_compile_options(-Wall -Wextra -ffp-contract=off -fno-strict-aliasing)

set(ZELVO_SANITIZE "" CACHE STRING "Sanitizers to build with (e.g. address,undefined)")
if(ZELVO_SANITIZE)
  add_compile_options(-fsanitize=${ZELVO_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=${ZELVO_SANITIZE})
endif()

find_package(Threads REQUIRED)

# Library and game sources hold their texts in UTF-8 and compile them to CP932 bytes. GCC converts
# them itself. Clang knows no execution character set but UTF-8: under it a target compiles copies
# of its sources whose narrow literals hold the CP932 bytes as escapes, and includes the headers
# from a mirror of them made the same way, found before the originals.
set(ZELVO_CP932_MIRROR ${CMAKE_BINARY_DIR}/cp932)
function(zelvo_cp932_strings target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fexec-charset=CP932)
    return()
  endif()
  get_target_property(sources ${target} SOURCES)
  get_target_property(source_dir ${target} SOURCE_DIR)
  set(compiled)
  foreach(src IN LISTS sources)
    if(NOT src MATCHES "\\.cpp$")
      list(APPEND compiled ${src})
      continue()
    endif()
    if(NOT IS_ABSOLUTE ${src})
      set(src ${source_dir}/${src})
    endif()
    file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${src})
    set(copy ${ZELVO_CP932_MIRROR}/${relative})
    get_property(made GLOBAL PROPERTY ZELVO_CP932_COPIES)
    if(NOT copy IN_LIST made)
      set_property(GLOBAL APPEND PROPERTY ZELVO_CP932_COPIES ${copy})
      add_custom_command(OUTPUT ${copy}
        COMMAND zelvo_cp932_literals ${src} ${copy}
        DEPENDS ${src} zelvo_cp932_literals VERBATIM)
      # The copy's own includes ("x.h") are found beside the original, and it keeps the original's
      # own options.
      get_filename_component(original_dir ${src} DIRECTORY)
      get_source_file_property(options ${src} COMPILE_OPTIONS)
      if(NOT options)
        set(options "")
      endif()
      set_source_files_properties(${copy} PROPERTIES COMPILE_OPTIONS "-iquote;${original_dir};${options}")
    endif()
    list(APPEND compiled ${copy})
  endforeach()
  set_property(TARGET ${target} PROPERTY SOURCES ${compiled})
  target_include_directories(${target} BEFORE PRIVATE ${ZELVO_CP932_MIRROR})
  add_dependencies(${target} zelvo_cp932_headers)
endfunction()

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_executable(zelvo_cp932_literals ${CMAKE_CURRENT_LIST_DIR}/cp932_literals.cpp)
  file(GLOB_RECURSE ZELVO_CP932_HEADERS CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/media/*.h ${PROJECT_SOURCE_DIR}/game/*.h ${PROJECT_SOURCE_DIR}/include/*.h
       ${PROJECT_SOURCE_DIR}/tests/*.h ${PROJECT_SOURCE_DIR}/fuzz/*.h ${PROJECT_SOURCE_DIR}/demo/*.h)
  add_custom_command(OUTPUT ${ZELVO_CP932_MIRROR}/headers.stamp
    COMMAND zelvo_cp932_literals --mirror ${PROJECT_SOURCE_DIR} ${ZELVO_CP932_MIRROR} ${ZELVO_CP932_HEADERS}
    COMMAND ${CMAKE_COMMAND} -E touch ${ZELVO_CP932_MIRROR}/headers.stamp
    DEPENDS ${ZELVO_CP932_HEADERS} zelvo_cp932_literals VERBATIM)
  add_custom_target(zelvo_cp932_headers DEPENDS ${ZELVO_CP932_MIRROR}/headers.stamp)
endif()

# Find a package for the library and remember it for the installed package config.
macro(zelvo_find_package name)
  find_package(${name} ${ARGN} REQUIRED)
  get_property(_zelvo_known GLOBAL PROPERTY ZELVO_PACKAGE_DEPENDENCIES)
  if(NOT "${name}" IN_LIST _zelvo_known)
    set_property(GLOBAL APPEND PROPERTY ZELVO_PACKAGE_DEPENDENCIES ${name})
  endif()
endmacro()
