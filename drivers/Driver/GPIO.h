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

private:
    GPIO() = default;
};

} // namespace Driver
