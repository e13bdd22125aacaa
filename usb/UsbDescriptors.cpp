#include "usb/UsbDescriptors.h"

namespace
{

// USB 2.0, class 0 until the CDC class announces itself, endpoint 0 packets of 64 bytes, the
// virtual COM port's vendor and product, release 0, strings 1 to 3, one configuration.
uint8_t m_device[18] = {18, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, USBD_EP0_MAX_PACKET, 0x83, 0x04, 0x40, 0x57,
                        0x00, 0x00, 1, 2, 3, 1};
// English (United States).
uint8_t m_langId[4] = {4, 0x03, 0x09, 0x04};
// Every string descriptor is built here when asked for.
uint8_t m_string[USBD_MAX_STRING_DESCRIPTOR];

uint8_t* String(const char* text, uint16_t* length)
{
    USBD_GetString(text, m_string, length);
    return m_string;
}

} // namespace

// The same strings serve full and high speed.
uint8_t* USBD_USR_DeviceDescriptor(uint8_t, uint16_t* length)
{
    *length = sizeof m_device;
    return m_device;
}

uint8_t* USBD_USR_LangIDStrDescriptor(uint8_t, uint16_t* length)
{
    *length = sizeof m_langId;
    return m_langId;
}

uint8_t* USBD_USR_ManufacturerStrDescriptor(uint8_t, uint16_t* length)
{
    return String("STMicroelectronics", length);
}

uint8_t* USBD_USR_ProductStrDescriptor(uint8_t, uint16_t* length)
{
    return String("STMicroelectronics Virtual COM Port", length);
}

uint8_t* USBD_USR_SerialStrDescriptor(uint8_t, uint16_t* length)
{
    return String("00000000050C", length);
}

uint8_t* USBD_USR_ConfigStrDescriptor(uint8_t, uint16_t* length)
{
    return String("VCP Config", length);
}

uint8_t* USBD_USR_InterfaceStrDescriptor(uint8_t, uint16_t* length)
{
    return String("VCP Interface", length);
}

// The console needs no notice of the device's states.
void USBD_USR_Init(void) {}
void USBD_USR_DeviceReset(uint8_t) {}
void USBD_USR_DeviceConfigured(void) {}
void USBD_USR_DeviceSuspended(void) {}
void USBD_USR_DeviceResumed(void) {}
void USBD_USR_DeviceConnected(void) {}
void USBD_USR_DeviceDisconnected(void) {}

const USBD_Descriptors USR_desc = {USBD_USR_DeviceDescriptor,          USBD_USR_LangIDStrDescriptor,
                                   USBD_USR_ManufacturerStrDescriptor, USBD_USR_ProductStrDescriptor,
                                   USBD_USR_SerialStrDescriptor,       USBD_USR_ConfigStrDescriptor,
                                   USBD_USR_InterfaceStrDescriptor};

const USBD_UserCallbacks USR_cb = {USBD_USR_Init,
                                   USBD_USR_DeviceReset,
                                   USBD_USR_DeviceConfigured,
                                   USBD_USR_DeviceSuspended,
                                   USBD_USR_DeviceResumed,
                                   USBD_USR_DeviceConnected,
                                   USBD_USR_DeviceDisconnected};
