#include "sim/World.h"

#include "sim/devices/I2cBoard.h"
#include "sim/devices/TouchScreen.h"
#include "sim/models/Adc.h"
#include "sim/models/Spi.h"
#include "sim/models/Gpio.h"

#include <cstring>

namespace Sim
{

World& World::Get()
{
    static World* world = new World();
    return *world;
}

World::World() : m_board(Board::Instance()) { VelmoraHost::ReserveAddressSpace(); }

void World::PowerOnReset()
{
    m_board.PowerOnReset();
    m_scheduled.clear();
}

void World::RunScheduled(void* context)
{
    Scheduled& scheduled = *static_cast<Scheduled*>(context);
    std::function<void()> action = std::move(scheduled.action);
    scheduled.action = nullptr;
    action();
}

void World::ScheduleAt(Tick when, std::function<void()> action, const char* name)
{
    // Reuse a finished slot; a deque keeps the others where they are.
    Scheduled* slot = nullptr;
    for (Scheduled& scheduled : m_scheduled)
        if (!scheduled.event.scheduled && !scheduled.action)
        {
            slot = &scheduled;
            break;
        }
    if (slot == nullptr)
    {
        m_scheduled.emplace_back();
        slot = &m_scheduled.back();
    }
    slot->action = std::move(action);
    slot->event = Event(name, &World::RunScheduled, slot);
    m_board.clock().Schedule(slot->event, when);
}

void World::RunUntil(Tick when)
{
    while (Now() < when)
    {
        const Tick next = m_board.clock().NextEventTime();
        if (next > when || next == never)
        {
            // Nothing due before `when`: idle straight to it.
            m_board.clock().RunUntil(when);
            m_board.core().Poll();
            break;
        }
        m_board.Nop();
    }
}

bool World::RunUntil(const std::function<bool()>& condition, Tick limit)
{
    const Tick end = Now() + limit;
    while (!condition())
    {
        if (Now() >= end)
            return false;
        const Tick next = m_board.clock().NextEventTime();
        if (next == never || next > end)
            m_board.clock().RunUntil(end);
        else
            m_board.Nop();
        m_board.core().Poll();
    }
    return true;
}

void World::DrivePin(int port, int pin, bool level) { m_board.gpio(port).Drive(pin, level); }

void World::ReleasePin(int port, int pin) { m_board.gpio(port).Release(pin); }

bool World::PinLevel(int port, int pin) const { return m_board.gpio(port).Level(pin); }

void World::SetHandler(IRQn_Type irq, Handler handler)
{
    m_board.core().SetHandler(excFirstIrq + static_cast<int>(irq), handler);
}

void World::ProgramOtp(uint32_t offset, const std::vector<uint8_t>& bytes)
{
    uint8_t* otp = VELMORA_PHYS(uint8_t, OTP_BASE);
    // Programming flash can only clear bits: an erased (0xFF) byte takes any value, a programmed
    // byte only loses ones. That is why a superseded version byte is programmed to 0.
    for (size_t i = 0; i < bytes.size() && offset + i < OTP_SIZE; ++i)
        otp[offset + i] &= bytes[i];
}

CalendarTime World::ClockTime() { return m_board.i2cDevices().Clock().Time(); }

void World::SetClockTime(const CalendarTime& time) { m_board.i2cDevices().Clock().SetTime(time); }

std::vector<uint8_t> World::EepromContents() { return m_board.i2cDevices().Memory().Contents(); }

void World::SetEepromContents(uint32_t offset, const std::vector<uint8_t>& bytes)
{
    m_board.i2cDevices().Memory().SetContents(offset, bytes);
}

bool World::LoadEeprom(const std::string& path, std::string& error)
{
    return m_board.i2cDevices().Memory().Load(path, error);
}

bool World::SaveEeprom(const std::string& path, std::string& error)
{
    return m_board.i2cDevices().Memory().Save(path, error);
}

void World::DriveExInput(int index, bool level)
{
    m_board.i2cDevices().Expander(index < 16 ? 0 : 2).DrivePin(index % 16, level);
}

void World::ReleaseExInput(int index) { m_board.i2cDevices().Expander(index < 16 ? 0 : 2).ReleasePin(index % 16); }

bool World::ExInputLevel(int index) { return m_board.i2cDevices().Expander(index < 16 ? 0 : 2).PinLevel(index % 16); }

bool World::ExOutputLevel(int index) { return m_board.i2cDevices().Expander(index < 16 ? 1 : 3).PinLevel(index % 16); }

I2cBus& World::I2cBusOf(int number) { return m_board.i2cDevices().Bus(number); }

void World::SetPinVoltage(int port, int pin, double volts) { m_board.analogPins().SetVoltage(port, pin, volts); }

void World::SetAnalogInputVoltage(int index, double volts)
{
    static const int pins[4][2] = {{2, 4}, {2, 5}, {5, 6}, {5, 7}};
    if (index >= 0 && index < 4)
        SetPinVoltage(pins[index][0], pins[index][1], volts);
}

void World::TouchPress(double x, double y) { m_board.touchScreen().Press(x, y); }

void World::TouchRelease() { m_board.touchScreen().Release(); }

void World::HoldAdc(int number, bool hold) { m_board.adc(number).Hold(hold); }

bool World::BuzzerSounding()
{
    m_board.buzzer().Sample();
    return m_board.buzzer().Sounding();
}

double World::BuzzerFrequencyHz()
{
    m_board.buzzer().Sample();
    return m_board.buzzer().FrequencyHz();
}

const std::vector<Buzzer::Interval>& World::BuzzerIntervals()
{
    m_board.buzzer().Sample();
    return m_board.buzzer().Intervals();
}

Usart::Peer& World::SerialPeer(int port)
{
    static const int numbers[4] = {4, 6, 1, 2};
    return m_board.usart(numbers[port >= 0 && port < 4 ? port : 0])->peer();
}

void World::InjectSpiFlags(uint32_t flags) { m_board.spi1().InjectFlags(flags); }

void World::CaptureDiagnostics()
{
    m_board.SetDiagnosticSink([this](const std::string& message, bool error) {
        m_diagnostics.push_back((error ? "error: " : "warning: ") + message);
    });
}

std::vector<std::string> World::TakeDiagnostics()
{
    std::vector<std::string> taken;
    taken.swap(m_diagnostics);
    return taken;
}

} // namespace Sim
