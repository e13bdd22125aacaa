#include "sim/Peripheral.h"

#include "sim/Board.h"

#include <cstdio>

namespace Sim
{

Peripheral::Peripheral(Board& board, const char* name, uint32_t base, uint32_t size, BusKind bus)
    : m_board(board), m_name(name), m_base(base), m_size(size), m_bus(bus), m_byWord(size / 4, -1)
{
    m_registers.reserve(64);
    board.Attach(*this);
}

Peripheral::~Peripheral() = default;

Register& Peripheral::Define(const char* name, uint32_t offset, uint32_t reset)
{
    Register reg;
    reg.name = name;
    reg.offset = offset;
    reg.reset = reset;
    reg.value = reset;
    // The index table refers by position, so the vector may grow freely.
    m_byWord.at(offset / 4) = static_cast<int16_t>(m_registers.size());
    m_registers.push_back(reg);
    return m_registers.back();
}

Register* Peripheral::FindRegister(uint32_t offset)
{
    const uint32_t word = offset / 4;
    if (word >= m_byWord.size() || m_byWord[word] < 0)
        return nullptr;
    return &m_registers[static_cast<size_t>(m_byWord[word])];
}

const char* Peripheral::RegisterName(uint32_t offset) const
{
    const uint32_t word = offset / 4;
    if (word >= m_byWord.size() || m_byWord[word] < 0)
        return nullptr;
    return m_registers[static_cast<size_t>(m_byWord[word])].name;
}

void Peripheral::Reset()
{
    for (Register& reg : m_registers)
        reg.value = reg.reset;
    Update();
}

uint32_t Peripheral::Read(uint32_t offset, unsigned size)
{
    Register* reg = FindRegister(offset);
    if (reg == nullptr)
    {
        Unimplemented("read of an unimplemented register", offset, 0);
        return 0;
    }
    // A read hook computes the whole value; stored values never hold write-only bits.
    const uint32_t value = reg->onRead != nullptr ? (this->*(reg->onRead))(*reg) : (reg->value & ~reg->wo);
    if (reg->rc != 0)
    {
        reg->value &= ~reg->rc;
        Update();
    }
    const unsigned shift = (offset & 3) * 8;
    const uint32_t mask = size >= 4 ? 0xFFFFFFFFu : ((1u << (size * 8)) - 1);
    return (value >> shift) & mask;
}

void Peripheral::Write(uint32_t offset, uint32_t value, unsigned size)
{
    Register* reg = FindRegister(offset);
    if (reg == nullptr)
    {
        Unimplemented("write to an unimplemented register", offset, value);
        return;
    }
    const unsigned shift = (offset & 3) * 8;
    const uint32_t lanes = (size >= 4 ? 0xFFFFFFFFu : ((1u << (size * 8)) - 1)) << shift;
    const uint32_t written = (value << shift) & lanes;

    const uint32_t reserved = ~reg->Implemented() & lanes;
    if (((written ^ reg->reset) & reserved) != 0)
        Unimplemented("write to unimplemented bits", reg->offset, written);

    const uint32_t previous = reg->value;
    uint32_t next = (previous & ~(reg->rw & lanes)) | (written & reg->rw);
    next &= ~(written & reg->w1c);
    next &= ~(~written & reg->w0c & lanes);
    reg->value = next;
    if (reg->onWrite != nullptr)
        (this->*(reg->onWrite))(*reg, previous, written, lanes);
    Update();
}

void Peripheral::Unimplemented(const char* what, uint32_t offset, uint32_t value) const
{
    const char* regName = RegisterName(offset);
    char message[256];
    std::snprintf(message, sizeof message, "%s: %s at offset 0x%03X%s%s%s (address 0x%08X), value 0x%08X", m_name,
                  what, static_cast<unsigned>(offset), regName != nullptr ? " (" : "",
                  regName != nullptr ? regName : "", regName != nullptr ? ")" : "",
                  static_cast<unsigned>(m_base + offset), static_cast<unsigned>(value));
    m_board.Diagnose(message);
}

} // namespace Sim
