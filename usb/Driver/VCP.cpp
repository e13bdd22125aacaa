#include "usb/Driver/VCP.h"

#include "usb/Console.h"
#include "usb/Stack/UsbCdc.h"
#include "usb/UsbDescriptors.h"

#include "drivers/DateTime.h"
#include "drivers/Driver/DigitalInput.h"
#include "drivers/Driver/GPIO.h"
#include "drivers/RTC.h"
#include "system/Driver/NVIC.h"
#include "system/Stopwatch.h"
#include "system/System.h"

#include "stm32f4xx_gpio.h"
#include "stm32f4xx_rcc.h"

#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace Driver
{

void SetOpen(bool open)
{
    VCP::GetInstance().m_isOpen = open;
}

bool IsOpen()
{
    return VCP::GetInstance().m_isOpen;
}

VCP& VCP::GetInstance()
{
    static VCP instance;
    return instance;
}

unsigned VCP::Write(const void* data, unsigned length, bool)
{
    VCP_fops.DataTx(static_cast<const uint8_t*>(data), length);
    return length;
}

void VCP::OnDataReceived(const void* data, unsigned length)
{
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    for (unsigned i = 0; i < length; ++i)
    {
        // The buffer keeps the latest 48 bytes of the line.
        if (m_length >= lineSize)
        {
            std::memmove(m_line, m_line + 1, lineSize - 1);
            m_length = lineSize - 1;
        }
        m_line[m_length++] = bytes[i];
        if (bytes[i] != '\n')
            continue;
        RunLine();
        std::memset(m_line, 0, sizeof m_line);
        m_length = 0;
    }
}

void VCP::RunLine()
{
    if (std::memcmp(m_line, "reset", 5) == 0)
        Velmora::System::GetInstance().Reset();
    if (std::memcmp(m_line, "date_and_time", 13) != 0)
        return;
    // This runs in the USB interrupt: nothing may leave it, and the stack must get to re-arm
    // the endpoint after this packet.
    try
    {
        SetClock();
    }
    catch (const std::range_error& error)
    {
        Velmora::Console::GetInstance().PrintLine("date_and_time rejected: %s", error.what());
    }
    catch (const std::exception& error)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(error);
    }
}

void VCP::SetClock()
{
    // A terminated copy: the line buffer may be full to its last byte.
    char text[lineSize + 1] = {};
    std::memcpy(text, m_line, m_length);
    const char* cursor = text + 14;
    long values[6] = {};
    for (long& value : values)
    {
        char* end = nullptr;
        value = std::strtol(cursor, &end, 10);
        cursor = end;
    }
    // A number too big for its field would otherwise wrap into a valid one (month 257 as 1).
    if (values[0] < 0 || values[0] > std::numeric_limits<uint16_t>::max())
        throw std::range_error("Not a valid value for year");
    for (int field = 1; field < 6; ++field)
        if (values[field] < 0 || values[field] > std::numeric_limits<uint8_t>::max())
            throw std::range_error("Not a valid value");
    Velmora::DateTime dateTime;
    dateTime.SetYear(static_cast<uint16_t>(values[0]));
    dateTime.SetMonth(static_cast<uint8_t>(values[1]));
    dateTime.SetDayOfMonth(static_cast<uint8_t>(values[2]));
    dateTime.SetHours(static_cast<uint8_t>(values[3]));
    dateTime.SetMinutes(static_cast<uint8_t>(values[4]));
    dateTime.SetSeconds(static_cast<uint8_t>(values[5]));
    Velmora::RTC::GetInstance().SetDateTime(dateTime);
}

} // namespace Driver

namespace
{

// CDC-ACM line coding: 115,200 bit/s little-endian, 1 stop bit, no parity, 8 data bits. Only
// echoed back to the host: the link runs at USB speed whatever it says.
constexpr uint32_t lineCodingSize = 7;
uint8_t m_lineCoding[lineCodingSize] = {0x00, 0xC2, 0x01, 0x00, 0, 0, 8};

uint16_t VCP_Init(void)
{
    return 0;
}

uint16_t VCP_DeInit(void)
{
    return 0;
}

uint16_t VCP_Ctrl(uint32_t command, uint8_t* buffer, uint32_t length)
{
    switch (command)
    {
    case CDC_SET_LINE_CODING:
        if (length >= lineCodingSize)
            std::memcpy(m_lineCoding, buffer, lineCodingSize);
        break;
    case CDC_GET_LINE_CODING:
        std::memcpy(buffer, m_lineCoding, length < lineCodingSize ? length : lineCodingSize);
        break;
    case CDC_SET_CONTROL_LINE_STATE:
        if ((buffer[2] & 0x01) != 0)
            VCPOpen();
        else
            VCPClose();
        break;
    default:
        break;
    }
    return 0;
}

// Runs in the printing context. Nothing is queued while no terminal listens. When the host has
// not taken the ring's 2,047 bytes yet, new bytes are dropped rather than written over the
// unsent ones, so what arrives is always a true prefix of what was printed.
uint16_t VCP_DataTx(const uint8_t* buffer, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i)
    {
        if (!VCPIsConnected() || !VCPIsOpen())
            return 0;
        const uint32_t write = CDC_TxRingWrite;
        const uint32_t next = write >= CDC_TX_RING_SIZE - 1 ? 0 : write + 1;
        if (next == CDC_TxRingRead)
            return 0;
        CDC_TxRing[write] = buffer[i];
        CDC_TxRingWrite = next;
    }
    return 0;
}

uint16_t VCP_DataRx(uint8_t* buffer, uint32_t length)
{
    VCPOnDataReceived(buffer, length);
    return 0;
}

} // namespace

const CDC_Media VCP_fops = {VCP_Init, VCP_DeInit, VCP_Ctrl, VCP_DataTx, VCP_DataRx};

extern "C" {

void VCPInit(void)
{
    Driver::GPIO& gpio = Driver::GPIO::GetInstance();
    for (const Driver::GPIO::Pin pin : {Driver::GPIO::Pin{11}, Driver::GPIO::Pin{12}})
        gpio.AlternateFunction(Driver::GPIO::Port::A, pin, GPIO_AF_OTG_FS, Driver::GPIO::OutputType::PushPull,
                               Driver::GPIO::Pull::Up, true, Driver::GPIO::Speed::High);
    RCC_AHB2PeriphClockCmd(RCC_AHB2Periph_OTG_FS, ENABLE);
    Driver::NVIC::GetInstance().EnableIRQ(OTG_FS_IRQn);
    USBD_Init(&Driver::VCP::GetInstance().Core(), USB_OTG_FS_CORE_ID, &USR_desc, &USBD_CDC_cb, &USR_cb);
    Velmora::Stopwatch::DelayMilliseconds(50);
    if (!VCPIsConnected())
        return;
    // A terminal that is already attached gets the chance to open the port before the first
    // start-up messages.
    Velmora::Stopwatch watch;
    watch.Start();
    while (!VCPIsOpen() && watch.GetElapsedSeconds() < 2.0f)
        __NOP();
    Velmora::Stopwatch::DelaySeconds(1.0f);
}

void VCPOpen(void)
{
    Driver::SetOpen(true);
}

void VCPClose(void)
{
    Driver::SetOpen(false);
}

bool VCPIsOpen(void)
{
    return Driver::IsOpen();
}

bool VCPIsConnected(void)
{
    return Driver::DigitalInput::GetInstance(2).IsHigh();
}

void VCPOnDataReceived(const void* data, unsigned int length)
{
    Driver::VCP::GetInstance().OnDataReceived(data, length);
}

void ConsolePrintChar(int c)
{
    const uint8_t byte = static_cast<uint8_t>(c);
    Driver::VCP::GetInstance().Write(&byte, 1, true);
}

// The USB interrupt; a standard exception goes to the system's unhandled-exception handler.
void OTG_FS_IRQHandler(void)
{
    try
    {
        USBD_OTG_ISR_Handler(&Driver::VCP::GetInstance().Core());
    }
    catch (const std::exception& exception)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(exception);
    }
}
}
