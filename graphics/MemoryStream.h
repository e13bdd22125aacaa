#pragma once

#include "graphics/FiniteStreamReader.h"

#include <cstdint>

namespace Velmora
{

// A reader over bytes it does not own, such as a font in flash; nothing is copied.
class MemoryStream : public FiniteStreamReader
{
public:
    MemoryStream(const unsigned char* buffer, unsigned int size);
    virtual ~MemoryStream() = default;

    unsigned int Read(void* buffer, unsigned int count) override;
    unsigned int GetCurrentPosition() override;
    // Throws std::runtime_error, leaving the position as it was, unless position < size.
    void Seek(unsigned int position) override;
    unsigned int GetSize() const override;

private:
    const uint8_t* m_buffer;
    uint32_t m_size;
    uint32_t m_position;
};

} // namespace Velmora
