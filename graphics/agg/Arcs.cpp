// Elliptic arcs as line segments (agg_arc.h), as cubic Bézier segments (agg_bezier_arc.h), and the
// rectangle with elliptic corners built from them (agg_rounded_rect.h), for the board.

#include <agg_arc.h>
#include <agg_bezier_arc.h>
#include <agg_rounded_rect.h>

#include <cmath>

namespace agg
{
// ---- arc ----

arc::arc(double x, double y, double rx, double ry, double a1, double a2, bool ccw)
    : m_x(x), m_y(y), m_rx(rx), m_ry(ry), m_scale(1.0)
{
    normalize(a1, a2, ccw);
}

void arc::init(double x, double y, double rx, double ry, double a1, double a2, bool ccw)
{
    m_x = x;
    m_y = y;
    m_rx = rx;
    m_ry = ry;
    normalize(a1, a2, ccw);
}

void arc::approximation_scale(double s)
{
    m_scale = s;
    if (m_initialized)
    {
        normalize(m_start, m_end, m_ccw);
    }
}

void arc::rewind(unsigned)
{
    m_path_cmd = path_cmd_move_to;
    m_angle = m_start;
}

unsigned arc::vertex(double* x, double* y)
{
    if (is_stop(m_path_cmd))
    {
        return path_cmd_stop;
    }
    // Within a quarter step of the end, the end itself closes the arc, so that the last segment
    // is never a sliver.
    if ((m_angle < m_end - m_da / 4) != m_ccw)
    {
        *x = m_x + std::cos(m_end) * m_rx;
        *y = m_y + std::sin(m_end) * m_ry;
        m_path_cmd = path_cmd_stop;
        return path_cmd_line_to;
    }
    *x = m_x + std::cos(m_angle) * m_rx;
    *y = m_y + std::sin(m_angle) * m_ry;
    m_angle += m_da;
    const unsigned command = m_path_cmd;
    m_path_cmd = path_cmd_line_to;
    return command;
}

void arc::normalize(double a1, double a2, bool ccw)
{
    // The step angle keeps the chord's deviation from the arc at an eighth of a device unit.
    const double meanRadius = (std::fabs(m_rx) + std::fabs(m_ry)) / 2;
    m_da = std::acos(meanRadius / (meanRadius + 0.125 / m_scale)) * 2;
    if (ccw)
    {
        while (a2 < a1)
        {
            a2 += pi * 2.0;
        }
    }
    else
    {
        while (a1 < a2)
        {
            a1 += pi * 2.0;
        }
        m_da = -m_da;
    }
    m_ccw = ccw;
    m_start = a1;
    m_end = a2;
    m_initialized = true;
}

// ---- Bézier arc ----

namespace
{
// A sweep that ends this close to a quarter turn is finished by that quarter.
const double sweepEpsilon = 0.01;
}

void arc_to_bezier(double cx, double cy, double rx, double ry, double start_angle, double sweep_angle,
                   double* curve)
{
    // The unit arc symmetric about the x axis, from -sweep/2 to +sweep/2, with the control points
    // that make the cubic touch the circle at its middle; then rotated to its place and scaled.
    const double x0 = std::cos(sweep_angle / 2.0);
    const double y0 = std::sin(sweep_angle / 2.0);
    const double tx = (1.0 - x0) * 4.0 / 3.0;
    const double ty = y0 - tx * x0 / y0;
    const double px[4] = {x0, x0 + tx, x0 + tx, x0};
    const double py[4] = {-y0, -ty, ty, y0};

    const double sn = std::sin(start_angle + sweep_angle / 2.0);
    const double cs = std::cos(start_angle + sweep_angle / 2.0);
    for (unsigned i = 0; i < 4; ++i)
    {
        curve[i * 2] = cx + rx * (px[i] * cs - py[i] * sn);
        curve[i * 2 + 1] = cy + ry * (px[i] * sn + py[i] * cs);
    }
}

void bezier_arc::init(double x, double y, double rx, double ry, double start_angle, double sweep_angle)
{
    start_angle = std::fmod(start_angle, 2.0 * pi);
    if (sweep_angle >= 2.0 * pi)
    {
        sweep_angle = 2.0 * pi;
    }
    if (sweep_angle <= -2.0 * pi)
    {
        sweep_angle = -2.0 * pi;
    }

    if (std::fabs(sweep_angle) < 1e-10)
    {
        // No sweep: a straight line between the two (nearly equal) ends.
        m_num_vertices = 4;
        m_cmd = path_cmd_line_to;
        m_vertices[0] = x + rx * std::cos(start_angle);
        m_vertices[1] = y + ry * std::sin(start_angle);
        m_vertices[2] = x + rx * std::cos(start_angle + sweep_angle);
        m_vertices[3] = y + ry * std::sin(start_angle + sweep_angle);
        return;
    }

    // At most four quarter-turn cubics; each shares its first point with the previous one's last.
    double totalSweep = 0.0;
    m_num_vertices = 2;
    m_cmd = path_cmd_curve4;
    bool done = false;
    do
    {
        const double previousSweep = totalSweep;
        double localSweep;
        if (sweep_angle < 0.0)
        {
            localSweep = -pi * 0.5;
            totalSweep -= pi * 0.5;
            if (totalSweep <= sweep_angle + sweepEpsilon)
            {
                localSweep = sweep_angle - previousSweep;
                done = true;
            }
        }
        else
        {
            localSweep = pi * 0.5;
            totalSweep += pi * 0.5;
            if (totalSweep >= sweep_angle - sweepEpsilon)
            {
                localSweep = sweep_angle - previousSweep;
                done = true;
            }
        }
        arc_to_bezier(x, y, rx, ry, start_angle, localSweep, m_vertices + m_num_vertices - 2);
        m_num_vertices += 6;
        start_angle += localSweep;
    } while (!done && m_num_vertices < 26);
}

// ---- rounded rectangle ----

rounded_rect::rounded_rect(double x1, double y1, double x2, double y2, double r)
    : m_rx1(r), m_ry1(r), m_rx2(r), m_ry2(r), m_rx3(r), m_ry3(r), m_rx4(r), m_ry4(r)
{
    rect(x1, y1, x2, y2);
}

void rounded_rect::rect(double x1, double y1, double x2, double y2)
{
    // Kept with x1 <= x2 and y1 <= y2 whichever corners were given.
    m_x1 = x1;
    m_y1 = y1;
    m_x2 = x2;
    m_y2 = y2;
    if (x1 > x2)
    {
        m_x1 = x2;
        m_x2 = x1;
    }
    if (y1 > y2)
    {
        m_y1 = y2;
        m_y2 = y1;
    }
}

void rounded_rect::radius(double r)
{
    m_rx1 = m_ry1 = m_rx2 = m_ry2 = m_rx3 = m_ry3 = m_rx4 = m_ry4 = r;
}

void rounded_rect::radius(double rx, double ry)
{
    m_rx1 = m_rx2 = m_rx3 = m_rx4 = rx;
    m_ry1 = m_ry2 = m_ry3 = m_ry4 = ry;
}

void rounded_rect::radius(double rx_bottom, double ry_bottom, double rx_top, double ry_top)
{
    m_rx1 = m_rx2 = rx_bottom;
    m_rx3 = m_rx4 = rx_top;
    m_ry1 = m_ry2 = ry_bottom;
    m_ry3 = m_ry4 = ry_top;
}

void rounded_rect::radius(double rx1, double ry1, double rx2, double ry2, double rx3, double ry3, double rx4,
                          double ry4)
{
    m_rx1 = rx1;
    m_ry1 = ry1;
    m_rx2 = rx2;
    m_ry2 = ry2;
    m_rx3 = rx3;
    m_ry3 = ry3;
    m_rx4 = rx4;
    m_ry4 = ry4;
}

void rounded_rect::normalize_radius()
{
    // Shrinks every radius by one factor. The limits are those of the host's AGG library, which
    // sets the height against the horizontal radii and the width against the vertical ones; kept
    // as they are so that host and board agree (the firmware itself never calls this).
    const double height = std::fabs(m_y2 - m_y1);
    const double width = std::fabs(m_x2 - m_x1);
    double k = 1.0;
    const double limits[4] = {height / (m_rx1 + m_rx2), height / (m_rx3 + m_rx4), width / (m_ry1 + m_ry2),
                              width / (m_ry3 + m_ry4)};
    for (double limit : limits)
    {
        if (limit < k)
        {
            k = limit;
        }
    }
    if (k < 1.0)
    {
        m_rx1 *= k;
        m_ry1 *= k;
        m_rx2 *= k;
        m_ry2 *= k;
        m_rx3 *= k;
        m_ry3 *= k;
        m_rx4 *= k;
        m_ry4 *= k;
    }
}

void rounded_rect::rewind(unsigned)
{
    m_status = 0;
}

unsigned rounded_rect::vertex(double* x, double* y)
{
    // Four quarter arcs, counter-clockwise in a y-up frame from the corner at (x1, y1); the first
    // arc's first vertex moves, every other vertex draws, and the figure closes.
    struct Corner
    {
        double cx, cy, rx, ry, a1, a2;
    };
    while (m_status < 8)
    {
        const unsigned corner = m_status / 2;
        if (m_status % 2 == 0)
        {
            const Corner corners[4] = {
                {m_x1 + m_rx1, m_y1 + m_ry1, m_rx1, m_ry1, pi, pi + pi * 0.5},
                {m_x2 - m_rx2, m_y1 + m_ry2, m_rx2, m_ry2, pi + pi * 0.5, 0.0},
                {m_x2 - m_rx3, m_y2 - m_ry3, m_rx3, m_ry3, 0.0, pi * 0.5},
                {m_x1 + m_rx4, m_y2 - m_ry4, m_rx4, m_ry4, pi * 0.5, pi},
            };
            const Corner& c = corners[corner];
            m_arc.init(c.cx, c.cy, c.rx, c.ry, c.a1, c.a2);
            m_arc.rewind(0);
            ++m_status;
        }
        const unsigned command = m_arc.vertex(x, y);
        if (!is_stop(command))
        {
            return corner == 0 ? command : unsigned(path_cmd_line_to);
        }
        ++m_status;
    }
    if (m_status == 8)
    {
        ++m_status;
        return path_cmd_end_poly | path_flags_close | path_flags_ccw;
    }
    return path_cmd_stop;
}
}
