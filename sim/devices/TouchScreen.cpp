// Fidelity: see the note in TouchScreen.h.
#include "sim/devices/TouchScreen.h"

#include "sim/Board.h"
#include "sim/models/Adc.h"
#include "sim/models/Gpio.h"

namespace Sim
{

namespace
{
enum Port
{
    C = 2,
    F = 5
};

// Raw counts per pixel along each axis, the cross-talk of the other axis, and the readings at
// pixel (0, 0): the plates' bus bars sit a little inside the visible area and slightly askew.
const double xPerPixel = 4.4, xPerRow = 0.12, xAtOrigin = 250;
const double yPerPixel = 6.9, yPerColumn = -0.08, yAtOrigin = 350;
// What a sense line reads through its pull-down with no contact.
const double restingVolts = 0.004;

double ToVolts(double raw)
{
    // The middle of the count, so that the converter's floor gives the count itself.
    return (raw + 0.5) / 4096.0 * AnalogPins::vref;
}
} // namespace

TouchScreen::TouchScreen(Board& board, AnalogPins& pins) : m_board(board)
{
    pins.SetSource(C, 2, [this] { return SenseX(); });
    pins.SetSource(C, 3, [this] { return SenseY(); });
}

void TouchScreen::Press(double x, double y)
{
    m_pressed = true;
    m_x = x;
    m_y = y;
}

void TouchScreen::Release() { m_pressed = false; }

void TouchScreen::RawAt(double x, double y, double& rawX, double& rawY)
{
    rawX = xAtOrigin + xPerPixel * x + xPerRow * y;
    rawY = yAtOrigin + yPerPixel * y + yPerColumn * x;
}

TouchScreen::Calibration TouchScreen::DefaultCalibration()
{
    // The inverse of RawAt: pixel = M^-1 (raw - origin) with M = [[xPerPixel, xPerRow],
    // [yPerColumn, yPerPixel]], written over the common divisor det(M).
    const double det = xPerPixel * yPerPixel - xPerRow * yPerColumn;
    Calibration calibration;
    calibration.divisor = static_cast<float>(det);
    calibration.a = static_cast<float>(yPerPixel);
    calibration.b = static_cast<float>(-xPerRow);
    calibration.c = static_cast<float>(-(yPerPixel * xAtOrigin - xPerRow * yAtOrigin));
    calibration.d = static_cast<float>(-yPerColumn);
    calibration.e = static_cast<float>(xPerPixel);
    calibration.f = static_cast<float>(-(-yPerColumn * xAtOrigin + xPerPixel * yAtOrigin));
    return calibration;
}

bool TouchScreen::Line(int port, int pin) const { return m_board.gpio(port).Level(pin); }

bool TouchScreen::YPlatePowered() const
{
    return Line(C, 1) && Line(F, 10) && !Line(C, 0) && !Line(F, 11);
}

bool TouchScreen::XPlatePowered() const
{
    return !Line(C, 1) && !Line(F, 10) && Line(C, 0) && Line(F, 11);
}

double TouchScreen::SenseX() const
{
    if (!m_pressed || !XPlatePowered())
        return restingVolts;
    double rawX, rawY;
    RawAt(m_x, m_y, rawX, rawY);
    return ToVolts(rawX);
}

double TouchScreen::SenseY() const
{
    if (!m_pressed || !YPlatePowered())
        return restingVolts;
    double rawX, rawY;
    RawAt(m_x, m_y, rawX, rawY);
    // The Y plate is powered from the bottom edge: the reading falls towards the bottom row.
    return ToVolts(4096.0 - rawY);
}

} // namespace Sim
