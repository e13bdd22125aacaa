#pragma once

namespace Velmora
{

// The board has no Ethernet function; the singleton exists so that the library's set of global
// services is the same on every board of the family.
class Ethernet
{
public:
    static Ethernet& GetInstance();
    virtual ~Ethernet();

    Ethernet(const Ethernet&) = delete;
    Ethernet& operator=(const Ethernet&) = delete;

private:
    Ethernet() = default;
};

extern Ethernet& ethernet;

} // namespace Velmora
