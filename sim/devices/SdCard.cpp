#include "sim/devices/SdCard.h"

#include "sim/Board.h"
#include "sim/models/Gpio.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Sim
{

namespace
{

// Card status bits.
constexpr uint32_t outOfRange = 1u << 31;
constexpr uint32_t addressError = 1u << 30;
constexpr uint32_t blockLengthError = 1u << 29;
constexpr uint32_t writeProtectViolation = 1u << 26;
constexpr uint32_t cardIsLocked = 1u << 25;
constexpr uint32_t readyForData = 1u << 8;
constexpr uint32_t appCommandBit = 1u << 5;

// OCR: 2.7 V to 3.6 V, power-up complete (bit 31), card capacity status (bit 30).
constexpr uint32_t ocrVoltages = 0x00FF8000;
constexpr uint32_t ocrReady = 0x80000000;
constexpr uint32_t ocrHighCapacity = 0x40000000;

constexpr uint16_t publishedRca = 0x59B4;
constexpr uint64_t twoGiB = 2ull << 30;

// The card detect switch of the socket: PB15.
constexpr int detectPort = 1;
constexpr int detectPin = 15;

// CRC7 (x^7 + x^3 + 1) of the CID and CSD registers, over bits 127..8.
uint8_t Crc7(const uint32_t (&words)[4])
{
    uint8_t crc = 0;
    for (int bit = 127; bit >= 8; --bit)
    {
        const unsigned in = (words[3 - bit / 32] >> (bit % 32)) & 1u;
        const unsigned top = (crc >> 6) & 1u;
        crc = static_cast<uint8_t>((crc << 1) & 0x7F);
        if (in ^ top)
            crc ^= 0x09;
    }
    return crc;
}

// Sets bits [high..low] of a 128-bit register held as four words, words[0] = bits 127..96.
void SetField(uint32_t (&words)[4], unsigned high, unsigned low, uint64_t value)
{
    for (unsigned bit = low; bit <= high; ++bit, value >>= 1)
    {
        uint32_t& word = words[3 - bit / 32];
        const uint32_t mask = 1u << (bit % 32);
        word = (value & 1u) ? (word | mask) : (word & ~mask);
    }
}

} // namespace

SdCard::SdCard(Board& board)
    : m_board(board), m_powerUpTime(100 * ticksPerMillisecond), m_programmingTime(250 * ticksPerMicrosecond),
      m_readAccessTime(100 * ticksPerMicrosecond)
{
}

SdCard::~SdCard()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

Tick SdCard::Now() const
{
    return m_board.clock().Now();
}

bool SdCard::Insert(const std::string& imagePath, Kind kind, std::string* error)
{
    if (m_fd >= 0)
        Remove();
    const int fd = ::open(imagePath.c_str(), O_RDWR);
    struct stat info;
    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size <= 0 || info.st_size % 512 != 0)
    {
        if (error != nullptr)
            *error = fd < 0 ? "cannot open card image " + imagePath + ": " + std::strerror(errno)
                            : "card image " + imagePath + " is not a whole number of 512-byte blocks";
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    m_fd = fd;
    m_path = imagePath;
    m_capacity = static_cast<uint64_t>(info.st_size);
    m_kind = kind == Kind::Auto ? (m_capacity > twoGiB ? Kind::HighCapacity : Kind::StandardV2) : kind;
    // A card gets its supply from the socket: it starts in the idle state.
    m_powered = true;
    m_state = stateIdle;
    m_rca = 0;
    m_busWidth = 1;
    m_blockLength = 512;
    m_appCommand = false;
    m_powerUpStarted = never;
    BuildRegisters();
    m_board.gpio(detectPort).Drive(detectPin, false);
    return true;
}

void SdCard::Remove()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_powered = false;
    m_state = stateOff;
    m_board.gpio(detectPort).Release(detectPin);
}

void SdCard::InjectFault(Fault fault, unsigned count)
{
    m_faults[static_cast<unsigned>(fault)] += count;
}

bool SdCard::TakeFault(Fault fault)
{
    unsigned& pending = m_faults[static_cast<unsigned>(fault)];
    if (pending == 0)
        return false;
    --pending;
    return true;
}

bool SdCard::TakeRemovalFault()
{
    return TakeFault(Fault::RemovedDuringTransfer);
}

void SdCard::BuildRegisters()
{
    std::memset(m_cid, 0, sizeof m_cid);
    SetField(m_cid, 127, 120, 0x5A);               // manufacturer
    SetField(m_cid, 119, 104, ('V' << 8) | 'B');   // OEM
    SetField(m_cid, 103, 64, 0x5643415244ull);     // product name "VCARD"
    SetField(m_cid, 63, 56, 0x10);                 // revision 1.0
    SetField(m_cid, 55, 24, 0x00C0FFEE);           // serial number
    SetField(m_cid, 19, 8, (26 << 4) | 12);        // manufactured 2026-12
    SetField(m_cid, 7, 1, Crc7(m_cid));
    SetField(m_cid, 0, 0, 1);

    std::memset(m_csd, 0, sizeof m_csd);
    SetField(m_csd, 103, 96, 0x32);  // 25 MHz
    SetField(m_csd, 95, 84, 0x5B5);  // command classes 0, 2, 4, 5, 7, 8, 10
    SetField(m_csd, 83, 80, 9);      // 512-byte read blocks
    SetField(m_csd, 46, 46, 1);      // erase by block
    SetField(m_csd, 45, 39, 0x7F);
    SetField(m_csd, 28, 26, 2);      // writes take four times as long as reads
    SetField(m_csd, 25, 22, 9);      // 512-byte write blocks
    SetField(m_csd, 14, 14, 1);
    // Access time: 1.0 x 100 us (TAAC unit 5, value 1); rounded to what TAAC can say.
    SetField(m_csd, 119, 112, (1 << 3) | 5);
    if (m_kind == Kind::HighCapacity)
    {
        SetField(m_csd, 127, 126, 1);
        SetField(m_csd, 69, 48, m_capacity / (512 * 1024) - 1);
    }
    else
    {
        // Capacity = (C_SIZE + 1) x 2^(C_SIZE_MULT + 2) x 2^READ_BL_LEN; the largest multiplier
        // that leaves C_SIZE within its 12 bits.
        unsigned blockLengthBits = 9;
        unsigned multiplier = 7;
        uint64_t units = m_capacity >> (blockLengthBits + multiplier + 2);
        if (units > 4096)
        {
            blockLengthBits = 10;
            units = m_capacity >> (blockLengthBits + multiplier + 2);
            SetField(m_csd, 83, 80, blockLengthBits);
        }
        while (units == 0 && multiplier > 0)
            units = m_capacity >> (blockLengthBits + --multiplier + 2);
        SetField(m_csd, 79, 79, 1); // partial reads allowed
        SetField(m_csd, 73, 62, units == 0 ? 0 : units - 1);
        SetField(m_csd, 49, 47, multiplier);
    }
    SetField(m_csd, 12, 12, m_writeProtected ? 1 : 0);
    SetField(m_csd, 7, 1, Crc7(m_csd));
    SetField(m_csd, 0, 0, 1);
}

void SdCard::SettleState()
{
    if (m_state == stateProgram && Now() >= m_readyAt)
        m_state = stateTransfer;
}

unsigned SdCard::State()
{
    if (!m_powered)
        return stateOff;
    SettleState();
    return m_state;
}

uint32_t SdCard::Status()
{
    SettleState();
    uint32_t status = static_cast<uint32_t>(m_state & 0x0F) << 9;
    if (m_state == stateTransfer)
        status |= readyForData;
    if (m_locked)
        status |= cardIsLocked;
    if (m_appCommand)
        status |= appCommandBit;
    return status;
}

void SdCard::ShortResponse(SdResponse& response, uint8_t index, uint32_t payload)
{
    response.isLong = false;
    response.index = TakeFault(Fault::WrongIndex) ? static_cast<uint8_t>(index ^ 1) : index;
    response.words[0] = payload;
    response.crcValid = !TakeFault(Fault::ResponseCrc);
}

void SdCard::R1(SdResponse& response, uint8_t index, uint32_t extraErrors)
{
    ShortResponse(response, index, Status() | extraErrors);
}

bool SdCard::Command(uint8_t index, uint32_t argument, SdResponse& response)
{
    if (!m_powered || m_state == stateInactive)
        return false;
    if (TakeFault(Fault::NoResponse))
        return false;
    m_commands.emplace_back(index, argument);
    SettleState();

    const bool mmc = m_kind == Kind::MultiMedia;
    const bool application = m_appCommand;
    m_appCommand = false;
    const bool addressed = (argument >> 16) == m_rca;

    if (application && !mmc)
    {
        if (index == 41 && m_state == stateIdle)
        {
            if (m_powerUpStarted == never)
                m_powerUpStarted = Now();
            const bool hostHighCapacity = (argument & ocrHighCapacity) != 0;
            const uint32_t window = argument & ocrVoltages;
            if (window != 0 && (window & ocrVoltages) == 0)
            {
                m_state = stateInactive;
                return false;
            }
            bool ready = Now() - m_powerUpStarted >= m_powerUpTime;
            // A high-capacity card never completes power-up for a host that does not support it.
            if (m_kind == Kind::HighCapacity && !hostHighCapacity)
                ready = false;
            uint32_t ocr = ocrVoltages;
            if (ready && window != 0)
            {
                ocr |= ocrReady | (m_kind == Kind::HighCapacity ? ocrHighCapacity : 0);
                m_state = stateReady;
            }
            ShortResponse(response, 0x3F, ocr);
            response.crcValid = false; // R3 has all ones where the CRC would be
            return true;
        }
        if (index == 6 && m_state == stateTransfer)
        {
            const uint32_t width = argument & 3;
            if (width != 0 && width != 2)
                return false;
            m_appCommand = true; // the response to an application command shows APP_CMD
            R1(response, index);
            m_appCommand = false;
            m_busWidth = width == 2 ? 4 : 1;
            return true;
        }
        // Any other index after CMD55 is taken as the standard command.
    }

    switch (index)
    {
    case 0:
        m_state = stateIdle;
        m_rca = 0;
        m_busWidth = 1;
        m_blockLength = 512;
        m_powerUpStarted = never;
        return false;
    case 8:
        if (m_kind == Kind::StandardV1 || mmc || m_state != stateIdle)
            return false;
        if (((argument >> 8) & 0x0F) != 1)
            return false; // voltage not supported: the card stays silent
        ShortResponse(response, index, argument & 0xFFF);
        return true;
    case 55:
        if (mmc || (m_state != stateIdle && !addressed))
            return false;
        m_appCommand = true;
        R1(response, index);
        return true;
    case 2:
        if (m_state != stateReady)
            return false;
        response.isLong = true;
        response.index = 0x3F;
        std::memcpy(response.words, m_cid, sizeof m_cid);
        response.crcValid = !TakeFault(Fault::ResponseCrc);
        m_state = stateIdent;
        return true;
    case 3:
    {
        if (m_state != stateIdent && m_state != stateStandby)
            return false;
        m_rca = publishedRca;
        m_state = stateStandby;
        const uint32_t status = Status();
        const uint32_t compact = ((status >> 8) & 0xE000) | (status & 0x1FFF);
        ShortResponse(response, index, (static_cast<uint32_t>(m_rca) << 16) | (compact & 0xFFFF));
        return true;
    }
    case 9:
        if (m_state != stateStandby || !addressed)
            return false;
        response.isLong = true;
        response.index = 0x3F;
        std::memcpy(response.words, m_csd, sizeof m_csd);
        response.crcValid = !TakeFault(Fault::ResponseCrc);
        return true;
    case 7:
        if (!addressed || m_rca == 0)
        {
            // Deselection: the card goes to stand-by and does not answer.
            if (m_state == stateTransfer || m_state == stateData)
                m_state = stateStandby;
            return false;
        }
        if (m_state != stateStandby && m_state != stateTransfer)
            return false;
        R1(response, index);
        m_state = stateTransfer;
        return true;
    case 13:
        if (!addressed || m_state < stateStandby || m_state > stateProgram)
            return false;
        R1(response, index);
        return true;
    case 16:
        if (m_state != stateTransfer)
            return false;
        if (m_kind == Kind::HighCapacity)
        {
            R1(response, index); // the block length is fixed at 512 bytes
            return true;
        }
        if (argument == 0 || argument > 512)
        {
            R1(response, index, blockLengthError);
            return true;
        }
        m_blockLength = argument;
        R1(response, index);
        return true;
    case 17:
    case 24:
    {
        if (m_state != stateTransfer || m_locked)
            return false;
        const bool write = index == 24;
        const uint64_t length = m_kind == Kind::HighCapacity ? 512 : m_blockLength;
        const uint64_t offset = m_kind == Kind::HighCapacity ? uint64_t(argument) * 512 : argument;
        uint32_t errors = 0;
        if (offset + length > m_capacity)
            errors |= outOfRange;
        else if (write && length != 512)
            errors |= blockLengthError; // no partial writes
        else if (offset / 512 != (offset + length - 1) / 512)
            errors |= addressError; // a block must not straddle two of the card's blocks
        else if (write && m_writeProtected)
            errors |= writeProtectViolation;
        R1(response, index, errors);
        if (errors == 0)
        {
            m_dataAddress = offset;
            m_state = write ? stateReceive : stateData;
            m_readyAt = Now() + m_readAccessTime;
        }
        return true;
    }
    case 12:
        if (m_state != stateData && m_state != stateReceive)
            return false;
        R1(response, index);
        m_state = stateTransfer;
        return true;
    default:
        return false;
    }
}

bool SdCard::HasReadBlock(unsigned& length, Tick& readyAt) const
{
    if (!m_powered || m_state != stateData)
        return false;
    length = m_kind == Kind::HighCapacity ? 512 : m_blockLength;
    readyAt = m_readyAt;
    return true;
}

bool SdCard::TakeReadBlock(uint8_t* data, unsigned length, bool& crcGood)
{
    if (!m_powered || m_state != stateData)
        return false;
    const ssize_t got = ::pread(m_fd, data, length, static_cast<off_t>(m_dataAddress));
    if (got != static_cast<ssize_t>(length))
        std::memset(data, 0xFF, length);
    crcGood = !TakeFault(Fault::DataCrc);
    m_state = stateTransfer;
    return true;
}

bool SdCard::ExpectsWriteBlock(unsigned& length) const
{
    if (!m_powered || m_state != stateReceive)
        return false;
    length = 512;
    return true;
}

bool SdCard::ReceiveWriteBlock(const uint8_t* data, unsigned length, bool crcGood, Tick& busyUntil)
{
    busyUntil = Now();
    if (!m_powered || m_state != stateReceive)
        return false;
    if (!crcGood || TakeFault(Fault::DataCrc))
    {
        m_state = stateTransfer;
        return false;
    }
    const ssize_t put = ::pwrite(m_fd, data, length, static_cast<off_t>(m_dataAddress));
    (void)put;
    m_state = stateProgram;
    m_readyAt = Now() + m_programmingTime;
    busyUntil = m_readyAt;
    return true;
}

} // namespace Sim
