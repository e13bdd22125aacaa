// The board's USB identity: the descriptor callbacks and the (empty) user callbacks the device
// stack is started with.
#pragma once

#include "usb/Stack/UsbDevice.h"

uint8_t* USBD_USR_DeviceDescriptor(uint8_t speed, uint16_t* length);
uint8_t* USBD_USR_LangIDStrDescriptor(uint8_t speed, uint16_t* length);
uint8_t* USBD_USR_ManufacturerStrDescriptor(uint8_t speed, uint16_t* length);
uint8_t* USBD_USR_ProductStrDescriptor(uint8_t speed, uint16_t* length);
uint8_t* USBD_USR_SerialStrDescriptor(uint8_t speed, uint16_t* length);
uint8_t* USBD_USR_ConfigStrDescriptor(uint8_t speed, uint16_t* length);
uint8_t* USBD_USR_InterfaceStrDescriptor(uint8_t speed, uint16_t* length);

void USBD_USR_Init(void);
void USBD_USR_DeviceReset(uint8_t speed);
void USBD_USR_DeviceConfigured(void);
void USBD_USR_DeviceSuspended(void);
void USBD_USR_DeviceResumed(void);
void USBD_USR_DeviceConnected(void);
void USBD_USR_DeviceDisconnected(void);

extern const USBD_Descriptors USR_desc;
extern const USBD_UserCallbacks USR_cb;
