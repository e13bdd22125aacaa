#include "storage/Disk.h"

#include "storage/Driver/SDCard.h"

namespace
{

constexpr DSTATUS notReady = STA_NOINIT | STA_NODISK;
constexpr uint32_t poweredOn = 3;
constexpr unsigned blockSize = 512;

} // namespace

DSTATUS disk_initialize(BYTE drive)
{
    if (drive != 0)
        return notReady;
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    if (!card.IsInserted())
        return notReady;
    return card.GetPowerState() == poweredOn ? 0 : notReady;
}

DSTATUS disk_status(BYTE drive)
{
    return disk_initialize(drive);
}

DRESULT disk_read(BYTE drive, BYTE* buffer, LBA_t sector, UINT count)
{
    if (drive != 0 || count == 0)
        return RES_PARERR;
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    for (UINT i = 0; i < count; ++i)
        card.ReadBlock(buffer + i * blockSize, sector + i);
    return RES_OK;
}

DRESULT disk_write(BYTE drive, const BYTE* buffer, LBA_t sector, UINT count)
{
    if (drive != 0 || count == 0)
        return RES_PARERR;
    Driver::SDCard& card = Driver::SDCard::GetInstance();
    for (UINT i = 0; i < count; ++i)
        card.WriteBlock(buffer + i * blockSize, sector + i);
    return RES_OK;
}
