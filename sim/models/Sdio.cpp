#include "sim/models/Sdio.h"

#include "sim/Board.h"
#include "sim/models/Dma.h"
#include "sim/models/Gpio.h"
#include "sim/models/Rcc.h"
#include "stm32f4xx.h"

#include <algorithm>
#include <cstdio>

namespace Sim
{

namespace
{

enum Offset : uint32_t
{
    power = 0x00,
    clkcr = 0x04,
    arg = 0x08,
    cmd = 0x0C,
    respcmd = 0x10,
    resp1 = 0x14,
    dtimer = 0x24,
    dlen = 0x28,
    dctrl = 0x2C,
    dcount = 0x30,
    sta = 0x34,
    icr = 0x38,
    mask = 0x3C,
    fifocnt = 0x48,
    fifo = 0x80,
};

constexpr uint32_t staticFlags = 0x00C007FF;
constexpr unsigned fifoWords = 32;
constexpr unsigned burstWords = 4;
constexpr unsigned chunkBytes = 16;
constexpr int irqNumber = 49;
// The DMA request of the SDIO: DMA2 stream 3 or 6, channel 4.
constexpr unsigned dmaStreams[2] = {3, 6};
constexpr unsigned dmaChannel = 4;

} // namespace

Sdio::Sdio(Board& board, SdCard& card)
    : Peripheral(board, "SDIO", 0x40012C00, 0x400, BusKind::Apb2), m_card(card),
      m_commandEvent("SDIO command sent", &Sdio::CommandSent, this),
      m_responseEvent("SDIO response", &Sdio::ResponseDone, this),
      m_dataEvent("SDIO data", &Sdio::DataStep, this), m_timeoutEvent("SDIO data timeout", &Sdio::DataTimeout, this)
{
    Define("POWER", power, 0).Rw(SDIO_POWER_PWRCTRL).OnWrite(&Sdio::WritePower);
    Define("CLKCR", clkcr, 0).Rw(0x7FFF).OnWrite(&Sdio::WriteClock);
    Define("ARG", arg, 0).Rw(0xFFFFFFFF);
    Define("CMD", cmd, 0).Rw(0x7FFF).OnWrite(&Sdio::WriteCommand);
    Define("RESPCMD", respcmd, 0).Ro(SDIO_RESPCMD_RESPCMD);
    Define("RESP1", resp1, 0).Ro(0xFFFFFFFF);
    Define("RESP2", resp1 + 4, 0).Ro(0xFFFFFFFF);
    Define("RESP3", resp1 + 8, 0).Ro(0xFFFFFFFF);
    Define("RESP4", resp1 + 12, 0).Ro(0xFFFFFFFF);
    Define("DTIMER", dtimer, 0).Rw(0xFFFFFFFF);
    Define("DLEN", dlen, 0).Rw(SDIO_DLEN_DATALENGTH);
    Define("DCTRL", dctrl, 0).Rw(0x0FFF).OnWrite(&Sdio::WriteDataControl);
    Define("DCOUNT", dcount, 0).Ro(SDIO_DCOUNT_DATACOUNT);
    Define("STA", sta, 0).Ro(0x00FFFFFF).OnRead(&Sdio::ReadStatus);
    Define("ICR", icr, 0).Wo(staticFlags).OnWrite(&Sdio::WriteClear);
    Define("MASK", mask, 0).Rw(0x00FFFFFF);
    Define("FIFOCNT", fifocnt, 0).Ro(0x00FFFFFF).OnRead(&Sdio::ReadFifoCount);
}

void Sdio::Reset()
{
    board().clock().Cancel(m_commandEvent);
    board().clock().Cancel(m_responseEvent);
    board().clock().Cancel(m_dataEvent);
    board().clock().Cancel(m_timeoutEvent);
    m_commandActive = false;
    m_commandWaiting = false;
    m_data = DataState::Idle;
    m_fifoHead = 0;
    m_fifoLevel = 0;
    m_fifoWordsLeft = 0;
    m_removeHalfway = false;
    Peripheral::Reset();
}

// ---- clocks and pins ----

uint32_t Sdio::BusClockHz() const
{
    const uint32_t clock = const_cast<Sdio*>(this)->Value(clkcr);
    if (!Powered() || (clock & SDIO_CLKCR_CLKEN) == 0)
        return 0;
    const uint32_t sdioclk = board().rcc().Pll48Hz();
    if (clock & SDIO_CLKCR_BYPASS)
        return sdioclk;
    return sdioclk / ((clock & SDIO_CLKCR_CLKDIV) + 2);
}

unsigned Sdio::BusWidth() const
{
    switch ((const_cast<Sdio*>(this)->Value(clkcr) & SDIO_CLKCR_WIDBUS) >> 11)
    {
    case 1:
        return 4;
    case 2:
        return 8;
    default:
        return 1;
    }
}

Tick Sdio::Clocks(uint64_t clocks) const
{
    const uint32_t hz = BusClockHz();
    if (hz == 0)
        return never / 2;
    return clocks * ticksPerSecond / hz;
}

bool Sdio::Powered() const
{
    return (const_cast<Sdio*>(this)->Value(power) & SDIO_POWER_PWRCTRL) == SDIO_POWER_PWRCTRL;
}

namespace
{
bool RoutedToSdio(Board& board, int port, int pin)
{
    return board.gpio(port).Mode(pin) == 2 && board.gpio(port).AlternateFunction(pin) == 12;
}
} // namespace

bool Sdio::CommandPinsRouted() const
{
    // SDIO_CK on PC12, SDIO_CMD on PD2.
    return RoutedToSdio(board(), 2, 12) && RoutedToSdio(board(), 3, 2);
}

bool Sdio::DataPinsRouted() const
{
    // SDIO_D0..D3 on PC8..PC11.
    const unsigned lines = BusWidth() >= 4 ? 4 : 1;
    for (unsigned line = 0; line < lines; ++line)
        if (!RoutedToSdio(board(), 2, static_cast<int>(8 + line)))
            return false;
    return CommandPinsRouted();
}

// ---- registers ----

void Sdio::WritePower(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    const uint32_t state = reg.value & SDIO_POWER_PWRCTRL;
    if (state == 1 || state == 2)
    {
        char message[96];
        std::snprintf(message, sizeof message, "SDIO POWER: reserved PWRCTRL value %u", static_cast<unsigned>(state));
        board().Diagnose(message);
    }
    if (state != SDIO_POWER_PWRCTRL && (previous & SDIO_POWER_PWRCTRL) == SDIO_POWER_PWRCTRL)
    {
        // The card clock stops: nothing on the bus moves any more.
        board().clock().Cancel(m_commandEvent);
        board().clock().Cancel(m_responseEvent);
        m_commandActive = false;
        StopData();
    }
    else if (state == SDIO_POWER_PWRCTRL && m_commandWaiting && BusClockHz() != 0)
        StartCommand();
}

void Sdio::WriteClock(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (((reg.value & SDIO_CLKCR_WIDBUS) >> 11) == 3)
        board().Diagnose("SDIO CLKCR: reserved WIDBUS value 3");
    if (m_commandWaiting && BusClockHz() != 0)
        StartCommand();
}

void Sdio::WriteCommand(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if ((reg.value & SDIO_CMD_CPSMEN) == 0)
        return;
    if (reg.value & (SDIO_CMD_WAITINT | SDIO_CMD_WAITPEND | SDIO_CMD_SDIOSUSPEND | SDIO_CMD_CEATACMD))
        Unimplemented("command mode (WAITINT, WAITPEND, suspend or CE-ATA)", cmd, reg.value);
    board().clock().Cancel(m_commandEvent);
    board().clock().Cancel(m_responseEvent);
    m_commandActive = true;
    if (BusClockHz() == 0)
    {
        m_commandWaiting = true; // goes out once the card clock runs
        return;
    }
    StartCommand();
}

void Sdio::WriteDataControl(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if (reg.value & SDIO_DCTRL_DTMODE)
        Unimplemented("stream data transfer (DTMODE)", dctrl, reg.value);
    if (reg.value & (SDIO_DCTRL_RWSTART | SDIO_DCTRL_RWSTOP | SDIO_DCTRL_SDIOEN))
        Unimplemented("SD I/O read wait and operations", dctrl, reg.value);
    if ((reg.value & SDIO_DCTRL_DTEN) == 0)
    {
        if (m_data != DataState::Idle)
            StopData();
        return;
    }
    if (m_data == DataState::Idle)
        StartData();
}

void Sdio::WriteClear(Register&, uint32_t, uint32_t written, uint32_t)
{
    Value(sta) &= ~(written & staticFlags);
}

uint32_t Sdio::Status() const
{
    uint32_t status = const_cast<Sdio*>(this)->Value(sta) & staticFlags;
    if (m_commandActive)
        status |= SDIO_STA_CMDACT;
    const bool receiving = (const_cast<Sdio*>(this)->Value(dctrl) & SDIO_DCTRL_DTDIR) != 0;
    if (m_data == DataState::WaitReceive || m_data == DataState::Receive)
        status |= SDIO_STA_RXACT;
    if (m_data == DataState::WaitSend || m_data == DataState::Send || m_data == DataState::Busy)
        status |= SDIO_STA_TXACT;
    // The FIFO flags describe the direction in use: receive while the data path receives or
    // received words wait, transmit while it transmits.
    if (receiving && (m_data != DataState::Idle || m_fifoLevel > 0))
    {
        if (m_fifoLevel > 0)
            status |= SDIO_STA_RXDAVL;
        else
            status |= SDIO_STA_RXFIFOE;
        if (m_fifoLevel >= fifoWords / 2)
            status |= SDIO_STA_RXFIFOHF;
        if (m_fifoLevel == fifoWords)
            status |= SDIO_STA_RXFIFOF;
    }
    else if (!receiving && m_data != DataState::Idle)
    {
        if (m_fifoLevel > 0)
            status |= SDIO_STA_TXDAVL;
        else
            status |= SDIO_STA_TXFIFOE;
        if (m_fifoLevel <= fifoWords / 2)
            status |= SDIO_STA_TXFIFOHE;
        if (m_fifoLevel == fifoWords)
            status |= SDIO_STA_TXFIFOF;
    }
    return status;
}

uint32_t Sdio::ReadStatus(Register&)
{
    return Status();
}

uint32_t Sdio::ReadFifoCount(Register&)
{
    return m_fifoWordsLeft;
}

uint32_t Sdio::Read(uint32_t offset, unsigned size)
{
    if (offset < fifo)
        return Peripheral::Read(offset, size);
    if (size != 4)
        Unimplemented("FIFO access narrower than a word", offset, size);
    const uint32_t word = PopWord();
    Update();
    return word;
}

void Sdio::Write(uint32_t offset, uint32_t value, unsigned size)
{
    if (offset < fifo)
    {
        Peripheral::Write(offset, value, size);
        return;
    }
    if (size != 4)
        Unimplemented("FIFO access narrower than a word", offset, value);
    PushWord(value);
    Update();
}

void Sdio::SetFlags(uint32_t flags)
{
    Value(sta) |= flags;
}

void Sdio::Update()
{
    board().core().SetIrqLine(irqNumber, (Status() & Value(mask)) != 0);

    bool active = false;
    bool last = false;
    const uint32_t control = Value(dctrl);
    if (control & SDIO_DCTRL_DMAEN)
    {
        if (control & SDIO_DCTRL_DTDIR)
            active = m_fifoLevel >= burstWords || (m_fifoLevel > 0 && m_fifoLevel >= m_fifoWordsLeft);
        else
            active = m_data != DataState::Idle && m_fifoWordsLeft > 0 &&
                     fifoWords - m_fifoLevel >= std::min<uint32_t>(burstWords, m_fifoWordsLeft);
        last = active && m_fifoWordsLeft <= burstWords;
    }
    if (active != m_requestActive || last != m_requestLast)
    {
        m_requestActive = active;
        m_requestLast = last;
        for (unsigned stream : dmaStreams)
            board().dma(2).SetRequest(stream, dmaChannel, active, last);
    }
}

// ---- command path ----

void Sdio::StartCommand()
{
    m_commandWaiting = false;
    // Start bit, transmission bit, index, argument, CRC7, end bit: 48 clocks.
    board().clock().ScheduleIn(m_commandEvent, Clocks(48));
}

void Sdio::CommandSent(void* self)
{
    Sdio& sdio = *static_cast<Sdio*>(self);
    const uint32_t command = sdio.Value(cmd);
    const uint8_t index = static_cast<uint8_t>(command & SDIO_CMD_CMDINDEX);
    const uint32_t waitResponse = (command & SDIO_CMD_WAITRESP) >> 6;
    sdio.m_responded = false;
    if (sdio.CommandPinsRouted() && sdio.m_card.Inserted())
        sdio.m_responded = sdio.m_card.Command(index, sdio.Value(arg), sdio.m_response);
    if (waitResponse == 0 || waitResponse == 2)
    {
        sdio.m_commandActive = false;
        sdio.SetFlags(SDIO_STA_CMDSENT);
    }
    else if (sdio.m_responded)
    {
        // Two clocks of turnaround, then 48 or 136 bits.
        sdio.board().clock().ScheduleIn(sdio.m_responseEvent, sdio.Clocks(2 + (sdio.m_response.isLong ? 136 : 48)));
    }
    else
    {
        // No start bit within 64 clocks.
        sdio.board().clock().ScheduleIn(sdio.m_responseEvent, sdio.Clocks(64));
    }
    sdio.TryReceive();
    sdio.TrySend();
    sdio.Update();
}

void Sdio::ResponseDone(void* self)
{
    Sdio& sdio = *static_cast<Sdio*>(self);
    sdio.m_commandActive = false;
    if (!sdio.m_responded)
    {
        sdio.SetFlags(SDIO_STA_CTIMEOUT);
        sdio.Update();
        return;
    }
    const SdResponse& response = sdio.m_response;
    const bool longExpected = ((sdio.Value(cmd) & SDIO_CMD_WAITRESP) >> 6) == 3;
    sdio.Value(respcmd) = response.index & SDIO_RESPCMD_RESPCMD;
    if (response.isLong)
    {
        for (unsigned i = 0; i < 4; ++i)
            sdio.Value(resp1 + 4 * i) = response.words[i];
        sdio.Value(resp1 + 12) &= ~1u; // the end bit is not stored
    }
    else
        sdio.Value(resp1) = response.words[0];
    // A frame of the other length is read as garbage: its CRC cannot match.
    const bool good = response.crcValid && longExpected == response.isLong;
    sdio.SetFlags(good ? SDIO_STA_CMDREND : SDIO_STA_CCRCFAIL);
    sdio.Update();
}

// ---- data path ----

void Sdio::PushWord(uint32_t word)
{
    if (m_fifoLevel == fifoWords)
    {
        board().Warn("SDIO FIFO written while full: word lost");
        return;
    }
    m_fifo[(m_fifoHead + m_fifoLevel) % fifoWords] = word;
    ++m_fifoLevel;
    if ((Value(dctrl) & SDIO_DCTRL_DTDIR) == 0 && m_fifoWordsLeft > 0)
    {
        --m_fifoWordsLeft;
        TrySend();
    }
}

uint32_t Sdio::PopWord()
{
    if (m_fifoLevel == 0)
        return 0;
    const uint32_t word = m_fifo[m_fifoHead];
    m_fifoHead = (m_fifoHead + 1) % fifoWords;
    --m_fifoLevel;
    if ((Value(dctrl) & SDIO_DCTRL_DTDIR) != 0 && m_fifoWordsLeft > 0)
        --m_fifoWordsLeft;
    return word;
}

void Sdio::StartData()
{
    const uint32_t control = Value(dctrl);
    m_blockSize = 1u << ((control & SDIO_DCTRL_DBLOCKSIZE) >> 4);
    if (m_blockSize > sizeof m_block)
    {
        Unimplemented("reserved DBLOCKSIZE value 15", dctrl, control);
        return;
    }
    Value(dcount) = Value(dlen);
    m_fifoHead = 0;
    m_fifoLevel = 0;
    m_fifoWordsLeft = (Value(dlen) + 3) / 4;
    if (Value(dlen) == 0)
    {
        EndData(SDIO_STA_DATAEND);
        return;
    }
    if (control & SDIO_DCTRL_DTDIR)
    {
        m_data = DataState::WaitReceive;
        ArmDataTimeout();
        TryReceive();
    }
    else
    {
        m_data = DataState::WaitSend;
        TrySend();
    }
}

void Sdio::StopData()
{
    board().clock().Cancel(m_dataEvent);
    board().clock().Cancel(m_timeoutEvent);
    m_data = DataState::Idle;
    m_fifoHead = 0;
    m_fifoLevel = 0;
    m_fifoWordsLeft = 0;
}

// The data path goes idle with `flags`; received words stay in the FIFO for the DMA.
void Sdio::EndData(uint32_t flags)
{
    board().clock().Cancel(m_dataEvent);
    board().clock().Cancel(m_timeoutEvent);
    m_data = DataState::Idle;
    SetFlags(flags);
    Update();
}

void Sdio::ArmDataTimeout()
{
    if (BusClockHz() != 0)
        board().clock().ScheduleIn(m_timeoutEvent, Clocks(Value(dtimer)));
}

void Sdio::DataTimeout(void* self)
{
    Sdio& sdio = *static_cast<Sdio*>(self);
    if (sdio.m_data == DataState::WaitReceive || sdio.m_data == DataState::Busy)
        sdio.EndData(SDIO_STA_DTIMEOUT);
}

void Sdio::TryReceive()
{
    if (m_data != DataState::WaitReceive || m_dataEvent.scheduled || !DataPinsRouted())
        return;
    unsigned length = 0;
    Tick readyAt = 0;
    if (!m_card.HasReadBlock(length, readyAt))
        return;
    bool crcGood = true;
    m_card.TakeReadBlock(m_block, std::min<unsigned>(length, sizeof m_block), crcGood);
    // A block of another size or on another bus width arrives garbled.
    m_blockCrcGood = crcGood && length == m_blockSize && m_card.BusWidth() == BusWidth();
    m_removeHalfway = m_card.TakeRemovalFault();
    m_blockDone = 0;
    m_data = DataState::Receive;
    board().clock().Cancel(m_timeoutEvent);
    const Tick start = std::max(readyAt, board().clock().Now());
    const unsigned bytes = std::min(chunkBytes, m_blockSize);
    board().clock().Schedule(m_dataEvent, start + Clocks(1 + bytes * 8 / BusWidth()));
}

void Sdio::TrySend()
{
    if (m_data != DataState::WaitSend || m_dataEvent.scheduled || m_fifoLevel == 0)
        return;
    m_data = DataState::Send;
    m_blockDone = 0;
    m_removeHalfway = m_card.TakeRemovalFault();
    const unsigned bytes = std::min(chunkBytes, m_blockSize);
    // Two clocks before the start bit, then the first bytes.
    board().clock().ScheduleIn(m_dataEvent, Clocks(3 + bytes * 8 / BusWidth()));
}

void Sdio::DataStep(void* self)
{
    Sdio& sdio = *static_cast<Sdio*>(self);
    if (sdio.m_data == DataState::Receive)
        sdio.ReceiveStep();
    else if (sdio.m_data == DataState::Send)
        sdio.SendStep();
    else if (sdio.m_data == DataState::Busy)
    {
        // The card released DAT0: programming finished.
        if (sdio.Value(dcount) == 0)
            sdio.EndData(SDIO_STA_DATAEND);
        else
        {
            sdio.m_data = DataState::WaitSend;
            sdio.TrySend();
            sdio.Update();
        }
    }
}

void Sdio::ReceiveStep()
{
    if (m_blockDone == m_blockSize)
    {
        // CRC16 and end bit received.
        if (!m_blockCrcGood)
        {
            EndData(SDIO_STA_DCRCFAIL);
            return;
        }
        SetFlags(SDIO_STA_DBCKEND);
        if (Value(dcount) == 0)
        {
            EndData(SDIO_STA_DATAEND);
            return;
        }
        m_data = DataState::WaitReceive;
        ArmDataTimeout();
        TryReceive();
        Update();
        return;
    }
    if (!m_card.Inserted() || (m_removeHalfway && m_blockDone >= m_blockSize / 2))
    {
        // The card is gone: no more bits come, and the Receive state has no timeout.
        if (m_removeHalfway)
            m_card.Remove();
        m_removeHalfway = false;
        return;
    }
    const unsigned bytes = std::min(chunkBytes, m_blockSize - m_blockDone);
    for (unsigned i = 0; i < bytes; i += 4)
    {
        if (m_fifoLevel == fifoWords)
        {
            EndData(SDIO_STA_RXOVERR);
            return;
        }
        uint32_t word = 0;
        for (unsigned b = 0; b < 4 && i + b < bytes; ++b)
            word |= static_cast<uint32_t>(m_block[m_blockDone + i + b]) << (8 * b);
        m_fifo[(m_fifoHead + m_fifoLevel) % fifoWords] = word;
        ++m_fifoLevel;
    }
    m_blockDone += bytes;
    Value(dcount) -= std::min(Value(dcount), bytes);
    if (m_blockDone == m_blockSize)
        board().clock().ScheduleIn(m_dataEvent, Clocks(17));
    else
    {
        const unsigned next = std::min(chunkBytes, m_blockSize - m_blockDone);
        board().clock().ScheduleIn(m_dataEvent, Clocks(next * 8 / BusWidth()));
    }
    Update();
}

void Sdio::SendStep()
{
    if (m_blockDone == m_blockSize)
    {
        // CRC16, end bit and the card's CRC status token are through.
        unsigned length = 0;
        const bool listening = m_card.Inserted() && DataPinsRouted() && m_card.ExpectsWriteBlock(length);
        if (!listening)
        {
            // No status token: the data path waits in Busy until its timer runs out.
            m_data = DataState::Busy;
            ArmDataTimeout();
            Update();
            return;
        }
        const bool crcGood = length == m_blockSize && m_card.BusWidth() == BusWidth();
        Tick busyUntil = 0;
        if (!m_card.ReceiveWriteBlock(m_block, m_blockSize, crcGood, busyUntil))
        {
            EndData(SDIO_STA_DCRCFAIL);
            return;
        }
        SetFlags(SDIO_STA_DBCKEND);
        m_data = DataState::Busy;
        board().clock().Schedule(m_dataEvent, std::max(busyUntil, board().clock().Now()));
        Update();
        return;
    }
    if (m_removeHalfway && m_blockDone >= m_blockSize / 2)
    {
        m_removeHalfway = false;
        m_card.Remove();
    }
    const unsigned bytes = std::min(chunkBytes, m_blockSize - m_blockDone);
    for (unsigned i = 0; i < bytes; i += 4)
    {
        if (m_fifoLevel == 0)
        {
            EndData(SDIO_STA_TXUNDERR);
            return;
        }
        const uint32_t word = m_fifo[m_fifoHead];
        m_fifoHead = (m_fifoHead + 1) % fifoWords;
        --m_fifoLevel;
        for (unsigned b = 0; b < 4 && i + b < bytes; ++b)
            m_block[m_blockDone + i + b] = static_cast<uint8_t>(word >> (8 * b));
    }
    m_blockDone += bytes;
    Value(dcount) -= std::min(Value(dcount), bytes);
    if (m_blockDone == m_blockSize)
        board().clock().ScheduleIn(m_dataEvent, Clocks(17 + 8));
    else
    {
        const unsigned next = std::min(chunkBytes, m_blockSize - m_blockDone);
        board().clock().ScheduleIn(m_dataEvent, Clocks(next * 8 / BusWidth()));
    }
    Update();
}

} // namespace Sim
