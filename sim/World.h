// The virtual board as tests and front-ends see it.
//
// Firmware code runs "on the CPU" simply by being called: every register access and __NOP() it
// makes advances virtual time and may take interrupts. Tests call firmware functions directly and
// use this interface to stand for the world outside the chip: schedule events, drive input pins,
// read output pins, let time pass.
#pragma once

#include "sim/Board.h"
#include "sim/devices/Buzzer.h"
#include "sim/devices/DS3231.h"
#include "sim/devices/SdCard.h"
#include "sim/devices/UsbHost.h"
#include "sim/models/Usart.h"
#include "stm32f4xx.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace Sim
{

class World
{
public:
    static World& Get();

    Board& board() { return m_board; }

    // Power-on reset of the chip's models and of virtual time; scheduled actions are dropped.
    void PowerOnReset();

    // ---- time ----
    Tick Now() const { return m_board.clock().Now(); }
    double NowSeconds() const { return static_cast<double>(Now()) / static_cast<double>(ticksPerSecond); }
    uint64_t NowNanoseconds() const { return Now() * 1000 / (ticksPerSecond / 1000000); }
    uint64_t Cycles() const { return m_board.Cycles(); }
    static constexpr Tick Microseconds(uint64_t us) { return us * ticksPerMicrosecond; }
    static constexpr Tick Milliseconds(uint64_t ms) { return ms * ticksPerMillisecond; }

    // Runs `action` when virtual time reaches `when` (at the access or __NOP() where it is due).
    void ScheduleAt(Tick when, std::function<void()> action, const char* name = "scheduled");
    void ScheduleIn(Tick delay, std::function<void()> action, const char* name = "scheduled")
    {
        ScheduleAt(Now() + delay, std::move(action), name);
    }

    // Lets the CPU idle (as a loop of __NOP()) until `when`, taking interrupts on the way.
    void RunUntil(Tick when);
    void RunFor(Tick duration) { RunUntil(Now() + duration); }
    // Idles until `condition` holds or `limit` passes; returns whether the condition held.
    bool RunUntil(const std::function<bool()>& condition, Tick limit);

    // ---- pins (port 0 = A .. 8 = I) ----
    // Drives an input from outside the chip (as a switch or another chip would).
    void DrivePin(int port, int pin, bool level);
    // Stops driving it: the pin floats (pull resistors or the chip's own output decide).
    void ReleasePin(int port, int pin);
    // The level on the pin as the chip and the outside see it.
    bool PinLevel(int port, int pin) const;

    // ---- SD card socket ----
    // Puts a card whose blocks are the disk image `image` into the socket (the card-detect pin
    // follows); false with `error` set when the image cannot be used. Write protection and fault
    // injection: Card().SetWriteProtected, Card().InjectFault.
    bool InsertCard(const std::string& image, SdCard::Kind kind = SdCard::Kind::Auto, std::string* error = nullptr)
    {
        return m_board.sdCard().Insert(image, kind, error);
    }
    void RemoveCard() { m_board.sdCard().Remove(); }
    SdCard& Card() { return m_board.sdCard(); }

    // ---- interrupts ----
    // Replaces the handler of an interrupt or system exception (tests without the firmware's).
    void SetHandler(IRQn_Type irq, Handler handler);

    // ---- one-time-programmable bytes ----
    // Programs bytes of the OTP area (0x1FFF7800 + offset, lock bytes from 0x200). As on the chip,
    // programming only clears bits; the area reads 0xFF until programmed.
    void ProgramOtp(uint32_t offset, const std::vector<uint8_t>& bytes);

    // ---- devices on the I2C buses ----
    // The real-time clock's date and time; it runs on in virtual time.
    CalendarTime ClockTime();
    void SetClockTime(const CalendarTime& time);
    // The EEPROM's 256 bytes. Load/Save use a file of exactly that size; on failure they return
    // false with the reason and leave the contents (or the file) alone.
    std::vector<uint8_t> EepromContents();
    void SetEepromContents(uint32_t offset, const std::vector<uint8_t>& bytes);
    bool LoadEeprom(const std::string& path, std::string& error);
    bool SaveEeprom(const std::string& path, std::string& error);
    // The expanded inputs and outputs 0..31 as the board numbers them: inputs 0..15 and 16..31 are
    // the pins of the expanders at hardware addresses 0 and 2, outputs those of 1 and 3.
    void DriveExInput(int index, bool level);
    void ReleaseExInput(int index);
    bool ExInputLevel(int index);
    bool ExOutputLevel(int index);
    // Bus 1 (clock, EEPROM) or 2 (expanders), for fault injection and its log.
    I2cBus& I2cBusOf(int number);

    // ---- analog inputs and the touch screen ----
    // The voltage on a pin (0 to 3.3 V full scale), as a sensor or a potentiometer would set it.
    void SetPinVoltage(int port, int pin, double volts);
    // The board's analog inputs 0..3 (PC4, PC5, PF6, PF7).
    void SetAnalogInputVoltage(int index, double volts);
    // A finger presses at the screen pixel (x, y), drags to another pixel, and lifts.
    void TouchPress(double x, double y);
    void TouchMove(double x, double y) { TouchPress(x, y); }
    void TouchRelease();
    // Fault injection: while held, conversions started on ADC1..ADC3 never finish.
    void HoldAdc(int number, bool hold);

    // ---- buzzer ----
    bool BuzzerSounding();
    double BuzzerFrequencyHz();
    // The intervals in which it sounded, with their pitch; the last one has no end while it sounds.
    const std::vector<Buzzer::Interval>& BuzzerIntervals();

    // ---- serial ports ----
    // The device at the other end of serial port 0..3 (UART4, USART6, USART1, USART2): its
    // format, the frames it received, bytes to send and errors to inject.
    Usart::Peer& SerialPeer(int port);
    // ---- USB ----
    // The host at the other end of the USB cable: Plug(true) powers VBUS and it enumerates the
    // board; OpenPort/Send/Received make it a terminal on the virtual COM port.
    UsbHost& Usb() { return m_board.usbHost(); }
    // Raises SPI1 status flags (error sources) as its bus would.
    void InjectSpiFlags(uint32_t flags);

    // ---- diagnostics ----
    // Captures errors and warnings instead of stopping the process; returns them on Take.
    void CaptureDiagnostics();
    std::vector<std::string> TakeDiagnostics();

private:
    World();

    struct Scheduled
    {
        Event event;
        std::function<void()> action;
    };
    static void RunScheduled(void* context);

    Board& m_board;
    std::deque<Scheduled> m_scheduled;
    std::vector<std::string> m_diagnostics;
};

} // namespace Sim
