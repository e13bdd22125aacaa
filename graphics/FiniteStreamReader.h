#pragma once

namespace Velmora
{

// A readable, seekable byte source of known size: where fonts come from (flash, RAM, a card).
class FiniteStreamReader
{
public:
    // Copies up to count bytes from the current position, advances by the number copied and
    // returns it (0 at the end).
    virtual unsigned int Read(void* buffer, unsigned int count) = 0;
    virtual unsigned int GetCurrentPosition() = 0;
    // May throw when position is outside the data.
    virtual void Seek(unsigned int position) = 0;
    virtual unsigned int GetSize() const = 0;

protected:
    // Readers are owned and destroyed through their own type, never through this interface.
    ~FiniteStreamReader() = default;
};

} // namespace Velmora
