#include "drivers/Driver/GPIO.h"

#include "stm32f4xx.h"
#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"

namespace Driver
{

namespace
{

// Enables the port clock and fills the init structure common to every mode.
GPIO_InitTypeDef Prepare(GPIO::Port port, GPIO::Pin pin, GPIOMode_TypeDef mode, GPIO::Pull pull,
                         GPIO::OutputType type, GPIO::Speed speed)
{
    RCC_AHB1PeriphClockCmd(1u << static_cast<uint32_t>(port), ENABLE);
    GPIO_InitTypeDef init;
    GPIO_StructInit(&init);
    init.GPIO_Pin = static_cast<uint16_t>(1u << pin);
    init.GPIO_Mode = mode;
    init.GPIO_PuPd = static_cast<GPIOPuPd_TypeDef>(pull);
    init.GPIO_OType = static_cast<GPIOOType_TypeDef>(type);
    init.GPIO_Speed = static_cast<GPIOSpeed_TypeDef>(speed);
    return init;
}

} // namespace

void GPIO::RequestLock(Port port, Pin pin, bool lock)
{
    if (lock)
        m_requestedLocks[static_cast<unsigned>(port)] |= static_cast<uint16_t>(1u << pin);
}

void GPIO::ApplyLocks()
{
    for (unsigned port = 0; port < portCount; ++port)
    {
        if (m_requestedLocks[port] == 0 || m_portLocked[port])
            continue;
        GPIO_PinLockConfig(Registers(static_cast<Port>(port)), m_requestedLocks[port]);
        m_portLocked[port] = true;
        m_requestedLocks[port] = 0;
    }
}

GPIO_TypeDef* GPIO::Registers(Port port)
{
    return reinterpret_cast<GPIO_TypeDef*>(reinterpret_cast<uintptr_t>(GPIOA) + static_cast<uintptr_t>(port) * 0x400);
}

GPIO& GPIO::GetInstance()
{
    static GPIO instance;
    return instance;
}

void GPIO::DigitalOut(Port port, Pin pin, Pull pull, OutputType type, bool lock, Speed speed)
{
    GPIO_InitTypeDef init = Prepare(port, pin, GPIO_Mode_OUT, pull, type, speed);
    GPIO_Init(Registers(port), &init);
    RequestLock(port, pin, lock);
}

void GPIO::DigitalIn(Port port, Pin pin, Pull pull, bool lock, Speed speed)
{
    GPIO_InitTypeDef init = Prepare(port, pin, GPIO_Mode_IN, pull, OutputType::PushPull, speed);
    GPIO_Init(Registers(port), &init);
    RequestLock(port, pin, lock);
}

void GPIO::AnalogIn(Port port, Pin pin, Pull pull, bool lock, Speed speed)
{
    GPIO_InitTypeDef init = Prepare(port, pin, GPIO_Mode_AN, pull, OutputType::PushPull, speed);
    GPIO_Init(Registers(port), &init);
    RequestLock(port, pin, lock);
}

void GPIO::AlternateFunction(Port port, Pin pin, AltFunction function, OutputType type, Pull pull, bool lock,
                             Speed speed)
{
    GPIO_InitTypeDef init = Prepare(port, pin, GPIO_Mode_AF, pull, type, speed);
    GPIO_Init(Registers(port), &init);
    GPIO_PinAFConfig(Registers(port), pin, function);
    RequestLock(port, pin, lock);
}

} // namespace Driver
