// A small USB 2.0 full-speed device stack on the OTG FS core: the device's state, endpoint 0's
// control transfers (SETUP, DATA and STATUS stages) with the standard requests, and the endpoint
// operations a class uses. A class and the board plug in through three callback tables: the
// descriptors, the class (configuration, requests, endpoint events, start of frame) and the user
// notifications.
#pragma once

#include <cstdint>

enum USBD_CoreId : uint8_t
{
    USB_OTG_HS_CORE_ID = 0,
    USB_OTG_FS_CORE_ID = 1,
};

// Speeds as the descriptor callbacks get them.
constexpr uint8_t USBD_SPEED_HIGH = 0;
constexpr uint8_t USBD_SPEED_FULL = 1;

constexpr uint8_t USBD_EP0_MAX_PACKET = 64;
constexpr unsigned USBD_MAX_STRING_DESCRIPTOR = 128;

// A SETUP packet, decoded.
struct USBD_Request
{
    uint8_t bmRequest;
    uint8_t bRequest;
    uint16_t wValue;
    uint16_t wIndex;
    uint16_t wLength;
};

struct USBD_Handle;

// Each returns a descriptor and sets its length.
struct USBD_Descriptors
{
    uint8_t* (*Device)(uint8_t speed, uint16_t* length);
    uint8_t* (*LangID)(uint8_t speed, uint16_t* length);
    uint8_t* (*Manufacturer)(uint8_t speed, uint16_t* length);
    uint8_t* (*Product)(uint8_t speed, uint16_t* length);
    uint8_t* (*Serial)(uint8_t speed, uint16_t* length);
    uint8_t* (*Configuration)(uint8_t speed, uint16_t* length);
    uint8_t* (*Interface)(uint8_t speed, uint16_t* length);
};

// The class: 0 from a request handler means handled, anything else stalls the request.
struct USBD_Class
{
    uint8_t (*Init)(USBD_Handle* core, uint8_t configuration);
    uint8_t (*DeInit)(USBD_Handle* core, uint8_t configuration);
    uint8_t (*Setup)(USBD_Handle* core, const USBD_Request* request);
    uint8_t (*EP0_TxSent)(USBD_Handle* core);
    uint8_t (*EP0_RxReady)(USBD_Handle* core);
    uint8_t (*DataIn)(USBD_Handle* core, uint8_t endpoint);
    uint8_t (*DataOut)(USBD_Handle* core, uint8_t endpoint);
    uint8_t (*SOF)(USBD_Handle* core);
    uint8_t* (*ConfigurationDescriptor)(uint8_t speed, uint16_t* length);
};

struct USBD_UserCallbacks
{
    void (*Init)(void);
    void (*DeviceReset)(uint8_t speed);
    void (*DeviceConfigured)(void);
    void (*DeviceSuspended)(void);
    void (*DeviceResumed)(void);
    void (*DeviceConnected)(void);
    void (*DeviceDisconnected)(void);
};

enum class USBD_State : uint8_t
{
    Default,
    Addressed,
    Configured,
    Suspended,
};

enum class USBD_Ep0Stage : uint8_t
{
    Idle,
    DataIn,
    DataOut,
    StatusIn,
    StatusOut,
};

struct USBD_Endpoint
{
    uint8_t* buffer;
    uint32_t length; // bytes of the transfer
    uint32_t done;   // bytes moved so far (IN: written to the FIFO; OUT: received)
    uint16_t maxPacket;
    uint8_t type;
    bool active;
};

// Everything the stack knows about the device; one per core, passed to every call.
struct USBD_Handle
{
    USBD_CoreId coreId;
    USBD_State state;
    USBD_State stateBeforeSuspend;
    uint8_t configuration;
    bool remoteWakeup;
    USBD_Ep0Stage ep0Stage;
    bool ep0ZeroPacket; // the IN data stage ends with a zero-length packet
    uint8_t setup[8];
    USBD_Request request;
    uint8_t ep0Reply[2];
    USBD_Endpoint in[4];
    USBD_Endpoint out[4];
    const USBD_Descriptors* descriptors;
    const USBD_Class* deviceClass;
    const USBD_UserCallbacks* user;
};

// Resets and sets up the core as a full-speed device, soft-connected, with its interrupt enabled
// inside the core (the NVIC is the caller's).
void USBD_Init(USBD_Handle* core, USBD_CoreId coreId, const USBD_Descriptors* descriptors,
               const USBD_Class* deviceClass, const USBD_UserCallbacks* user);
// The core's interrupt: serves every pending source; returns 0 if none was pending.
uint32_t USBD_OTG_ISR_Handler(USBD_Handle* core);
// A string descriptor (UTF-16LE) from an ASCII text; `length` gets its size.
void USBD_GetString(const char* text, uint8_t* descriptor, uint16_t* length);

// Endpoints for classes, by address (bit 7: IN).
void USBD_EP_Open(USBD_Handle* core, uint8_t address, uint16_t maxPacket, uint8_t type);
void USBD_EP_Close(USBD_Handle* core, uint8_t address);
// Starts sending `length` bytes (the buffer must stay until DataIn).
void USBD_EP_Tx(USBD_Handle* core, uint8_t address, const uint8_t* buffer, uint32_t length);
// Arms an OUT endpoint for up to `length` bytes; DataOut follows.
void USBD_EP_PrepareRx(USBD_Handle* core, uint8_t address, uint8_t* buffer, uint32_t length);
uint32_t USBD_GetRxCount(const USBD_Handle* core, uint8_t endpoint);

// Control transfers for request handlers: a data stage in either direction (the status stage
// follows by itself), a status stage alone, or a stall of the request.
void USBD_CtlSendData(USBD_Handle* core, const uint8_t* data, uint16_t length);
void USBD_CtlPrepareRx(USBD_Handle* core, uint8_t* buffer, uint16_t length);
void USBD_CtlSendStatus(USBD_Handle* core);
void USBD_CtlError(USBD_Handle* core);
