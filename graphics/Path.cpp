#include "graphics/Path.h"

#include "graphics/PImpl/Path.h"
#include "graphics/VelmoraExtensions.h"

namespace Velmora
{

Path::Path() : m_path(new PImpl::Path())
{
}

Path::Path(const Path& other) : m_path(new PImpl::Path(*other.m_path))
{
}

Path::~Path()
{
    delete m_path;
}

Path& Path::operator=(const Path& other)
{
    *m_path = *other.m_path;
    return *this;
}

void Path::Clear()
{
    m_path->Clear();
}

void Path::MoveTo(const Point& p)
{
    m_path->MoveTo(p);
}

void Path::LineTo(const Point& p)
{
    m_path->LineTo(p);
}

void Path::CurveTo(const Point& control, const Point& end)
{
    m_path->CurveTo(control, end);
}

void Path::Close()
{
    m_path->Close();
}

void Path::Translate(const Point& offset)
{
    m_path->Translate(offset.x, offset.y);
}

Path Path::Text(const Point& origin, const FiniteStreamReader& font, const std::string& text, float size, float angle)
{
    // Decoding first: malformed text fails before any font work.
    const std::u32string codePoints = ToUTF32(text);
    Path path;
    *path.m_path = PImpl::Path::Text(origin, font, codePoints, size, angle);
    return path;
}

} // namespace Velmora
