// Fidelity: see the note in Usart.h (the manual section followed, what is modelled, what differs).
#include "sim/models/Usart.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"
#include "stm32f4xx.h"

#include <cmath>
#include <cstdio>

namespace Sim
{

namespace
{
const uint32_t sr = 0x00, dr = 0x04, brr = 0x08, cr1 = 0x0C, cr2 = 0x10, cr3 = 0x14, gtpr = 0x18;
const uint32_t lineErrors = USART_SR_PE | USART_SR_FE | USART_SR_NE | USART_SR_ORE | USART_SR_IDLE;

const char* const m_names[7] = {"", "USART1", "USART2", "USART3", "UART4", "UART5", "USART6"};
const uint32_t m_bases[7] = {0, USART1_BASE, USART2_BASE, USART3_BASE, UART4_BASE, UART5_BASE, USART6_BASE};
const int m_irqs[7] = {0, USART1_IRQn, USART2_IRQn, USART3_IRQn, UART4_IRQn, UART5_IRQn, USART6_IRQn};

bool OnApb2(int number) { return number == 1 || number == 6; }

int Ones(uint32_t value)
{
    int ones = 0;
    for (; value != 0; value &= value - 1)
        ++ones;
    return ones;
}

// The bits of a word as they go on the line: data bits, then the parity bit if any.
uint32_t Word(uint16_t value, int dataBits, int parity)
{
    const uint32_t data = value & ((1u << dataBits) - 1);
    if (parity == 0)
        return data;
    const bool odd = (Ones(data) & 1) != 0;
    // Even parity makes the count of ones even, odd parity odd.
    const bool bit = parity == 2 ? odd : !odd;
    return data | (bit ? 1u : 0u) << dataBits;
}

int WordBits(const Usart::Format& format) { return format.dataBits + (format.parity != 0 ? 1 : 0); }

// Whether a receiver in `receiver` format reads a frame sent in `sender` format as a frame (the
// clocks within 3 % of each other and the same number of bits before the stop bit).
bool FrameReadable(const Usart::Format& sender, const Usart::Format& receiver)
{
    if (receiver.baud == 0 || WordBits(sender) != WordBits(receiver))
        return false;
    const double mismatch = std::fabs(static_cast<double>(sender.baud) - receiver.baud) / receiver.baud;
    return mismatch <= 0.03;
}

// A receiver with parity checks the count of ones in the word it took in.
bool ParityFails(uint32_t word, const Usart::Format& receiver)
{
    if (receiver.parity == 0)
        return false;
    const bool odd = (Ones(word & ((1u << WordBits(receiver)) - 1)) & 1) != 0;
    return receiver.parity == 2 ? odd : !odd;
}
} // namespace

void Usart::Peer::Send(const std::vector<uint16_t>& values)
{
    const Tick now = m_usart.board().clock().Now();
    const Tick frame = m_usart.FrameTicks(m_format, 0);
    Tick at = m_lineFreeAt > now ? m_lineFreeAt : now;
    for (uint16_t value : values)
    {
        at += frame;
        m_outgoing.push_back({value, at, m_injectFraming, m_injectNoise, m_injectParity});
        m_injectFraming = m_injectNoise = m_injectParity = false;
    }
    m_lineFreeAt = at;
    m_usart.ScheduleArrival();
}

void Usart::Peer::InjectErrors(bool framing, bool noise, bool parity)
{
    m_injectFraming = framing;
    m_injectNoise = noise;
    m_injectParity = parity;
}

std::vector<Usart::Frame> Usart::Peer::TakeReceived()
{
    std::vector<Frame> frames;
    frames.swap(m_received);
    return frames;
}

Usart::Usart(Board& board, int number, int txPort, int txPin, int rxPort, int rxPin, uint32_t af)
    : Peripheral(board, m_names[number], m_bases[number], 0x400, OnApb2(number) ? BusKind::Apb2 : BusKind::Apb1),
      m_number(number), m_irq(m_irqs[number]), m_txPort(txPort), m_txPin(txPin), m_rxPort(rxPort), m_rxPin(rxPin),
      m_af(af), m_peer(*this), m_transmitDone(m_names[number], &Usart::TransmitDoneCallback, this),
      m_arrival(m_names[number], &Usart::ArrivalCallback, this), m_idle(m_names[number], &Usart::IdleCallback, this)
{
    Define("SR", sr, USART_SR_TXE | USART_SR_TC)
        .Ro(USART_SR_PE | USART_SR_FE | USART_SR_NE | USART_SR_ORE | USART_SR_IDLE | USART_SR_TXE)
        .W0c(USART_SR_RXNE | USART_SR_TC | USART_SR_LBD | USART_SR_CTS)
        .OnRead(&Usart::ReadSr);
    Define("DR", dr, 0).Rw(0x1FF).OnRead(&Usart::ReadDr).OnWrite(&Usart::WriteDr).DataPort();
    Define("BRR", brr, 0).Rw(0xFFFF);
    Define("CR1", cr1, 0).Rw(0xBFFF).OnWrite(&Usart::WriteControl);
    Define("CR2", cr2, 0).Rw(0x7F6F).OnWrite(&Usart::WriteControl);
    Define("CR3", cr3, 0).Rw(0x0FFF).OnWrite(&Usart::WriteControl);
    Define("GTPR", gtpr, 0).Rw(0xFFFF);
}

void Usart::Reset()
{
    board().clock().Cancel(m_transmitDone);
    board().clock().Cancel(m_idle);
    Peripheral::Reset();
    m_transmitData = 0;
    m_shifting = 0;
    m_idleArmed = false;
    m_errorsSeenInSr = 0;
    m_tcSeenInSr = false;
    // Frames from the peer keep arriving (it lies outside the chip); a reset receiver ignores them.
}

void Usart::Update()
{
    const uint32_t status = Reg(sr).value;
    const uint32_t control = Reg(cr1).value;
    const bool line = ((control & USART_CR1_TXEIE) && (status & USART_SR_TXE)) ||
                      ((control & USART_CR1_TCIE) && (status & USART_SR_TC)) ||
                      ((control & USART_CR1_RXNEIE) && (status & (USART_SR_RXNE | USART_SR_ORE))) ||
                      ((control & USART_CR1_IDLEIE) && (status & USART_SR_IDLE)) ||
                      ((control & USART_CR1_PEIE) && (status & USART_SR_PE)) ||
                      ((Reg(cr3).value & USART_CR3_EIE) && (status & (USART_SR_FE | USART_SR_NE | USART_SR_ORE)));
    board().core().SetIrqLine(m_irq, line);
}

uint32_t Usart::BusHz() const { return OnApb2(m_number) ? board().Pclk2Hz() : board().Pclk1Hz(); }

Usart::Format Usart::ChipFormat()
{
    Format format;
    const uint32_t control = Reg(cr1).value;
    const uint32_t divider = Reg(brr).value;
    uint32_t cyclesPerBit = divider;
    if (control & USART_CR1_OVER8)
        cyclesPerBit = 8 * (divider >> 4) + (divider & 7);
    format.baud = cyclesPerBit == 0 ? 0 : static_cast<uint32_t>(std::lround(static_cast<double>(BusHz()) / cyclesPerBit));
    const int wordBits = (control & USART_CR1_M) ? 9 : 8;
    format.parity = (control & USART_CR1_PCE) ? ((control & USART_CR1_PS) ? 1 : 2) : 0;
    format.dataBits = wordBits - (format.parity != 0 ? 1 : 0);
    static const int stopHalfBits[4] = {2, 1, 4, 3}; // STOP 00 = 1, 01 = 0.5, 10 = 2, 11 = 1.5
    format.stopHalfBits = stopHalfBits[(Reg(cr2).value & USART_CR2_STOP) >> 12];
    return format;
}

Tick Usart::FrameTicks(const Format& format, uint32_t) const
{
    const int halfBits = 2 * (1 + WordBits(format)) + format.stopHalfBits;
    return format.baud == 0 ? never : static_cast<Tick>(halfBits) * ticksPerSecond / (2 * static_cast<Tick>(format.baud));
}

Tick Usart::ChipFrameTicks()
{
    // Exact in bus clock cycles: a bit is BRR cycles (8 x mantissa + fraction with OVER8).
    const uint32_t control = Reg(cr1).value;
    const uint32_t divider = Reg(brr).value;
    const uint32_t cyclesPerBit = (control & USART_CR1_OVER8) ? 8 * (divider >> 4) + (divider & 7) : divider;
    const Format format = ChipFormat();
    const int halfBits = 2 * (1 + WordBits(format)) + format.stopHalfBits;
    return static_cast<Tick>(halfBits) * cyclesPerBit * TicksPerCycle(BusHz()) / 2;
}

bool Usart::PinRouted(int port, int pin)
{
    Gpio& gpio = board().gpio(port);
    return gpio.Mode(pin) == 2 && gpio.AlternateFunction(pin) == m_af;
}

void Usart::StartShift(Tick start)
{
    if (Reg(brr).value == 0)
    {
        char text[80];
        std::snprintf(text, sizeof text, "%s: transmitting with BRR 0 (no baud rate)", Name());
        board().Diagnose(text);
        return;
    }
    m_shiftStart = start;
    Reg(sr).value &= ~USART_SR_TC;
    board().clock().Schedule(m_transmitDone, start + ChipFrameTicks());
}

void Usart::TransmitDoneCallback(void* self) { static_cast<Usart*>(self)->TransmitDone(); }

void Usart::TransmitDone()
{
    // The frame ended at its scheduled time; the access that let time pass it may end later.
    const Tick end = m_transmitDone.when;
    if (PinRouted(m_txPort, m_txPin))
    {
        const Format chip = ChipFormat();
        const Format& peer = m_peer.GetFormat();
        const uint32_t word = Word(m_shifting, chip.dataBits, chip.parity);
        Frame frame;
        frame.start = m_shiftStart;
        frame.end = end;
        frame.framingError = !FrameReadable(chip, peer);
        frame.parityError = !frame.framingError && ParityFails(word, peer);
        frame.value = static_cast<uint16_t>(word & ((1u << peer.dataBits) - 1));
        m_peer.m_received.push_back(frame);
    }
    Register& status = Reg(sr);
    if ((status.value & USART_SR_TXE) == 0 && Enabled(USART_CR1_TE))
    {
        m_shifting = m_transmitData;
        status.value |= USART_SR_TXE;
        StartShift(end); // the next frame follows back to back
    }
    else
        status.value |= USART_SR_TC;
    Update();
}

void Usart::ScheduleArrival()
{
    if (!m_peer.m_outgoing.empty() && !m_arrival.scheduled)
        board().clock().Schedule(m_arrival, m_peer.m_outgoing.front().end);
}

void Usart::ArrivalCallback(void* self) { static_cast<Usart*>(self)->Arrival(); }

void Usart::Arrival()
{
    const Peer::Outgoing frame = m_peer.m_outgoing.front();
    m_peer.m_outgoing.pop_front();
    ScheduleArrival();
    if (!ClockEnabled() || !Enabled(USART_CR1_RE) || !PinRouted(m_rxPort, m_rxPin))
        return;
    const Format chip = ChipFormat();
    const Format& peer = m_peer.GetFormat();
    const uint32_t word = Word(frame.value, peer.dataBits, peer.parity);
    Register& status = Reg(sr);
    if (status.value & USART_SR_RXNE)
        status.value |= USART_SR_ORE; // the unread byte stays, the new one is lost
    else
    {
        const bool framing = frame.framing || !FrameReadable(peer, chip);
        const bool parity = frame.parity || (!framing && ParityFails(word, chip));
        Reg(dr).value = word & ((1u << WordBits(chip)) - 1);
        status.value |= USART_SR_RXNE | (framing ? USART_SR_FE : 0) | (frame.noise ? USART_SR_NE : 0) |
                        (parity ? USART_SR_PE : 0);
        m_idleArmed = true;
    }
    // The line goes idle one frame after the last one unless another follows.
    board().clock().ScheduleIn(m_idle, ChipFrameTicks());
    Update();
}

void Usart::IdleCallback(void* self)
{
    Usart& usart = *static_cast<Usart*>(self);
    if (!usart.m_idleArmed || !usart.m_peer.m_outgoing.empty())
        return;
    usart.m_idleArmed = false;
    usart.Reg(sr).value |= USART_SR_IDLE;
    usart.Update();
}

uint32_t Usart::ReadSr(Register& reg)
{
    m_errorsSeenInSr = reg.value & lineErrors;
    m_tcSeenInSr = (reg.value & USART_SR_TC) != 0;
    return reg.value;
}

uint32_t Usart::ReadDr(Register& reg)
{
    Register& status = Reg(sr);
    status.value &= ~(USART_SR_RXNE | m_errorsSeenInSr);
    m_errorsSeenInSr = 0;
    Update();
    return reg.value & 0x1FF;
}

void Usart::WriteDr(Register& reg, uint32_t previous, uint32_t written, uint32_t)
{
    // The register keeps the received byte for reads; what was written goes to TDR.
    reg.value = previous;
    Register& status = Reg(sr);
    if (m_tcSeenInSr)
        status.value &= ~USART_SR_TC;
    m_tcSeenInSr = false;
    const uint16_t value = static_cast<uint16_t>(written & 0x1FF);
    if (Enabled(USART_CR1_TE) && !m_transmitDone.scheduled && (status.value & USART_SR_TXE) != 0)
    {
        m_shifting = value;
        StartShift(board().clock().Now());
    }
    else
    {
        m_transmitData = value;
        status.value &= ~USART_SR_TXE;
    }
    Update();
}

void Usart::WriteControl(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    const uint32_t unmodelled = reg.offset == cr1   ? (USART_CR1_SBK | USART_CR1_RWU)
                                : reg.offset == cr2 ? (USART_CR2_CLKEN | USART_CR2_LINEN)
                                                    : (USART_CR3_IREN | USART_CR3_SCEN | USART_CR3_HDSEL |
                                                       USART_CR3_DMAR | USART_CR3_DMAT | USART_CR3_RTSE |
                                                       USART_CR3_CTSE);
    if (reg.value & unmodelled)
    {
        char text[120];
        std::snprintf(text, sizeof text, "%s: %s 0x%08X selects a mode that is not modelled", Name(), reg.name,
                      static_cast<unsigned>(reg.value));
        board().Diagnose(text);
    }
    if (reg.offset == cr1)
    {
        Register& status = Reg(sr);
        if ((reg.value & USART_CR1_UE) == 0 && (previous & USART_CR1_UE) != 0)
        {
            // Disabling the USART stops the transfer in progress and drops the pending byte.
            board().clock().Cancel(m_transmitDone);
            status.value |= USART_SR_TXE | USART_SR_TC;
        }
        else if (Enabled(USART_CR1_TE) && !m_transmitDone.scheduled && (status.value & USART_SR_TXE) == 0)
        {
            m_shifting = m_transmitData;
            status.value |= USART_SR_TXE;
            StartShift(board().clock().Now());
        }
    }
    Update();
}

} // namespace Sim
