// Base of every chip peripheral model: registers declared as data, one Reset(), one Update().
// See sim/README.md for how to write a model.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Sim
{

class Board;
class Peripheral;

// Which bus an access crosses; decides its cost in CPU cycles.
enum class BusKind : uint8_t
{
    Ahb1,
    Ahb2,
    Ahb3,
    Apb1,
    Apb2,
    Ppb, // the core's private peripheral bus (SCB, NVIC, SysTick)
    Count
};

// One register: its offset and reset value, and per bit how it behaves. A bit belongs to at most
// one of the masks; a bit in none is reserved (writing anything but its reset value is reported).
struct Register
{
    using WriteHook = void (Peripheral::*)(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    using ReadHook = uint32_t (Peripheral::*)(Register& reg);

    const char* name = "";
    uint32_t offset = 0;
    uint32_t reset = 0;
    uint32_t value = 0;

    uint32_t rw = 0;  // read/write
    uint32_t ro = 0;  // read-only (the model sets it; writes are ignored)
    uint32_t w1c = 0; // cleared by writing 1 (rc_w1)
    uint32_t w0c = 0; // cleared by writing 0 (rc_w0), writing 1 keeps it
    uint32_t rc = 0;  // cleared by a read (rc_r)
    uint32_t wo = 0;  // write-only actions: read as 0, not stored, seen by the write hook
    bool dataPort = false; // a FIFO or data window: repeated reads are a stream, not a poll

    WriteHook onWrite = nullptr; // after the stored value changed
    ReadHook onRead = nullptr;   // computes the value read (e.g. a counter running in time)

    // Fluent set-up, used in a model's constructor.
    Register& Rw(uint32_t mask) { rw |= mask; return *this; }
    Register& Ro(uint32_t mask) { ro |= mask; return *this; }
    Register& W1c(uint32_t mask) { w1c |= mask; return *this; }
    Register& W0c(uint32_t mask) { w0c |= mask; return *this; }
    Register& Rc(uint32_t mask) { rc |= mask; return *this; }
    Register& Wo(uint32_t mask) { wo |= mask; return *this; }
    Register& DataPort() { dataPort = true; return *this; }
    template <typename Model>
    Register& OnWrite(void (Model::*hook)(Register&, uint32_t, uint32_t, uint32_t))
    {
        onWrite = static_cast<WriteHook>(hook);
        return *this;
    }
    template <typename Model> Register& OnRead(uint32_t (Model::*hook)(Register&))
    {
        onRead = static_cast<ReadHook>(hook);
        return *this;
    }

    uint32_t Implemented() const { return rw | ro | w1c | w0c | rc | wo; }
};

class Peripheral
{
public:
    // Maps [base, base + size) on the board's bus. `size` is a multiple of 256.
    Peripheral(Board& board, const char* name, uint32_t base, uint32_t size, BusKind bus);
    virtual ~Peripheral();
    Peripheral(const Peripheral&) = delete;
    Peripheral& operator=(const Peripheral&) = delete;

    const char* Name() const { return m_name; }
    uint32_t Base() const { return m_base; }
    uint32_t Size() const { return m_size; }
    BusKind Bus() const { return m_bus; }

    // Restores every register to its reset value and the model's state to power-on; calls Update().
    virtual void Reset();
    // A system reset (AIRCR.SYSRESETREQ, NRST): the same as a power-on reset unless the model keeps
    // state that survives it (the backup domain, the reset flags).
    virtual void SystemReset() { Reset(); }
    // Recomputes interrupt and request lines from the registers.
    virtual void Update() {}
    // The clock tree or this peripheral's clock enable changed (models that run in time rebase).
    virtual void OnClockChange() {}

    // Bus accesses: `offset` from the base, `size` 1, 2 or 4. The default implementation serves the
    // declared registers; models with FIFO windows and the like override these.
    virtual uint32_t Read(uint32_t offset, unsigned size);
    virtual void Write(uint32_t offset, uint32_t value, unsigned size);

    // Extra bus cycles (beyond the bus's own) that an access costs; FSMC regions override this.
    virtual uint32_t ExtraCost(uint32_t offset, bool write) const
    {
        (void)offset;
        (void)write;
        return 0;
    }

    // Clock gating: the peripheral answers only while `mask` is set in the enable register
    // (another model's register value). Reads give 0 and writes are lost while it is clear.
    void SetClockGate(const uint32_t* enableRegister, uint32_t mask)
    {
        m_gateRegister = enableRegister;
        m_gateMask = mask;
    }
    bool ClockEnabled() const { return m_gateRegister == nullptr || (*m_gateRegister & m_gateMask) != 0; }
    // Reset gating: while `mask` is set in the reset register the peripheral stays at its reset
    // state and writes are lost.
    void SetResetGate(const uint32_t* resetRegister, uint32_t mask)
    {
        m_resetRegister = resetRegister;
        m_resetMask = mask;
    }
    bool HeldInReset() const { return m_resetRegister != nullptr && (*m_resetRegister & m_resetMask) != 0; }

    // Whether repeated reads at `offset` stream data (FIFO windows override this for whole ranges).
    virtual bool IsDataPort(uint32_t offset) const
    {
        const uint32_t word = offset / 4;
        return word < m_byWord.size() && m_byWord[word] >= 0 && m_registers[static_cast<size_t>(m_byWord[word])].dataPort;
    }

    // The name of the register at `offset` (for diagnostics and the trace), or nullptr.
    const char* RegisterName(uint32_t offset) const;
    Register* FindRegister(uint32_t offset);

protected:
    // Declares a 32-bit register at `offset` (word aligned).
    Register& Define(const char* name, uint32_t offset, uint32_t reset);

    Board& board() const { return m_board; }

    // Reports an access that the model does not implement (error in strict mode).
    void Unimplemented(const char* what, uint32_t offset, uint32_t value) const;

private:
    Board& m_board;
    const char* m_name;
    uint32_t m_base;
    uint32_t m_size;
    BusKind m_bus;
    const uint32_t* m_gateRegister = nullptr;
    uint32_t m_gateMask = 0;
    const uint32_t* m_resetRegister = nullptr;
    uint32_t m_resetMask = 0;
    std::vector<Register> m_registers;
    std::vector<int16_t> m_byWord; // register index per word offset, -1 for none
    bool m_clockOffReported = false;

    friend class Board;
};

} // namespace Sim
