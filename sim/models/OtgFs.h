// Fidelity: RM0090 section 34 (USB on-the-go full-speed), device mode. Models the global
// registers the device uses (GOTGCTL B-session valid, GOTGINT session end, GAHBCFG, GUSBCFG,
// GRSTCTL soft reset and FIFO flushes, GINTSTS/GINTMSK with USBRST, ENUMDNE, SOF, ESUSP, USBSUSP,
// WKUINT, RXFLVL, IEPINT, OEPINT, OTGINT, GRXSTSR/GRXSTSP, GRXFSIZ, DIEPTXF0..3, GCCFG, CID), the
// device registers (DCFG address and speed, DCTL soft disconnect and global NAKs, DSTS frame
// number, suspend and enumerated speed, DIEPMSK, DOEPMSK, DAINT, DAINTMSK, DIEPEMPMSK), endpoints
// 0..3 in both directions (control, transfer size and packet count, interrupts, stall, NAK) and
// PCGCCTL; the shared receive FIFO with its status entries (SETUP data and SETUP done, OUT data and
// OUT transfer done; XFRC and STUP rise when the application pops the done entry) and one
// transmit FIFO per IN endpoint, sized from the FIFO registers within the core's 1.25 KB (an
// IN token is answered only once the whole packet is in the FIFO). The D+ pull-up shows on the
// cable while the transceiver is powered, the device is not soft-disconnected, PA11/PA12 are on
// alternate function 10 and VBUS is sensed on PA9 (or sensing is off). The host on the cable
// drives bus resets, start-of-frame tokens and transactions (SETUP, OUT, IN) through the
// functions below; 3 ms without a frame suspends the device, the next frame resumes it.
// Differs: no host mode, OTG protocols (SRP, HNP), isochronous transfers, remote wake-up
// signalling, data toggle errors, low-power clock gating or the 48 MHz clock check; a soft reset
// and the FIFO flushes finish at once; the mode switch needs no 25 ms.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"
#include "sim/models/Gpio.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace Sim
{

class OtgFs : public Peripheral, public PinListener
{
public:
    // How the device answered a token.
    enum class Handshake
    {
        Ack,
        Nak,
        Stall,
        None, // no answer: detached, another address, or a protocol error on the device's side
    };

    // The host side of the cable, told when the device's pull-up appears or goes.
    class Cable
    {
    public:
        virtual ~Cable() = default;
        virtual void PullUpChanged(bool pulledUp) = 0;
    };

    explicit OtgFs(Board& board);

    void Reset() override;
    void Update() override;
    uint32_t Read(uint32_t offset, unsigned size) override;
    void Write(uint32_t offset, uint32_t value, unsigned size) override;
    bool IsDataPort(uint32_t offset) const override { return offset >= fifoBase || Peripheral::IsDataPort(offset); }
    void PinChanged(int port, int pin, bool level) override;

    void SetCable(Cable* cable) { m_cable = cable; }
    bool PulledUp() const { return m_pulledUp; }
    uint8_t Address() const { return static_cast<uint8_t>((Value(dcfg) >> 4) & 0x7F); }

    // Bus reset driven by the host: from its start until its end the device sees SE0.
    void BusResetStart();
    void BusResetEnd();
    void StartOfFrame(uint16_t frame);
    Handshake Setup(uint8_t address, const uint8_t (&packet)[8]);
    Handshake Out(uint8_t address, uint8_t endpoint, const std::vector<uint8_t>& data);
    Handshake In(uint8_t address, uint8_t endpoint, std::vector<uint8_t>& data);

private:
    static constexpr uint32_t gotgctl = 0x000, gotgint = 0x004, gahbcfg = 0x008, gusbcfg = 0x00C, grstctl = 0x010,
                              gintsts = 0x014, gintmsk = 0x018, grxstsr = 0x01C, grxstsp = 0x020, grxfsiz = 0x024,
                              dieptxf0 = 0x028, gccfg = 0x038, dieptxf1 = 0x104, dcfg = 0x800, dctl = 0x804,
                              dsts = 0x808, diepmsk = 0x810, doepmsk = 0x814, daint = 0x818, daintmsk = 0x81C,
                              diepempmsk = 0x834, inBase = 0x900, outBase = 0xB00, pcgcctl = 0xE00,
                              fifoBase = 0x1000;
    static constexpr int endpoints = 4;

    struct RxEntry
    {
        uint32_t status;
        std::vector<uint32_t> words;
    };

    uint32_t& Value(uint32_t offset) { return FindRegister(offset)->value; }
    uint32_t Value(uint32_t offset) const { return const_cast<OtgFs*>(this)->FindRegister(offset)->value; }
    static uint32_t InReg(int endpoint, uint32_t offset) { return inBase + 0x20u * endpoint + offset; }
    static uint32_t OutReg(int endpoint, uint32_t offset) { return outBase + 0x20u * endpoint + offset; }

    uint32_t ReadGintsts(Register& reg);
    uint32_t ReadDaint(Register& reg);
    uint32_t ReadGotgctl(Register& reg);
    uint32_t ReadDsts(Register& reg);
    uint32_t ReadRxStatus(Register& reg);
    uint32_t ReadRxStatusPop(Register& reg);
    uint32_t ReadDiepint(Register& reg);
    uint32_t ReadDtxfsts(Register& reg);
    void WriteGrstctl(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteFifoSize(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteGusbcfg(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteDcfg(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteDctl(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteDiepctl(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteDoepctl(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteEndpointControl(Register& reg, uint32_t written, uint32_t interruptOffset, bool canDisable);

    uint32_t ComputeDaint();
    uint32_t ComputeGintsts();
    bool TxEmpty(int endpoint) const { return m_tx[endpoint].empty(); }
    uint32_t TxDepth(int endpoint) const;
    uint32_t RxDepth() const { return Value(grxfsiz) & 0xFFFF; }
    uint32_t RxUsed() const;
    uint16_t MaxPacket(bool in, int endpoint) const;
    bool Accepts(uint8_t address) const;
    void FlushTx(uint32_t number);
    void UpdatePullUp();
    void Suspend();
    static void SuspendCallback(void* self) { static_cast<OtgFs*>(self)->Suspend(); }

    std::deque<RxEntry> m_rx;
    std::deque<uint32_t> m_reading; // data words of the popped entry
    std::deque<uint32_t> m_tx[endpoints];
    Cable* m_cable = nullptr;
    Event m_idle;
    bool m_vbus = false;
    bool m_pulledUp = false;
    bool m_enumerated = false;
    bool m_suspended = false;
    bool m_inReset = false;
    uint8_t m_previousAddress = 0;
    bool m_addressPending = false;
};

} // namespace Sim
