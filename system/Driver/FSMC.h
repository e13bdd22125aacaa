#pragma once

// The external memory controller: its bus pins and the NOR/SRAM regions of bank 1 that the
// board uses (region 0: the external SRAM, region 2: the display controller).

#include <cstdint>

namespace Driver
{

class FSMC
{
public:
    enum class SRAMBank : uint8_t
    {
        Region0 = 0, // NE1, PD7: external SRAM at 0x60000000
        Region1 = 1, // NE2, PG9: unused on this board
        Region2 = 2, // NE3, PG10: SSD1963 at 0x68000000
    };

    // The first call routes every data, address and control pin to the controller and enables
    // its clock.
    static FSMC& GetInstance();

    // Configures one region for a 16-bit asynchronous device with a single timing set (in HCLK
    // cycles) for reads and writes, and enables it. Throws std::invalid_argument for a set-up,
    // hold or turnaround above 15 or a data phase of 0, which the controller reserves.
    void EnableBank(SRAMBank region, uint8_t addressSetup, uint8_t addressHold, uint8_t dataSetup, uint8_t busTurnaround);

    FSMC(const FSMC&) = delete;
    FSMC& operator=(const FSMC&) = delete;

private:
    FSMC();
};

} // namespace Driver
