#pragma once

namespace Velmora
{

// The SD card socket. Creating it arms the card detection, so a card already in the socket is
// powered up at once; the card's volume is reached with the f_* functions of storage/Fat.h
// after Driver::SDCard::Mount.
class SDCard
{
public:
    static SDCard& GetInstance();

    SDCard(const SDCard&) = delete;
    SDCard& operator=(const SDCard&) = delete;

private:
    SDCard();
};

// The library's global reference to the card socket, bound at start-up with the other global
// references; it is SDCard::GetInstance().
extern SDCard& sdCard;

} // namespace Velmora
