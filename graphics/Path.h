#pragma once

#include "graphics/Point.h"

#include <string>

namespace PImpl
{
class Path;
}

namespace Velmora
{

class FiniteStreamReader;

// An outline to fill or stroke: moves, lines, quadratic curves and closed polygons in pixel
// coordinates (x to the right, y downwards). Each path owns its own vertex store; copying copies
// the vertices.
class Path
{
public:
    Path();
    Path(const Path& other);
    virtual ~Path();
    Path& operator=(const Path& other);

    void Clear();
    void MoveTo(const Point& p);
    void LineTo(const Point& p);
    void CurveTo(const Point& control, const Point& end);
    void Close();
    void Translate(const Point& offset);

    // The outlines of UTF-8 text; origin is the left end of the baseline, size the pixel size of
    // the em, angle a clockwise turn about origin in degrees. Malformed UTF-8 throws utfcpp's
    // exceptions, font problems std::runtime_error.
    static Path Text(const Point& origin, const FiniteStreamReader& font, const std::string& text, float size,
                     float angle);

    PImpl::Path& GetPImpl() { return *m_path; }
    const PImpl::Path& GetPImpl() const { return *m_path; }

private:
    PImpl::Path* m_path;
};

} // namespace Velmora
