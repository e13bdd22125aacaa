#include "usb/Stack/UsbDevice.h"

#include "system/Stopwatch.h"

#include "stm32f4xx_otg.h"

#include <cstring>

namespace
{

// Standard request codes, descriptor types and features (USB 2.0 chapter 9).
enum : uint8_t
{
    GET_STATUS = 0x00,
    CLEAR_FEATURE = 0x01,
    SET_FEATURE = 0x03,
    SET_ADDRESS = 0x05,
    GET_DESCRIPTOR = 0x06,
    SET_DESCRIPTOR = 0x07,
    GET_CONFIGURATION = 0x08,
    SET_CONFIGURATION = 0x09,
    GET_INTERFACE = 0x0A,
    SET_INTERFACE = 0x0B,
};
enum : uint8_t
{
    DESCRIPTOR_DEVICE = 1,
    DESCRIPTOR_CONFIGURATION = 2,
    DESCRIPTOR_STRING = 3,
};
constexpr uint16_t FEATURE_ENDPOINT_HALT = 0;
constexpr uint16_t FEATURE_REMOTE_WAKEUP = 1;
constexpr uint8_t configurationCount = 1;

// Receive FIFO and transmit FIFOs 0..3 in words: 128 + 32 + 96 + 16 + 16 = 288 of the 320. The
// receive FIFO holds a few packets of 64 bytes with their status entries and the SETUP reserve.
constexpr uint16_t rxFifoWords = 128;
constexpr uint16_t txFifoWords[USB_OTG_FS_MAX_EP] = {32, 96, 16, 16};

constexpr uint32_t coreInterrupts = USB_OTG_GINTMSK_USBRST | USB_OTG_GINTMSK_ENUMDNEM | USB_OTG_GINTMSK_USBSUSPM |
                                    USB_OTG_GINTMSK_WUIM | USB_OTG_GINTMSK_SOFM | USB_OTG_GINTMSK_RXFLVLM |
                                    USB_OTG_GINTMSK_IEPINT | USB_OTG_GINTMSK_OEPINT | USB_OTG_GINTMSK_OTGINT;
constexpr uint32_t sessionEndDetected = 0x00000004; // GOTGINT.SEDET

uint8_t Number(uint8_t address) { return address & 0x0F; }
bool IsIn(uint8_t address) { return (address & 0x80) != 0; }
USBD_Endpoint& EndpointOf(USBD_Handle* core, uint8_t address)
{
    return IsIn(address) ? core->in[Number(address) & 3] : core->out[Number(address) & 3];
}
uint16_t Min(uint32_t a, uint32_t b) { return static_cast<uint16_t>(a < b ? a : b); }

// ---- transmit ----

void FillTxFifo(USBD_Handle* core, uint8_t number)
{
    USBD_Endpoint& endpoint = core->in[number];
    while (endpoint.done < endpoint.length)
    {
        const uint32_t size = Min(endpoint.maxPacket, endpoint.length - endpoint.done);
        if (!OTG_FS_WritePacket(number, endpoint.buffer + endpoint.done, size))
            break;
        endpoint.done += size;
    }
    if (endpoint.done >= endpoint.length)
        OTG_FS_EnableTxFifoEmpty(number, false);
}

// ---- control transfers ----

void ReceiveStatus(USBD_Handle* core)
{
    core->ep0Stage = USBD_Ep0Stage::StatusOut;
    USBD_EP_PrepareRx(core, 0x00, nullptr, 0);
}

void SendDescriptor(USBD_Handle* core, const uint8_t* data, uint16_t length)
{
    if (data == nullptr)
    {
        USBD_CtlError(core);
        return;
    }
    if (core->request.wLength == 0)
    {
        USBD_CtlSendStatus(core);
        return;
    }
    USBD_CtlSendData(core, data, Min(length, core->request.wLength));
}

void GetDescriptor(USBD_Handle* core, const USBD_Request& request)
{
    const USBD_Descriptors& descriptors = *core->descriptors;
    const uint8_t speed = USBD_SPEED_FULL;
    uint16_t length = 0;
    uint8_t* data = nullptr;
    switch (request.wValue >> 8)
    {
    case DESCRIPTOR_DEVICE:
        data = descriptors.Device(speed, &length);
        break;
    case DESCRIPTOR_CONFIGURATION:
        data = core->deviceClass->ConfigurationDescriptor(speed, &length);
        break;
    case DESCRIPTOR_STRING:
    {
        // Index 0 is the language list, then manufacturer, product, serial, configuration, interface.
        uint8_t* (*const strings[])(uint8_t, uint16_t*) = {descriptors.LangID,  descriptors.Manufacturer,
                                                           descriptors.Product, descriptors.Serial,
                                                           descriptors.Configuration, descriptors.Interface};
        const unsigned index = request.wValue & 0xFF;
        if (index < sizeof strings / sizeof strings[0])
            data = strings[index](speed, &length);
        break;
    }
    default:
        // A full-speed-only device has no device qualifier and no other-speed configuration.
        break;
    }
    SendDescriptor(core, data, length);
}

void SetAddress(USBD_Handle* core, const USBD_Request& request)
{
    if (request.wIndex != 0 || request.wLength != 0 || request.wValue > 127 ||
        core->state == USBD_State::Configured)
    {
        USBD_CtlError(core);
        return;
    }
    const uint8_t address = static_cast<uint8_t>(request.wValue);
    // The core answers at the old address until this request's status stage is over.
    OTG_FS_SetAddress(address);
    USBD_CtlSendStatus(core);
    core->state = address != 0 ? USBD_State::Addressed : USBD_State::Default;
}

void SetConfiguration(USBD_Handle* core, const USBD_Request& request)
{
    const uint8_t configuration = static_cast<uint8_t>(request.wValue);
    if (configuration > configurationCount || core->state == USBD_State::Default)
    {
        USBD_CtlError(core);
        return;
    }
    if (core->state == USBD_State::Configured && configuration != core->configuration)
    {
        core->deviceClass->DeInit(core, core->configuration);
        core->state = USBD_State::Addressed;
        core->configuration = 0;
    }
    if (configuration != 0 && core->state == USBD_State::Addressed)
    {
        core->configuration = configuration;
        core->state = USBD_State::Configured;
        core->deviceClass->Init(core, configuration);
        core->user->DeviceConfigured();
    }
    USBD_CtlSendStatus(core);
}

void DeviceRequest(USBD_Handle* core, const USBD_Request& request)
{
    switch (request.bRequest)
    {
    case GET_DESCRIPTOR:
        GetDescriptor(core, request);
        return;
    case SET_ADDRESS:
        SetAddress(core, request);
        return;
    case SET_CONFIGURATION:
        SetConfiguration(core, request);
        return;
    case GET_CONFIGURATION:
        if (request.wLength != 1 || core->state == USBD_State::Default)
            break;
        core->ep0Reply[0] = core->state == USBD_State::Configured ? core->configuration : 0;
        USBD_CtlSendData(core, core->ep0Reply, 1);
        return;
    case GET_STATUS:
        if (request.wLength != 2 || core->state == USBD_State::Default)
            break;
        // Self-powered, as the configuration says.
        core->ep0Reply[0] = static_cast<uint8_t>(1u | (core->remoteWakeup ? 2u : 0u));
        core->ep0Reply[1] = 0;
        USBD_CtlSendData(core, core->ep0Reply, 2);
        return;
    case SET_FEATURE:
    case CLEAR_FEATURE:
        if (request.wValue != FEATURE_REMOTE_WAKEUP)
            break; // test modes are for high-speed devices
        core->remoteWakeup = request.bRequest == SET_FEATURE;
        USBD_CtlSendStatus(core);
        return;
    default:
        break;
    }
    USBD_CtlError(core);
}

void InterfaceRequest(USBD_Handle* core, const USBD_Request& request)
{
    if (core->state != USBD_State::Configured || (request.wIndex & 0xFF) > 1)
    {
        USBD_CtlError(core);
        return;
    }
    if ((request.bmRequest & 0x60) != 0)
    {
        if (core->deviceClass->Setup(core, &request) != 0)
            USBD_CtlError(core);
        return;
    }
    switch (request.bRequest)
    {
    case GET_STATUS:
        if (request.wLength != 2)
            break;
        core->ep0Reply[0] = 0;
        core->ep0Reply[1] = 0;
        USBD_CtlSendData(core, core->ep0Reply, 2);
        return;
    case GET_INTERFACE:
        if (request.wLength != 1)
            break;
        core->ep0Reply[0] = 0; // one alternate setting per interface
        USBD_CtlSendData(core, core->ep0Reply, 1);
        return;
    case SET_INTERFACE:
        if (request.wValue != 0)
            break;
        USBD_CtlSendStatus(core);
        return;
    default:
        break;
    }
    USBD_CtlError(core);
}

void EndpointRequest(USBD_Handle* core, const USBD_Request& request)
{
    const uint8_t address = static_cast<uint8_t>(request.wIndex);
    const bool known = Number(address) == 0 || (core->state == USBD_State::Configured && EndpointOf(core, address).active);
    if (!known || core->state == USBD_State::Default || (request.bmRequest & 0x60) != 0)
    {
        USBD_CtlError(core);
        return;
    }
    switch (request.bRequest)
    {
    case GET_STATUS:
        if (request.wLength != 2)
            break;
        core->ep0Reply[0] = Number(address) != 0 && OTG_FS_IsStalled(address) ? 1 : 0;
        core->ep0Reply[1] = 0;
        USBD_CtlSendData(core, core->ep0Reply, 2);
        return;
    case SET_FEATURE:
    case CLEAR_FEATURE:
        if (request.wValue != FEATURE_ENDPOINT_HALT)
            break;
        if (Number(address) != 0)
        {
            if (request.bRequest == SET_FEATURE)
                OTG_FS_StallEndpoint(address);
            else
                OTG_FS_ClearStall(address);
        }
        USBD_CtlSendStatus(core);
        return;
    default:
        break;
    }
    USBD_CtlError(core);
}

void HandleSetup(USBD_Handle* core)
{
    USBD_Request& request = core->request;
    request.bmRequest = core->setup[0];
    request.bRequest = core->setup[1];
    request.wValue = static_cast<uint16_t>(core->setup[2] | core->setup[3] << 8);
    request.wIndex = static_cast<uint16_t>(core->setup[4] | core->setup[5] << 8);
    request.wLength = static_cast<uint16_t>(core->setup[6] | core->setup[7] << 8);
    // A SETUP ends whatever control transfer was going on.
    core->ep0Stage = USBD_Ep0Stage::Idle;
    core->ep0ZeroPacket = false;
    switch (request.bmRequest & 0x1F)
    {
    case 0:
        if ((request.bmRequest & 0x60) == 0)
            DeviceRequest(core, request);
        else
            USBD_CtlError(core);
        break;
    case 1:
        InterfaceRequest(core, request);
        break;
    case 2:
        EndpointRequest(core, request);
        break;
    default:
        USBD_CtlError(core);
        break;
    }
}

// ---- endpoint events ----

void InComplete(USBD_Handle* core, uint8_t number)
{
    if (number != 0)
    {
        core->deviceClass->DataIn(core, number);
        return;
    }
    switch (core->ep0Stage)
    {
    case USBD_Ep0Stage::DataIn:
        if (core->ep0ZeroPacket)
        {
            core->ep0ZeroPacket = false;
            USBD_EP_Tx(core, 0x80, nullptr, 0);
            return;
        }
        if (core->state == USBD_State::Configured)
            core->deviceClass->EP0_TxSent(core);
        ReceiveStatus(core);
        return;
    case USBD_Ep0Stage::StatusIn:
        core->ep0Stage = USBD_Ep0Stage::Idle;
        OTG_FS_ArmSetup();
        return;
    default:
        return;
    }
}

void OutComplete(USBD_Handle* core, uint8_t number)
{
    if (number != 0)
    {
        core->deviceClass->DataOut(core, number);
        return;
    }
    USBD_Endpoint& endpoint = core->out[0];
    switch (core->ep0Stage)
    {
    case USBD_Ep0Stage::DataOut:
        // Endpoint 0 takes one packet per arming.
        if (endpoint.done < endpoint.length && endpoint.done % USBD_EP0_MAX_PACKET == 0 && endpoint.done != 0)
        {
            OTG_FS_StartOut(0, Min(USBD_EP0_MAX_PACKET, endpoint.length - endpoint.done), USBD_EP0_MAX_PACKET);
            return;
        }
        if (core->state == USBD_State::Configured)
            core->deviceClass->EP0_RxReady(core);
        USBD_CtlSendStatus(core);
        return;
    case USBD_Ep0Stage::StatusOut:
        core->ep0Stage = USBD_Ep0Stage::Idle;
        OTG_FS_ArmSetup();
        return;
    default:
        return;
    }
}

void ReadReceived(USBD_Handle* core)
{
    const OTG_FS_RxStatus status = OTG_FS_PopRxStatus();
    if (status.status == OTG_FS_RXSTS_SETUP_DATA)
    {
        uint8_t packet[8] = {};
        OTG_FS_ReadPacket(packet, status.byteCount < 8 ? status.byteCount : 8);
        std::memcpy(core->setup, packet, sizeof packet);
        return;
    }
    if (status.status != OTG_FS_RXSTS_OUT_DATA || status.byteCount == 0)
        return;
    USBD_Endpoint& endpoint = core->out[status.endpoint & 3];
    const uint32_t room = endpoint.length > endpoint.done ? endpoint.length - endpoint.done : 0;
    const uint32_t kept = status.byteCount < room ? status.byteCount : room;
    if (kept > 0)
        OTG_FS_ReadPacket(endpoint.buffer + endpoint.done, kept);
    // Whatever does not fit is read and dropped, so the FIFO stays in step.
    for (uint32_t left = status.byteCount - kept; left > 0;)
    {
        uint8_t scratch[64];
        const uint32_t chunk = left < sizeof scratch ? left : sizeof scratch;
        OTG_FS_ReadPacket(scratch, chunk);
        left -= chunk;
    }
    endpoint.done += kept;
}

void BusReset(USBD_Handle* core)
{
    OTG_FS_ResetEndpoints();
    for (USBD_Endpoint& endpoint : core->in)
        endpoint = USBD_Endpoint{};
    for (USBD_Endpoint& endpoint : core->out)
        endpoint = USBD_Endpoint{};
    if (core->state == USBD_State::Configured ||
        (core->state == USBD_State::Suspended && core->stateBeforeSuspend == USBD_State::Configured))
        core->deviceClass->DeInit(core, core->configuration);
    core->state = USBD_State::Default;
    core->configuration = 0;
    core->remoteWakeup = false;
    core->ep0Stage = USBD_Ep0Stage::Idle;
    core->user->DeviceReset(USBD_SPEED_FULL);
}

void EnumerationDone(USBD_Handle* core)
{
    USBD_EP_Open(core, 0x00, USBD_EP0_MAX_PACKET, OTG_FS_EP_CONTROL);
    USBD_EP_Open(core, 0x80, USBD_EP0_MAX_PACKET, OTG_FS_EP_CONTROL);
    OTG_FS_ArmSetup();
}

} // namespace

void USBD_Init(USBD_Handle* core, USBD_CoreId coreId, const USBD_Descriptors* descriptors,
               const USBD_Class* deviceClass, const USBD_UserCallbacks* user)
{
    *core = USBD_Handle{};
    core->coreId = coreId;
    core->descriptors = descriptors;
    core->deviceClass = deviceClass;
    core->user = user;
    user->Init();

    OTG_FS_EnableGlobalInterrupt(false);
    OTG_FS_CoreReset();
    OTG_FS_InitCore();
    // Forcing device mode takes effect after 25 ms.
    StopwatchDelayMilliS(25);
    OTG_FS_SetFifoSizes(rxFifoWords, txFifoWords);
    OTG_FS_FlushTxFifo(0x10);
    OTG_FS_FlushRxFifo();
    OTG_FS_InitDevice();
    OTG_FS_ClearInterrupts(OTG_FS_CLEARABLE_INTERRUPTS);
    OTG_FS_TakeOtgInterrupts();
    OTG_FS_SetInterruptMask(coreInterrupts, true);
    OTG_FS_EnableGlobalInterrupt(true);
}

uint32_t USBD_OTG_ISR_Handler(USBD_Handle* core)
{
    const uint32_t pending = OTG_FS_PendingInterrupts();
    if (pending == 0)
        return 0;

    if ((pending & USB_OTG_GINTSTS_OTGINT) != 0 && (OTG_FS_TakeOtgInterrupts() & sessionEndDetected) != 0)
        core->user->DeviceDisconnected();
    if ((pending & USB_OTG_GINTSTS_USBRST) != 0)
    {
        OTG_FS_ClearInterrupts(USB_OTG_GINTSTS_USBRST);
        BusReset(core);
    }
    if ((pending & USB_OTG_GINTSTS_ENUMDNE) != 0)
    {
        OTG_FS_ClearInterrupts(USB_OTG_GINTSTS_ENUMDNE);
        EnumerationDone(core);
    }
    if ((pending & USB_OTG_GINTSTS_RXFLVL) != 0)
    {
        // Masked while the entry is read, as the core requires.
        OTG_FS_SetInterruptMask(USB_OTG_GINTMSK_RXFLVLM, false);
        ReadReceived(core);
        OTG_FS_SetInterruptMask(USB_OTG_GINTMSK_RXFLVLM, true);
    }
    if ((pending & USB_OTG_GINTSTS_OEPINT) != 0)
    {
        const uint32_t endpoints = OTG_FS_EndpointInterrupts() >> 16;
        for (uint8_t number = 0; number < USB_OTG_FS_MAX_EP; ++number)
        {
            if ((endpoints >> number & 1) == 0)
                continue;
            const uint32_t sources = OTG_FS_OutInterrupts(number);
            if ((sources & USB_OTG_DOEPINT_XFRC) != 0)
            {
                OTG_FS_ClearOutInterrupts(number, USB_OTG_DOEPINT_XFRC);
                OutComplete(core, number);
            }
            if ((sources & USB_OTG_DOEPINT_STUP) != 0)
            {
                OTG_FS_ClearOutInterrupts(number, USB_OTG_DOEPINT_STUP);
                HandleSetup(core);
            }
        }
    }
    if ((pending & USB_OTG_GINTSTS_IEPINT) != 0)
    {
        const uint32_t endpoints = OTG_FS_EndpointInterrupts() & 0xFFFF;
        for (uint8_t number = 0; number < USB_OTG_FS_MAX_EP; ++number)
        {
            if ((endpoints >> number & 1) == 0)
                continue;
            const uint32_t sources = OTG_FS_InInterrupts(number);
            if ((sources & USB_OTG_DIEPINT_XFRC) != 0)
            {
                OTG_FS_ClearInInterrupts(number, USB_OTG_DIEPINT_XFRC);
                OTG_FS_EnableTxFifoEmpty(number, false);
                InComplete(core, number);
            }
            else if ((sources & USB_OTG_DIEPINT_TXFE) != 0)
                FillTxFifo(core, number);
        }
    }
    if ((pending & USB_OTG_GINTSTS_SOF) != 0)
    {
        OTG_FS_ClearInterrupts(USB_OTG_GINTSTS_SOF);
        if (core->state == USBD_State::Configured)
            core->deviceClass->SOF(core);
    }
    if ((pending & USB_OTG_GINTSTS_USBSUSP) != 0)
    {
        OTG_FS_ClearInterrupts(USB_OTG_GINTSTS_USBSUSP);
        if (core->state != USBD_State::Suspended)
        {
            core->stateBeforeSuspend = core->state;
            core->state = USBD_State::Suspended;
            core->user->DeviceSuspended();
        }
    }
    if ((pending & USB_OTG_GINTSTS_WKUINT) != 0)
    {
        OTG_FS_ClearInterrupts(USB_OTG_GINTSTS_WKUINT);
        if (core->state == USBD_State::Suspended)
        {
            core->state = core->stateBeforeSuspend;
            core->user->DeviceResumed();
        }
    }
    return 1;
}

void USBD_GetString(const char* text, uint8_t* descriptor, uint16_t* length)
{
    if (text == nullptr)
    {
        *length = 0;
        return;
    }
    size_t characters = std::strlen(text);
    if (characters > (USBD_MAX_STRING_DESCRIPTOR - 2) / 2)
        characters = (USBD_MAX_STRING_DESCRIPTOR - 2) / 2;
    *length = static_cast<uint16_t>(2 + 2 * characters);
    descriptor[0] = static_cast<uint8_t>(*length);
    descriptor[1] = DESCRIPTOR_STRING;
    for (size_t i = 0; i < characters; ++i)
    {
        descriptor[2 + 2 * i] = static_cast<uint8_t>(text[i]);
        descriptor[3 + 2 * i] = 0;
    }
}

void USBD_EP_Open(USBD_Handle* core, uint8_t address, uint16_t maxPacket, uint8_t type)
{
    USBD_Endpoint& endpoint = EndpointOf(core, address);
    endpoint = USBD_Endpoint{};
    endpoint.maxPacket = maxPacket;
    endpoint.type = type;
    endpoint.active = true;
    OTG_FS_ActivateEndpoint(address, type, maxPacket);
}

void USBD_EP_Close(USBD_Handle* core, uint8_t address)
{
    EndpointOf(core, address).active = false;
    OTG_FS_DeactivateEndpoint(address);
}

void USBD_EP_Tx(USBD_Handle* core, uint8_t address, const uint8_t* buffer, uint32_t length)
{
    const uint8_t number = Number(address);
    USBD_Endpoint& endpoint = core->in[number & 3];
    endpoint.buffer = const_cast<uint8_t*>(buffer);
    endpoint.length = length;
    endpoint.done = 0;
    OTG_FS_StartIn(number, length, endpoint.maxPacket);
    if (length > 0)
        OTG_FS_EnableTxFifoEmpty(number, true);
}

void USBD_EP_PrepareRx(USBD_Handle* core, uint8_t address, uint8_t* buffer, uint32_t length)
{
    const uint8_t number = Number(address);
    USBD_Endpoint& endpoint = core->out[number & 3];
    endpoint.buffer = buffer;
    endpoint.length = length;
    endpoint.done = 0;
    const uint32_t size = number == 0 ? Min(length, USBD_EP0_MAX_PACKET) : length;
    OTG_FS_StartOut(number, size, endpoint.maxPacket);
}

uint32_t USBD_GetRxCount(const USBD_Handle* core, uint8_t endpoint)
{
    return core->out[endpoint & 3].done;
}

void USBD_CtlSendData(USBD_Handle* core, const uint8_t* data, uint16_t length)
{
    core->ep0Stage = USBD_Ep0Stage::DataIn;
    // A reply shorter than asked for that ends on a packet boundary needs a zero-length packet
    // to tell the host it is complete.
    core->ep0ZeroPacket = length < core->request.wLength && length % USBD_EP0_MAX_PACKET == 0;
    USBD_EP_Tx(core, 0x80, data, length);
}

void USBD_CtlPrepareRx(USBD_Handle* core, uint8_t* buffer, uint16_t length)
{
    core->ep0Stage = USBD_Ep0Stage::DataOut;
    USBD_EP_PrepareRx(core, 0x00, buffer, length);
}

void USBD_CtlSendStatus(USBD_Handle* core)
{
    core->ep0Stage = USBD_Ep0Stage::StatusIn;
    USBD_EP_Tx(core, 0x80, nullptr, 0);
}

void USBD_CtlError(USBD_Handle* core)
{
    // Both directions of endpoint 0 stall until the next SETUP, which the core always accepts.
    OTG_FS_StallEndpoint(0x80);
    OTG_FS_StallEndpoint(0x00);
    core->ep0Stage = USBD_Ep0Stage::Idle;
    OTG_FS_ArmSetup();
}
