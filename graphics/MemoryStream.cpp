#include "graphics/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace Velmora
{

MemoryStream::MemoryStream(const unsigned char* buffer, unsigned int size)
    : m_buffer(buffer), m_size(size), m_position(0)
{
}

unsigned int MemoryStream::Read(void* buffer, unsigned int count)
{
    const uint32_t n = std::min<uint32_t>(count, m_size - m_position);
    if (n != 0)
    {
        std::memcpy(buffer, m_buffer + m_position, n);
    }
    m_position += n;
    return n;
}

unsigned int MemoryStream::GetCurrentPosition()
{
    return m_position;
}

void MemoryStream::Seek(unsigned int position)
{
    if (position >= m_size)
    {
        throw std::runtime_error("MemoryStream: Can't seek beyond the bounds of the buffer");
    }
    m_position = position;
}

unsigned int MemoryStream::GetSize() const
{
    return m_size;
}

} // namespace Velmora
