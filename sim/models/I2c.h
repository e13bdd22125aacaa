// Fidelity: RM0090 section 27 (I2C), master mode as a polled or interrupt-driven controller.
// Models CR1 (PE, START, STOP, ACK, POS, SWRST; SMBus bits stored), CR2 (FREQ, interrupt enables,
// DMAEN and LAST stored), OAR1/OAR2 (stored), DR, SR1 (SB, ADDR, BTF, RXNE, TXE; BERR, ARLO, AF,
// OVR cleared by writing 0), SR2 (MSL, BUSY, TRA), CCR and TRISE, and the event and error
// interrupt lines. START waits for a free bus, then SB; SB clears on reading SR1 then writing DR
// (the address); ADDR clears on reading SR1 then SR2; a transmitted byte moves from DR to the
// shift register (TXE) and BTF is set when the shift register empties with DR empty; a received
// byte sets RXNE, or BTF with the clock stretched while DR is still full; the master keeps
// receiving until STOP or START is programmed, acknowledging each byte as ACK says at its end
// (POS: as ACK said one byte earlier); STOP and a repeated START go out after the current byte.
// Each byte costs nine SCL periods and each START or STOP one, from CCR and PCLK1 (standard mode
// 2 x CCR, fast mode 3 x CCR or 25 x CCR with DUTY). SCL and SDA are open-drain pins on the GPIO
// model with pull-ups on the board: BUSY follows the lines, a line held low from outside stalls
// the transfer (clock stretching) or, for SDA, makes the master lose arbitration on a 1 bit
// (ARLO, back to slave mode) and reads as 0; SDA pulled low during a byte is a misplaced START
// (BERR). Set-ups the manual forbids are reported: FREQ outside 2..42 MHz or unlike PCLK1, CCR
// below its minimum, an SCL rate above the mode's limit, CCR or TRISE written while PE is set,
// bus pins in push-pull mode.
// Differs: slave mode, SMBus, PEC, 10-bit addressing, DMA requests and the analog/digital noise
// filters are not modelled (the bus sees no other master); the SCL period ignores the rise time;
// the lines carry the transfer at byte level (held low while the master owns the bus), not bit
// by bit.
#pragma once

#include "sim/Clock.h"
#include "sim/Peripheral.h"
#include "sim/models/Gpio.h"

namespace Sim
{

class I2cBus;

class I2c : public Peripheral, public AlternateOutput, public PinListener
{
public:
    // I2C1 to I2C3, wired to `bus`, whose pins select alternate function `af`.
    I2c(Board& board, int number, I2cBus& bus, uint32_t af);

    void Reset() override;
    void Update() override;

    I2cBus& Bus() { return m_bus; }
    // One SCL period at the current set-up.
    Tick BitTicks();

    bool AlternateLevel(int port, int pin, bool& driving) override;
    void PinChanged(int port, int pin, bool level) override;

private:
    enum class Action : uint8_t
    {
        None,
        Start,
        Address,
        Send,
        Receive,
        Stop,
    };

    void WriteCr1(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteTiming(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteDr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadDr(Register& reg);
    uint32_t ReadSr1(Register& reg);
    uint32_t ReadSr2(Register& reg);

    static void StepDone(void* self);
    static void LinesChanged(void* self);
    void Begin(Action action, Tick duration);
    void Complete();
    void Continue();
    void TryStart();
    void GenerateStop();
    void AddressCleared();
    void LoseArbitration();
    void ResetState();
    bool CheckSetUp();
    bool Connected();
    bool BusFree();
    bool SclHeld();
    bool SdaHeld();
    void Lines();

    Register& Reg(uint32_t offset) { return *FindRegister(offset); }
    uint32_t& Sr1() { return m_sr1->value; }
    uint32_t& Sr2() { return m_sr2->value; }

    int m_number;
    I2cBus& m_bus;
    uint32_t m_af;
    Register* m_cr1 = nullptr;
    Register* m_cr2 = nullptr;
    Register* m_sr1 = nullptr;
    Register* m_sr2 = nullptr;
    Register* m_dr = nullptr;
    Event m_step;
    Event m_lines;
    bool m_updatingLines = false;
    bool m_sdaWasHeld = false;

    Action m_action = Action::None;
    bool m_blocked = false;      // the step ended while SCL was held low from outside
    bool m_sr1SawSb = false;
    bool m_sr1SawAddr = false;
    bool m_shiftFull = false;    // a received byte waits in the shift register (BTF)
    uint8_t m_shift = 0;
    bool m_dataLoaded = false;   // DR holds a byte to transmit
    bool m_latchedAck = true;    // POS: the acknowledge chosen one byte earlier
    bool m_nacked = false;       // the slave refused a byte: no more data goes out
    bool m_setUpReported = false;
};

} // namespace Sim
