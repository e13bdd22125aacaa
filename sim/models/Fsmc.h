// Fidelity: RM0090 section 36.5 (FSMC NOR/SRAM controller, bank 1). Models the control, timing and
// write-timing registers of the four regions with their reset values (BCR1..4, BTR1..4,
// BWTR1..4) and the regions' address windows: a window answers only while the controller's clock
// is on, its region is enabled (MBKEN), configured 16 bits wide, and the pins that carry the
// access (chip select, NWE/NOE, the data lines and the address line that selects the device's
// register) are routed to the controller (AF12). The region's set-up must suit the attached
// device: address/data multiplexing off (MUXEN, which resets to 1 in BCR2..4) for a device with
// its own address lines, a memory type (MTYP) the device is, writes enabled (WREN) for a write
// and, in extended mode, an access mode (ACCMOD) that matches the memory type (A for SRAM and
// PSRAM, B or C for NOR, D for either); anything else is reported. An asynchronous access costs
// what the region's timing says, in HCLK cycles, on top of the AHB access: mode 1/A/B/C writes
// ADDSET + DATAST + 1, reads ADDSET + DATAST + 2, mode D adds ADDHLD + 1, and BUSTURN follows each
// access; BWTR replaces BTR for writes when EXTMOD is set. The device is handed the length of
// its strobe, which is what it must latch in: NWE low for DATAST cycles on a write, NOE low for
// DATAST + 2 on a read.
// Differs: DATAST 0 (reserved in the manual) counts as 1 cycle; BCR bit 7 and the BWTR bits 20-27
// read back as written; synchronous (burst) accesses, the wait signal, byte lanes and the NAND and
// PC Card banks are not modelled. The external SRAM of region 1 is plain host memory in the
// virtual board, so its accesses are neither timed nor gated here.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"
#include "stm32f4xx.h"

#include <cstdint>
#include <vector>

namespace Sim
{

class Fsmc : public Peripheral
{
public:
    explicit Fsmc(Board& board);

    bool IsRegionEnabled(unsigned region) const { return (Bcr(region) & 1u) != 0; }
    unsigned DataWidth(unsigned region) const { return (Bcr(region) & 0x30u) == 0 ? 8 : 16; }
    // HCLK cycles that one access of the region costs under its current timing.
    unsigned AccessCycles(unsigned region, bool write) const;
    // Why the region's current timing cannot be used for an access, or nullptr when it can.
    const char* ReservedTiming(unsigned region, bool write) const;
    // HCLK cycles of the access's strobe (NWE or NOE low).
    unsigned StrobeCycles(unsigned region, bool write) const;

    uint32_t Bcr(unsigned region) const { return m_bcr[region]->value; }
    uint32_t Btr(unsigned region) const { return m_btr[region]->value; }
    uint32_t Bwtr(unsigned region) const { return m_bwtr[region]->value; }
    // The timing register that governs an access: BWTR for writes in extended mode, else BTR.
    uint32_t Timing(unsigned region, bool write) const
    {
        return write && (Bcr(region) & FSMC_BCR1_EXTMOD) != 0 ? Bwtr(region) : Btr(region);
    }

private:
    // Every access of a device window reads them.
    Register* m_bcr[4] = {};
    Register* m_btr[4] = {};
    Register* m_bwtr[4] = {};
};

// A device's address window in one region of bank 1 (region r starts at 0x60000000 + r x 64 MB).
// Accesses are checked and timed by the controller and handed to the device with the length of
// their strobe.
class FsmcWindow : public Peripheral
{
public:
    FsmcWindow(Board& board, Fsmc& fsmc, const char* name, unsigned region, uint32_t offset, uint32_t size);

    uint32_t Read(uint32_t offset, unsigned size) override;
    void Write(uint32_t offset, uint32_t value, unsigned size) override;
    uint32_t ExtraCost(uint32_t offset, bool write) const override;
    // Every read of a device window transfers data (pixels, parameters): repeated reads are not a
    // poll that may let time jump.
    bool IsDataPort(uint32_t) const override { return true; }

    // Pins whose routing the access needs besides the chip select, data lines and NOE/NWE
    // (the address lines the device decodes): port and pin numbers.
    void RequireAddressPin(int port, int pin) { m_busPins[port] = static_cast<uint16_t>(m_busPins[port] | 1u << pin); }
    // The memory types (MTYP values 0 SRAM, 1 PSRAM, 2 NOR) the device may be driven as: a bit
    // per value. All three by default.
    void AcceptMemoryTypes(uint32_t mask) { m_memoryTypes = mask; }

protected:
    virtual void DeviceWrite(uint32_t offset, uint16_t value, Tick strobe) = 0;
    virtual uint16_t DeviceRead(uint32_t offset, Tick strobe) = 0;

private:
    bool Reaches(uint32_t offset, bool write);
    void ReportUnreached(uint32_t offset, bool write, const char* problem);

    Fsmc& m_fsmc;
    unsigned m_region;
    // Per GPIO port, the pins every access needs routed to the FSMC: chip select, data lines,
    // NOE/NWE and the address lines the device decodes. Checked as masks, since pixels cross
    // the bus one access at a time.
    uint16_t m_busPins[9] = {};
    uint32_t m_memoryTypes = 0x7;
};

} // namespace Sim
