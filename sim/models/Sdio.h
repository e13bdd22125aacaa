// Fidelity: RM0090 section 31 (SDIO). Models POWER (commands and data move only while the card is
// powered on and clocked), CLKCR (SDIO_CK = 48 MHz / (CLKDIV + 2), or 48 MHz with BYPASS; bus
// width 1 or 4), the command path state machine (48-bit command; short and long responses with
// their bus time, RESPCMD and RESP1..4; CMDSENT, CMDREND, CCRCFAIL for a response that fails its
// CRC (R3 always does), CTIMEOUT 64 clocks after the command without an answer; CMDACT), the
// data path state machine (DTIMER, DLEN, DCTRL, DCOUNT, block size; Wait_R, Receive, Wait_S,
// Send, Busy: the card's programming busy time; DBCKEND, DATAEND, DCRCFAIL, DTIMEOUT, RXOVERR,
// TXUNDERR; RXACT, TXACT), the 32-word FIFO with its flags and FIFOCNT, STA/ICR/MASK and the
// interrupt line, and DMA requests in 4-word bursts to DMA2 streams 3 and 6 (channel 4) with the
// last burst marked for peripheral flow control. Data moves at the configured clock and width
// in virtual time, 16 bytes at a time. The command and data lines reach the card only when
// PC8..PC12 and PD2 are in alternate function 12; a bus width the card was not switched to
// garbles the data (CRC failure).
// Differs: stream mode, SD I/O read wait, suspend/resume, CE-ATA, hardware flow control and the
// power-save clock are not modelled (stream mode is reported); the register write spacing the
// manual asks for (seven HCLK cycles for POWER and CLKCR, three SDIOCLK plus two PCLK2 for data
// writes) is not checked; writing DCTRL with DTEN clear stops a running data path and empties
// the FIFO.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"
#include "sim/devices/SdCard.h"

#include <cstdint>

namespace Sim
{

class Sdio : public Peripheral
{
public:
    Sdio(Board& board, SdCard& card);

    void Reset() override;
    void Update() override;

    uint32_t Read(uint32_t offset, unsigned size) override;
    void Write(uint32_t offset, uint32_t value, unsigned size) override;
    bool IsDataPort(uint32_t offset) const override { return offset >= 0x80 || Peripheral::IsDataPort(offset); }

    // The card bus clock now (0 while stopped) and the bus width.
    uint32_t BusClockHz() const;
    unsigned BusWidth() const;

private:
    enum class DataState : uint8_t
    {
        Idle,
        WaitReceive,
        Receive,
        WaitSend,
        Send,
        Busy,
    };

    Register& Reg(uint32_t offset) { return *FindRegister(offset); }
    uint32_t& Value(uint32_t offset) { return FindRegister(offset)->value; }
    Tick Clocks(uint64_t clocks) const;
    bool Powered() const;
    bool CommandPinsRouted() const;
    bool DataPinsRouted() const;

    void WritePower(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteClock(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteCommand(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteDataControl(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteClear(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadStatus(Register& reg);
    uint32_t ReadFifoCount(Register& reg);
    uint32_t Status() const;

    void StartCommand();
    static void CommandSent(void* self);
    static void ResponseDone(void* self);
    void SetFlags(uint32_t flags);

    void StartData();
    void StopData();
    void EndData(uint32_t flags);
    void ArmDataTimeout();
    void TryReceive();
    void TrySend();
    static void DataStep(void* self);
    static void DataTimeout(void* self);
    void ReceiveStep();
    void SendStep();
    void PushWord(uint32_t word);
    uint32_t PopWord();

    SdCard& m_card;
    Event m_commandEvent;
    Event m_responseEvent;
    Event m_dataEvent;
    Event m_timeoutEvent;
    bool m_commandActive = false;
    bool m_commandWaiting = false; // written while the card bus clock was stopped
    bool m_responded = false;
    SdResponse m_response;

    DataState m_data = DataState::Idle;
    uint32_t m_fifo[32] = {};
    unsigned m_fifoHead = 0;
    unsigned m_fifoLevel = 0;
    uint32_t m_fifoWordsLeft = 0; // words still to pass the FIFO's register side
    uint32_t m_blockSize = 0;
    uint8_t m_block[16384] = {}; // the largest block size DBLOCKSIZE can select
    uint32_t m_blockDone = 0;     // bytes of the current block moved on the card bus
    bool m_blockCrcGood = true;
    bool m_removeHalfway = false;
    bool m_requestActive = false;
    bool m_requestLast = false;
};

} // namespace Sim
