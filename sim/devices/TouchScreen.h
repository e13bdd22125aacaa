// Fidelity: a four-wire resistive touch screen over the panel, read by the chip's ADC as the
// board wires it. Four of the chip's output lines power the plates through the board's drivers:
// PC1 and PF10 high with PC0 and PF11 low put the supply across the Y plate, and the X plate,
// touched to it by the finger, carries the divider's voltage to PC3 (ADC channel 13); the
// opposite levels power the X plate and PC2 (channel 12) reads the Y plate. With no finger, or
// with the lines in any other state, the sense lines sit on the board's pull-down resistors and
// read a few millivolts. The plates do not lie exactly square to the pixels: a raw reading
// depends a little on the other coordinate too (see RawAt), which the default calibration in the
// EEPROM undoes.
// Differs: no plate resistance, settling time or pressure dependence; the finger is a point.
#pragma once

#include <cstdint>

namespace Sim
{

class Board;
class AnalogPins;

class TouchScreen
{
public:
    TouchScreen(Board& board, AnalogPins& pins);

    // The finger touches (or moves to) the pixel (x, y), or lifts.
    void Press(double x, double y);
    void Release();
    bool Pressed() const { return m_pressed; }

    // The raw 12-bit readings at a pixel, as the firmware's driver reports them: channel 12 and
    // 4096 minus channel 13.
    static void RawAt(double x, double y, double& rawX, double& rawY);

    // The seven calibration values (divisor, then A to F) that map raw readings back to pixels:
    // X = (A x + B y + C) / divisor, Y = (D x + E y + F) / divisor.
    struct Calibration
    {
        float divisor, a, b, c, d, e, f;
    };
    static Calibration DefaultCalibration();

    // The voltages on the two sense lines now.
    double SenseX() const;
    double SenseY() const;

private:
    bool Line(int port, int pin) const;
    bool YPlatePowered() const;
    bool XPlatePowered() const;

    Board& m_board;
    bool m_pressed = false;
    double m_x = 0;
    double m_y = 0;
};

} // namespace Sim
