#include "stm32f4xx_otg.h"

namespace
{

// Register polls before a reset or flush is taken as failed (a few milliseconds at 168 MHz).
constexpr uint32_t pollLimit = 200000;

USB_OTG_GREGS* Global() { return USB_OTG_FS_GREGS; }
USB_OTG_DREGS* Device() { return USB_OTG_FS_DREGS; }
USB_OTG_INEPREGS* In(uint8_t endpoint) { return USB_OTG_FS_INEP(endpoint & 0x0F); }
USB_OTG_OUTEPREGS* Out(uint8_t endpoint) { return USB_OTG_FS_OUTEP(endpoint & 0x0F); }
bool IsIn(uint8_t address) { return (address & 0x80) != 0; }

bool WaitCleared(__IO32& reg, uint32_t bits)
{
    for (uint32_t polls = 0; polls < pollLimit; ++polls)
        if ((reg & bits) == 0)
            return true;
    return false;
}

bool WaitSet(__IO32& reg, uint32_t bits)
{
    for (uint32_t polls = 0; polls < pollLimit; ++polls)
        if ((reg & bits) == bits)
            return true;
    return false;
}

// The interrupt bits an application clears by writing 1.
constexpr uint32_t inInterrupts = USB_OTG_DIEPINT_XFRC | USB_OTG_DIEPINT_EPDISD | USB_OTG_DIEPINT_TOC |
                                  USB_OTG_DIEPINT_ITTXFE | USB_OTG_DIEPINT_INEPNE | 0x20u /* INEPNM */;
constexpr uint32_t outInterrupts = USB_OTG_DOEPINT_XFRC | USB_OTG_DOEPINT_EPDISD | USB_OTG_DOEPINT_STUP |
                                   USB_OTG_DOEPINT_OTEPDIS | USB_OTG_DOEPINT_B2BSTUP;

void SetBits(__IO32& reg, uint32_t bits, bool set)
{
    reg = set ? (reg | bits) : (reg & ~bits);
}

// Endpoint 0's maximum packet size is a code in DxEPCTL0.MPSIZ.
uint32_t Ep0SizeCode(uint16_t maxPacket)
{
    switch (maxPacket)
    {
    case 8:
        return 3;
    case 16:
        return 2;
    case 32:
        return 1;
    default:
        return 0;
    }
}

} // namespace

bool OTG_FS_CoreReset(void)
{
    if (!WaitSet(Global()->GRSTCTL, USB_OTG_GRSTCTL_AHBIDL))
        return false;
    Global()->GRSTCTL = Global()->GRSTCTL | USB_OTG_GRSTCTL_CSRST;
    if (!WaitCleared(Global()->GRSTCTL, USB_OTG_GRSTCTL_CSRST))
        return false;
    return WaitSet(Global()->GRSTCTL, USB_OTG_GRSTCTL_AHBIDL);
}

void OTG_FS_InitCore(void)
{
    // Turnaround time 5 PHY clocks suits an AHB clock of 32 MHz and more; timeout calibration 7.
    uint32_t usbcfg = Global()->GUSBCFG;
    usbcfg &= ~(USB_OTG_GUSBCFG_TRDT | USB_OTG_GUSBCFG_TOCAL | USB_OTG_GUSBCFG_FHMOD | USB_OTG_GUSBCFG_SRPCAP |
                USB_OTG_GUSBCFG_HNPCAP);
    usbcfg |= USB_OTG_GUSBCFG_PHYSEL | (5u << 10) | 7u | USB_OTG_GUSBCFG_FDMOD;
    Global()->GUSBCFG = usbcfg;
    Global()->GCCFG = USB_OTG_GCCFG_PWRDWN | USB_OTG_GCCFG_VBUSBSEN;
}

void OTG_FS_InitDevice(void)
{
    Device()->DCFG = 3u /* full speed, internal PHY */ | 0u /* frame interval 80 % */;
    USB_OTG_FS_PCGCCTL[0] = 0;
    Device()->DIEPMSK = 0;
    Device()->DOEPMSK = 0;
    Device()->DAINTMSK = 0;
    Device()->DIEPEMPMSK = 0;
    for (uint8_t endpoint = 0; endpoint < USB_OTG_FS_MAX_EP; ++endpoint)
    {
        In(endpoint)->DIEPCTL = (In(endpoint)->DIEPCTL & USB_OTG_DIEPCTL_EPENA) != 0
                                    ? USB_OTG_DIEPCTL_EPDIS | USB_OTG_DIEPCTL_SNAK
                                    : 0;
        In(endpoint)->DIEPTSIZ = 0;
        In(endpoint)->DIEPINT = inInterrupts;
        Out(endpoint)->DOEPCTL = (Out(endpoint)->DOEPCTL & USB_OTG_DOEPCTL_EPENA) != 0
                                     ? USB_OTG_DOEPCTL_EPDIS | USB_OTG_DOEPCTL_SNAK
                                     : 0;
        Out(endpoint)->DOEPTSIZ = 0;
        Out(endpoint)->DOEPINT = outInterrupts;
    }
    Device()->DCTL = Device()->DCTL & ~USB_OTG_DCTL_SDIS;
}

void OTG_FS_SetFifoSizes(uint16_t rxWords, const uint16_t txWords[USB_OTG_FS_MAX_EP])
{
    Global()->GRXFSIZ = rxWords;
    uint32_t start = rxWords;
    Global()->DIEPTXF0_HNPTXFSIZ = (static_cast<uint32_t>(txWords[0]) << 16) | start;
    start += txWords[0];
    for (int endpoint = 1; endpoint < USB_OTG_FS_MAX_EP; ++endpoint)
    {
        Global()->DIEPTXF[endpoint - 1] = (static_cast<uint32_t>(txWords[endpoint]) << 16) | start;
        start += txWords[endpoint];
    }
}

void OTG_FS_FlushTxFifo(uint32_t number)
{
    Global()->GRSTCTL = USB_OTG_GRSTCTL_TXFFLSH | (number << 6);
    WaitCleared(Global()->GRSTCTL, USB_OTG_GRSTCTL_TXFFLSH);
}

void OTG_FS_FlushRxFifo(void)
{
    Global()->GRSTCTL = USB_OTG_GRSTCTL_RXFFLSH;
    WaitCleared(Global()->GRSTCTL, USB_OTG_GRSTCTL_RXFFLSH);
}

void OTG_FS_Connect(bool connect)
{
    SetBits(Device()->DCTL, USB_OTG_DCTL_SDIS, !connect);
}

void OTG_FS_EnableGlobalInterrupt(bool enable)
{
    if (enable)
        Global()->GAHBCFG = Global()->GAHBCFG | USB_OTG_GAHBCFG_GINT | USB_OTG_GAHBCFG_TXFELVL;
    else
        Global()->GAHBCFG = Global()->GAHBCFG & ~USB_OTG_GAHBCFG_GINT;
}

void OTG_FS_SetInterruptMask(uint32_t mask, bool enable)
{
    SetBits(Global()->GINTMSK, mask, enable);
}

uint32_t OTG_FS_PendingInterrupts(void)
{
    return Global()->GINTSTS & Global()->GINTMSK;
}

void OTG_FS_ClearInterrupts(uint32_t bits)
{
    Global()->GINTSTS = bits;
}

uint32_t OTG_FS_TakeOtgInterrupts(void)
{
    const uint32_t sources = Global()->GOTGINT;
    Global()->GOTGINT = sources;
    return sources;
}

uint32_t OTG_FS_FrameNumber(void)
{
    return (Device()->DSTS & USB_OTG_DSTS_FNSOF) >> 8;
}

OTG_FS_RxStatus OTG_FS_PopRxStatus(void)
{
    const uint32_t status = Global()->GRXSTSP;
    OTG_FS_RxStatus result;
    result.endpoint = status & USB_OTG_GRXSTSP_EPNUM;
    result.byteCount = (status & USB_OTG_GRXSTSP_BCNT) >> 4;
    result.status = (status & USB_OTG_GRXSTSP_PKTSTS) >> 17;
    return result;
}

void OTG_FS_ReadPacket(uint8_t* destination, uint32_t byteCount)
{
    __IO32* fifo = USB_OTG_FS_DFIFO(0);
    for (uint32_t offset = 0; offset < byteCount; offset += 4)
    {
        const uint32_t word = *fifo;
        for (uint32_t i = 0; i < 4 && offset + i < byteCount; ++i)
            destination[offset + i] = static_cast<uint8_t>(word >> (8 * i));
    }
}

bool OTG_FS_WritePacket(uint8_t endpoint, const uint8_t* source, uint32_t byteCount)
{
    const uint32_t words = (byteCount + 3) / 4;
    if (OTG_FS_TxFifoFreeWords(endpoint) < words)
        return false;
    __IO32* fifo = USB_OTG_FS_DFIFO(endpoint & 0x0F);
    for (uint32_t offset = 0; offset < byteCount; offset += 4)
    {
        uint32_t word = 0;
        for (uint32_t i = 0; i < 4 && offset + i < byteCount; ++i)
            word |= static_cast<uint32_t>(source[offset + i]) << (8 * i);
        *fifo = word;
    }
    return true;
}

void OTG_FS_SetAddress(uint8_t address)
{
    Device()->DCFG = (Device()->DCFG & ~USB_OTG_DCFG_DAD) | (static_cast<uint32_t>(address & 0x7F) << 4);
}

void OTG_FS_ActivateEndpoint(uint8_t address, uint8_t type, uint16_t maxPacket)
{
    const uint8_t number = address & 0x0F;
    const uint32_t size = number == 0 ? Ep0SizeCode(maxPacket) : maxPacket;
    // Endpoint 0 always runs DATA0 after SETUP; its data PID bit is reserved.
    const uint32_t data0 = number == 0 ? 0 : USB_OTG_DIEPCTL_SD0PID_SEVNFRM;
    if (IsIn(address))
    {
        // Each IN endpoint sends from the transmit FIFO of its own number.
        In(number)->DIEPCTL = size | (static_cast<uint32_t>(type) << 18) | (static_cast<uint32_t>(number) << 22) | data0 |
                              USB_OTG_DIEPCTL_USBAEP | USB_OTG_DIEPCTL_SNAK;
        Device()->DAINTMSK = Device()->DAINTMSK | (1u << number);
    }
    else
    {
        Out(number)->DOEPCTL = size | (static_cast<uint32_t>(type) << 18) | data0 |
                               USB_OTG_DOEPCTL_USBAEP | USB_OTG_DOEPCTL_SNAK;
        Device()->DAINTMSK = Device()->DAINTMSK | (1u << (16 + number));
    }
}

void OTG_FS_DeactivateEndpoint(uint8_t address)
{
    const uint8_t number = address & 0x0F;
    if (IsIn(address))
    {
        if ((In(number)->DIEPCTL & USB_OTG_DIEPCTL_EPENA) != 0)
            In(number)->DIEPCTL = In(number)->DIEPCTL | USB_OTG_DIEPCTL_EPDIS | USB_OTG_DIEPCTL_SNAK;
        In(number)->DIEPCTL = In(number)->DIEPCTL & ~USB_OTG_DIEPCTL_USBAEP;
        Device()->DAINTMSK = Device()->DAINTMSK & ~(1u << number);
        OTG_FS_EnableTxFifoEmpty(number, false);
        OTG_FS_FlushTxFifo(number);
    }
    else
    {
        if ((Out(number)->DOEPCTL & USB_OTG_DOEPCTL_EPENA) != 0)
            Out(number)->DOEPCTL = Out(number)->DOEPCTL | USB_OTG_DOEPCTL_EPDIS | USB_OTG_DOEPCTL_SNAK;
        Out(number)->DOEPCTL = Out(number)->DOEPCTL & ~USB_OTG_DOEPCTL_USBAEP;
        Device()->DAINTMSK = Device()->DAINTMSK & ~(1u << (16 + number));
    }
}

void OTG_FS_StallEndpoint(uint8_t address)
{
    const uint8_t number = address & 0x0F;
    if (IsIn(address))
        In(number)->DIEPCTL = In(number)->DIEPCTL | USB_OTG_DIEPCTL_STALL;
    else
        Out(number)->DOEPCTL = Out(number)->DOEPCTL | USB_OTG_DOEPCTL_STALL;
}

void OTG_FS_ClearStall(uint8_t address)
{
    const uint8_t number = address & 0x0F;
    if (IsIn(address))
        In(number)->DIEPCTL = (In(number)->DIEPCTL & ~USB_OTG_DIEPCTL_STALL) | USB_OTG_DIEPCTL_SD0PID_SEVNFRM;
    else
        Out(number)->DOEPCTL = (Out(number)->DOEPCTL & ~USB_OTG_DOEPCTL_STALL) | USB_OTG_DOEPCTL_SD0PID_SEVNFRM;
}

bool OTG_FS_IsStalled(uint8_t address)
{
    const uint8_t number = address & 0x0F;
    if (IsIn(address))
        return (In(number)->DIEPCTL & USB_OTG_DIEPCTL_STALL) != 0;
    return (Out(number)->DOEPCTL & USB_OTG_DOEPCTL_STALL) != 0;
}

void OTG_FS_StartIn(uint8_t endpoint, uint32_t byteCount, uint16_t maxPacket)
{
    const uint8_t number = endpoint & 0x0F;
    const uint32_t packets = byteCount == 0 ? 1 : (byteCount + maxPacket - 1) / maxPacket;
    In(number)->DIEPTSIZ = (packets << 19) | byteCount;
    In(number)->DIEPCTL = In(number)->DIEPCTL | USB_OTG_DIEPCTL_CNAK | USB_OTG_DIEPCTL_EPENA;
}

void OTG_FS_StartOut(uint8_t endpoint, uint32_t byteCount, uint16_t maxPacket)
{
    const uint8_t number = endpoint & 0x0F;
    const uint32_t packets = byteCount == 0 ? 1 : (byteCount + maxPacket - 1) / maxPacket;
    // The transfer size of an OUT endpoint is a whole number of packets.
    const uint32_t size = packets * maxPacket;
    Out(number)->DOEPTSIZ = (Out(number)->DOEPTSIZ & USB_OTG_DOEPTSIZ_STUPCNT) | (packets << 19) | size;
    Out(number)->DOEPCTL = Out(number)->DOEPCTL | USB_OTG_DOEPCTL_CNAK | USB_OTG_DOEPCTL_EPENA;
}

void OTG_FS_ArmSetup(void)
{
    Out(0)->DOEPTSIZ = (3u << 29) | (1u << 19) | (3u * 8u);
}

bool OTG_FS_InEnabled(uint8_t endpoint)
{
    return (In(endpoint)->DIEPCTL & USB_OTG_DIEPCTL_EPENA) != 0;
}

uint32_t OTG_FS_TxFifoFreeWords(uint8_t endpoint)
{
    return In(endpoint)->DTXFSTS & USB_OTG_DTXFSTS_INEPTFSAV;
}

void OTG_FS_EnableTxFifoEmpty(uint8_t endpoint, bool enable)
{
    SetBits(Device()->DIEPEMPMSK, 1u << (endpoint & 0x0F), enable);
}

uint32_t OTG_FS_EndpointInterrupts(void)
{
    return Device()->DAINT & Device()->DAINTMSK;
}

uint32_t OTG_FS_InInterrupts(uint8_t endpoint)
{
    const uint8_t number = endpoint & 0x0F;
    uint32_t mask = Device()->DIEPMSK;
    if ((Device()->DIEPEMPMSK >> number & 1) != 0)
        mask |= USB_OTG_DIEPINT_TXFE;
    return In(number)->DIEPINT & mask;
}

uint32_t OTG_FS_OutInterrupts(uint8_t endpoint)
{
    return Out(endpoint)->DOEPINT & Device()->DOEPMSK;
}

void OTG_FS_ClearInInterrupts(uint8_t endpoint, uint32_t bits)
{
    In(endpoint)->DIEPINT = bits;
}

void OTG_FS_ClearOutInterrupts(uint8_t endpoint, uint32_t bits)
{
    Out(endpoint)->DOEPINT = bits;
}

void OTG_FS_ResetEndpoints(void)
{
    for (uint8_t endpoint = 0; endpoint < USB_OTG_FS_MAX_EP; ++endpoint)
    {
        Out(endpoint)->DOEPCTL = Out(endpoint)->DOEPCTL | USB_OTG_DOEPCTL_SNAK;
        In(endpoint)->DIEPINT = inInterrupts;
        Out(endpoint)->DOEPINT = outInterrupts;
    }
    OTG_FS_FlushTxFifo(0x10);
    Device()->DAINTMSK = (1u << 16) | 1u;
    Device()->DOEPMSK = USB_OTG_DOEPMSK_STUPM | USB_OTG_DOEPMSK_XFRCM;
    Device()->DIEPMSK = USB_OTG_DIEPMSK_XFRCM;
    Device()->DIEPEMPMSK = 0;
    OTG_FS_SetAddress(0);
}
