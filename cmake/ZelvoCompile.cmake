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

# Library and game sources hold their texts in UTF-8 and compile them to CP932 bytes. Clang knows
# no execution character set but UTF-8; it builds only the fuzz targets, whose texts stay UTF-8.
function(zelvo_cp932_strings target)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    target_compile_options(${target} PRIVATE -fexec-charset=CP932)
  endif()
endfunction()

# Find a package for the library and remember it for the installed package config.
macro(zelvo_find_package name)
  find_package(${name} ${ARGN} REQUIRED)
  get_property(_zelvo_known GLOBAL PROPERTY ZELVO_PACKAGE_DEPENDENCIES)
  if(NOT "${name}" IN_LIST _zelvo_known)
    set_property(GLOBAL APPEND PROPERTY ZELVO_PACKAGE_DEPENDENCIES ${name})
  endif()
endmacro()
