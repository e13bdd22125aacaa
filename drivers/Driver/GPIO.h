#pragma once

#include <cstdint>

#include "stm32f4xx.h"

namespace Driver
{

// Pin configuration on top of the peripheral library. Every driver configures its pins here, so
// the clock enable, the init structure and the optional lock are done the same way everywhere.
class GPIO
{
public:
    enum class Port : uint8_t
    {
        A = 0,
        B,
        C,
        D,
        E,
        F,
        G,
        H,
        I,
    };
    using Pin = uint8_t; // 0 to 15
    enum class Pull : uint8_t
    {
        None = 0,
        Up = 1,
        Down = 2,
    };
    enum class OutputType : uint8_t
    {
        PushPull = 0,
        OpenDrain = 1,
    };
    enum class Speed : uint8_t
    {
        Low = 0,
        Medium = 1,
        Fast = 2,
        High = 3, // 100 MHz
    };
    using AltFunction = uint8_t; // 0 to 15

    static GPIO& GetInstance();

    // The port's register block: port blocks are 0x400 apart, A to I.
    static GPIO_TypeDef* Registers(Port port);

    void DigitalOut(Port port, Pin pin, Pull pull, OutputType type, bool lock, Speed speed);
    void DigitalIn(Port port, Pin pin, Pull pull, bool lock, Speed speed);
    void AnalogIn(Port port, Pin pin, Pull pull, bool lock, Speed speed);
    void AlternateFunction(Port port, Pin pin, AltFunction function, OutputType type, Pull pull, bool lock,
                           Speed speed);

    // A lock asked for with a configuration takes effect here, for every pin asked for since the
    // last call, with one lock sequence per port: the silicon freezes a port's lock register at
    // its first sequence until the next reset, so locking pins one at a time would hold only the
    // first of each port. Start-up calls it once every driver has configured its pins; pins asked
    // for later on a port that is already locked stay unlocked.
    void ApplyLocks();

private:
    GPIO() = default;
    void RequestLock(Port port, Pin pin, bool lock);

    static constexpr unsigned portCount = 9;
    uint16_t m_requestedLocks[portCount] = {};
    bool m_portLocked[portCount] = {};
};

} // namespace Driver
