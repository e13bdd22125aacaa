// Fidelity: see the note in I2c.h (the manual sections followed, what is modelled, what differs).
#include "sim/models/I2c.h"

#include "sim/Board.h"
#include "sim/devices/I2cBus.h"
#include "stm32f4xx.h"

#include <cstdio>

namespace Sim
{

namespace
{
const uint32_t cr1 = 0x00, cr2 = 0x04, oar1 = 0x08, oar2 = 0x0C, dr = 0x10, sr1 = 0x14, sr2 = 0x18, ccr = 0x1C,
               trise = 0x20;
const char* const m_names[4] = {"", "I2C1", "I2C2", "I2C3"};
const uint32_t m_bases[4] = {0, I2C1_BASE, I2C2_BASE, I2C3_BASE};
const int m_eventIrqs[4] = {0, I2C1_EV_IRQn, I2C2_EV_IRQn, I2C3_EV_IRQn};
const int m_errorIrqs[4] = {0, I2C1_ER_IRQn, I2C2_ER_IRQn, I2C3_ER_IRQn};

const uint32_t errorFlags = I2C_SR1_BERR | I2C_SR1_ARLO | I2C_SR1_AF | I2C_SR1_OVR | I2C_SR1_PECERR |
                            I2C_SR1_TIMEOUT | I2C_SR1_SMBALERT;
const Tick bitsPerByte = 9; // eight data bits and the acknowledge
} // namespace

I2c::I2c(Board& board, int number, I2cBus& bus, uint32_t af)
    : Peripheral(board, m_names[number], m_bases[number], 0x400, BusKind::Apb1), m_number(number), m_bus(bus),
      m_af(af), m_step(m_names[number], &I2c::StepDone, this),
      m_lines(m_names[number], &I2c::LinesChanged, this)
{
    m_cr1 = &Define("CR1", cr1, 0).Rw(0xBFFB).OnWrite(&I2c::WriteCr1);
    m_cr2 = &Define("CR2", cr2, 0).Rw(0x1F3F);
    Define("OAR1", oar1, 0).Rw(0xC3FF);
    Define("OAR2", oar2, 0).Rw(0x00FF);
    m_dr = &Define("DR", dr, 0).Rw(0xFF).DataPort().OnWrite(&I2c::WriteDr).OnRead(&I2c::ReadDr);
    m_sr1 = &Define("SR1", sr1, 0).Ro(0x00DF).W0c(errorFlags).OnRead(&I2c::ReadSr1);
    m_sr2 = &Define("SR2", sr2, 0).Ro(0xFFF7).OnRead(&I2c::ReadSr2);
    Define("CCR", ccr, 0).Rw(0xCFFF).OnWrite(&I2c::WriteTiming);
    Define("TRISE", trise, 0x0002).Rw(0x3F).OnWrite(&I2c::WriteTiming);
    // Define() may move the register table while it grows: look the registers up again.
    m_cr1 = FindRegister(cr1);
    m_cr2 = FindRegister(cr2);
    m_dr = FindRegister(dr);
    m_sr1 = FindRegister(sr1);
    m_sr2 = FindRegister(sr2);

    Gpio& sclPort = board.gpio(bus.SclPort());
    Gpio& sdaPort = board.gpio(bus.SdaPort());
    sclPort.SetAlternateOutput(bus.SclPin(), this);
    sdaPort.SetAlternateOutput(bus.SdaPin(), this);
    bus.SetOnLineChange([this] { this->board().clock().ScheduleIn(m_lines, 0); });
    sclPort.AddListener(*this);
    if (&sdaPort != &sclPort)
        sdaPort.AddListener(*this);
}

void I2c::Reset()
{
    board().clock().Cancel(m_step);
    board().clock().Cancel(m_lines);
    Peripheral::Reset();
    ResetState();
    Lines();
}

void I2c::ResetState()
{
    board().clock().Cancel(m_step);
    m_action = Action::None;
    m_blocked = false;
    m_sr1SawSb = false;
    m_sr1SawAddr = false;
    m_shiftFull = false;
    m_shift = 0;
    m_dataLoaded = false;
    m_latchedAck = true;
    m_nacked = false;
}

// ---- lines ----

bool I2c::Connected()
{
    Gpio& sclPort = board().gpio(m_bus.SclPort());
    Gpio& sdaPort = board().gpio(m_bus.SdaPort());
    return sclPort.Mode(m_bus.SclPin()) == 2 && sclPort.AlternateFunction(m_bus.SclPin()) == m_af &&
           sdaPort.Mode(m_bus.SdaPin()) == 2 && sdaPort.AlternateFunction(m_bus.SdaPin()) == m_af;
}

bool I2c::SclHeld() { return board().gpio(m_bus.SclPort()).HeldLowOutside(m_bus.SclPin()); }

bool I2c::SdaHeld() { return board().gpio(m_bus.SdaPort()).HeldLowOutside(m_bus.SdaPin()); }

bool I2c::BusFree()
{
    return (Sr2() & I2C_SR2_MSL) == 0 && board().gpio(m_bus.SclPort()).Level(m_bus.SclPin()) &&
           board().gpio(m_bus.SdaPort()).Level(m_bus.SdaPin());
}

bool I2c::AlternateLevel(int, int, bool& driving)
{
    // While it owns the bus the master holds both lines low between its bit times; released, the
    // board's pull-ups take them high.
    driving = (Sr2() & I2C_SR2_MSL) != 0 && Connected();
    return false;
}

void I2c::Lines()
{
    m_updatingLines = true;
    board().gpio(m_bus.SclPort()).Resolve();
    if (m_bus.SdaPort() != m_bus.SclPort())
        board().gpio(m_bus.SdaPort()).Resolve();
    m_updatingLines = false;
}

void I2c::PinChanged(int port, int pin, bool)
{
    const bool scl = port == m_bus.SclPort() && pin == m_bus.SclPin();
    const bool sda = port == m_bus.SdaPort() && pin == m_bus.SdaPin();
    if ((!scl && !sda) || m_updatingLines)
        return;
    // React after the pin has settled (a listener must not re-resolve the port it is called from).
    board().clock().ScheduleIn(m_lines, 0);
}

void I2c::LinesChanged(void* self)
{
    I2c& model = *static_cast<I2c*>(self);
    // SDA pulled low from outside in the middle of a byte is a START where none may be.
    const bool sdaHeld = model.SdaHeld();
    if (sdaHeld && !model.m_sdaWasHeld && (model.Sr2() & I2C_SR2_MSL) != 0 &&
        (model.m_action == Action::Address || model.m_action == Action::Send || model.m_action == Action::Receive))
        model.Sr1() |= I2C_SR1_BERR;
    model.m_sdaWasHeld = sdaHeld;
    if (model.m_blocked && !model.SclHeld() && !(model.m_action == Action::Stop && model.SdaHeld()))
    {
        model.m_blocked = false;
        model.Complete();
    }
    model.TryStart();
    model.Update();
}

// ---- timing and set-up ----

Tick I2c::BitTicks()
{
    const uint32_t control = Reg(ccr).value;
    uint32_t count = control & I2C_CCR_CCR;
    if (count == 0)
        count = 1;
    uint32_t periods = 2; // standard mode: high and low each CCR periods of PCLK1
    if (control & I2C_CCR_FS)
        periods = (control & I2C_CCR_DUTY) != 0 ? 25 : 3;
    return TicksPerCycle(board().Pclk1Hz()) * periods * count;
}

bool I2c::CheckSetUp()
{
    if (m_setUpReported)
        return false;
    char message[200];
    const uint32_t frequency = m_cr2->value & I2C_CR2_FREQ;
    const uint32_t pclk1MHz = board().Pclk1Hz() / 1000000;
    const uint32_t control = Reg(ccr).value;
    const bool fast = (control & I2C_CCR_FS) != 0;
    const uint32_t count = control & I2C_CCR_CCR;
    const uint32_t periods = fast ? ((control & I2C_CCR_DUTY) != 0 ? 25 : 3) : 2;
    const double sclHz = count == 0 ? 0 : static_cast<double>(board().Pclk1Hz()) / (periods * count);
    message[0] = 0;
    if (frequency < 2 || frequency > 42)
        std::snprintf(message, sizeof message, "%s: CR2.FREQ is %u MHz; it must be 2 to 42 MHz", Name(),
                      static_cast<unsigned>(frequency));
    else if (frequency != pclk1MHz)
        std::snprintf(message, sizeof message, "%s: CR2.FREQ says %u MHz but PCLK1 runs at %u MHz", Name(),
                      static_cast<unsigned>(frequency), static_cast<unsigned>(pclk1MHz));
    else if (count < (fast ? 1u : 4u))
        std::snprintf(message, sizeof message, "%s: CCR is %u, below the %s mode minimum of %u", Name(),
                      static_cast<unsigned>(count), fast ? "fast" : "standard", fast ? 1u : 4u);
    else if (sclHz > (fast ? 400000.0 : 100000.0) + 0.5)
        std::snprintf(message, sizeof message, "%s: SCL would run at %.0f Hz, above the %s mode limit", Name(), sclHz,
                      fast ? "fast" : "standard");
    else
    {
        const int pins[2][2] = {{m_bus.SclPort(), m_bus.SclPin()}, {m_bus.SdaPort(), m_bus.SdaPin()}};
        for (const auto& pin : pins)
        {
            Gpio& port = board().gpio(pin[0]);
            if (port.Mode(pin[1]) == 2 && port.AlternateFunction(pin[1]) == m_af && !port.OpenDrain(pin[1]))
            {
                std::snprintf(message, sizeof message,
                              "%s: P%c%d drives the bus push-pull; I2C lines must be open-drain", Name(),
                              'A' + pin[0], pin[1]);
                break;
            }
        }
    }
    if (message[0] == 0)
        return true;
    m_setUpReported = true;
    board().Diagnose(message);
    return false;
}

void I2c::WriteTiming(Register& reg, uint32_t, uint32_t, uint32_t)
{
    if ((m_cr1->value & I2C_CR1_PE) == 0)
        return;
    char message[120];
    std::snprintf(message, sizeof message, "%s: %s written while PE is set; it may only change with the peripheral off",
                  Name(), reg.name);
    board().Diagnose(message);
}

// ---- control ----

void I2c::WriteCr1(Register& reg, uint32_t previous, uint32_t, uint32_t)
{
    const uint32_t value = reg.value;
    if (value & I2C_CR1_SWRST)
    {
        if ((previous & I2C_CR1_SWRST) == 0)
        {
            // Held in reset: every register and the state machine back to their reset values.
            board().clock().Cancel(m_step);
            Peripheral::Reset();
            ResetState();
            Lines();
        }
        reg.value = I2C_CR1_SWRST;
        return;
    }
    if ((value & I2C_CR1_PE) == 0)
    {
        if (previous & I2C_CR1_PE)
        {
            ResetState();
            Sr1() = 0;
            Sr2() = 0;
            Lines();
        }
        reg.value &= ~(I2C_CR1_START | I2C_CR1_STOP);
        return;
    }
    const uint32_t rising = value & ~previous;
    const bool master = (Sr2() & I2C_SR2_MSL) != 0;
    // Software may withdraw a START that has not gone out yet.
    if ((previous & I2C_CR1_START) && !(value & I2C_CR1_START) && m_action == Action::Start)
    {
        board().clock().Cancel(m_step);
        m_action = Action::None;
    }
    if ((rising & I2C_CR1_STOP) && !master)
        reg.value &= ~I2C_CR1_STOP; // nothing to stop: no master transfer is in progress
    if (master)
    {
        if (m_action == Action::None)
            Continue();
    }
    else
        TryStart();
}

void I2c::TryStart()
{
    if ((m_cr1->value & (I2C_CR1_PE | I2C_CR1_START)) != (I2C_CR1_PE | I2C_CR1_START) || m_action != Action::None ||
        !ClockEnabled())
        return;
    if ((Sr2() & I2C_SR2_MSL) != 0)
    {
        Continue();
        return;
    }
    if (!BusFree())
        return; // the START goes out once the bus is free
    CheckSetUp();
    Begin(Action::Start, BitTicks());
}

void I2c::Begin(Action action, Tick duration)
{
    m_action = action;
    m_blocked = false;
    board().clock().ScheduleIn(m_step, duration);
}

void I2c::StepDone(void* self)
{
    I2c& model = *static_cast<I2c*>(self);
    // A device holding SCL low stretches the bit; a STOP needs SDA to rise.
    if (model.SclHeld() || (model.m_action == Action::Stop && model.SdaHeld()))
    {
        model.m_blocked = true;
        return;
    }
    model.Complete();
}

void I2c::LoseArbitration()
{
    Sr1() |= I2C_SR1_ARLO;
    Sr2() &= ~(I2C_SR2_MSL | I2C_SR2_TRA);
    Sr1() &= ~(I2C_SR1_SB | I2C_SR1_ADDR | I2C_SR1_BTF | I2C_SR1_TXE);
    m_cr1->value &= ~(I2C_CR1_START | I2C_CR1_STOP);
    m_dataLoaded = false;
    m_shiftFull = false;
    if (Connected())
        m_bus.Abandon();
    Lines();
}

void I2c::Complete()
{
    const Action action = m_action;
    m_action = Action::None;
    switch (action)
    {
    case Action::Start:
        m_cr1->value &= ~I2C_CR1_START;
        Sr2() |= I2C_SR2_MSL | I2C_SR2_BUSY;
        Sr1() = (Sr1() & ~(I2C_SR1_BTF | I2C_SR1_TXE | I2C_SR1_ADDR)) | I2C_SR1_SB;
        m_sr1SawSb = false;
        m_nacked = false;
        m_dataLoaded = false;
        m_shiftFull = false;
        if (Connected())
            m_bus.Start();
        Lines();
        break;
    case Action::Address:
    {
        if (SdaHeld() && m_shift != 0)
        {
            LoseArbitration();
            break;
        }
        const bool ack = Connected() && m_bus.Address(m_shift);
        if (ack)
        {
            Sr1() |= I2C_SR1_ADDR;
            m_sr1SawAddr = false;
            if ((m_shift & 1) == 0)
            {
                Sr2() |= I2C_SR2_TRA;
                Sr1() |= I2C_SR1_TXE;
            }
            else
                Sr2() &= ~I2C_SR2_TRA;
        }
        else
        {
            Sr1() |= I2C_SR1_AF;
            m_nacked = true;
        }
        break;
    }
    case Action::Send:
    {
        if (SdaHeld() && m_shift != 0)
        {
            LoseArbitration();
            break;
        }
        const bool ack = Connected() && m_bus.Write(m_shift);
        if (!ack)
        {
            Sr1() |= I2C_SR1_AF;
            m_nacked = true;
        }
        else if (!m_dataLoaded)
            Sr1() |= I2C_SR1_BTF; // shift register and DR both empty: the clock is stretched
        break;
    }
    case Action::Receive:
    {
        const uint8_t byte = Connected() ? m_bus.Read() : 0xFF;
        bool ack = (m_cr1->value & I2C_CR1_ACK) != 0;
        if (m_cr1->value & I2C_CR1_POS)
        {
            // ACK was chosen for this byte while the previous one was received.
            const bool next = ack;
            ack = m_latchedAck;
            m_latchedAck = next;
        }
        if (Connected())
            m_bus.Acknowledge(ack);
        if ((Sr1() & I2C_SR1_RXNE) == 0)
        {
            m_dr->value = byte;
            Sr1() |= I2C_SR1_RXNE;
        }
        else
        {
            // DR still full: the byte waits in the shift register with the clock stretched.
            m_shift = byte;
            m_shiftFull = true;
            Sr1() |= I2C_SR1_BTF;
        }
        break;
    }
    case Action::Stop:
        m_cr1->value &= ~I2C_CR1_STOP;
        Sr2() &= ~(I2C_SR2_MSL | I2C_SR2_TRA);
        Sr1() &= ~(I2C_SR1_SB | I2C_SR1_ADDR | I2C_SR1_BTF | I2C_SR1_TXE);
        m_dataLoaded = false;
        m_shiftFull = false;
        if (Connected())
            m_bus.Stop();
        Lines();
        break;
    case Action::None:
        break;
    }
    Continue();
    Update();
}

// What the master does next once the current step is over.
void I2c::Continue()
{
    if (m_action != Action::None || (m_cr1->value & I2C_CR1_PE) == 0)
        return;
    if ((Sr2() & I2C_SR2_MSL) == 0)
    {
        TryStart();
        return;
    }
    if (m_cr1->value & I2C_CR1_STOP)
    {
        Begin(Action::Stop, BitTicks());
        return;
    }
    if (m_cr1->value & I2C_CR1_START)
    {
        Begin(Action::Start, BitTicks()); // repeated START
        return;
    }
    // SB and ADDR stretch the clock until software has handled them; so does a refused byte.
    if ((Sr1() & (I2C_SR1_SB | I2C_SR1_ADDR)) != 0 || m_nacked)
        return;
    if (Sr2() & I2C_SR2_TRA)
    {
        if (!m_dataLoaded)
            return;
        m_shift = static_cast<uint8_t>(m_dr->value);
        m_dataLoaded = false;
        Sr1() = (Sr1() & ~I2C_SR1_BTF) | I2C_SR1_TXE;
        Begin(Action::Send, bitsPerByte * BitTicks());
    }
    else if (!m_shiftFull)
        Begin(Action::Receive, bitsPerByte * BitTicks());
}

void I2c::AddressCleared()
{
    m_latchedAck = true;
    if (m_action == Action::None)
        Continue();
}

// ---- data and status ----

void I2c::WriteDr(Register& reg, uint32_t, uint32_t, uint32_t)
{
    Sr1() &= ~(I2C_SR1_RXNE | I2C_SR1_BTF);
    if (Sr1() & I2C_SR1_SB)
    {
        // The address byte goes out only on the manual's sequence: SR1 read (showing SB), then DR
        // written; a write without the read leaves SB set and the clock stretched.
        if (!m_sr1SawSb)
            return;
        Sr1() &= ~I2C_SR1_SB;
        m_sr1SawSb = false;
        m_shift = static_cast<uint8_t>(reg.value);
        board().clock().Cancel(m_step);
        Begin(Action::Address, bitsPerByte * BitTicks());
        return;
    }
    if ((Sr2() & (I2C_SR2_MSL | I2C_SR2_TRA)) == (I2C_SR2_MSL | I2C_SR2_TRA))
    {
        m_dataLoaded = true;
        Sr1() &= ~I2C_SR1_TXE;
        if (m_action == Action::None)
            Continue();
    }
}

uint32_t I2c::ReadDr(Register& reg)
{
    const uint32_t value = reg.value & 0xFF;
    if (Sr1() & I2C_SR1_RXNE)
    {
        Sr1() &= ~(I2C_SR1_RXNE | I2C_SR1_BTF);
        if (m_shiftFull)
        {
            reg.value = m_shift;
            m_shiftFull = false;
            Sr1() |= I2C_SR1_RXNE;
            if (m_action == Action::None)
                Continue();
        }
        Update();
    }
    return value;
}

uint32_t I2c::ReadSr1(Register& reg)
{
    if (reg.value & I2C_SR1_SB)
        m_sr1SawSb = true;
    if (reg.value & I2C_SR1_ADDR)
        m_sr1SawAddr = true;
    return reg.value;
}

uint32_t I2c::ReadSr2(Register& reg)
{
    Update(); // BUSY follows the lines
    const uint32_t value = reg.value;
    if (m_sr1SawAddr && (Sr1() & I2C_SR1_ADDR))
    {
        Sr1() &= ~I2C_SR1_ADDR;
        m_sr1SawAddr = false;
        AddressCleared();
        Update();
    }
    m_sr1SawAddr = false;
    return value;
}

void I2c::Update()
{
    const bool master = (Sr2() & I2C_SR2_MSL) != 0;
    const bool busy = master || !board().gpio(m_bus.SclPort()).Level(m_bus.SclPin()) ||
                      !board().gpio(m_bus.SdaPort()).Level(m_bus.SdaPin());
    if (busy)
        Sr2() |= I2C_SR2_BUSY;
    else
        Sr2() &= ~I2C_SR2_BUSY;

    const uint32_t control = m_cr2->value;
    const uint32_t status = Sr1();
    const bool event = (control & I2C_CR2_ITEVTEN) != 0 &&
                       ((status & (I2C_SR1_SB | I2C_SR1_ADDR | I2C_SR1_ADD10 | I2C_SR1_STOPF | I2C_SR1_BTF)) != 0 ||
                        ((control & I2C_CR2_ITBUFEN) != 0 && (status & (I2C_SR1_TXE | I2C_SR1_RXNE)) != 0));
    const bool error = (control & I2C_CR2_ITERREN) != 0 && (status & errorFlags) != 0;
    board().core().SetIrqLine(m_eventIrqs[m_number], event);
    board().core().SetIrqLine(m_errorIrqs[m_number], error);
}

} // namespace Sim
