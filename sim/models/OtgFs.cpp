#include "sim/models/OtgFs.h"

#include "sim/Board.h"
#include "sim/Core.h"
#include "stm32f4xx.h"

#include <cstdio>

namespace Sim
{

namespace
{
constexpr uint32_t fifoRamWords = 320;
constexpr Tick suspendAfter = 3 * ticksPerMillisecond;

// GINTSTS bits cleared by writing 1, and those the core computes.
constexpr uint32_t gintstsW1c = 0xF030FC0A;
constexpr uint32_t gintstsRo = 0x070C00F5;

constexpr uint32_t EPENA = 1u << 31, EPDIS = 1u << 30, SNAK = 1u << 27, CNAK = 1u << 26, STALL = 1u << 21,
                   NAKSTS = 1u << 17, USBAEP = 1u << 15;
constexpr uint32_t sessionEnd = 1u << 2; // GOTGINT.SEDET
constexpr uint32_t XFRC = 1u << 0, EPDISD = 1u << 1, STUP = 1u << 3, TXFE = 1u << 7;

// Receive status entry: endpoint, byte count, data PID, packet status.
uint32_t RxStatus(int endpoint, uint32_t bytes, uint32_t status)
{
    return static_cast<uint32_t>(endpoint) | bytes << 4 | status << 17;
}

std::vector<uint32_t> Words(const uint8_t* data, size_t size)
{
    std::vector<uint32_t> words((size + 3) / 4, 0);
    for (size_t i = 0; i < size; ++i)
        words[i / 4] |= static_cast<uint32_t>(data[i]) << (8 * (i % 4));
    return words;
}
} // namespace

OtgFs::OtgFs(Board& board)
    : Peripheral(board, "OTG_FS", USB_OTG_FS_BASE, 0x5000, BusKind::Ahb2), m_idle("OTG_FS suspend", &OtgFs::SuspendCallback, this)
{
    Define("GOTGCTL", gotgctl, 0x00010000).Rw(0x00000F0A).Ro(0x000F0001).OnRead(&OtgFs::ReadGotgctl);
    Define("GOTGINT", gotgint, 0).W1c(0x000E0304);
    Define("GAHBCFG", gahbcfg, 0).Rw(0x00000181);
    Define("GUSBCFG", gusbcfg, 0x00000A00).Rw(0xE0003F47).OnWrite(&OtgFs::WriteGusbcfg);
    Define("GRSTCTL", grstctl, 0x80000000).Rw(0x000007F7).Ro(0x80000000).OnWrite(&OtgFs::WriteGrstctl);
    Define("GINTSTS", gintsts, 0).W1c(gintstsW1c).Ro(gintstsRo).OnRead(&OtgFs::ReadGintsts);
    Define("GINTMSK", gintmsk, 0).Rw(0xF77CFCFE);
    Define("GRXSTSR", grxstsr, 0).Ro(0x01FFFFFF).OnRead(&OtgFs::ReadRxStatus).DataPort();
    Define("GRXSTSP", grxstsp, 0).Ro(0x01FFFFFF).OnRead(&OtgFs::ReadRxStatusPop).DataPort();
    Define("GRXFSIZ", grxfsiz, 0x00000200).Rw(0x0000FFFF).OnWrite(&OtgFs::WriteFifoSize);
    Define("DIEPTXF0", dieptxf0, 0x00200200).Rw(0xFFFFFFFF).OnWrite(&OtgFs::WriteFifoSize);
    Define("HNPTXSTS", 0x02C, 0x00080200).Ro(0x7FFFFFFF);
    Define("GCCFG", gccfg, 0).Rw(0x003D0000);
    Define("CID", 0x03C, 0x00001200).Rw(0xFFFFFFFF);
    Define("HPTXFSIZ", 0x100, 0x02000600).Rw(0xFFFFFFFF);
    static const char* const txfNames[3] = {"DIEPTXF1", "DIEPTXF2", "DIEPTXF3"};
    for (int i = 0; i < 3; ++i)
        Define(txfNames[i], dieptxf1 + 4u * i, 0x02000400).Rw(0xFFFFFFFF).OnWrite(&OtgFs::WriteFifoSize);

    Define("DCFG", dcfg, 0x02200000).Rw(0x00001FF7).Ro(0x02200000).OnWrite(&OtgFs::WriteDcfg);
    Define("DCTL", dctl, 0).Rw(0x00000873).Ro(0x0000000C).Wo(0x00000780).OnWrite(&OtgFs::WriteDctl);
    Define("DSTS", dsts, 0x00000010).Ro(0x003FFF0F).OnRead(&OtgFs::ReadDsts);
    Define("DIEPMSK", diepmsk, 0).Rw(0x0000007B);
    Define("DOEPMSK", doepmsk, 0).Rw(0x0000001B);
    Define("DAINT", daint, 0).Ro(0x000F000F).OnRead(&OtgFs::ReadDaint);
    Define("DAINTMSK", daintmsk, 0).Rw(0x000F000F);
    Define("DVBUSDIS", 0x828, 0x000017D7).Rw(0x0000FFFF);
    Define("DVBUSPULSE", 0x82C, 0x000005B8).Rw(0x00000FFF);
    Define("DIEPEMPMSK", diepempmsk, 0).Rw(0x0000000F);

    static const char* const inNames[4][4] = {{"DIEPCTL0", "DIEPINT0", "DIEPTSIZ0", "DTXFSTS0"},
                                              {"DIEPCTL1", "DIEPINT1", "DIEPTSIZ1", "DTXFSTS1"},
                                              {"DIEPCTL2", "DIEPINT2", "DIEPTSIZ2", "DTXFSTS2"},
                                              {"DIEPCTL3", "DIEPINT3", "DIEPTSIZ3", "DTXFSTS3"}};
    static const char* const outNames[4][3] = {{"DOEPCTL0", "DOEPINT0", "DOEPTSIZ0"},
                                               {"DOEPCTL1", "DOEPINT1", "DOEPTSIZ1"},
                                               {"DOEPCTL2", "DOEPINT2", "DOEPTSIZ2"},
                                               {"DOEPCTL3", "DOEPINT3", "DOEPTSIZ3"}};
    for (int ep = 0; ep < endpoints; ++ep)
    {
        if (ep == 0)
        {
            Define(inNames[0][0], InReg(0, 0x00), USBAEP).Rw(0xC3E00003).Ro(0x000E8000).Wo(SNAK | CNAK)
                .OnWrite(&OtgFs::WriteDiepctl);
            Define(inNames[0][2], InReg(0, 0x10), 0).Rw(0x0018007F);
            Define(outNames[0][0], OutReg(0, 0x00), USBAEP).Rw(0x80300000).Ro(0x400E8003).Wo(SNAK | CNAK)
                .OnWrite(&OtgFs::WriteDoepctl);
            Define(outNames[0][2], OutReg(0, 0x10), 0).Rw(0x6008007F);
        }
        else
        {
            Define(inNames[ep][0], InReg(ep, 0x00), 0).Rw(0xC3EC87FF).Ro(0x00030000).Wo(0x3C000000)
                .OnWrite(&OtgFs::WriteDiepctl);
            Define(inNames[ep][2], InReg(ep, 0x10), 0).Rw(0x7FFFFFFF);
            Define(outNames[ep][0], OutReg(ep, 0x00), 0).Rw(0xC03C87FF).Ro(0x00030000).Wo(0x3C000000)
                .OnWrite(&OtgFs::WriteDoepctl);
            Define(outNames[ep][2], OutReg(ep, 0x10), 0).Rw(0x1FFFFFFF).Ro(0x60000000);
        }
        Define(inNames[ep][1], InReg(ep, 0x08), TXFE).W1c(0x0000007B).Ro(TXFE).OnRead(&OtgFs::ReadDiepint);
        Define(inNames[ep][3], InReg(ep, 0x18), 0x00000200).Ro(0x0000FFFF).OnRead(&OtgFs::ReadDtxfsts);
        Define(outNames[ep][1], OutReg(ep, 0x08), 0).W1c(0x0000005B);
    }
    Define("PCGCCTL", pcgcctl, 0).Rw(0x00000013);

    board.gpio(0).AddListener(*this);
}

void OtgFs::Reset()
{
    board().clock().Cancel(m_idle);
    Peripheral::Reset();
    m_rx.clear();
    m_reading.clear();
    for (auto& fifo : m_tx)
        fifo.clear();
    m_enumerated = false;
    m_suspended = false;
    m_inReset = false;
    m_addressPending = false;
    m_previousAddress = 0;
    m_vbus = board().gpio(0).Level(9);
    UpdatePullUp();
    Update();
}

uint32_t OtgFs::Read(uint32_t offset, unsigned size)
{
    if (offset < fifoBase)
        return Peripheral::Read(offset, size);
    if (!ClockEnabled())
        return 0;
    if (m_reading.empty())
    {
        board().Diagnose("OTG_FS: receive FIFO read past the popped packet");
        return 0;
    }
    const uint32_t word = m_reading.front();
    m_reading.pop_front();
    return word;
}

void OtgFs::Write(uint32_t offset, uint32_t value, unsigned size)
{
    if (offset < fifoBase)
    {
        Peripheral::Write(offset, value, size);
        return;
    }
    if (!ClockEnabled())
        return;
    const int endpoint = static_cast<int>((offset - fifoBase) / 0x1000);
    if (m_tx[endpoint].size() >= TxDepth(endpoint))
    {
        char text[96];
        std::snprintf(text, sizeof text, "OTG_FS: transmit FIFO %d written while full", endpoint);
        board().Diagnose(text);
        return;
    }
    m_tx[endpoint].push_back(value);
    Update();
}

void OtgFs::PinChanged(int port, int pin, bool level)
{
    if (port != 0 || pin != 9 || level == m_vbus)
        return;
    m_vbus = level;
    if (!level && (Value(gccfg) & USB_OTG_GCCFG_VBUSBSEN) != 0 && ClockEnabled())
        Value(gotgint) |= sessionEnd;
    UpdatePullUp();
    Update();
}

void OtgFs::UpdatePullUp()
{
    const uint32_t cfg = Value(gccfg);
    const bool sensed = (cfg & USB_OTG_GCCFG_NOVBUSSENS) != 0 || ((cfg & USB_OTG_GCCFG_VBUSBSEN) != 0 && m_vbus);
    Gpio& gpioA = board().gpio(0);
    const bool pins = gpioA.Mode(11) == 2 && gpioA.AlternateFunction(11) == 10 && gpioA.Mode(12) == 2 &&
                      gpioA.AlternateFunction(12) == 10;
    const bool pulledUp = ClockEnabled() && (cfg & USB_OTG_GCCFG_PWRDWN) != 0 && (Value(dctl) & USB_OTG_DCTL_SDIS) == 0 &&
                          (Value(gusbcfg) & USB_OTG_GUSBCFG_FHMOD) == 0 && sensed && pins;
    if (pulledUp == m_pulledUp)
        return;
    m_pulledUp = pulledUp;
    if (!pulledUp)
    {
        m_enumerated = false;
        board().clock().Cancel(m_idle);
    }
    if (m_cable != nullptr)
        m_cable->PullUpChanged(pulledUp);
}

void OtgFs::Update()
{
    UpdatePullUp();
    const bool line = ClockEnabled() && (Value(gahbcfg) & USB_OTG_GAHBCFG_GINT) != 0 &&
                      (ComputeGintsts() & Value(gintmsk)) != 0;
    board().core().SetIrqLine(OTG_FS_IRQn, line);
}

uint32_t OtgFs::ComputeDaint()
{
    uint32_t bits = 0;
    const uint32_t emptyMask = Value(diepempmsk);
    for (int ep = 0; ep < endpoints; ++ep)
    {
        uint32_t in = Value(InReg(ep, 0x08)) & ~TXFE;
        if ((Value(InReg(ep, 0x00)) & EPENA) != 0 && TxEmpty(ep))
            in |= TXFE;
        uint32_t mask = Value(diepmsk);
        if ((emptyMask >> ep & 1) != 0)
            mask |= TXFE;
        if ((in & mask) != 0)
            bits |= 1u << ep;
        if ((Value(OutReg(ep, 0x08)) & Value(doepmsk)) != 0)
            bits |= 1u << (16 + ep);
    }
    Value(daint) = bits;
    return bits;
}

uint32_t OtgFs::ComputeGintsts()
{
    uint32_t& status = Value(gintsts);
    status &= ~gintstsRo;
    if (Value(gotgint) != 0)
        status |= USB_OTG_GINTSTS_OTGINT;
    if (!m_rx.empty() && m_reading.empty())
        status |= USB_OTG_GINTSTS_RXFLVL;
    const uint32_t pending = ComputeDaint() & Value(daintmsk);
    if ((pending & 0xFFFF) != 0)
        status |= USB_OTG_GINTSTS_IEPINT;
    if ((pending >> 16) != 0)
        status |= USB_OTG_GINTSTS_OEPINT;
    const uint32_t control = Value(dctl);
    if ((control & USB_OTG_DCTL_GINSTS) != 0)
        status |= USB_OTG_GINTSTS_GINAKEFF;
    if ((control & USB_OTG_DCTL_GONSTS) != 0)
        status |= USB_OTG_GINTSTS_GONAKEFF;
    return status;
}

uint32_t OtgFs::ReadGintsts(Register&)
{
    return ComputeGintsts();
}

uint32_t OtgFs::ReadDaint(Register&)
{
    return ComputeDaint();
}

uint32_t OtgFs::ReadGotgctl(Register& reg)
{
    uint32_t value = reg.value & ~USB_OTG_GOTGCTL_BSVLD;
    if (m_vbus)
        value |= USB_OTG_GOTGCTL_BSVLD;
    return value;
}

uint32_t OtgFs::ReadDsts(Register& reg)
{
    uint32_t value = reg.value & USB_OTG_DSTS_FNSOF;
    if (m_suspended)
        value |= USB_OTG_DSTS_SUSPSTS;
    if (m_enumerated)
        value |= 3u << 1; // full speed, 48 MHz PHY clock
    return value;
}

uint32_t OtgFs::ReadRxStatus(Register&)
{
    return m_rx.empty() ? 0 : m_rx.front().status;
}

uint32_t OtgFs::ReadRxStatusPop(Register&)
{
    if (m_rx.empty())
    {
        board().Diagnose("OTG_FS: GRXSTSP popped with the receive FIFO empty");
        return 0;
    }
    if (!m_reading.empty())
        board().Diagnose("OTG_FS: GRXSTSP popped before the previous packet's data was read");
    RxEntry entry = std::move(m_rx.front());
    m_rx.pop_front();
    m_reading.assign(entry.words.begin(), entry.words.end());
    const int endpoint = static_cast<int>(entry.status & 0xF);
    const uint32_t kind = (entry.status >> 17) & 0xF;
    // The completion entries raise the endpoint's interrupt as they leave the FIFO.
    if (kind == 3)
    {
        uint32_t& control = Value(OutReg(endpoint, 0x00));
        control = (control & ~EPENA) | NAKSTS;
        Value(OutReg(endpoint, 0x08)) |= XFRC;
    }
    else if (kind == 4)
        Value(OutReg(0, 0x08)) |= STUP;
    Update();
    return entry.status;
}

uint32_t OtgFs::ReadDiepint(Register& reg)
{
    const int endpoint = static_cast<int>((reg.offset - inBase) / 0x20);
    uint32_t value = reg.value & ~TXFE;
    if (TxEmpty(endpoint))
        value |= TXFE;
    return value;
}

uint32_t OtgFs::ReadDtxfsts(Register& reg)
{
    const int endpoint = static_cast<int>((reg.offset - inBase) / 0x20);
    const uint32_t depth = TxDepth(endpoint);
    return depth > m_tx[endpoint].size() ? depth - static_cast<uint32_t>(m_tx[endpoint].size()) : 0;
}

uint32_t OtgFs::TxDepth(int endpoint) const
{
    const uint32_t size = endpoint == 0 ? Value(dieptxf0) : Value(dieptxf1 + 4u * (endpoint - 1));
    return size >> 16;
}

void OtgFs::WriteFifoSize(Register&, uint32_t, uint32_t, uint32_t)
{
    const uint32_t rx = RxDepth();
    char text[128];
    if (rx > fifoRamWords)
    {
        std::snprintf(text, sizeof text, "OTG_FS: receive FIFO of %u words exceeds the 320-word FIFO RAM",
                      static_cast<unsigned>(rx));
        board().Diagnose(text);
    }
    for (int ep = 0; ep < endpoints; ++ep)
    {
        const uint32_t size = ep == 0 ? Value(dieptxf0) : Value(dieptxf1 + 4u * (ep - 1));
        // A FIFO still at its reset value is not set up yet.
        if (size == 0x00200200 || size == 0x02000400)
            continue;
        const uint32_t start = size & 0xFFFF, depth = size >> 16;
        if (start + depth > fifoRamWords || start < rx)
        {
            std::snprintf(text, sizeof text,
                          "OTG_FS: transmit FIFO %d (start %u, %u words) overlaps the receive FIFO or leaves the FIFO RAM",
                          ep, static_cast<unsigned>(start), static_cast<unsigned>(depth));
            board().Diagnose(text);
        }
    }
}

void OtgFs::WriteGusbcfg(Register&, uint32_t, uint32_t written, uint32_t)
{
    if ((written & USB_OTG_GUSBCFG_FHMOD) != 0)
        board().Diagnose("OTG_FS: host mode is not modelled");
}

void OtgFs::FlushTx(uint32_t number)
{
    for (int ep = 0; ep < endpoints; ++ep)
        if (number == 0x10 || number == static_cast<uint32_t>(ep))
            m_tx[ep].clear();
}

void OtgFs::WriteGrstctl(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    if ((written & USB_OTG_GRSTCTL_CSRST) != 0)
    {
        // The soft reset empties every FIFO and the core's state; the set-up registers stay.
        m_rx.clear();
        m_reading.clear();
        FlushTx(0x10);
        Value(gintsts) &= ~gintstsW1c;
        Value(gotgint) = 0;
        m_enumerated = false;
        m_suspended = false;
    }
    if ((written & USB_OTG_GRSTCTL_RXFFLSH) != 0)
    {
        m_rx.clear();
        m_reading.clear();
    }
    if ((written & USB_OTG_GRSTCTL_TXFFLSH) != 0)
        FlushTx((written & USB_OTG_GRSTCTL_TXFNUM) >> 6);
    reg.value &= ~(USB_OTG_GRSTCTL_CSRST | USB_OTG_GRSTCTL_RXFFLSH | USB_OTG_GRSTCTL_TXFFLSH | USB_OTG_GRSTCTL_HSRST |
                   USB_OTG_GRSTCTL_FCRST);
}

void OtgFs::WriteDcfg(Register&, uint32_t previous, uint32_t written, uint32_t)
{
    const uint8_t before = static_cast<uint8_t>((previous >> 4) & 0x7F);
    const uint8_t after = static_cast<uint8_t>((written >> 4) & 0x7F);
    if (before != after)
    {
        // The status stage of the request still runs at the old address.
        m_previousAddress = before;
        m_addressPending = true;
    }
}

namespace
{
// A pair of write-only set/clear bits driving one status bit.
void SetOrClear(uint32_t& value, uint32_t written, uint32_t setBit, uint32_t clearBit, uint32_t status)
{
    if ((written & setBit) != 0)
        value |= status;
    if ((written & clearBit) != 0)
        value &= ~status;
}
} // namespace

void OtgFs::WriteDctl(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    SetOrClear(reg.value, written, USB_OTG_DCTL_SGINAK, USB_OTG_DCTL_CGINAK, USB_OTG_DCTL_GINSTS);
    SetOrClear(reg.value, written, USB_OTG_DCTL_SGONAK, USB_OTG_DCTL_CGONAK, USB_OTG_DCTL_GONSTS);
}

void OtgFs::WriteEndpointControl(Register& reg, uint32_t written, uint32_t interruptOffset, bool canDisable)
{
    SetOrClear(reg.value, written, SNAK, CNAK, NAKSTS);
    if (canDisable && (written & EPDIS) != 0)
    {
        reg.value &= ~(EPDIS | EPENA);
        Value(interruptOffset) |= EPDISD;
    }
}

void OtgFs::WriteDiepctl(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    const int endpoint = static_cast<int>((reg.offset - inBase) / 0x20);
    WriteEndpointControl(reg, written, InReg(endpoint, 0x08), true);
    if (endpoint == 0)
        reg.value |= USBAEP;
}

void OtgFs::WriteDoepctl(Register& reg, uint32_t, uint32_t written, uint32_t)
{
    // OUT endpoint 0 cannot be disabled by the application.
    const int endpoint = static_cast<int>((reg.offset - outBase) / 0x20);
    WriteEndpointControl(reg, written, OutReg(endpoint, 0x08), endpoint != 0);
}

uint32_t OtgFs::RxUsed() const
{
    uint32_t used = static_cast<uint32_t>(m_reading.size());
    for (const RxEntry& entry : m_rx)
        used += 1 + static_cast<uint32_t>(entry.words.size());
    return used;
}

uint16_t OtgFs::MaxPacket(bool in, int endpoint) const
{
    const uint32_t control = Value(in ? InReg(endpoint, 0x00) : OutReg(endpoint, 0x00));
    if (endpoint == 0)
    {
        static const uint16_t sizes[4] = {64, 32, 16, 8};
        // OUT endpoint 0 follows IN endpoint 0's size.
        return sizes[Value(InReg(0, 0x00)) & 3];
    }
    return static_cast<uint16_t>(control & 0x7FF);
}

bool OtgFs::Accepts(uint8_t address) const
{
    if (!m_pulledUp || !m_enumerated || m_inReset || !ClockEnabled())
        return false;
    return address == Address() || (m_addressPending && address == m_previousAddress);
}

void OtgFs::BusResetStart()
{
    if (!m_pulledUp || !ClockEnabled())
        return;
    m_inReset = true;
    m_enumerated = false;
    m_suspended = false;
    m_addressPending = false;
    board().clock().Cancel(m_idle);
    Value(gintsts) |= USB_OTG_GINTSTS_USBRST;
    Update();
}

void OtgFs::BusResetEnd()
{
    if (!m_inReset)
        return;
    m_inReset = false;
    if (!m_pulledUp || !ClockEnabled())
        return;
    m_enumerated = true;
    Value(gintsts) |= USB_OTG_GINTSTS_ENUMDNE;
    board().clock().ScheduleIn(m_idle, suspendAfter);
    Update();
}

void OtgFs::Suspend()
{
    if (!m_enumerated || m_suspended)
        return;
    m_suspended = true;
    Value(gintsts) |= USB_OTG_GINTSTS_ESUSP | USB_OTG_GINTSTS_USBSUSP;
    Update();
}

void OtgFs::StartOfFrame(uint16_t frame)
{
    if (!m_enumerated || !ClockEnabled())
        return;
    if (m_suspended)
    {
        m_suspended = false;
        Value(gintsts) |= USB_OTG_GINTSTS_WKUINT;
    }
    uint32_t& status = Value(dsts);
    status = (status & ~USB_OTG_DSTS_FNSOF) | (static_cast<uint32_t>(frame & 0x3FFF) << 8);
    Value(gintsts) |= USB_OTG_GINTSTS_SOF;
    board().clock().Cancel(m_idle);
    board().clock().ScheduleIn(m_idle, suspendAfter);
    Update();
}

OtgFs::Handshake OtgFs::Setup(uint8_t address, const uint8_t (&packet)[8])
{
    if (!Accepts(address))
        return Handshake::None;
    if (RxUsed() + 1 + 2 + 1 > RxDepth())
    {
        board().Diagnose("OTG_FS: a SETUP packet found no room in the receive FIFO");
        return Handshake::None;
    }
    // A SETUP always gets through: it clears endpoint 0's stall and ends any earlier transfer.
    Value(InReg(0, 0x00)) &= ~STALL;
    uint32_t& outControl = Value(OutReg(0, 0x00));
    outControl = (outControl & ~(STALL | EPENA)) | NAKSTS;
    uint32_t& size = Value(OutReg(0, 0x10));
    const uint32_t setups = (size >> 29) & 3;
    if (setups == 0)
        Value(OutReg(0, 0x08)) |= 1u << 6; // back-to-back SETUPs beyond the three allowed
    else
        size = (size & ~(3u << 29)) | ((setups - 1) << 29);
    m_rx.push_back({RxStatus(0, 8, 6), Words(packet, 8)});
    m_rx.push_back({RxStatus(0, 0, 4), {}});
    Update();
    return Handshake::Ack;
}

OtgFs::Handshake OtgFs::Out(uint8_t address, uint8_t endpoint, const std::vector<uint8_t>& data)
{
    if (!Accepts(address) || endpoint >= endpoints)
        return Handshake::None;
    uint32_t& control = Value(OutReg(endpoint, 0x00));
    if ((control & STALL) != 0)
        return Handshake::Stall;
    if (endpoint != 0 && (control & USBAEP) == 0)
        return Handshake::None;
    const uint16_t maxPacket = MaxPacket(false, endpoint);
    if (data.size() > maxPacket)
    {
        board().Diagnose("OTG_FS: the host sent a packet longer than the endpoint's maximum (babble)");
        return Handshake::None;
    }
    if ((control & EPENA) == 0 || (control & NAKSTS) != 0 || (Value(dctl) & USB_OTG_DCTL_GONSTS) != 0)
        return Handshake::Nak;
    const std::vector<uint32_t> words = Words(data.data(), data.size());
    if (RxUsed() + 1 + words.size() + 1 > RxDepth())
        return Handshake::Nak;
    m_rx.push_back({RxStatus(endpoint, static_cast<uint32_t>(data.size()), 2), words});
    uint32_t& size = Value(OutReg(endpoint, 0x10));
    const uint32_t sizeMask = endpoint == 0 ? 0x7F : 0x7FFFF;
    const uint32_t countMask = endpoint == 0 ? 0x1 : 0x3FF;
    uint32_t remaining = size & sizeMask;
    uint32_t packets = (size >> 19) & countMask;
    remaining = remaining > data.size() ? remaining - static_cast<uint32_t>(data.size()) : 0;
    packets = packets > 0 ? packets - 1 : 0;
    size = (size & ~(sizeMask | countMask << 19)) | remaining | packets << 19;
    if (packets == 0 || data.size() < maxPacket)
    {
        m_rx.push_back({RxStatus(endpoint, 0, 3), {}});
        // No further packet is taken until the application enables the endpoint again.
        control |= NAKSTS;
    }
    Update();
    return Handshake::Ack;
}

OtgFs::Handshake OtgFs::In(uint8_t address, uint8_t endpoint, std::vector<uint8_t>& data)
{
    data.clear();
    if (!Accepts(address) || endpoint >= endpoints)
        return Handshake::None;
    uint32_t& control = Value(InReg(endpoint, 0x00));
    if ((control & STALL) != 0)
        return Handshake::Stall;
    if (endpoint != 0 && (control & USBAEP) == 0)
        return Handshake::None;
    if ((control & EPENA) == 0 || (control & NAKSTS) != 0)
        return Handshake::Nak;
    uint32_t& size = Value(InReg(endpoint, 0x10));
    const uint32_t sizeMask = endpoint == 0 ? 0x7F : 0x7FFFF;
    const uint32_t countMask = endpoint == 0 ? 0x3 : 0x3FF;
    const uint32_t remaining = size & sizeMask;
    const uint32_t packets = (size >> 19) & countMask;
    const uint16_t maxPacket = MaxPacket(true, endpoint);
    const uint32_t length = remaining < maxPacket ? remaining : maxPacket;
    const size_t words = (length + 3) / 4;
    if (packets == 0 || m_tx[endpoint].size() < words)
        return Handshake::Nak; // the packet is not in the FIFO yet
    for (size_t i = 0; i < words; ++i)
    {
        const uint32_t word = m_tx[endpoint].front();
        m_tx[endpoint].pop_front();
        for (uint32_t b = 0; b < 4 && data.size() < length; ++b)
            data.push_back(static_cast<uint8_t>(word >> (8 * b)));
    }
    const uint32_t left = remaining - length;
    const uint32_t packetsLeft = packets - 1;
    size = (size & ~(sizeMask | countMask << 19)) | left | packetsLeft << 19;
    if (packetsLeft == 0)
    {
        control &= ~EPENA;
        Value(InReg(endpoint, 0x08)) |= XFRC;
        if (endpoint == 0)
            m_addressPending = false;
    }
    Update();
    return Handshake::Ack;
}

} // namespace Sim
