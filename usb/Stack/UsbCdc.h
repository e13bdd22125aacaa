// The communications device class, abstract control model (a virtual COM port): the 67-byte
// configuration, the class requests handed to the board's media callbacks, a 64-byte bulk OUT
// packet handed to them as it arrives, and a transmit ring the board fills and the class drains
// on every sixth start of frame.
#pragma once

#include "usb/Stack/UsbDevice.h"

#include <cstdint>

// The board's media callbacks, in the order init, de-init, control, data to the host, data from
// the host. Control gets the request code, a buffer and its length: for requests with a data
// stage the buffer holds the data (received, or to be sent), for requests without one the
// buffer holds the 8-byte request itself (length 0), so the request value is at bytes 2 and 3.
struct CDC_Media
{
    uint16_t (*Init)(void);
    uint16_t (*DeInit)(void);
    uint16_t (*Ctrl)(uint32_t command, uint8_t* buffer, uint32_t length);
    uint16_t (*DataTx)(const uint8_t* buffer, uint32_t length);
    uint16_t (*DataRx)(uint8_t* buffer, uint32_t length);
};

// The board supplies the media callbacks; the class table is the class itself.
extern const CDC_Media VCP_fops;
extern const USBD_Class USBD_CDC_cb;

constexpr uint8_t CDC_IN_EP = 0x81;
constexpr uint8_t CDC_OUT_EP = 0x01;
constexpr uint8_t CDC_CMD_EP = 0x82;
constexpr uint16_t CDC_DATA_MAX_PACKET = 64;
constexpr uint16_t CDC_CMD_PACKET = 8;
constexpr uint16_t CDC_CONFIGURATION_LENGTH = 67;
// Frames between two drains of the transmit ring.
constexpr uint8_t CDC_IN_FRAME_INTERVAL = 6;

// Class request codes.
constexpr uint8_t CDC_SET_LINE_CODING = 0x20;
constexpr uint8_t CDC_GET_LINE_CODING = 0x21;
constexpr uint8_t CDC_SET_CONTROL_LINE_STATE = 0x22;

// The transmit ring: the board's writer advances the write index, the class the read index as
// packets are sent (a packet's bytes stay in the ring until the host took it). Equal indices: empty.
constexpr uint32_t CDC_TX_RING_SIZE = 2048;
extern uint8_t CDC_TxRing[CDC_TX_RING_SIZE];
extern volatile uint32_t CDC_TxRingWrite;
extern volatile uint32_t CDC_TxRingRead;
