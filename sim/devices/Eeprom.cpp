// Fidelity: see the note in Eeprom.h.
#include "sim/devices/Eeprom.h"

#include "sim/Board.h"

#include <cstdio>

namespace Sim
{

Eeprom::Eeprom(Board& board)
    : m_board(board), m_memory(FactoryEepromImage()), m_writeDone("EEPROM write cycle", &Eeprom::WriteDone, this)
{
    m_memory.resize(size, 0xFF);
}

void Eeprom::SetContents(uint32_t offset, const std::vector<uint8_t>& bytes)
{
    for (size_t i = 0; i < bytes.size() && offset + i < size; ++i)
        m_memory[offset + i] = bytes[i];
}

bool Eeprom::Load(const std::string& path, std::string& error)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
    {
        error = "cannot open " + path;
        return false;
    }
    std::vector<uint8_t> image(size + 1);
    const size_t count = std::fread(image.data(), 1, image.size(), file);
    std::fclose(file);
    if (count != size)
    {
        error = path + ": an EEPROM image is exactly " + std::to_string(size) + " bytes, this file has " +
                (count > size ? "more" : std::to_string(count));
        return false;
    }
    image.resize(size);
    m_memory = image;
    return true;
}

bool Eeprom::Save(const std::string& path, std::string& error) const
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
    {
        error = "cannot create " + path;
        return false;
    }
    const size_t count = std::fwrite(m_memory.data(), 1, m_memory.size(), file);
    const bool closed = std::fclose(file) == 0;
    if (count != m_memory.size() || !closed)
    {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

void Eeprom::Start()
{
    // A START before the STOP abandons a page write.
    m_pending.clear();
    m_addressed = false;
}

void Eeprom::Stop()
{
    m_addressed = false;
    if (m_pending.empty())
        return;
    for (const auto& entry : m_pending)
        m_memory[entry.first] = entry.second;
    m_pending.clear();
    m_board.clock().ScheduleIn(m_writeDone, writeCycle);
}

bool Eeprom::Select(bool)
{
    // Busy with a write cycle: the device does not answer (the master polls for the ACK).
    return !Writing();
}

bool Eeprom::Receive(uint8_t byte)
{
    if (!m_addressed)
    {
        m_address = byte;
        m_addressed = true;
        return true;
    }
    // Within a page the address wraps: the ninth byte of a page write overwrites the first.
    bool replaced = false;
    for (auto& entry : m_pending)
        if (entry.first == m_address)
        {
            entry.second = byte;
            replaced = true;
        }
    if (!replaced)
        m_pending.emplace_back(m_address, byte);
    m_address = static_cast<uint8_t>((m_address & ~(pageSize - 1)) | ((m_address + 1) & (pageSize - 1)));
    return true;
}

uint8_t Eeprom::Transmit()
{
    const uint8_t byte = m_memory[m_address];
    m_address = static_cast<uint8_t>(m_address + 1); // sequential reads roll over the whole array
    return byte;
}

void Eeprom::WriteDone(void*) {}

} // namespace Sim
