// DMA controller model (DMA1, DMA2): eight streams each, with their request channels, FIFOs,
// flags and interrupt lines.
//
// Fidelity: follows the reference manual's DMA controller chapter (RM0090 section 10) at the level
// the firmware relies on:
// - LISR/HISR flags (read-only) cleared by writing 1 to LIFCR/HIFCR;
// - SxCR/SxNDTR/SxPAR/SxM0AR/SxM1AR and SxFCR's DMDIS/FTH are write-protected while EN is set;
// - the EN handshake: a stream cannot be enabled while one of its flags is set; writing EN = 0
//   lets the current beat finish, then EN reads 0 and TCIF is set (the FIFO is flushed first);
// - memory-to-memory transfers (DMA2 only) run by themselves; peripheral-to-memory and
//   memory-to-peripheral transfers move one burst per request of the peripheral selected by
//   CHSEL (SetRequest); peripheral flow control ends a transfer at the peripheral's last request;
// - the 4-word FIFO with its threshold, packing and unpacking between PSIZE and MSIZE, FS in
//   SxFCR, and the direct mode (no FIFO, items of PSIZE);
// - HTIF at half of the items, TCIF at the end, circular reload, interrupt lines per stream from
//   the flags and their enables;
// - configuration errors the silicon reacts to: FIFO threshold incompatible with the memory
//   burst (FEIF, stream not enabled), an access no memory or peripheral answers or core-coupled
//   RAM, which the DMA cannot reach (TEIF, stream disabled), memory-to-memory on DMA1 (TEIF).
// Knowingly different: time per beat is a fixed estimate (AHB memory beat 1 HCLK cycle,
// peripheral beat 2, 2 cycles of arbitration per burst) and streams do not compete for the bus;
// double-buffer mode, PINCOS and the direct-mode error (DMEIF, a request arriving before the
// previous item reached memory) are not modelled; unaligned addresses and bursts crossing a 1 KB
// boundary, which the manual forbids, are reported as errors of the firmware.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"

#include <array>
#include <cstdint>

namespace Sim
{

class Dma : public Peripheral
{
public:
    // `number` is 1 or 2.
    Dma(Board& board, int number);

    void Reset() override;
    void Update() override;

    // A peripheral's request line towards `stream` on request channel `channel` (the mapping
    // table of the reference manual: SDIO is DMA2 stream 3 or 6, channel 4). A request is a level:
    // while it is active and the stream is enabled with that channel, the stream moves one burst
    // after another. `last` marks the final request of a transfer under peripheral flow control.
    void SetRequest(unsigned stream, unsigned channel, bool active, bool last = false);

    // Test hook standing in for faults the silicon reports: sets flags of a stream (bits as in
    // the stream's slot of LISR: FEIF 0x01, DMEIF 0x04, TEIF 0x08, HTIF 0x10, TCIF 0x20).
    void InjectFlags(unsigned stream, uint32_t flags);

    bool IsStreamEnabled(unsigned stream) const;

private:
    struct Stream
    {
        Dma* owner = nullptr;
        unsigned number = 0;
        Event step;      // the next burst (memory-to-memory) or request service
        Event stopped;   // the end of the beat in flight after software cleared EN
        bool active = false;
        bool lastRequested = false;
        bool halfReported = false;
        uint32_t items = 0;       // items at enable (for HTIF and circular reload)
        uint32_t peripheralAddress = 0;
        uint32_t memoryAddress = 0;
        uint32_t memoryBytesLeft = 0; // what the memory side still has to read (memory to peripheral)
        uint8_t fifo[16] = {};
        unsigned fifoLevel = 0;
    };

    // Register layout.
    static uint32_t StreamOffset(unsigned stream) { return 0x10 + 0x18 * stream; }
    static unsigned StreamOf(uint32_t offset) { return (offset - 0x10) / 0x18; }
    uint32_t& CR(unsigned s);
    uint32_t& NDTR(unsigned s);
    uint32_t& PAR(unsigned s);
    uint32_t& M0AR(unsigned s);
    uint32_t& FCR(unsigned s);
    uint32_t Flags(unsigned s) const;
    void SetFlags(unsigned s, uint32_t flags);

    // Register hooks.
    void ClearLow(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void ClearHigh(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void ControlWritten(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void ProtectedWritten(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void FifoControlWritten(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadFifoControl(Register& reg);

    // Engine.
    bool Selected(unsigned stream, unsigned channel);
    bool Requested(unsigned stream);
    void Start(Stream& stream);
    void Stop(Stream& stream);
    void Finish(Stream& stream);
    uint32_t BusAddressIn(uint32_t offset, uint32_t value);
    void ScheduleStep(Stream& stream, uint32_t cycles);
    void Step(Stream& stream);
    static void StepEvent(void* context);
    static void StoppedEvent(void* context);
    uint32_t MoveBurst(Stream& stream);
    uint32_t MoveMemoryToMemory(Stream& stream);
    bool DrainFifo(Stream& stream, bool all, uint32_t& cycles);
    bool FillFifo(Stream& stream, unsigned needed, uint32_t& cycles);
    void CountItems(Stream& stream, uint32_t moved);

    // Bus master accesses; false when nothing answers at the address.
    bool BusRead(Stream& stream, uint32_t address, unsigned size, uint32_t& value);
    bool BusWrite(Stream& stream, uint32_t address, unsigned size, uint32_t value);
    void TransferError(Stream& stream, const char* what, uint32_t address);
    void Report(const Stream& stream, const char* what, uint32_t value, bool error);

    int m_number;
    Register* m_status[2] = {};
    Register* m_registers[8][6] = {};
    Stream m_streams[8];
    uint8_t m_requests[8] = {}; // active request channels per stream
    int m_irq[8] = {};
};

} // namespace Sim
