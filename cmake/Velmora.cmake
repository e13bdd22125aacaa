# Shared settings and helpers for every target of the project.

set(VELMORA_WARNINGS -Wall -Wextra -Werror)

if(VELMORA_SANITIZE AND NOT VELMORA_BOARD)
  # AGG shifts negative coordinates left throughout (well defined since C++20 and on every
  # compiler we use); checking that would stop every drawing test inside AGG's own headers.
  add_compile_options(-fsanitize=address,undefined -fno-sanitize=shift-base -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Third-party headers from Debian's packages. AGG's headers are also what the board build compiles
# against; only their include folders are added there, never the host's /usr/include. The board's
# FreeType headers come with its FreeType sources (graphics/freetype).
set(VELMORA_AGG_INCLUDE /usr/include/agg2)
if(NOT VELMORA_BOARD)
  find_path(VELMORA_FREETYPE_INCLUDE ft2build.h PATHS /usr/include/freetype2 NO_DEFAULT_PATH)
endif()
find_path(VELMORA_UTFCPP_INCLUDE utf8.h PATHS /usr/include/utf8cpp NO_DEFAULT_PATH)

# velmora_firmware_folder(NAME) adds every C and C++ source of the current folder (recursively,
# except host/ and board/ subfolders, which are taken only by their own build, and subfolders that
# build a target of their own) to the firmware
# library. Each folder globs its own files so that adding a unit never touches a shared list.
function(velmora_firmware_folder)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  list(FILTER sources EXCLUDE REGEX "/(host|board)/")
  # A subfolder with a CMakeLists.txt of its own builds its own target.
  file(GLOB_RECURSE own_lists CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*/CMakeLists.txt)
  foreach(list_file IN LISTS own_lists)
    get_filename_component(own_folder ${list_file} DIRECTORY)
    list(FILTER sources EXCLUDE REGEX "^${own_folder}/")
  endforeach()
  if(VELMORA_BOARD)
    file(GLOB_RECURSE own CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/board/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/board/*.c
      ${CMAKE_CURRENT_SOURCE_DIR}/board/*.S)
  else()
    file(GLOB_RECURSE own CONFIGURE_DEPENDS
      ${CMAKE_CURRENT_SOURCE_DIR}/host/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/host/*.c)
  endif()
  target_sources(velmora PRIVATE ${sources} ${own})
endfunction()

# The firmware library: every unit of system/, drivers/, graphics/, input/, storage/, usb/ and
# platform/. Folders add their sources with velmora_firmware_folder().
add_library(velmora STATIC)
target_include_directories(velmora PUBLIC
  ${CMAKE_SOURCE_DIR}
  ${CMAKE_SOURCE_DIR}/platform
  ${CMAKE_BINARY_DIR}/generated)
target_include_directories(velmora SYSTEM PUBLIC
  ${VELMORA_AGG_INCLUDE} ${VELMORA_FREETYPE_INCLUDE} ${VELMORA_UTFCPP_INCLUDE})
target_compile_options(velmora PRIVATE ${VELMORA_WARNINGS})
