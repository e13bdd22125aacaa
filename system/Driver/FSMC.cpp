#include "system/Driver/FSMC.h"

#include "drivers/Driver/GPIO.h"

#include "stm32f4xx.h"
#include "stm32f4xx_fsmc.h"
#include "stm32f4xx_rcc.h"

#include <cstdio>
#include <stdexcept>

namespace Driver
{

namespace
{

struct BusPin
{
    GPIO::Port port;
    GPIO::Pin pin;
};

// D0..D15, A0..A20, NOE, NWE, NBL0, NBL1.
const BusPin busPins[] = {
    // D0 to D3
    {GPIO::Port::D, 14}, {GPIO::Port::D, 15}, {GPIO::Port::D, 0}, {GPIO::Port::D, 1},
    // D4 to D12
    {GPIO::Port::E, 7}, {GPIO::Port::E, 8}, {GPIO::Port::E, 9}, {GPIO::Port::E, 10},
    {GPIO::Port::E, 11}, {GPIO::Port::E, 12}, {GPIO::Port::E, 13}, {GPIO::Port::E, 14},
    {GPIO::Port::E, 15},
    // D13 to D15
    {GPIO::Port::D, 8}, {GPIO::Port::D, 9}, {GPIO::Port::D, 10},
    // A0 to A9
    {GPIO::Port::F, 0}, {GPIO::Port::F, 1}, {GPIO::Port::F, 2}, {GPIO::Port::F, 3},
    {GPIO::Port::F, 4}, {GPIO::Port::F, 5}, {GPIO::Port::F, 12}, {GPIO::Port::F, 13},
    {GPIO::Port::F, 14}, {GPIO::Port::F, 15},
    // A10 to A15
    {GPIO::Port::G, 0}, {GPIO::Port::G, 1}, {GPIO::Port::G, 2}, {GPIO::Port::G, 3},
    {GPIO::Port::G, 4}, {GPIO::Port::G, 5},
    // A16 to A18
    {GPIO::Port::D, 11}, {GPIO::Port::D, 12}, {GPIO::Port::D, 13},
    // A19, A20
    {GPIO::Port::E, 3}, {GPIO::Port::E, 4},
    // NOE, NWE
    {GPIO::Port::D, 4}, {GPIO::Port::D, 5},
    // NBL0, NBL1
    {GPIO::Port::E, 0}, {GPIO::Port::E, 1},
};

struct Region
{
    BusPin chipSelect;
    uint32_t libraryBank;
    uint32_t memoryType;
    uint32_t accessMode;
};

const Region regions[] = {
    {{GPIO::Port::D, 7}, FSMC_Bank1_NORSRAM1, FSMC_MemoryType_SRAM, FSMC_AccessMode_A},
    {{GPIO::Port::G, 9}, FSMC_Bank1_NORSRAM2, FSMC_MemoryType_SRAM, FSMC_AccessMode_A},
    {{GPIO::Port::G, 10}, FSMC_Bank1_NORSRAM3, FSMC_MemoryType_NOR, FSMC_AccessMode_B},
};

constexpr GPIO::AltFunction fsmcFunction = 12;

void ConfigureBusPin(const BusPin& pin)
{
    GPIO::GetInstance().AlternateFunction(pin.port, pin.pin, fsmcFunction, GPIO::OutputType::PushPull,
                                          GPIO::Pull::Up, true, GPIO::Speed::High);
}

} // namespace

FSMC& FSMC::GetInstance()
{
    static FSMC instance;
    return instance;
}

FSMC::FSMC()
{
    for (const BusPin& pin : busPins)
        ConfigureBusPin(pin);
    RCC_AHB3PeriphClockCmd(RCC_AHB3Periph_FSMC, ENABLE);
}

void FSMC::EnableBank(SRAMBank region, uint8_t addressSetup, uint8_t addressHold, uint8_t dataSetup, uint8_t busTurnaround)
{
    // Values that do not fit their fields, or the reserved zero data phase, would be cut or
    // misread by the controller: refuse them before anything is changed.
    if (addressSetup > 15 || addressHold > 15 || busTurnaround > 15 || dataSetup == 0)
    {
        char message[96];
        std::snprintf(message, sizeof message, "FSMC: timing %u, %u, %u, %u not supported", unsigned(addressSetup),
                      unsigned(addressHold), unsigned(dataSetup), unsigned(busTurnaround));
        throw std::invalid_argument(message);
    }
    const Region& r = regions[static_cast<uint8_t>(region)];
    ConfigureBusPin(r.chipSelect);
    FSMC_NORSRAMDeInit(r.libraryBank);

    FSMC_NORSRAMTimingInitTypeDef timing;
    timing.FSMC_AddressSetupTime = addressSetup;
    timing.FSMC_AddressHoldTime = addressHold;
    timing.FSMC_DataSetupTime = dataSetup;
    timing.FSMC_BusTurnAroundDuration = busTurnaround;
    timing.FSMC_CLKDivision = 0;
    timing.FSMC_DataLatency = 0;
    timing.FSMC_AccessMode = r.accessMode;

    FSMC_NORSRAMInitTypeDef init;
    init.FSMC_Bank = r.libraryBank;
    init.FSMC_DataAddressMux = FSMC_DataAddressMux_Disable;
    init.FSMC_MemoryType = r.memoryType;
    init.FSMC_MemoryDataWidth = FSMC_MemoryDataWidth_16b;
    init.FSMC_BurstAccessMode = FSMC_BurstAccessMode_Disable;
    init.FSMC_AsynchronousWait = FSMC_AsynchronousWait_Disable;
    init.FSMC_WaitSignalPolarity = FSMC_WaitSignalPolarity_Low;
    init.FSMC_WrapMode = FSMC_WrapMode_Disable;
    init.FSMC_WaitSignalActive = FSMC_WaitSignalActive_BeforeWaitState;
    init.FSMC_WriteOperation = FSMC_WriteOperation_Enable;
    init.FSMC_WaitSignal = FSMC_WaitSignal_Disable;
    init.FSMC_ExtendedMode = FSMC_ExtendedMode_Disable;
    init.FSMC_WriteBurst = FSMC_WriteBurst_Disable;
    init.FSMC_ReadWriteTimingStruct = &timing;
    init.FSMC_WriteTimingStruct = &timing;
    FSMC_NORSRAMInit(&init);
    FSMC_NORSRAMCmd(r.libraryBank, ENABLE);
}

} // namespace Driver
