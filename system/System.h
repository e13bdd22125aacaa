#pragma once

#include <cstdint>
#include <exception>
#include <functional>

namespace Velmora
{

// Versions, the handler of exceptions nobody caught, the firmware's only lock and the software
// reset.
class System
{
public:
    using UnhandledExceptionHandler = std::function<void(const std::exception&)>;
    using AtomicFunction = std::function<void(void*)>;

    static System& GetInstance();

    uint8_t GetLibraryMajorVersion() const;
    uint8_t GetLibraryMinorVersion() const;
    // From the first non-zero byte of the one-time-programmable area: bits 7..5 are the major
    // version, bits 4..0 the minor; 7.31 when every byte is 0.
    uint8_t GetHardwareMajorVersion() const;
    uint8_t GetHardwareMinorVersion() const;

    // The handler that interrupt handlers pass the standard exceptions they catch to. The default
    // prints "Unhandled Exception: <what>" to the console.
    UnhandledExceptionHandler GetOnUnhandledException() const;

    // Runs function(argument) inside the supervisor call, at priority 0, so no interrupt runs
    // until it returns; a call from inside an atomic function runs directly. The function must
    // not wait on anything that needs an interrupt. An exception it throws reaches the caller
    // unchanged; an empty function throws std::bad_function_call.
    void AtomicCall(AtomicFunction function, void* argument);

    // Dims the backlight, waits 10 ms and requests a system reset. Does not return.
    [[noreturn]] void Reset();

    System(const System&) = delete;
    System& operator=(const System&) = delete;

private:
    System();

    UnhandledExceptionHandler m_onUnhandledException;
};

extern System& system;

} // namespace Velmora
