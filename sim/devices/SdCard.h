// Fidelity: the SD Association's simplified physical layer document (card states, command set of the
// identification and data transfer modes, R1/R2/R3/R6/R7 responses, card status bits, CID and CSD
// version 1.0 and 2.0 layouts, OCR power-up and capacity bits). Models a card in the board's
// push-push socket: the socket's card-detect switch pulls PB15 low while a card is in it; the
// card's blocks are a disk image file on the host, read and written in place.
// Modelled: CMD0, CMD2, CMD3, CMD7, CMD8, CMD9, CMD12, CMD13, CMD16, CMD17, CMD24, CMD55, ACMD6,
// ACMD41 (busy until the power-up time has passed; a high-capacity card stays busy when the host
// does not announce high-capacity support), SDSC byte addressing and SDHC block addressing, the
// programming busy time after a write, the card's temporary write protection (WP_VIOLATION, the
// block is not written), a locked card (CARD_IS_LOCKED), version 1.x cards (no answer to CMD8)
// and MultiMediaCards (no answer to CMD8 nor CMD55). Illegal commands get no response and change
// nothing. Faults the world can inject: a response with a CRC
// error, a missing response, a response naming another command, a data block with a CRC error,
// a removal halfway through the next data block.
// Differs: no multi-block commands, erase, lock/unlock, switch function or SD status; the
// socket's mechanical write-protect tab is not wired on this board, so write protection is the
// card's own; the MultiMediaCard answers nothing beyond CMD0/CMD2/CMD9/CMD7 (its own
// initialisation is not modelled); the write-protect of a real card would be reported in the
// status after the data, here it is in CMD24's response.
#pragma once

#include "sim/Clock.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace Sim
{

class Board;

// One response as the card drives it onto the CMD line.
struct SdResponse
{
    bool isLong = false;
    uint8_t index = 0;    // the command index field (0x3F for R2 and R3)
    uint32_t words[4] = {}; // short: words[0] is the 32-bit payload; long: bits 127..0, words[0] = 127..96
    bool crcValid = true; // R3 carries no CRC
};

class SdCard
{
public:
    enum class Kind : uint8_t
    {
        Auto,         // high capacity above 2 GiB, otherwise standard capacity version 2
        StandardV1,   // SD 1.x: no answer to CMD8
        StandardV2,   // SD 2.0 standard capacity
        HighCapacity, // SDHC, block addressed
        MultiMedia,   // MMC: no answer to CMD8 nor to CMD55
    };
    enum class Fault : uint8_t
    {
        ResponseCrc,           // the next response fails its CRC check at the controller
        NoResponse,            // the next command is not received: no response at all
        DataCrc,               // the next data block (either direction) fails its CRC
        RemovedDuringTransfer, // the card is pulled out halfway through the next data block
        WrongIndex,            // the next short response carries another command's index
    };

    explicit SdCard(Board& board);
    ~SdCard();
    SdCard(const SdCard&) = delete;
    SdCard& operator=(const SdCard&) = delete;

    // ---- the world ----
    // Puts a card whose blocks are the image file in the socket (the card-detect pin goes low).
    // Returns false with `error` set when the image cannot be opened or is not a whole number of
    // 512-byte blocks; the socket stays empty then.
    bool Insert(const std::string& imagePath, Kind kind = Kind::Auto, std::string* error = nullptr);
    // Pulls the card out (the card-detect pin goes high); the image file is closed.
    void Remove();
    bool Inserted() const { return m_fd >= 0; }
    void SetWriteProtected(bool on) { m_writeProtected = on; }
    void SetLocked(bool on) { m_locked = on; }
    void InjectFault(Fault fault, unsigned count = 1);
    void SetPowerUpTime(Tick ticks) { m_powerUpTime = ticks; }
    void SetProgrammingTime(Tick ticks) { m_programmingTime = ticks; }
    void SetReadAccessTime(Tick ticks) { m_readAccessTime = ticks; }
    bool IsHighCapacity() const { return m_kind == Kind::HighCapacity; }
    uint64_t Capacity() const { return m_capacity; }
    // Every command the card received (index, argument), for scripted expectations.
    const std::vector<std::pair<uint8_t, uint32_t>>& Commands() const { return m_commands; }
    void ClearCommands() { m_commands.clear(); }
    // The card's current state (0 idle .. 8 disconnect), 0xFF when absent or unpowered.
    unsigned State();
    unsigned BusWidth() const { return m_busWidth; }

    // ---- the controller's side of the bus ----
    // A command received at `now`; false when the card sends no response.
    bool Command(uint8_t index, uint32_t argument, SdResponse& response);
    // A block the card will send: its length and when its start bit can come.
    bool HasReadBlock(unsigned& length, Tick& readyAt) const;
    // Takes the block (the card leaves the data state); `crcGood` false for an injected fault.
    bool TakeReadBlock(uint8_t* data, unsigned length, bool& crcGood);
    // Whether the card waits for a write block of `length` bytes.
    bool ExpectsWriteBlock(unsigned& length) const;
    // The card receives a block; false: negative CRC status (nothing written). `busyUntil` is the
    // end of the programming busy time.
    bool ReceiveWriteBlock(const uint8_t* data, unsigned length, bool crcGood, Tick& busyUntil);
    // Whether the card's next data block is to be interrupted by its removal (consumes the fault).
    bool TakeRemovalFault();

private:
    enum State : uint8_t
    {
        stateIdle = 0,
        stateReady = 1,
        stateIdent = 2,
        stateStandby = 3,
        stateTransfer = 4,
        stateData = 5,
        stateReceive = 6,
        stateProgram = 7,
        stateDisconnect = 8,
        stateInactive = 0xFE,
        stateOff = 0xFF,
    };

    void SettleState();
    uint32_t Status();
    void ShortResponse(SdResponse& response, uint8_t index, uint32_t payload);
    void R1(SdResponse& response, uint8_t index, uint32_t extraErrors = 0);
    void BuildRegisters();
    bool TakeFault(Fault fault);
    Tick Now() const;

    Board& m_board;
    int m_fd = -1;
    std::string m_path;
    Kind m_kind = Kind::Auto;
    uint64_t m_capacity = 0;
    bool m_writeProtected = false;
    bool m_locked = false;
    bool m_powered = false;
    uint8_t m_state = stateOff;
    bool m_appCommand = false;     // the next command is an application command
    uint32_t m_pendingErrors = 0;  // reported in the next response (ILLEGAL_COMMAND, ...)
    Tick m_powerUpStarted = never;
    uint16_t m_rca = 0;
    unsigned m_busWidth = 1;
    uint32_t m_blockLength = 512;
    uint64_t m_dataAddress = 0; // byte offset in the image of the pending block
    Tick m_readyAt = 0;         // read data available / programming finished
    uint32_t m_cid[4] = {};
    uint32_t m_csd[4] = {};
    unsigned m_faults[5] = {};
    Tick m_powerUpTime;
    Tick m_programmingTime;
    Tick m_readAccessTime;
    std::vector<std::pair<uint8_t, uint32_t>> m_commands;
};

} // namespace Sim
