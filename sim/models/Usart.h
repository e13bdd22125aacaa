// Fidelity: RM0090 section 30 (USART), asynchronous mode. Models SR (TXE, TC, RXNE, IDLE, ORE,
// NE, FE, PE; PE/FE/NE/ORE/IDLE cleared by an SR read followed by a DR read, TC by an SR read
// followed by a DR write or by writing 0, RXNE by a DR read or by writing 0), DR (transmit data
// register and shift register, receive data register), BRR (the bit time is BRR cycles of the
// bus clock, or 8 x mantissa + fraction with OVER8), CR1 (UE, M, PCE/PS, TE, RE, interrupt
// enables), CR2 STOP, CR3 EIE, and the interrupt line. Frames take start + word + stop bits of
// virtual time. The other end of the line is a serial peer (Usart::Peer) with its own baud rate
// and format: frames sent with a different baud rate (more than 3 % off) or word length arrive
// as framing errors, with a different parity as parity errors; the world can also mark the next
// frames it sends with framing, noise or parity errors. Bytes leave and arrive only while TX and
// RX are on their pins' alternate function.
// Differs: no synchronous, LIN, IrDA, smartcard or half-duplex modes, no hardware flow control,
// break characters, address wake-up or DMA (set-ups that need them are reported); the receiver
// does not sample bits (a frame is correct or carries the peer's marks).
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace Sim
{

class Usart : public Peripheral
{
public:
    // The line format, as both ends see it.
    struct Format
    {
        uint32_t baud = 115200;
        int dataBits = 8; // without the parity bit
        int parity = 0;   // 0 none, 1 odd, 2 even
        int stopHalfBits = 2; // 1, 2, 3 or 4 half bits
    };

    // A frame as it crossed the line.
    struct Frame
    {
        uint16_t value;   // the data bits
        Tick start;       // start bit
        Tick end;         // end of the stop bits
        bool framingError; // the peer could not read it in its format (baud rate or length)
        bool parityError;
    };

    // The device at the other end of the line.
    class Peer
    {
    public:
        explicit Peer(Usart& usart) : m_usart(usart) {}
        void SetFormat(const Format& format) { m_format = format; }
        const Format& GetFormat() const { return m_format; }
        // Sends bytes, back to back after whatever is still going out.
        void Send(const std::vector<uint16_t>& values);
        // Marks the next frame sent with these errors (as a noisy or mismatched line would).
        void InjectErrors(bool framing, bool noise, bool parity);
        // Frames received from the chip (TakeReceived also forgets them).
        const std::vector<Frame>& Received() const { return m_received; }
        std::vector<Frame> TakeReceived();
        // When the last byte sent by the peer has fully arrived.
        Tick SendingUntil() const { return m_lineFreeAt; }

    private:
        friend class Usart;
        struct Outgoing
        {
            uint16_t value;
            Tick end;
            bool framing, noise, parity;
        };
        Usart& m_usart;
        Format m_format;
        std::deque<Outgoing> m_outgoing;
        std::vector<Frame> m_received;
        Tick m_lineFreeAt = 0;
        bool m_injectFraming = false, m_injectNoise = false, m_injectParity = false;
    };

    // `number` 1..6 (USART1, 2, 3, UART4, 5, USART6); TX and RX pins with their alternate function.
    Usart(Board& board, int number, int txPort, int txPin, int rxPort, int rxPin, uint32_t af);

    void Reset() override;
    void Update() override;

    Peer& peer() { return m_peer; }
    // The chip's own format now (from BRR, CR1 and CR2).
    Format ChipFormat();

private:
    static void TransmitDoneCallback(void* self);
    static void ArrivalCallback(void* self);
    static void IdleCallback(void* self);
    void TransmitDone();
    void Arrival();
    // Loads the shift register at `start` and schedules the end of its frame.
    void StartShift(Tick start);
    void ScheduleArrival();
    Tick FrameTicks(const Format& format, uint32_t busHz) const;
    Tick ChipFrameTicks();
    uint32_t BusHz() const;
    bool Enabled(uint32_t bit) { return (Reg(cr1Offset).value & bit) != 0 && (Reg(cr1Offset).value & 0x2000) != 0; }
    bool PinRouted(int port, int pin);

    uint32_t ReadSr(Register& reg);
    uint32_t ReadDr(Register& reg);
    void WriteDr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteControl(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    Register& Reg(uint32_t offset) { return *FindRegister(offset); }

    static constexpr uint32_t cr1Offset = 0x0C;

    int m_number;
    int m_irq;
    int m_txPort, m_txPin, m_rxPort, m_rxPin;
    uint32_t m_af;
    Peer m_peer;
    Event m_transmitDone;
    Event m_arrival;
    Event m_idle;
    uint16_t m_transmitData = 0; // TDR while TXE is clear
    uint16_t m_shifting = 0;
    Tick m_shiftStart = 0;
    bool m_idleArmed = false;
    uint32_t m_errorsSeenInSr = 0; // flags an SR read saw, cleared by the following DR read
    bool m_tcSeenInSr = false;
};

} // namespace Sim
