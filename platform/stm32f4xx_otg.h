// USB OTG full-speed core in device mode: core reset and device set-up, FIFO sizing, the shared
// receive FIFO and the per-endpoint transmit FIFOs, endpoint activation, transfers, stalls and the
// interrupt queries. Everything the device stack needs from the core's registers, and nothing
// above this layer touches them.
#pragma once

#include "stm32f4xx.h"

/* Receive status entry (GRXSTSP): packet status codes. */
#define OTG_FS_RXSTS_OUT_NAK ((uint32_t)1)
#define OTG_FS_RXSTS_OUT_DATA ((uint32_t)2)
#define OTG_FS_RXSTS_OUT_COMPLETE ((uint32_t)3)
#define OTG_FS_RXSTS_SETUP_COMPLETE ((uint32_t)4)
#define OTG_FS_RXSTS_SETUP_DATA ((uint32_t)6)

/* Endpoint types (DxEPCTL.EPTYP). */
#define OTG_FS_EP_CONTROL ((uint8_t)0)
#define OTG_FS_EP_ISOCHRONOUS ((uint8_t)1)
#define OTG_FS_EP_BULK ((uint8_t)2)
#define OTG_FS_EP_INTERRUPT ((uint8_t)3)

/* GINTSTS bits the application clears by writing 1. */
#define OTG_FS_CLEARABLE_INTERRUPTS ((uint32_t)0xF030FC0A)

/* The core has 1.25 KB of FIFO RAM: 320 words shared by the receive FIFO and every transmit FIFO. */
#define OTG_FS_FIFO_RAM_WORDS ((uint32_t)320)

typedef struct
{
    uint32_t endpoint; /* 0..3 */
    uint32_t byteCount;
    uint32_t status; /* OTG_FS_RXSTS_... */
} OTG_FS_RxStatus;

/* Core soft reset (after the AHB master went idle); false if the core did not answer. */
bool OTG_FS_CoreReset(void);
/* Full-speed internal transceiver, forced device mode, turnaround time for the AHB clock, VBUS
   sensing on PA9 ("B" device) and the transceiver powered up. The core needs 25 ms to switch
   modes before the device registers are used. */
void OTG_FS_InitCore(void);
/* Device speed full, address 0, frame interval 80 %, every endpoint interrupt cleared and masked,
   the soft disconnect released. */
void OTG_FS_InitDevice(void);
/* FIFO sizing in 32-bit words: the receive FIFO first, then transmit FIFO 0..3 in order. */
void OTG_FS_SetFifoSizes(uint16_t rxWords, const uint16_t txWords[USB_OTG_FS_MAX_EP]);
/* Flushes transmit FIFO `number` (0x10: all) or the receive FIFO. */
void OTG_FS_FlushTxFifo(uint32_t number);
void OTG_FS_FlushRxFifo(void);
/* Soft connect (pull-up on D+) or disconnect. */
void OTG_FS_Connect(bool connect);

/* Global interrupts: enable mask bits, the pending and unmasked ones, clearing. */
void OTG_FS_EnableGlobalInterrupt(bool enable);
void OTG_FS_SetInterruptMask(uint32_t mask, bool enable);
uint32_t OTG_FS_PendingInterrupts(void);
void OTG_FS_ClearInterrupts(uint32_t bits);
/* OTG interrupt sources (GOTGINT), read and cleared together. */
uint32_t OTG_FS_TakeOtgInterrupts(void);
/* The frame number of the last start of frame. */
uint32_t OTG_FS_FrameNumber(void);

/* The receive FIFO: pop one status entry, then read its data (whole words; the last partial). */
OTG_FS_RxStatus OTG_FS_PopRxStatus(void);
void OTG_FS_ReadPacket(uint8_t* destination, uint32_t byteCount);
/* Copies a packet into the transmit FIFO of an IN endpoint; false if the FIFO lacks the room. */
bool OTG_FS_WritePacket(uint8_t endpoint, const uint8_t* source, uint32_t byteCount);

/* Device address (DCFG.DAD), effective for the transactions after the current control transfer. */
void OTG_FS_SetAddress(uint8_t address);

/* Endpoints by address (bit 7 set: IN). */
void OTG_FS_ActivateEndpoint(uint8_t address, uint8_t type, uint16_t maxPacket);
void OTG_FS_DeactivateEndpoint(uint8_t address);
void OTG_FS_StallEndpoint(uint8_t address);
/* Clears the stall and resets the data toggle to DATA0 (bulk and interrupt endpoints). */
void OTG_FS_ClearStall(uint8_t address);
bool OTG_FS_IsStalled(uint8_t address);
/* Starts an IN transfer of `byteCount` bytes in packets of `maxPacket` (zero bytes: one
   zero-length packet); the data follows through OTG_FS_WritePacket. */
void OTG_FS_StartIn(uint8_t endpoint, uint32_t byteCount, uint16_t maxPacket);
/* Arms an OUT endpoint to receive up to `byteCount` bytes. */
void OTG_FS_StartOut(uint8_t endpoint, uint32_t byteCount, uint16_t maxPacket);
/* Endpoint 0 accepts up to three back-to-back SETUP packets. */
void OTG_FS_ArmSetup(void);
/* Whether an IN endpoint's transfer still runs. */
bool OTG_FS_InEnabled(uint8_t endpoint);
/* Free words in an IN endpoint's transmit FIFO. */
uint32_t OTG_FS_TxFifoFreeWords(uint8_t endpoint);
/* Transmit-FIFO-empty interrupt of one IN endpoint on or off. */
void OTG_FS_EnableTxFifoEmpty(uint8_t endpoint, bool enable);

/* Endpoint interrupts: which endpoints have pending ones (bits 0..15 IN, 16..31 OUT), each
   endpoint's pending and unmasked sources, clearing. */
uint32_t OTG_FS_EndpointInterrupts(void);
uint32_t OTG_FS_InInterrupts(uint8_t endpoint);
uint32_t OTG_FS_OutInterrupts(uint8_t endpoint);
void OTG_FS_ClearInInterrupts(uint8_t endpoint, uint32_t bits);
void OTG_FS_ClearOutInterrupts(uint8_t endpoint, uint32_t bits);
/* Every endpoint reset to its state after a bus reset: transfers stopped, NAK set, interrupts
   cleared; endpoint 0's interrupts unmasked. */
void OTG_FS_ResetEndpoints(void);
