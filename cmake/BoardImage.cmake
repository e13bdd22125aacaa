# The board image velmora.elf: the firmware library (whole: the vector table and the C library's
# start code find handlers and hooks by weak references), the demo application's object modules
# but DIWidget, and what the library links for the board (FreeType, AGG, the C and C++ run-time),
# laid out by system/board/velmora.ld. Every link also writes velmora.bin, velmora.hex and
# velmora.map and prints the size report (tools/size-report).

set(VELMORA_LINKER_SCRIPT ${CMAKE_SOURCE_DIR}/system/board/velmora.ld)
# Included by the linker script (and by the emulated programs' one), found through -L.
set(VELMORA_EXCEPTION_TABLES ${CMAKE_SOURCE_DIR}/system/board/exception-tables.ld)

# Without the board's FreeType and AGG parts (a tree that lacks them) the image cannot link: it is
# then built only on request, so that the board build stays a compile of every unit.
if(TARGET velmora_freetype_board AND TARGET velmora_agg_board)
  add_executable(velmora_image)
else()
  add_executable(velmora_image EXCLUDE_FROM_ALL)
endif()
target_sources(velmora_image PRIVATE $<FILTER:$<TARGET_OBJECTS:velmora_app>,EXCLUDE,/DIWidget\\.cpp\\.obj$>)
add_dependencies(velmora_image velmora_app)
set_target_properties(velmora_image PROPERTIES OUTPUT_NAME velmora SUFFIX .elf
  LINK_DEPENDS "${VELMORA_LINKER_SCRIPT};${VELMORA_EXCEPTION_TABLES}")
# The whole library first; the library again for what it links in turn (and its link options: the
# allocator wrapping).
target_link_libraries(velmora_image PRIVATE
  -Wl,--whole-archive $<TARGET_FILE:velmora> -Wl,--no-whole-archive velmora)
target_link_options(velmora_image PRIVATE -T${VELMORA_LINKER_SCRIPT} -L${CMAKE_SOURCE_DIR}/system/board
  -Wl,-Map=$<TARGET_FILE_DIR:velmora_image>/velmora.map)
add_custom_command(TARGET velmora_image POST_BUILD
  COMMAND ${CMAKE_OBJCOPY} -O binary $<TARGET_FILE:velmora_image> $<TARGET_FILE_DIR:velmora_image>/velmora.bin
  COMMAND ${CMAKE_OBJCOPY} -O ihex $<TARGET_FILE:velmora_image> $<TARGET_FILE_DIR:velmora_image>/velmora.hex
  COMMAND ${CMAKE_SIZE} $<TARGET_FILE:velmora_image>
  COMMAND ${CMAKE_COMMAND} -E env OBJDUMP=${CMAKE_OBJDUMP}
    /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/size-report $<TARGET_FILE:velmora_image>
  BYPRODUCTS ${CMAKE_BINARY_DIR}/velmora.bin ${CMAKE_BINARY_DIR}/velmora.hex ${CMAKE_BINARY_DIR}/velmora.map
  VERBATIM)
