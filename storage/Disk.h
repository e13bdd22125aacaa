// The disk interface under the FAT layer: four functions on drive 0, the SD card.
#pragma once

#include <stdint.h>

typedef uint8_t BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef DWORD LBA_t;

// Drive status bits.
typedef BYTE DSTATUS;
#define STA_NOINIT 0x01
#define STA_NODISK 0x02
#define STA_PROTECT 0x04

typedef enum
{
    RES_OK = 0,
    RES_ERROR = 1,
    RES_WRPRT = 2,
    RES_NOTRDY = 3,
    RES_PARERR = 4,
} DRESULT;

// 0 while a powered card is in the socket, otherwise STA_NOINIT | STA_NODISK; neither powers
// the card (that happens when it is inserted).
DSTATUS disk_initialize(BYTE drive);
DSTATUS disk_status(BYTE drive);
// Sectors sector .. sector + count - 1, 512 bytes each, to or from consecutive parts of buffer
// (which the DMA must reach: not on the stack). RES_PARERR for another drive or a count of 0. A
// failing transfer throws the command layer's exception.
DRESULT disk_read(BYTE drive, BYTE* buffer, LBA_t sector, UINT count);
DRESULT disk_write(BYTE drive, const BYTE* buffer, LBA_t sector, UINT count);
