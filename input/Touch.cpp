#include "input/Touch.h"

#include "drivers/Driver/EEPROM.h"
#include "input/Driver/Touch.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <list>
#include <utility>

namespace Velmora
{

namespace
{

// Points further than this from the window's mean (in either axis) are left out of the filter.
constexpr float wildPointDistance = 64.0f;
constexpr size_t windowSize = 8;

std::list<Point> m_points;
bool m_isTouched = false;
std::function<void(Point)> m_onTouch;
std::function<void(Point)> m_onMove;
std::function<void(Point)> m_onRelease;
float m_det = 0;
float m_detA = 0;
float m_detB = 0;
float m_detC = 0;
float m_detD = 0;
float m_detE = 0;
float m_detF = 0;

float ReadCalibrationValue(uint32_t address)
{
    uint8_t bytes[4];
    Driver::EEPROM::GetInstance().Read(address, bytes, 4);
    // Stored little-endian, as the board's own core keeps a float.
    const uint32_t bits = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                          static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

Point Calibrate(float x, float y)
{
    if (m_det == 0.0f)
        return Point(x, y);
    return Point((std::fma(m_detA, x, m_detB * y) + m_detC) / m_det, (std::fma(m_detD, x, m_detE * y) + m_detF) / m_det);
}

void Append(const Point& point)
{
    if (m_points.size() > windowSize - 1)
        m_points.pop_front();
    m_points.push_back(point);
}

Point Filter()
{
    float sumX = 0;
    float sumY = 0;
    for (const Point& point : m_points)
    {
        sumX += point.x;
        sumY += point.y;
    }
    const float count = static_cast<float>(m_points.size());
    const Point mean(sumX / count, sumY / count);

    float keptX = 0;
    float keptY = 0;
    unsigned kept = 0;
    for (const Point& point : m_points)
        if (std::fabs(point.x - mean.x) < wildPointDistance && std::fabs(point.y - mean.y) < wildPointDistance)
        {
            keptX += point.x;
            keptY += point.y;
            ++kept;
        }
    if (kept == 0)
        return mean;
    return Point(keptX / static_cast<float>(kept), keptY / static_cast<float>(kept));
}

void OnDriverTouch(float x, float y)
{
    Append(Calibrate(x, y));
    if (m_points.size() < windowSize)
        return;
    const Point filtered = Filter();
    if (!m_isTouched)
    {
        m_isTouched = true;
        if (m_onTouch)
            m_onTouch(filtered);
    }
    else if (m_onMove)
        m_onMove(filtered);
}

void OnDriverRelease(float x, float y)
{
    Append(Calibrate(x, y));
    if (m_isTouched)
    {
        m_isTouched = false;
        if (m_onRelease)
            m_onRelease(Filter());
    }
    m_points.clear();
}

} // namespace

Touch::Touch() : m_driver(&Driver::Touch::GetInstance())
{
    m_onTouch = nullptr;
    m_onMove = nullptr;
    m_onRelease = nullptr;
    m_detA = ReadCalibrationValue(36);
    m_detB = ReadCalibrationValue(40);
    m_detC = ReadCalibrationValue(44);
    m_detD = ReadCalibrationValue(48);
    m_detE = ReadCalibrationValue(52);
    m_detF = ReadCalibrationValue(56);
    const float det = ReadCalibrationValue(32);
    // An erased EEPROM (all bytes 0xFF) reads as NaN: no calibration rather than NaN points.
    m_det = std::isfinite(det) && std::isfinite(m_detA) && std::isfinite(m_detB) && std::isfinite(m_detC) &&
                    std::isfinite(m_detD) && std::isfinite(m_detE) && std::isfinite(m_detF)
                ? det
                : 0.0f;
    m_driver->SetOnTouch(OnDriverTouch);
    m_driver->SetOnRelease(OnDriverRelease);
}

Touch& Touch::GetInstance()
{
    static Touch instance;
    return instance;
}

void Touch::SetOnTouch(std::function<void(Point)> callback)
{
    {
        Driver::Touch::InterruptMask mask;
        std::swap(m_onTouch, callback);
    }
}

void Touch::SetOnRelease(std::function<void(Point)> callback)
{
    {
        Driver::Touch::InterruptMask mask;
        std::swap(m_onRelease, callback);
    }
}

} // namespace Velmora
