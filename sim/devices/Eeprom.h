// Fidelity: a 2-Kbit I2C serial EEPROM of the 24C02 kind (256 x 8, device address 1010 A2 A1 A0
// with the address pins low): one-byte word address; byte and page writes of up to 8 bytes that
// roll over within their page and are committed only at the STOP that ends them; a self-timed
// write cycle of 5 ms (the data sheets' maximum) during which the device acknowledges nothing;
// current-address, random and sequential reads, the address counter rolling over from the last
// byte to the first. The contents survive resets of the chip and are loaded and saved by the
// front-end.
// Differs: no write-protect pin; the write cycle always takes the maximum time.
#pragma once

#include "sim/Clock.h"
#include "sim/devices/I2cBus.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Sim
{

class Board;

class Eeprom : public I2cDevice
{
public:
    static constexpr uint32_t size = 256;
    static constexpr uint32_t pageSize = 8;
    static constexpr Tick writeCycle = 5 * ticksPerMillisecond;

    explicit Eeprom(Board& board);

    // The stored bytes, as the front-end sees them.
    const std::vector<uint8_t>& Contents() const { return m_memory; }
    void SetContents(uint32_t offset, const std::vector<uint8_t>& bytes);
    // Loads or saves the whole image (exactly `size` bytes); false with a reason on failure, and
    // a failed load leaves the contents as they were.
    bool Load(const std::string& path, std::string& error);
    bool Save(const std::string& path, std::string& error) const;
    bool Writing() const { return m_writeDone.scheduled; }

    void Start() override;
    void Stop() override;
    bool Select(bool read) override;
    bool Receive(uint8_t byte) override;
    uint8_t Transmit() override;

private:
    static void WriteDone(void* self);

    Board& m_board;
    std::vector<uint8_t> m_memory;
    uint8_t m_address = 0; // the word address counter
    bool m_addressed = false; // the word address byte of this write has arrived
    std::vector<std::pair<uint8_t, uint8_t>> m_pending; // bytes of a page write awaiting STOP
    Event m_writeDone;
};

// The image the board's EEPROM holds when it leaves the factory (256 bytes).
std::vector<uint8_t> FactoryEepromImage();

} // namespace Sim
