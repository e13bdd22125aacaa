#include "storage/Driver/SDCard.h"

#include "drivers/Driver/DigitalInput.h"
#include "storage/SDIO.h"
#include "system/Stopwatch.h"
#include "system/System.h"

#include "stm32f4xx_sdio.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace Driver
{

namespace
{

constexpr DigitalInput::Channel cardDetectChannel = 0;
constexpr uint32_t poweredOn = 3;
// CMD8: 2.7-3.6 V, check pattern 0xAA.
constexpr unsigned long interfaceCondition = 0x1AA;
// ACMD41: busy bit as the host sets it, 3.2-3.3 V window.
constexpr unsigned long operatingConditionBase = 0x80000000 | 0x00100000;
constexpr uint32_t highCapacityRequest = 0x40000000;
constexpr float powerUpLimitMilliseconds = 1000.0f;
constexpr uint32_t cardLockedBit = 1u << 25;
constexpr unsigned long fourBitBus = 2;

bool TimedOut(const SDIO::Exception& e)
{
    return (e.GetStatus() & SDIO_STA_CTIMEOUT) != 0;
}

} // namespace

SDCard& SDCard::GetInstance()
{
    static SDCard card;
    return card;
}

SDCard::SDCard()
    : m_onInserted([] {}), m_onRemoved([] {}), m_onError([](const std::exception&) {}), m_volume()
{
    DigitalInput& detect = DigitalInput::GetInstance(cardDetectChannel);
    detect.SetInterruptHandler([this] { CardDetected(); });
    detect.EnableInterrupt(Velmora::Edge::Both, true);
    // A card already in the socket at power-on.
    CardDetected();
}

bool SDCard::IsInserted() const
{
    // The socket's switch pulls the input low while a card is in.
    return DigitalInput::GetInstance(cardDetectChannel).IsOff();
}

uint32_t SDCard::GetPowerState() const
{
    return SDIO_GetPowerState() & 0xFF;
}

void SDCard::CardDetected()
{
    try
    {
        if (IsInserted())
        {
            try
            {
                On(true);
            }
            catch (const std::exception& e)
            {
                m_onError(e);
            }
            catch (...)
            {
                m_onError(std::runtime_error("SDCard: Initialization Failed"));
            }
            m_onInserted();
        }
        else
        {
            try
            {
                const FRESULT result = f_mount(nullptr, "", 0);
                m_mounted = false;
                if (result != FR_OK)
                    throw std::runtime_error("Unmount Failed: " + std::to_string(static_cast<int>(result)));
                On(false);
            }
            catch (const std::exception& e)
            {
                m_onError(e);
            }
            catch (...)
            {
                m_onError(std::runtime_error("SDCard: Deinitialization Failed"));
            }
            m_onRemoved();
        }
    }
    catch (const std::exception& e)
    {
        Velmora::System::GetInstance().GetOnUnhandledException()(e);
    }
}

void SDCard::On(bool on)
{
    if (on)
        PowerUp();
    else
        PowerDown();
}

void SDCard::PowerDown()
{
    if (GetPowerState() != poweredOn)
        return;
    SDIO_ClockCmd(DISABLE);
    SDIO_SetPowerState(SDIO_PowerState_OFF);
    SDIO_DeInit();
}

void SDCard::PowerUp()
{
    if (GetPowerState() == poweredOn)
        return;
    SDIO::Transceiver& sdio = SDIO::Transceiver::GetInstance();
    m_cardType = StandardCapacityV1;
    m_capacityRequest = 0;

    sdio.SetBusForInitialization();
    SDIO_SetPowerState(SDIO_PowerState_ON);
    Velmora::Stopwatch::DelayMilliseconds(50); // supply ramp-up and the card's 74 clocks
    SDIO_ClockCmd(ENABLE);

    sdio.SendCommand(SDIO::Command::GoIdleState, 0);

    try
    {
        sdio.SendCommand(SDIO::Response7::Command::SendInterfaceCondition, interfaceCondition);
        m_cardType = StandardCapacityV2;
        m_capacityRequest = highCapacityRequest;
    }
    catch (const SDIO::Exception& e)
    {
        if (!TimedOut(e))
            throw; // a version 1.x card stays silent; anything else is a failure
    }

    Velmora::Stopwatch stopwatch;
    stopwatch.Restart();
    for (;;)
    {
        if (stopwatch.GetElapsedMilliseconds() >= powerUpLimitMilliseconds)
            throw std::runtime_error("Invalid Voltage");
        SDIO::Response3 ocr;
        try
        {
            ocr = sdio.SendAppCommand(SDIO::Response3::AppCommand::SendOperatingCondition, 0,
                                      m_capacityRequest | operatingConditionBase);
        }
        catch (const SDIO::Exception& e)
        {
            if (!TimedOut(e))
                throw;
            m_cardType = MultiMediaCard;
            break;
        }
        if (ocr.IsInitialized())
        {
            if (ocr.IsHighCapacity())
                m_cardType = HighCapacity;
            break;
        }
    }

    sdio.SendCommand(SDIO::Response2::Command::AllSendCid, 0).GetData(m_cid);
    if (m_cardType != MultiMediaCard)
        m_rca = sdio.SendCommand(SDIO::Response6::Command::SendRelativeAddress, 0).GetNewRCA();
    else
        m_rca = 1;
    const unsigned long addressed = static_cast<unsigned long>(m_rca) << 16;
    sdio.SendCommand(SDIO::Response2::Command::SendCsd, addressed).GetData(m_csd);
    const SDIO::Response1 selected = sdio.SendCommand(SDIO::Response1::Command::SelectCard, addressed);
    if (selected.status & cardLockedBit)
        throw std::runtime_error("SDCard is Locked\n");
    if (m_cardType == MultiMediaCard)
        return; // stays at 1 bit, 400 kHz
    sdio.SendAppCommand(SDIO::Response1::AppCommand::SetBusWidth, m_rca, fourBitBus);
    sdio.SetBusForDataTransfer();
}

unsigned long SDCard::CardAddress(unsigned long block) const
{
    return m_cardType == HighCapacity ? block : block * 512;
}

unsigned SDCard::ReadBlock(unsigned char* buffer, unsigned long block)
{
    return SDIO::Transceiver::GetInstance().ReadBlock(m_rca, buffer, CardAddress(block), SDIO::BlockSize::Bytes512);
}

unsigned SDCard::WriteBlock(const unsigned char* buffer, unsigned long block)
{
    return SDIO::Transceiver::GetInstance().WriteBlock(m_rca, buffer, CardAddress(block), SDIO::BlockSize::Bytes512);
}

void SDCard::Mount()
{
    const FRESULT result = f_mount(&m_volume, "", 1);
    if (result != FR_OK)
    {
        f_mount(nullptr, "", 0);
        m_mounted = false;
        throw std::runtime_error("Mount Failed: " + std::to_string(static_cast<int>(result)));
    }
    m_mounted = true;
}

} // namespace Driver
