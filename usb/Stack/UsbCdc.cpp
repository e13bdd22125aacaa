#include "usb/Stack/UsbCdc.h"

#include "stm32f4xx_otg.h"

uint8_t CDC_TxRing[CDC_TX_RING_SIZE];
volatile uint32_t CDC_TxRingWrite = 0;
volatile uint32_t CDC_TxRingRead = 0;

namespace
{

// Configuration 1: interface 0 (communications, abstract control model, AT commands protocol)
// with its functional descriptors and notification endpoint, interface 1 (data) with the bulk pair.
uint8_t m_configuration[CDC_CONFIGURATION_LENGTH] = {
    // configuration
    9, 0x02, CDC_CONFIGURATION_LENGTH, 0, 2, 1, 0, 0xC0, 0x32,
    // interface 0
    9, 0x04, 0, 0, 1, 0x02, 0x02, 0x01, 0,
    // header functional descriptor, CDC 1.10
    5, 0x24, 0x00, 0x10, 0x01,
    // call management: no capabilities, data interface 1
    5, 0x24, 0x01, 0x00, 1,
    // abstract control management: line coding and serial state requests
    4, 0x24, 0x02, 0x02,
    // union: control interface 0, data interface 1
    5, 0x24, 0x06, 0, 1,
    // notification endpoint
    7, 0x05, CDC_CMD_EP, 0x03, CDC_CMD_PACKET, 0, 0xFF,
    // interface 1
    9, 0x04, 1, 0, 2, 0x0A, 0x00, 0x00, 0,
    // bulk OUT and bulk IN
    7, 0x05, CDC_OUT_EP, 0x02, CDC_DATA_MAX_PACKET, 0, 0,
    7, 0x05, CDC_IN_EP, 0x02, CDC_DATA_MAX_PACKET, 0, 0,
};

uint8_t m_received[CDC_DATA_MAX_PACKET];
uint8_t m_command[CDC_DATA_MAX_PACKET]; // a class request's data stage
uint8_t m_pendingCommand = 0xFF;
uint16_t m_pendingLength = 0;
uint8_t m_frames = 0;
uint32_t m_chunkLeft = 0; // bytes of the current drain not yet handed to the core
uint32_t m_inFlight = 0;  // bytes of the packet the host has not taken yet

void SendPacket(USBD_Handle* core)
{
    m_inFlight = m_chunkLeft < CDC_DATA_MAX_PACKET ? m_chunkLeft : CDC_DATA_MAX_PACKET;
    m_chunkLeft -= m_inFlight;
    USBD_EP_Tx(core, CDC_IN_EP, &CDC_TxRing[CDC_TxRingRead], m_inFlight);
}

uint8_t Init(USBD_Handle* core, uint8_t)
{
    USBD_EP_Open(core, CDC_IN_EP, CDC_DATA_MAX_PACKET, OTG_FS_EP_BULK);
    USBD_EP_Open(core, CDC_OUT_EP, CDC_DATA_MAX_PACKET, OTG_FS_EP_BULK);
    USBD_EP_Open(core, CDC_CMD_EP, CDC_CMD_PACKET, OTG_FS_EP_INTERRUPT);
    // From now on the device announces itself as a communications device.
    uint16_t length = 0;
    uint8_t* device = core->descriptors->Device(USBD_SPEED_FULL, &length);
    device[4] = 0x02;
    device[5] = 0x00;
    VCP_fops.Init();
    m_frames = 0;
    m_chunkLeft = 0;
    m_inFlight = 0;
    USBD_EP_PrepareRx(core, CDC_OUT_EP, m_received, CDC_DATA_MAX_PACKET);
    return 0;
}

uint8_t DeInit(USBD_Handle* core, uint8_t)
{
    USBD_EP_Close(core, CDC_IN_EP);
    USBD_EP_Close(core, CDC_OUT_EP);
    USBD_EP_Close(core, CDC_CMD_EP);
    VCP_fops.DeInit();
    m_chunkLeft = 0;
    m_inFlight = 0;
    return 0;
}

uint8_t Setup(USBD_Handle* core, const USBD_Request* request)
{
    if ((request->bmRequest & 0x60) != 0x20)
        return 1; // only class requests reach here
    if (request->wLength == 0)
    {
        uint8_t raw[8] = {request->bmRequest,
                          request->bRequest,
                          static_cast<uint8_t>(request->wValue),
                          static_cast<uint8_t>(request->wValue >> 8),
                          static_cast<uint8_t>(request->wIndex),
                          static_cast<uint8_t>(request->wIndex >> 8),
                          0,
                          0};
        VCP_fops.Ctrl(request->bRequest, raw, 0);
        USBD_CtlSendStatus(core);
        return 0;
    }
    uint16_t length = request->wLength < sizeof m_command ? request->wLength : sizeof m_command;
    // The line coding record is 7 bytes, whatever the host asks for.
    if (request->bRequest == CDC_GET_LINE_CODING && length > 7)
        length = 7;
    if ((request->bmRequest & 0x80) != 0)
    {
        VCP_fops.Ctrl(request->bRequest, m_command, length);
        USBD_CtlSendData(core, m_command, length);
    }
    else
    {
        m_pendingCommand = request->bRequest;
        m_pendingLength = length;
        USBD_CtlPrepareRx(core, m_command, length);
    }
    return 0;
}

uint8_t EP0_TxSent(USBD_Handle*)
{
    return 0;
}

uint8_t EP0_RxReady(USBD_Handle*)
{
    if (m_pendingCommand != 0xFF)
        VCP_fops.Ctrl(m_pendingCommand, m_command, m_pendingLength);
    m_pendingCommand = 0xFF;
    return 0;
}

uint8_t DataIn(USBD_Handle* core, uint8_t endpoint)
{
    if (endpoint != (CDC_IN_EP & 0x0F) || m_inFlight == 0)
        return 0;
    // The host has the packet: its bytes leave the ring.
    uint32_t read = CDC_TxRingRead + m_inFlight;
    if (read >= CDC_TX_RING_SIZE)
        read = 0;
    CDC_TxRingRead = read;
    m_inFlight = 0;
    if (m_chunkLeft > 0)
        SendPacket(core);
    return 0;
}

uint8_t DataOut(USBD_Handle* core, uint8_t endpoint)
{
    if (endpoint != CDC_OUT_EP)
        return 0;
    VCP_fops.DataRx(m_received, USBD_GetRxCount(core, CDC_OUT_EP));
    USBD_EP_PrepareRx(core, CDC_OUT_EP, m_received, CDC_DATA_MAX_PACKET);
    return 0;
}

uint8_t SOF(USBD_Handle* core)
{
    if (++m_frames < CDC_IN_FRAME_INTERVAL)
        return 0;
    m_frames = 0;
    if (m_inFlight != 0 || m_chunkLeft != 0)
        return 0;
    const uint32_t read = CDC_TxRingRead;
    const uint32_t write = CDC_TxRingWrite;
    if (read == write)
        return 0;
    // Up to the write index, or to the end of the ring when the writer has wrapped.
    m_chunkLeft = write > read ? write - read : CDC_TX_RING_SIZE - read;
    SendPacket(core);
    return 0;
}

uint8_t* ConfigurationDescriptor(uint8_t, uint16_t* length)
{
    *length = sizeof m_configuration;
    return m_configuration;
}

} // namespace

const USBD_Class USBD_CDC_cb = {Init, DeInit, Setup, EP0_TxSent, EP0_RxReady, DataIn, DataOut, SOF,
                                ConfigurationDescriptor};
