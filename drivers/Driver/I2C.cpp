#include "drivers/Driver/I2C.h"

#include "drivers/Driver/GPIO.h"
#include "stm32f4xx.h"
#include "stm32f4xx_i2c.h"
#include "stm32f4xx_rcc.h"
#include "system/System.h"

#include <stdexcept>

namespace Driver
{

namespace
{

struct BusSetUp
{
    I2C_TypeDef* (*registers)();
    uint32_t clockEnable;
    GPIO::Pin scl;
    GPIO::Pin sda;
    GPIO::Pull pull;
    bool lock;
    uint32_t speed;
};

I2C_TypeDef* Bus0() { return I2C1; }
I2C_TypeDef* Bus1() { return I2C2; }

// Both buses use port B, alternate function 4, open-drain outputs at the highest speed. The second
// bus's pins ask for the pull-down; the bus lines have pull-up resistors on the board, which
// outweigh it, so the bus still idles high.
const BusSetUp m_buses[I2C::channelCount] = {
    {Bus0, RCC_APB1Periph_I2C1, 8, 9, GPIO::Pull::Up, true, 100000},
    {Bus1, RCC_APB1Periph_I2C2, 10, 11, GPIO::Pull::Down, false, 400000},
};

const GPIO::AltFunction i2cFunction = 4;
const float timeoutMilliseconds = 10.0f;

} // namespace

struct I2CTable
{
    I2C channels[I2C::channelCount];

    I2CTable()
    {
        for (int c = 0; c < I2C::channelCount; ++c)
            channels[c].SetUp(static_cast<I2C::Channel>(c));
    }
};

I2C& I2C::GetInstance(Channel channel)
{
    if (static_cast<unsigned>(channel) >= channelCount)
        throw std::out_of_range("I2C: no such channel");
    static I2CTable table;
    return table.channels[static_cast<int>(channel)];
}

void I2C::Transaction(const std::function<void()>& transaction)
{
    Velmora::System::GetInstance().AtomicCall([&transaction](void*) { transaction(); }, nullptr);
}

void I2C::SetUp(Channel channel)
{
    m_channel = channel;
    const BusSetUp& bus = m_buses[static_cast<int>(channel)];
    GPIO& gpio = GPIO::GetInstance();
    gpio.AlternateFunction(GPIO::Port::B, bus.scl, i2cFunction, GPIO::OutputType::OpenDrain, bus.pull, bus.lock,
                           GPIO::Speed::High);
    gpio.AlternateFunction(GPIO::Port::B, bus.sda, i2cFunction, GPIO::OutputType::OpenDrain, bus.pull, bus.lock,
                           GPIO::Speed::High);
    RCC_APB1PeriphClockCmd(bus.clockEnable, ENABLE);
    I2C_TypeDef* registers = bus.registers();
    I2C_SoftwareResetCmd(registers, ENABLE);
    I2C_SoftwareResetCmd(registers, DISABLE);
    I2C_InitTypeDef init;
    I2C_StructInit(&init);
    init.I2C_ClockSpeed = bus.speed;
    init.I2C_Mode = I2C_Mode_I2C;
    init.I2C_DutyCycle = I2C_DutyCycle_2;
    init.I2C_OwnAddress1 = 0;
    init.I2C_Ack = I2C_Ack_Disable;
    init.I2C_AcknowledgedAddress = I2C_AcknowledgedAddress_7bit;
    I2C_Init(registers, &init);
    I2C_Cmd(registers, ENABLE);
}

void I2C::Wait(uint32_t event, bool until)
{
    I2C_TypeDef* registers = m_buses[static_cast<int>(m_channel)].registers();
    m_stopwatch.Restart();
    for (;;)
    {
        const float elapsed = m_stopwatch.GetElapsedMilliseconds();
        if ((I2C_CheckEvent(registers, event) == SUCCESS) == until)
            return;
        if (elapsed > timeoutMilliseconds)
        {
            Abandon();
            throw std::runtime_error("I2C: Timeout");
        }
    }
}

void I2C::Abandon()
{
    I2C_TypeDef* registers = m_buses[static_cast<int>(m_channel)].registers();
    I2C_GenerateSTART(registers, DISABLE);
    if (I2C_GetFlagStatus(registers, I2C_FLAG_MSL) == SET)
        I2C_GenerateSTOP(registers, ENABLE);
    I2C_ClearFlag(registers, I2C_FLAG_AF | I2C_FLAG_ARLO | I2C_FLAG_BERR);
}

void I2C::Start()
{
    Wait(I2C_FLAG_BUSY, false);
    I2C_GenerateSTART(m_buses[static_cast<int>(m_channel)].registers(), ENABLE);
    Wait(I2C_EVENT_MASTER_MODE_SELECT, true);
}

void I2C::Restart()
{
    I2C_GenerateSTART(m_buses[static_cast<int>(m_channel)].registers(), ENABLE);
    Wait(I2C_EVENT_MASTER_MODE_SELECT, true);
}

void I2C::Stop() { I2C_GenerateSTOP(m_buses[static_cast<int>(m_channel)].registers(), ENABLE); }

void I2C::BeginWrite(uint8_t address)
{
    I2C_Send7bitAddress(m_buses[static_cast<int>(m_channel)].registers(), address, I2C_Direction_Transmitter);
    Wait(I2C_EVENT_MASTER_TRANSMITTER_MODE_SELECTED, true);
}

void I2C::BeginRead(uint8_t address)
{
    I2C_Send7bitAddress(m_buses[static_cast<int>(m_channel)].registers(), address, I2C_Direction_Receiver);
    Wait(I2C_EVENT_MASTER_RECEIVER_MODE_SELECTED, true);
}

void I2C::Write(uint8_t data)
{
    Wait(I2C_EVENT_MASTER_BYTE_TRANSMITTING, true);
    I2C_SendData(m_buses[static_cast<int>(m_channel)].registers(), data);
    Wait(I2C_EVENT_MASTER_BYTE_TRANSMITTED, true);
}

uint8_t I2C::Read()
{
    Wait(I2C_EVENT_MASTER_BYTE_RECEIVED, true);
    return I2C_ReceiveData(m_buses[static_cast<int>(m_channel)].registers());
}

void I2C::EnableReadAck(bool enable)
{
    I2C_AcknowledgeConfig(m_buses[static_cast<int>(m_channel)].registers(), enable ? ENABLE : DISABLE);
}

void I2C::Enable2ByteRead(bool enable)
{
    I2C_NACKPositionConfig(m_buses[static_cast<int>(m_channel)].registers(),
                           enable ? I2C_NACKPosition_Next : I2C_NACKPosition_Current);
}

} // namespace Driver
