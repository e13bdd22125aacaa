# Cross toolchain for the board: Cortex-M4F, Thumb, single-precision hard float.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-none-eabi-gcc)
set(CMAKE_CXX_COMPILER arm-none-eabi-g++)
set(CMAKE_ASM_COMPILER arm-none-eabi-gcc)
set(CMAKE_OBJCOPY arm-none-eabi-objcopy)
set(CMAKE_SIZE arm-none-eabi-size)

# The compiler checks link a program; a bare-metal link needs a start-up file we supply later.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(VELMORA_CPU_FLAGS "-mcpu=cortex-m4 -mthumb -mfpu=fpv4-sp-d16 -mfloat-abi=hard")
set(CMAKE_C_FLAGS_INIT "${VELMORA_CPU_FLAGS} -ffunction-sections -fdata-sections")
set(CMAKE_CXX_FLAGS_INIT "${VELMORA_CPU_FLAGS} -ffunction-sections -fdata-sections -fexceptions -frtti")
set(CMAKE_ASM_FLAGS_INIT "${VELMORA_CPU_FLAGS} -x assembler-with-cpp")
# The full newlib and C++ run-time: the C++ run-time built for newlib-nano aborts where the
# firmware needs an exception (bad_alloc, out_of_range, bad_function_call), and newlib-nano's
# reentrancy structure does not match the full C++ run-time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "${VELMORA_CPU_FLAGS} -Wl,--gc-sections")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
