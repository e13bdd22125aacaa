// A firmware image for the reset test: on its first run it changes a singleton, allocates, sets
// the clock chip and resets; the copy loaded after the reset reports what it finds.
#include "tests/sim/image/ResetProbe.h"

#include "system/Driver/SRAM.h"
#include "system/HeapMemory.h"
#include "system/System.h"

#include "drivers/RTC.h"
#include "graphics/LCD.h"

#include "sim/Firmware.h"

namespace
{

class Probe
{
public:
    static Probe& GetInstance()
    {
        static Probe instance;
        return instance;
    }
    int value = 7;
};

uint32_t HeapTop()
{
    return Driver::SRAM::GetInstance(Driver::SRAM::Bank::Internal).GetTop();
}

} // namespace

extern "C" ResetProbeReport resetProbeReport;
ResetProbeReport resetProbeReport = {};

extern "C" int ResetProbeMain()
{
    static unsigned entries = 0;
    ResetProbeReport& report = resetProbeReport;
    report.entries = ++entries;
    report.singleton = Probe::GetInstance().value;
    report.heapTopAtEntry = HeapTop();
    report.restartsSeen = Sim::FirmwareRestarts();
    report.referencesBound = &Velmora::lcd == &Velmora::LCD::GetInstance() &&
                             &Velmora::heapMemory == &Velmora::HeapMemory::GetInstance() &&
                             &Velmora::system == &Velmora::System::GetInstance();

    if (Sim::FirmwareRestarts() == 0)
    {
        Probe::GetInstance().value = 42;
        static_cast<void>(new int[250]);
        report.heapTopBeforeReset = HeapTop();
        Velmora::rtc.SetDateTime(Velmora::DateTime(2030, 1, 2, 3, 4, 5));
        Velmora::system.Reset();
    }

    const Velmora::DateTime now = Velmora::rtc.GetDateTime();
    report.year = now.GetYear();
    report.minutes = now.GetMinutes();
    return 0;
}
