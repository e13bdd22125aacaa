#pragma once

// A drawing surface: a rectangle of the panel with its own pixels and the AGG objects that paint
// them. The background layer and every foreground layer are instances of it.

#include "graphics/Area.h"
#include "graphics/Color.h"
#include "graphics/Color565.h"
#include "graphics/PixelArea.h"
#include "graphics/Stroke.h"
#include "graphics/PImpl/LayerPixelFormat.h"

#include <agg_renderer_base.h>
#include <agg_scanline_u.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace PImpl
{

class Brush;
class Path;

template <typename Pixel, typename PixFmt>
class Graphics
{
public:
    typedef Pixel PixelType;
    typedef PixFmt PixelFormat;
    typedef agg::renderer_base<PixFmt> Renderer;

    // The area is in panel coordinates and may reach beyond the panel. Every byte of the new
    // buffer takes the fill value: 0xFF gives white RGB565, 0x00 a fully transparent layer.
    Graphics(const Velmora::PixelArea& area, uint8_t fill)
        : m_area(area), m_bytes(Allocate(area)), m_buffer(reinterpret_cast<Pixel*>(m_bytes.get())),
          m_renderingBuffer(reinterpret_cast<unsigned char*>(m_buffer), area.GetWidth(), area.GetHeight(),
                            static_cast<int>(area.GetWidth() * sizeof(Pixel))),
          m_pixelFormat(m_renderingBuffer), m_renderer(m_pixelFormat)
    {
        Fill(fill);
    }

    virtual ~Graphics() = default;

    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    const Velmora::PixelArea& GetArea() const { return m_area; }
    Pixel* GetBuffer() { return m_buffer; }
    const Pixel* GetBuffer() const { return m_buffer; }
    size_t GetByteCount() const { return static_cast<size_t>(m_area.GetWidth()) * m_area.GetHeight() * sizeof(Pixel); }

    // Pixel (x, y) of the surface, in surface coordinates. Whoever writes a foreground layer's
    // pixels through it marks them in the pixel format's ink map (MarkInk).
    Pixel* GetPixel(int x, int y) { return m_buffer + static_cast<size_t>(y) * m_area.GetWidth() + x; }
    const Pixel* GetPixel(int x, int y) const { return m_buffer + static_cast<size_t>(y) * m_area.GetWidth() + x; }

    // Sets every byte of the buffer; registers nothing. A layer's ink map follows.
    void Fill(uint8_t value)
    {
        std::memset(static_cast<void*>(m_buffer), value, GetByteCount());
        m_pixelFormat.NoteFill(value);
    }

    RenderingBuffer& GetRenderingBuffer() { return m_renderingBuffer; }
    PixFmt& GetPixelFormat() { return m_pixelFormat; }
    const PixFmt& GetPixelFormat() const { return m_pixelFormat; }
    Renderer& GetRenderer() { return m_renderer; }
    agg::scanline_u8& GetScanline() { return m_scanline; }

    // Drawing (defined in GraphicsDrawing.cpp): the path in surface coordinates is rasterised with
    // anti-aliasing and the brush paints it inside a refresh bracket, registering what it paints.
    void FillPath(const Path& path, Brush& brush);
    void StrokePath(const Path& path, const Velmora::Stroke& stroke, Brush& brush);
    // The whole pixels that stroking the path would touch; an empty area at the origin for a path
    // without outline. Draws nothing.
    Velmora::Area MeasurePath(const Path& path, const Velmora::Stroke& stroke);
    // The same for filling the path.
    Velmora::Area MeasureFill(const Path& path);

private:
    // The pixel types have no default constructor, so the buffer is allocated as bytes of
    // exactly width x height pixels and the fill gives every pixel its value. Owned from the
    // start, so that a later member failing to allocate (a layer's ink map) does not leak it.
    static std::unique_ptr<unsigned char[]> Allocate(const Velmora::PixelArea& area)
    {
        const size_t bytes = static_cast<size_t>(area.GetWidth()) * area.GetHeight() * sizeof(Pixel);
        return std::unique_ptr<unsigned char[]>(new unsigned char[bytes]);
    }

    Velmora::PixelArea m_area;
    std::unique_ptr<unsigned char[]> m_bytes;
    Pixel* m_buffer;
    RenderingBuffer m_renderingBuffer;
    PixFmt m_pixelFormat;
    Renderer m_renderer;
    agg::scanline_u8 m_scanline;
};

typedef Graphics<Velmora::Color565, BackgroundPixelFormat> BackgroundGraphics;
typedef Graphics<Velmora::Color, ForegroundPixelFormat> ForegroundGraphics;

} // namespace PImpl
