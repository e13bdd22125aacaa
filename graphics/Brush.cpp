#include "graphics/Brush.h"

#include "graphics/PImpl/Brush.h"

namespace Velmora
{

Brush::~Brush()
{
    delete m_brush;
}

} // namespace Velmora
