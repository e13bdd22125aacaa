#pragma once

#include "storage/Fat.h"

#include <cstdint>
#include <exception>
#include <functional>

namespace Driver
{

// The card in the board's socket: watches the card-detect switch, powers the card up when it is
// inserted and down when it is removed, and moves 512-byte blocks by block number.
class SDCard
{
public:
    enum CardType : uint32_t
    {
        StandardCapacityV1 = 0, // did not answer CMD8
        StandardCapacityV2 = 1,
        HighCapacity = 2,       // blocks addressed by number
        MultiMediaCard = 3,     // did not answer ACMD41
    };

    static SDCard& GetInstance();

    // True while a card is in the socket (the detect input reads low).
    bool IsInserted() const;
    // The controller's power state: 3 on, 0 off.
    uint32_t GetPowerState() const;
    // Powers the card up (the SD initialisation sequence) or down. Powering up a controller that
    // is already powered does nothing.
    void On(bool on);

    unsigned ReadBlock(unsigned char* buffer, unsigned long block);
    unsigned WriteBlock(const unsigned char* buffer, unsigned long block);

    // Registers the card's volume with the FAT layer; throws std::runtime_error "Mount Failed: <r>"
    // when there is no card or no FAT volume on it.
    void Mount();
    bool IsMounted() const { return m_mounted; }

    // Handlers run in the card-detect interrupt.
    void SetOnInserted(std::function<void()> handler) { m_onInserted = std::move(handler); }
    void SetOnRemoved(std::function<void()> handler) { m_onRemoved = std::move(handler); }
    void SetOnError(std::function<void(const std::exception&)> handler) { m_onError = std::move(handler); }

    uint32_t GetCardType() const { return m_cardType; }
    uint16_t GetRCA() const { return m_rca; }
    const unsigned char* GetCID() const { return m_cid; }
    const unsigned char* GetCSD() const { return m_csd; }

    SDCard(const SDCard&) = delete;
    SDCard& operator=(const SDCard&) = delete;

private:
    SDCard();

    void CardDetected();
    void PowerUp();
    void PowerDown();
    unsigned long CardAddress(unsigned long block) const;

    bool m_mounted = false;
    std::function<void()> m_onInserted;
    std::function<void()> m_onRemoved;
    std::function<void(const std::exception&)> m_onError;
    uint32_t m_cardType = StandardCapacityV1;
    uint32_t m_capacityRequest = 0;
    uint16_t m_rca = 0;
    unsigned char m_cid[16] = {};
    unsigned char m_csd[16] = {};
    FATFS m_volume; // the work area the FAT layer keeps while the volume is mounted
};

} // namespace Driver
