#include "sim/models/Dma.h"

#include "sim/Board.h"
#include "sim/Memory.h"

#include <cstdio>
#include <cstring>

namespace Sim
{

namespace
{

constexpr uint32_t flagFeif = 0x01;
constexpr uint32_t flagDmeif = 0x04;
constexpr uint32_t flagTeif = 0x08;
constexpr uint32_t flagHtif = 0x10;
constexpr uint32_t flagTcif = 0x20;
constexpr uint32_t streamFlags = flagFeif | flagDmeif | flagTeif | flagHtif | flagTcif;
constexpr uint32_t statusBits = 0x0F7D0F7D;
constexpr unsigned flagShift[4] = {0, 6, 16, 22};

constexpr uint32_t interruptEnables = DMA_SxCR_DMEIE | DMA_SxCR_TEIE | DMA_SxCR_HTIE | DMA_SxCR_TCIE;
// Every SxCR bit but reserved bit 20.
constexpr uint32_t controlBits = 0x0FEFFFFF;

constexpr unsigned beatsOf[4] = {1, 4, 8, 16};

enum Register_
{
    regCr,
    regNdtr,
    regPar,
    regM0ar,
    regM1ar,
    regFcr,
};

const char* const streamRegisterNames[8][6] = {
    {"S0CR", "S0NDTR", "S0PAR", "S0M0AR", "S0M1AR", "S0FCR"},
    {"S1CR", "S1NDTR", "S1PAR", "S1M0AR", "S1M1AR", "S1FCR"},
    {"S2CR", "S2NDTR", "S2PAR", "S2M0AR", "S2M1AR", "S2FCR"},
    {"S3CR", "S3NDTR", "S3PAR", "S3M0AR", "S3M1AR", "S3FCR"},
    {"S4CR", "S4NDTR", "S4PAR", "S4M0AR", "S4M1AR", "S4FCR"},
    {"S5CR", "S5NDTR", "S5PAR", "S5M0AR", "S5M1AR", "S5FCR"},
    {"S6CR", "S6NDTR", "S6PAR", "S6M0AR", "S6M1AR", "S6FCR"},
    {"S7CR", "S7NDTR", "S7PAR", "S7M0AR", "S7M1AR", "S7FCR"},
};

struct Shape
{
    unsigned direction;   // 0 peripheral to memory, 1 memory to peripheral, 2 memory to memory
    bool fifo;            // FIFO mode (DMDIS)
    unsigned psize;       // bytes
    unsigned msize;       // bytes (PSIZE in direct mode)
    unsigned pbeats;      // beats per peripheral burst
    unsigned mbeats;      // beats per memory burst
    unsigned threshold;   // FIFO threshold in bytes
    bool pinc;
    bool minc;
    bool circular;
    bool peripheralFlow;
};

Shape ShapeOf(uint32_t cr, uint32_t fcr)
{
    Shape shape;
    shape.direction = (cr & DMA_SxCR_DIR) >> 6;
    shape.fifo = (fcr & DMA_SxFCR_DMDIS) != 0;
    shape.psize = 1u << ((cr & DMA_SxCR_PSIZE) >> 11);
    shape.msize = shape.fifo ? 1u << ((cr & DMA_SxCR_MSIZE) >> 13) : shape.psize;
    // Bursts need the FIFO; in direct mode the hardware forces single transfers.
    shape.pbeats = shape.fifo ? beatsOf[(cr & DMA_SxCR_PBURST) >> 21] : 1;
    shape.mbeats = shape.fifo ? beatsOf[(cr & DMA_SxCR_MBURST) >> 23] : 1;
    shape.threshold = 4 * ((fcr & DMA_SxFCR_FTH) + 1);
    shape.pinc = (cr & DMA_SxCR_PINC) != 0;
    shape.minc = (cr & DMA_SxCR_MINC) != 0;
    shape.circular = (cr & DMA_SxCR_CIRC) != 0;
    shape.peripheralFlow = (cr & DMA_SxCR_PFCTRL) != 0;
    return shape;
}

} // namespace

Dma::Dma(Board& board, int number)
    : Peripheral(board, number == 1 ? "DMA1" : "DMA2", number == 1 ? 0x40026000 : 0x40026400, 0x400,
                 BusKind::Ahb1),
      m_number(number)
{
    m_status[0] = &Define("LISR", 0x00, 0).Ro(statusBits);
    m_status[1] = &Define("HISR", 0x04, 0).Ro(statusBits);
    Define("LIFCR", 0x08, 0).Wo(statusBits).OnWrite(&Dma::ClearLow);
    Define("HIFCR", 0x0C, 0).Wo(statusBits).OnWrite(&Dma::ClearHigh);
    for (unsigned s = 0; s < 8; ++s)
    {
        const uint32_t base = StreamOffset(s);
        Define(streamRegisterNames[s][regCr], base + 0x00, 0).Rw(controlBits).OnWrite(&Dma::ControlWritten);
        Define(streamRegisterNames[s][regNdtr], base + 0x04, 0).Rw(0xFFFF).OnWrite(&Dma::ProtectedWritten);
        Define(streamRegisterNames[s][regPar], base + 0x08, 0).Rw(0xFFFFFFFF).OnWrite(&Dma::ProtectedWritten);
        Define(streamRegisterNames[s][regM0ar], base + 0x0C, 0).Rw(0xFFFFFFFF).OnWrite(&Dma::ProtectedWritten);
        Define(streamRegisterNames[s][regM1ar], base + 0x10, 0).Rw(0xFFFFFFFF).OnWrite(&Dma::ProtectedWritten);
        Define(streamRegisterNames[s][regFcr], base + 0x14, 0x21)
            .Rw(DMA_SxFCR_FEIE | DMA_SxFCR_DMDIS | DMA_SxFCR_FTH)
            .Ro(DMA_SxFCR_FS)
            .OnWrite(&Dma::FifoControlWritten)
            .OnRead(&Dma::ReadFifoControl);
    }
    // Pointers into the register table are taken once it is complete (it may grow while filled).
    m_status[0] = FindRegister(0x00);
    m_status[1] = FindRegister(0x04);
    for (unsigned s = 0; s < 8; ++s)
    {
        for (unsigned r = 0; r < 6; ++r)
            m_registers[s][r] = FindRegister(StreamOffset(s) + 4 * r);
        Stream& stream = m_streams[s];
        stream.owner = this;
        stream.number = s;
        stream.step = Event("DMA stream burst", &Dma::StepEvent, &stream);
        stream.stopped = Event("DMA stream stop", &Dma::StoppedEvent, &stream);
    }
    static const int dma1Irqs[8] = {11, 12, 13, 14, 15, 16, 17, 47};
    static const int dma2Irqs[8] = {56, 57, 58, 59, 60, 68, 69, 70};
    for (unsigned s = 0; s < 8; ++s)
        m_irq[s] = number == 1 ? dma1Irqs[s] : dma2Irqs[s];
}

uint32_t& Dma::CR(unsigned s) { return m_registers[s][regCr]->value; }
uint32_t& Dma::NDTR(unsigned s) { return m_registers[s][regNdtr]->value; }
uint32_t& Dma::PAR(unsigned s) { return m_registers[s][regPar]->value; }
uint32_t& Dma::M0AR(unsigned s) { return m_registers[s][regM0ar]->value; }
uint32_t& Dma::FCR(unsigned s) { return m_registers[s][regFcr]->value; }

uint32_t Dma::Flags(unsigned s) const
{
    return (m_status[s / 4]->value >> flagShift[s % 4]) & streamFlags;
}

void Dma::SetFlags(unsigned s, uint32_t flags)
{
    m_status[s / 4]->value |= (flags & streamFlags) << flagShift[s % 4];
}

void Dma::Reset()
{
    for (Stream& stream : m_streams)
    {
        board().clock().Cancel(stream.step);
        board().clock().Cancel(stream.stopped);
        stream.active = false;
        stream.lastRequested = false;
        stream.halfReported = false;
        stream.items = 0;
        stream.fifoLevel = 0;
    }
    for (uint8_t& requests : m_requests)
        requests = 0;
    Peripheral::Reset();
}

void Dma::Update()
{
    for (unsigned s = 0; s < 8; ++s)
    {
        const uint32_t flags = Flags(s);
        const uint32_t cr = CR(s);
        const bool line = ((flags & flagTcif) && (cr & DMA_SxCR_TCIE)) || ((flags & flagHtif) && (cr & DMA_SxCR_HTIE)) ||
                          ((flags & flagTeif) && (cr & DMA_SxCR_TEIE)) ||
                          ((flags & flagDmeif) && (cr & DMA_SxCR_DMEIE)) ||
                          ((flags & flagFeif) && (FCR(s) & DMA_SxFCR_FEIE));
        board().core().SetIrqLine(m_irq[s], line);
    }
}

bool Dma::IsStreamEnabled(unsigned stream) const
{
    return (m_registers[stream][regCr]->value & DMA_SxCR_EN) != 0;
}

void Dma::InjectFlags(unsigned stream, uint32_t flags)
{
    SetFlags(stream, flags);
    Update();
}

void Dma::SetRequest(unsigned stream, unsigned channel, bool active, bool last)
{
    if (stream >= 8 || channel >= 8)
        return;
    if (active)
        m_requests[stream] |= static_cast<uint8_t>(1u << channel);
    else
        m_requests[stream] &= static_cast<uint8_t>(~(1u << channel));

    Stream& s = m_streams[stream];
    if (!Selected(stream, channel))
        return;
    if (active && last)
        s.lastRequested = true;
    if (active && s.active && !s.step.scheduled && !s.stopped.scheduled)
        ScheduleStep(s, 2);
}

bool Dma::Selected(unsigned stream, unsigned channel)
{
    return ((CR(stream) & DMA_SxCR_CHSEL) >> 25) == channel;
}

bool Dma::Requested(unsigned stream)
{
    return (m_requests[stream] >> ((CR(stream) & DMA_SxCR_CHSEL) >> 25)) & 1u;
}

// ---- register hooks ----

void Dma::ClearLow(Register&, uint32_t, uint32_t written, uint32_t)
{
    m_status[0]->value &= ~(written & statusBits);
}

void Dma::ClearHigh(Register&, uint32_t, uint32_t written, uint32_t)
{
    m_status[1]->value &= ~(written & statusBits);
}

void Dma::ControlWritten(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    Stream& stream = m_streams[StreamOf(reg.offset)];
    if (previous & DMA_SxCR_EN)
    {
        // While the stream runs only EN and the interrupt enables can change.
        const uint32_t free = DMA_SxCR_EN | interruptEnables;
        reg.value = (previous & ~free) | (reg.value & free);
        if ((reg.value & DMA_SxCR_EN) == 0)
        {
            if (!stream.step.scheduled)
            {
                Stop(stream); // nothing in flight
                return;
            }
            // The burst in flight completes first; EN reads 1 until then.
            reg.value |= DMA_SxCR_EN;
            if (!stream.stopped.scheduled)
                board().clock().ScheduleIn(stream.stopped, 4 * TicksPerCycle(board().HclkHz()));
        }
        return;
    }
    if (reg.value & DMA_SxCR_EN)
        Start(stream);
}

void Dma::ProtectedWritten(Register& reg, uint32_t previous, uint32_t written, uint32_t)
{
    const unsigned s = StreamOf(reg.offset);
    if (CR(s) & DMA_SxCR_EN)
    {
        reg.value = previous;
        char message[96];
        std::snprintf(message, sizeof message, "write to %s ignored while the stream is enabled", reg.name);
        Report(m_streams[s], message, written, false);
    }
}

void Dma::FifoControlWritten(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    const unsigned s = StreamOf(reg.offset);
    if (CR(s) & DMA_SxCR_EN)
    {
        const uint32_t locked = DMA_SxFCR_DMDIS | DMA_SxFCR_FTH;
        reg.value = (previous & locked) | (reg.value & ~locked);
    }
}

uint32_t Dma::ReadFifoControl(Register& reg)
{
    const Stream& stream = m_streams[StreamOf(reg.offset)];
    uint32_t status;
    if (stream.fifoLevel == 0)
        status = 4;
    else if (stream.fifoLevel >= 16)
        status = 5;
    else
        status = stream.fifoLevel / 4;
    return (reg.value & ~DMA_SxFCR_FS) | (status << 3);
}

// ---- engine ----

void Dma::Report(const Stream& stream, const char* what, uint32_t value, bool error)
{
    char message[256];
    std::snprintf(message, sizeof message, "%s stream %u: %s (0x%08X)", Name(), stream.number, what,
                  static_cast<unsigned>(value));
    if (error)
        board().Diagnose(message);
    else
        board().Warn(message);
}

void Dma::Start(Stream& stream)
{
    const unsigned s = stream.number;
    uint32_t& cr = CR(s);

    if (Flags(s) != 0)
    {
        // The stream cannot start while an event flag of its previous transfer is still set.
        cr &= ~DMA_SxCR_EN;
        Report(stream, "enable refused: event flags still set", Flags(s), false);
        return;
    }

    const unsigned direction = (cr & DMA_SxCR_DIR) >> 6;
    if (direction == 3)
    {
        cr &= ~DMA_SxCR_EN;
        Report(stream, "reserved transfer direction", cr, true);
        return;
    }
    if (direction == 2)
    {
        // Memory-to-memory: the flow controller is the DMA, and the transfer cannot be circular.
        cr &= ~DMA_SxCR_PFCTRL;
        if (m_number == 1)
        {
            cr &= ~DMA_SxCR_EN;
            SetFlags(s, flagTeif);
            Report(stream, "memory-to-memory is not possible on DMA1", cr, false);
            return;
        }
        if ((FCR(s) & DMA_SxFCR_DMDIS) == 0 || (cr & DMA_SxCR_CIRC) != 0)
        {
            cr &= ~DMA_SxCR_EN;
            Report(stream, "memory-to-memory needs FIFO mode and no circular mode", cr, true);
            return;
        }
    }
    if (cr & DMA_SxCR_PFCTRL)
        cr &= ~DMA_SxCR_CIRC; // forced by the hardware under peripheral flow control
    if (cr & DMA_SxCR_DBM)
    {
        cr &= ~DMA_SxCR_EN;
        Report(stream, "double-buffer mode is not modelled", cr, true);
        return;
    }
    if (((cr & DMA_SxCR_PSIZE) >> 11) == 3 || ((cr & DMA_SxCR_MSIZE) >> 13) == 3)
    {
        cr &= ~DMA_SxCR_EN;
        Report(stream, "reserved data size", cr, true);
        return;
    }

    const Shape shape = ShapeOf(cr, FCR(s));
    if (shape.fifo && (shape.mbeats * shape.msize > shape.threshold ||
                       (shape.mbeats > 1 && shape.threshold % (shape.mbeats * shape.msize) != 0) ||
                       shape.pbeats * shape.psize > 16))
    {
        // A burst that does not fit the FIFO threshold: the stream does not start.
        cr &= ~DMA_SxCR_EN;
        SetFlags(s, flagFeif);
        Report(stream, "FIFO threshold incompatible with the burst configuration", cr, false);
        return;
    }
    if (PAR(s) % shape.psize != 0 || M0AR(s) % shape.msize != 0)
    {
        cr &= ~DMA_SxCR_EN;
        Report(stream, "address not aligned to its data size", PAR(s) % shape.psize != 0 ? PAR(s) : M0AR(s),
               true);
        return;
    }

    if (shape.peripheralFlow)
        NDTR(s) = 0xFFFF;
    stream.items = NDTR(s);
    stream.active = true;
    stream.halfReported = false;
    stream.lastRequested = false;
    stream.peripheralAddress = BusAddressIn(StreamOffset(s) + 0x08, PAR(s));
    stream.memoryAddress = BusAddressIn(StreamOffset(s) + 0x0C, M0AR(s));
    stream.fifoLevel = 0;
    stream.memoryBytesLeft = shape.peripheralFlow ? ~0u : stream.items * shape.psize;

    if (stream.items == 0)
    {
        Finish(stream);
        return;
    }
    if (direction == 2 || Requested(s))
        ScheduleStep(stream, 2);
}

// An address register holds a bus address (VELMORA_BUS_ADDRESS) or, when the firmware wrote a
// whole host pointer into it, the low half of one that the board remembers.
uint32_t Dma::BusAddressIn(uint32_t offset, uint32_t value)
{
    if (board().Lookup(value) != nullptr)
        return value;
    return Memory::BusAddressOf(board().HostAddress(Base() + offset, value));
}

void Dma::ScheduleStep(Stream& stream, uint32_t cycles)
{
    board().clock().ScheduleIn(stream.step, cycles * TicksPerCycle(board().HclkHz()));
}

void Dma::StepEvent(void* context)
{
    Stream& stream = *static_cast<Stream*>(context);
    stream.owner->Step(stream);
}

void Dma::StoppedEvent(void* context)
{
    Stream& stream = *static_cast<Stream*>(context);
    stream.owner->Stop(stream);
}

void Dma::Step(Stream& stream)
{
    const unsigned s = stream.number;
    if (!stream.active || stream.stopped.scheduled || !ClockEnabled())
        return;
    const Shape shape = ShapeOf(CR(s), FCR(s));
    uint32_t cycles;
    if (shape.direction == 2)
        cycles = MoveMemoryToMemory(stream);
    else if (Requested(s))
        cycles = MoveBurst(stream);
    else
        return;
    if (stream.active && (shape.direction == 2 || Requested(s)))
        ScheduleStep(stream, cycles);
    Update();
}

void Dma::Stop(Stream& stream)
{
    const unsigned s = stream.number;
    if (stream.active)
    {
        const Shape shape = ShapeOf(CR(s), FCR(s));
        uint32_t cycles = 0;
        if (shape.direction != 1)
            DrainFifo(stream, true, cycles);
        board().clock().Cancel(stream.step);
        stream.active = false;
    }
    stream.fifoLevel = 0;
    CR(s) &= ~DMA_SxCR_EN;
    // Disabling a stream ends its transfer.
    SetFlags(s, flagTcif);
    Update();
}

void Dma::Finish(Stream& stream)
{
    const unsigned s = stream.number;
    const Shape shape = ShapeOf(CR(s), FCR(s));
    uint32_t cycles = 0;
    if (shape.direction != 1)
        DrainFifo(stream, true, cycles);
    if (!stream.active && stream.items != 0)
        return; // a transfer error while draining
    SetFlags(s, flagTcif);
    if (shape.circular)
    {
        NDTR(s) = stream.items;
        stream.peripheralAddress = BusAddressIn(StreamOffset(s) + 0x08, PAR(s));
        stream.memoryAddress = BusAddressIn(StreamOffset(s) + 0x0C, M0AR(s));
        stream.halfReported = false;
        stream.memoryBytesLeft = stream.items * shape.psize;
        stream.fifoLevel = 0;
        return;
    }
    stream.active = false;
    stream.fifoLevel = 0;
    board().clock().Cancel(stream.step);
    CR(s) &= ~DMA_SxCR_EN;
}

void Dma::CountItems(Stream& stream, uint32_t moved)
{
    const unsigned s = stream.number;
    uint32_t& ndtr = NDTR(s);
    ndtr = ndtr >= moved ? ndtr - moved : 0;
    const bool peripheralFlow = (CR(s) & DMA_SxCR_PFCTRL) != 0;
    if (!stream.halfReported && !peripheralFlow && ndtr <= stream.items / 2)
    {
        stream.halfReported = true;
        SetFlags(s, flagHtif);
    }
}

void Dma::TransferError(Stream& stream, const char* what, uint32_t address)
{
    const unsigned s = stream.number;
    Report(stream, what, address, false);
    SetFlags(s, flagTeif);
    stream.active = false;
    stream.fifoLevel = 0;
    board().clock().Cancel(stream.step);
    CR(s) &= ~DMA_SxCR_EN;
}

bool Dma::BusRead(Stream& stream, uint32_t address, unsigned size, uint32_t& value)
{
    if (Peripheral* peripheral = board().Lookup(address))
    {
        if (!peripheral->ClockEnabled())
        {
            TransferError(stream, "read from a peripheral whose clock is off", address);
            return false;
        }
        value = peripheral->Read(address - peripheral->Base(), size);
        return true;
    }
    bool reachable = false;
    const uint8_t* memory = Memory::At(address, size, reachable);
    if (memory == nullptr || !reachable)
    {
        TransferError(stream, memory == nullptr ? "read where no memory answers" : "read from memory the DMA cannot reach",
                      address);
        return false;
    }
    value = 0;
    std::memcpy(&value, memory, size);
    return true;
}

bool Dma::BusWrite(Stream& stream, uint32_t address, unsigned size, uint32_t value)
{
    if (Peripheral* peripheral = board().Lookup(address))
    {
        if (!peripheral->ClockEnabled())
        {
            TransferError(stream, "write to a peripheral whose clock is off", address);
            return false;
        }
        peripheral->Write(address - peripheral->Base(), value, size);
        return true;
    }
    bool reachable = false;
    uint8_t* memory = Memory::At(address, size, reachable);
    if (memory == nullptr || !reachable || !Memory::Writable(address))
    {
        TransferError(stream, memory == nullptr ? "write where no memory answers" : "write to memory the DMA cannot reach",
                      address);
        return false;
    }
    std::memcpy(memory, &value, size);
    return true;
}

// Moves FIFO bytes to memory in memory bursts; with `all`, also the rest that does not fill a
// burst (end of transfer or disable).
bool Dma::DrainFifo(Stream& stream, bool all, uint32_t& cycles)
{
    const unsigned s = stream.number;
    const Shape shape = ShapeOf(CR(s), FCR(s));
    const unsigned burstBytes = shape.mbeats * shape.msize;
    while (stream.active && stream.fifoLevel > 0)
    {
        unsigned itemSize = shape.msize;
        unsigned beats = shape.mbeats;
        if (stream.fifoLevel < burstBytes)
        {
            if (!all && stream.fifoLevel < shape.threshold)
                return true;
            beats = 1;
            if (stream.fifoLevel < itemSize)
                itemSize = 1;
        }
        if (beats > 1 && shape.minc && (stream.memoryAddress % 1024) + burstBytes > 1024)
            Report(stream, "memory burst crosses a 1 KB boundary", stream.memoryAddress, true);
        for (unsigned beat = 0; beat < beats && stream.active; ++beat)
        {
            uint32_t value = 0;
            std::memcpy(&value, stream.fifo, itemSize);
            if (!BusWrite(stream, stream.memoryAddress, itemSize, value))
                return false;
            std::memmove(stream.fifo, stream.fifo + itemSize, stream.fifoLevel - itemSize);
            stream.fifoLevel -= itemSize;
            if (shape.minc)
                stream.memoryAddress += itemSize;
            cycles += 1;
        }
        cycles += 2;
    }
    return stream.active;
}

// Reads memory into the FIFO in memory bursts until it holds `needed` bytes or the memory side
// has nothing left.
bool Dma::FillFifo(Stream& stream, unsigned needed, uint32_t& cycles)
{
    const unsigned s = stream.number;
    const Shape shape = ShapeOf(CR(s), FCR(s));
    while (stream.active && stream.fifoLevel < needed && stream.memoryBytesLeft > 0)
    {
        unsigned beats = shape.mbeats;
        if (16 - stream.fifoLevel < beats * shape.msize || stream.memoryBytesLeft < beats * shape.msize)
            beats = 1;
        const unsigned itemSize = stream.memoryBytesLeft < shape.msize ? 1 : shape.msize;
        if (beats > 1 && shape.minc && (stream.memoryAddress % 1024) + beats * itemSize > 1024)
            Report(stream, "memory burst crosses a 1 KB boundary", stream.memoryAddress, true);
        for (unsigned beat = 0; beat < beats && stream.active; ++beat)
        {
            uint32_t value = 0;
            if (!BusRead(stream, stream.memoryAddress, itemSize, value))
                return false;
            std::memcpy(stream.fifo + stream.fifoLevel, &value, itemSize);
            stream.fifoLevel += itemSize;
            stream.memoryBytesLeft -= itemSize;
            if (shape.minc)
                stream.memoryAddress += itemSize;
            cycles += 1;
        }
        cycles += 2;
    }
    return stream.active;
}

uint32_t Dma::MoveMemoryToMemory(Stream& stream)
{
    const unsigned s = stream.number;
    const Shape shape = ShapeOf(CR(s), FCR(s));
    uint32_t cycles = 2;
    // The peripheral port reads up to the FIFO threshold, then the memory port writes it out.
    unsigned items = shape.threshold / shape.psize;
    if (items == 0)
        items = 1;
    if (items > NDTR(s))
        items = NDTR(s);
    for (unsigned i = 0; i < items && stream.active; ++i)
    {
        uint32_t value = 0;
        if (!BusRead(stream, stream.peripheralAddress, shape.psize, value))
            return cycles;
        std::memcpy(stream.fifo + stream.fifoLevel, &value, shape.psize);
        stream.fifoLevel += shape.psize;
        if (shape.pinc)
            stream.peripheralAddress += shape.psize;
        cycles += 1;
        CountItems(stream, 1);
    }
    if (!DrainFifo(stream, NDTR(s) == 0, cycles))
        return cycles;
    if (NDTR(s) == 0)
        Finish(stream);
    return cycles;
}

uint32_t Dma::MoveBurst(Stream& stream)
{
    const unsigned s = stream.number;
    const Shape shape = ShapeOf(CR(s), FCR(s));
    uint32_t cycles = 2;
    // A request marked last while this burst is under way is the next one, not this one.
    const bool servingLast = stream.lastRequested;
    unsigned beats = shape.pbeats;
    if (!shape.peripheralFlow && beats > NDTR(s))
        beats = NDTR(s);
    if (beats > 1 && shape.pinc && (stream.peripheralAddress % 1024) + beats * shape.psize > 1024)
        Report(stream, "peripheral burst crosses a 1 KB boundary", stream.peripheralAddress, true);

    if (shape.direction == 0)
    {
        for (unsigned beat = 0; beat < beats && stream.active; ++beat)
        {
            uint32_t value = 0;
            if (!BusRead(stream, stream.peripheralAddress, shape.psize, value))
                return cycles;
            cycles += 2;
            if (shape.fifo)
            {
                if (stream.fifoLevel + shape.psize > 16)
                {
                    // Overrun: the memory side could not keep up; the item is lost.
                    SetFlags(s, flagFeif);
                    continue;
                }
                std::memcpy(stream.fifo + stream.fifoLevel, &value, shape.psize);
                stream.fifoLevel += shape.psize;
            }
            else
            {
                if (!BusWrite(stream, stream.memoryAddress, shape.psize, value))
                    return cycles;
                if (shape.minc)
                    stream.memoryAddress += shape.psize;
                cycles += 1;
            }
            if (shape.pinc)
                stream.peripheralAddress += shape.psize;
            CountItems(stream, 1);
        }
        if (shape.fifo && !DrainFifo(stream, false, cycles))
            return cycles;
    }
    else
    {
        if (shape.fifo && !FillFifo(stream, beats * shape.psize, cycles))
            return cycles;
        for (unsigned beat = 0; beat < beats && stream.active; ++beat)
        {
            uint32_t value = 0;
            if (shape.fifo)
            {
                if (stream.fifoLevel < shape.psize)
                {
                    SetFlags(s, flagFeif); // underrun
                    break;
                }
                std::memcpy(&value, stream.fifo, shape.psize);
                std::memmove(stream.fifo, stream.fifo + shape.psize, stream.fifoLevel - shape.psize);
                stream.fifoLevel -= shape.psize;
            }
            else
            {
                if (!BusRead(stream, stream.memoryAddress, shape.psize, value))
                    return cycles;
                if (shape.minc)
                    stream.memoryAddress += shape.psize;
                cycles += 1;
            }
            if (!BusWrite(stream, stream.peripheralAddress, shape.psize, value))
                return cycles;
            cycles += 2;
            if (shape.pinc)
                stream.peripheralAddress += shape.psize;
            CountItems(stream, 1);
        }
    }

    if (stream.active && (NDTR(s) == 0 || (shape.peripheralFlow && servingLast)))
        Finish(stream);
    return cycles;
}

} // namespace Sim
