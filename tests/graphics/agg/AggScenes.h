#pragma once

// The scenes of the AGG differential test. AggScenes.inc builds them once against the system's
// AGG library (namespace Reference) and once against our own out-of-line parts compiled under
// another namespace (namespace Own), so both live in one test program. Everything here is plain
// data: no AGG type crosses between the two.

#include <cstdint>
#include <vector>

namespace AggScenes
{
struct Vertex
{
    double x;
    double y;
    unsigned command;
};

// The kinds of vertex source a case exercises.
enum class Source
{
    Curve3Incremental,
    Curve3Subdivided,
    Curve4Incremental,
    Curve4Subdivided,
    Arc,
    BezierArc,
    RoundedRect,
    Stroke,
};

const unsigned sourceCount = 8;

#define AGG_SCENES_DECLARE(side)                                                                               \
    namespace side                                                                                             \
    {                                                                                                          \
    /* The vertex stream of the case'th pseudo-random input of one kind. */                                     \
    std::vector<Vertex> Vertices(Source source, unsigned caseNumber);                                         \
    /* A 6-number affine matrix after the case'th sequence of operations, then its derived figures. */          \
    std::vector<double> Affine(unsigned caseNumber);                                                          \
    /* An RGB565 picture (width x height) of the case'th scene: fills and strokes of curved paths, rounded */  \
    /* rectangles, ellipses and a transformed gradient. */                                                     \
    std::vector<std::uint16_t> Render(unsigned caseNumber, unsigned width, unsigned height);                   \
    }

AGG_SCENES_DECLARE(Reference)
AGG_SCENES_DECLARE(Own)
#undef AGG_SCENES_DECLARE
}
