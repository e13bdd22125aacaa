#include "graphics/PImpl/Path.h"

#include <agg_bezier_arc.h>
#include <agg_rounded_rect.h>

namespace PImpl
{

Path& Path::operator=(const Path& other)
{
    // AGG's storage empties itself before copying, which would wipe a path assigned to itself.
    if (this != &other)
    {
        m_path = other.m_path;
    }
    return *this;
}

void Path::Clear()
{
    m_path.remove_all();
}

void Path::MoveTo(const Velmora::Point& p)
{
    m_path.move_to(p.x, p.y);
}

void Path::LineTo(const Velmora::Point& p)
{
    m_path.line_to(p.x, p.y);
}

void Path::CurveTo(const Velmora::Point& control, const Velmora::Point& end)
{
    m_path.curve3(control.x, control.y, end.x, end.y);
}

void Path::CurveTo(const Velmora::Point& control1, const Velmora::Point& control2, const Velmora::Point& end)
{
    m_path.curve4(control1.x, control1.y, control2.x, control2.y, end.x, end.y);
}

void Path::Close()
{
    m_path.close_polygon();
}

// In single precision, where AGG's translation adds in double and rounds the sum to the stored
// float. The same float either way: the exact sum of two floats rounded to double (53 bits, at
// least twice float's 24 plus two) and then to float is the exact sum rounded to float once (the
// double rounding is innocuous at that width), which is the float addition's result, overflow to
// infinity included; a zero sum has the same sign in both (x + -x is +0, -0 + -0 is -0). The
// Cortex-M4 adds floats in one instruction and doubles in a run-time call.
void Path::Translate(float dx, float dy)
{
    const unsigned count = m_path.total_vertices();
    for (unsigned i = 0; i < count; ++i)
    {
        double x;
        double y;
        if (agg::is_vertex(m_path.vertex(i, &x, &y)))
        {
            m_path.modify_vertex(i, static_cast<float>(x) + dx, static_cast<float>(y) + dy);
        }
    }
}

unsigned Path::GetVertex(unsigned index, float& x, float& y) const
{
    double vx = 0.0;
    double vy = 0.0;
    const unsigned command = m_path.vertex(index, &vx, &vy);
    x = static_cast<float>(vx);
    y = static_cast<float>(vy);
    return command;
}

Path Path::Ellipse(const Velmora::Point& center, float radiusX, float radiusY)
{
    // Four cubic quarter arcs from angle 0, clockwise on screen. Left open on purpose: the last
    // vertex meets the first and filling closes the outline.
    agg::bezier_arc arc(center.x, center.y, radiusX, radiusY, 0.0, 6.2831855f);
    Path path;
    path.m_path.concat_path(arc);
    return path;
}

Path Path::Circle(const Velmora::Point& center, float radius)
{
    return Ellipse(center, radius, radius);
}

Path Path::Line(const Velmora::Point& from, const Velmora::Point& to)
{
    Path path;
    path.MoveTo(from);
    path.LineTo(to);
    return path;
}

Path Path::Rectangle(const Velmora::Area& area, float topLeftRadius, float topRightRadius, float bottomLeftRadius,
                     float bottomRightRadius)
{
    Path path;
    if (topLeftRadius == 0.0f && topRightRadius == 0.0f && bottomLeftRadius == 0.0f && bottomRightRadius == 0.0f)
    {
        path.MoveTo(area.GetTopLeft());
        path.LineTo(area.GetTopRight());
        path.LineTo(area.GetBottomRight());
        path.LineTo(area.GetBottomLeft());
        path.Close();
        return path;
    }

    // AGG numbers its corners clockwise from (x1, y1): top-left, top-right, bottom-right,
    // bottom-left on a y-down screen.
    agg::rounded_rect shape(area.GetLeft(), area.GetTop(), area.GetRight(), area.GetBottom(), 0.0);
    shape.radius(topLeftRadius, topLeftRadius, topRightRadius, topRightRadius, bottomRightRadius, bottomRightRadius,
                 bottomLeftRadius, bottomLeftRadius);
    shape.approximation_scale(1.0);
    // Walked by hand rather than concatenated: AGG leaves the coordinates of the closing vertex
    // unset, and an end-of-polygon marker must carry (0, 0) like the one Close adds.
    shape.rewind(0);
    double x = 0.0;
    double y = 0.0;
    for (unsigned command = shape.vertex(&x, &y); !agg::is_stop(command); command = shape.vertex(&x, &y))
    {
        if (agg::is_vertex(command))
        {
            path.m_path.vertices().add_vertex(x, y, command);
        }
        else
        {
            path.m_path.vertices().add_vertex(0.0, 0.0, command);
        }
    }
    return path;
}

Path Path::Rectangle(const Velmora::Area& area, float radius)
{
    return Rectangle(area, radius, radius, radius, radius);
}

} // namespace PImpl
