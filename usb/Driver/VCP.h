#pragma once

#include "usb/Stack/UsbDevice.h"

#include <cstdint>

namespace Driver
{

// The USB virtual COM port: the device stack's core handle, whether a terminal holds the port
// open (the host's DTR), and the line assembler of the two console commands.
class VCP
{
public:
    static constexpr unsigned lineSize = 48;

    static VCP& GetInstance();

    // Queues the bytes for the host and returns `length`; the flag has no effect. Bytes are
    // dropped while no terminal listens, and when the transmit ring is full (see VCP_DataTx).
    unsigned Write(const void* data, unsigned length, bool);
    // Assembles lines from the host and runs the "reset" and "date_and_time" commands.
    void OnDataReceived(const void* data, unsigned length);

    USBD_Handle& Core() { return m_core; }

    VCP(const VCP&) = delete;
    VCP& operator=(const VCP&) = delete;

private:
    VCP() = default;
    void RunLine();
    void SetClock();

    friend void SetOpen(bool open);
    friend bool IsOpen();

    USBD_Handle m_core{};
    volatile bool m_isOpen = false;
    uint8_t m_line[lineSize] = {};
    uint32_t m_length = 0;
};

} // namespace Driver

// Plain functions over the singleton, for the start-up code, the CDC callbacks and the system calls.
extern "C" {
void VCPInit(void);
void VCPOpen(void);
void VCPClose(void);
bool VCPIsOpen(void);
// Whether a host powers the bus (the bus-power sense on PA9, digital input channel 2).
bool VCPIsConnected(void);
void VCPOnDataReceived(const void* data, unsigned int length);
void ConsolePrintChar(int c);
}
