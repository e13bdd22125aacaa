#include "storage/SDCard.h"

#include "storage/Driver/SDCard.h"

namespace Velmora
{

SDCard& SDCard::GetInstance()
{
    static SDCard card;
    return card;
}

SDCard::SDCard()
{
    Driver::SDCard::GetInstance();
}

} // namespace Velmora
