// Fidelity: RM0090 section 8 (GPIO). Models MODER, OTYPER, OSPEEDR, PUPDR, IDR (the pin levels,
// 0 in analog mode), ODR, BSRR (word or half-word writes; set wins over reset), the LCKR key
// sequence (locked pins keep mode, type, speed, pull and alternate function until reset) and
// AFRL/AFRH. Each pin resolves its level from the chip's driver (output push-pull, open-drain low,
// or the alternate function's output), an outside driver (a device or the world) and the pull
// resistors, the board's own pull-ups included (I2C lines); a floating input reads 0. Level
// changes reach listeners (EXTI, devices).
// Differs: output speed has no electrical effect; contention between the chip and an outside
// driver is reported as a warning and the chip wins.
#pragma once

#include "sim/Peripheral.h"

#include <vector>

namespace Sim
{

class PinListener
{
public:
    virtual ~PinListener() = default;
    virtual void PinChanged(int port, int pin, bool level) = 0;
};

// A peripheral output routed to a pin in alternate-function mode (a timer channel, a UART TX).
class AlternateOutput
{
public:
    virtual ~AlternateOutput() = default;
    // The level the peripheral drives now; false from `driving` leaves the pin undriven.
    virtual bool AlternateLevel(int port, int pin, bool& driving) = 0;
};

class Gpio : public Peripheral
{
public:
    Gpio(Board& board, int port);

    void Reset() override;

    int Port() const { return m_port; }

    // The outside world or a board device drives a pin, or stops driving it.
    void Drive(int pin, bool level);
    void Release(int pin);
    bool Level(int pin) const { return (m_levels >> pin & 1) != 0; }
    // Whether something outside the chip pulls the pin low (a device or the world).
    bool HeldLowOutside(int pin) const { return ((m_externalDriven & ~m_externalLevels) >> pin & 1) != 0; }
    // A resistor on the board pulls the pin up (an I2C bus line): an undriven pin reads high, the
    // board's resistor being far stronger than the chip's own pull resistors.
    void SetBoardPullUp(int pin, bool pullUp);
    uint16_t Levels() const { return m_levels; }
    // Mode field of a pin (0 input, 1 output, 2 alternate, 3 analog) and its alternate function.
    uint32_t Mode(int pin) const;
    uint32_t AlternateFunction(int pin) const;
    // Whether every pin in the mask is in alternate-function mode with `function` selected.
    bool RoutedTo(uint16_t pins, uint32_t function) const;
    // Whether the pin's output stage is open-drain (OTYPER).
    bool OpenDrain(int pin) const { return (m_otyper->value >> pin & 1) != 0; }

    void AddListener(PinListener& listener) { m_listeners.push_back(&listener); }
    void SetAlternateOutput(int pin, AlternateOutput* output);
    // Re-resolves the pins (after an alternate output changed level).
    void Resolve();

private:
    void WriteConfig(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteOdr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteBsrr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    void WriteLckr(Register& reg, uint32_t previous, uint32_t written, uint32_t lanes);
    uint32_t ReadIdr(Register& reg);
    uint32_t ReadLckr(Register& reg);

    int m_port;
    Register* m_moder = nullptr;
    Register* m_otyper = nullptr;
    Register* m_pupdr = nullptr;
    Register* m_odr = nullptr;
    Register* m_afrl = nullptr;
    Register* m_afrh = nullptr;
    uint16_t m_alternateMask = 0;
    uint16_t m_levels = 0;
    uint16_t m_externalDriven = 0;
    uint16_t m_externalLevels = 0;
    uint16_t m_boardPullUps = 0;
    uint16_t m_locked = 0;
    bool m_lockActive = false;
    int m_lockStep = 0;
    uint16_t m_lockPins = 0;
    AlternateOutput* m_alternate[16] = {};
    std::vector<PinListener*> m_listeners;
};

} // namespace Sim
