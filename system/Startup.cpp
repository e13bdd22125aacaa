// From the start code to main: the hardware hook that runs before any static constructor, and the
// library's global references, bound by this unit's one static constructor.

#include "system/HeapMemory.h"
#include "system/PImpl/HeapMemory.h"
#include "system/System.h"
#include "system/Timer.h"

#include "drivers/AnalogInput.h"
#include "drivers/Driver/GPIO.h"
#include "drivers/Buzzer.h"
#include "drivers/DigitalInput.h"
#include "drivers/DigitalOutput.h"
#include "drivers/ExDigitalInput.h"
#include "drivers/Ethernet.h"
#include "drivers/ExDigitalOutput.h"
#include "drivers/NVRam.h"
#include "drivers/RTC.h"
#include "drivers/SerialPort.h"
#include "graphics/LCD.h"
#include "input/Touch.h"
#include "storage/SDCard.h"
#include "storage/SDIO.h"
#include "usb/Console.h"
#include "usb/Driver/VCP.h"

#include "stm32f4xx.h"
#include "system_stm32f4xx.h"

#include <cstdio>

// Clocks, console and a cleared, lit display before any static constructor runs, so whatever a
// constructor prints or draws has somewhere to go.
extern "C" void hardware_init_hook()
{
    SystemInit();
    VCPInit();
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::setvbuf(stderr, nullptr, _IONBF, 0);
    // The buzzer's timer starts with its outputs off; set it up now so that it stays silent.
    Velmora::Buzzer::GetInstance().Off(true);

    Velmora::LCD& display = Velmora::LCD::GetInstance();
    display.EnableFlush(true);
    display.Clear();
    // The cleared picture goes out from the tearing-signal interrupt.
    while (display.HasChanges())
        __NOP();
    display.SetBacklightBrightness(255);
}

extern "C" void software_init_hook()
{
}

namespace Velmora
{

// Binding a reference constructs its singleton and brings up its drivers, in this order.
HeapMemory& heapMemory = HeapMemory::GetInstance();
AnalogInputs& analogInputs = AnalogInputs::GetInstance();
Buzzer& buzzer = Buzzer::GetInstance();
Console& console = Console::GetInstance();
DigitalInputs& digitalInputs = DigitalInputs::GetInstance();
DigitalOutputs& digitalOutputs = DigitalOutputs::GetInstance();
Ethernet& ethernet = Ethernet::GetInstance();
ExDigitalInputs& exDigitalInputs = ExDigitalInputs::GetInstance();
ExDigitalOutputs& exDigitalOutputs = ExDigitalOutputs::GetInstance();
LCD& lcd = LCD::GetInstance();
NVRam& nvram = NVRam::GetInstance();
RTC& rtc = RTC::GetInstance();
SerialPorts& serialPorts = SerialPorts::GetInstance();
SDCard& sdCard = SDCard::GetInstance();
System& system = System::GetInstance();
Timer& timer = Timer::GetInstance();
// Last: constructing the touch screen starts sampling.
Touch& touch = Touch::GetInstance();

} // namespace Velmora

namespace
{

// A port's lock register freezes at its first lock sequence, so a pin configured after the locks
// could never be locked. The drivers that set their pins up on first use come up here instead:
// the heap's external bank (on the board the first allocation, before any static constructor,
// has done that already), the analog inputs, the serial ports and the SD card bus.
void ConfigurePinsOfDriversUsedLater()
{
    PImpl::HeapMemory::GetInstance();
    Velmora::AnalogInput::GetInstance(Velmora::AnalogInput::Pin0);
    Velmora::SerialPort::GetInstance(Velmora::SerialPort::Channel0);
    SDIO::Transceiver::GetInstance();
}

// Every driver has configured its pins by now: the locks they asked for take effect together.
const bool pinsLocked = (ConfigurePinsOfDriversUsedLater(), Driver::GPIO::GetInstance().ApplyLocks(), true);

} // namespace
