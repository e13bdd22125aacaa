// The out-of-line operations of the affine transform (agg_trans_affine.h) for the board. The
// matrix is [sx shx tx; shy sy ty]; multiply(m) applies this transform first, then m.

#include <agg_trans_affine.h>

#include <cmath>

namespace agg
{
const trans_affine& trans_affine::parl_to_parl(const double* src, const double* dst)
{
    // The map from the unit square to the source parallelogram, inverted, then the map from the
    // unit square to the destination parallelogram.
    sx = src[2] - src[0];
    shy = src[3] - src[1];
    shx = src[4] - src[0];
    sy = src[5] - src[1];
    tx = src[0];
    ty = src[1];
    invert();
    multiply(trans_affine(dst[2] - dst[0], dst[3] - dst[1], dst[4] - dst[0], dst[5] - dst[1], dst[0], dst[1]));
    return *this;
}

const trans_affine& trans_affine::rect_to_parl(double x1, double y1, double x2, double y2, const double* parl)
{
    const double rectangle[6] = {x1, y1, x2, y1, x2, y2};
    parl_to_parl(rectangle, parl);
    return *this;
}

const trans_affine& trans_affine::parl_to_rect(const double* parl, double x1, double y1, double x2, double y2)
{
    const double rectangle[6] = {x1, y1, x2, y1, x2, y2};
    parl_to_parl(parl, rectangle);
    return *this;
}

const trans_affine& trans_affine::multiply(const trans_affine& m)
{
    const double newSx = sx * m.sx + shy * m.shx;
    const double newShx = shx * m.sx + sy * m.shx;
    const double newTx = tx * m.sx + ty * m.shx + m.tx;
    shy = sx * m.shy + shy * m.sy;
    sy = shx * m.shy + sy * m.sy;
    ty = tx * m.shy + ty * m.sy + m.ty;
    sx = newSx;
    shx = newShx;
    tx = newTx;
    return *this;
}

const trans_affine& trans_affine::invert()
{
    const double d = determinant_reciprocal();
    const double newSx = sy * d;
    sy = sx * d;
    shy = -shy * d;
    shx = -shx * d;
    const double newTx = -tx * newSx - ty * shx;
    ty = -tx * shy - ty * sy;
    sx = newSx;
    tx = newTx;
    return *this;
}

const trans_affine& trans_affine::flip_x()
{
    sx = -sx;
    shy = -shy;
    tx = -tx;
    return *this;
}

const trans_affine& trans_affine::flip_y()
{
    shx = -shx;
    sy = -sy;
    ty = -ty;
    return *this;
}

const trans_affine& trans_affine::reset()
{
    sx = sy = 1.0;
    shy = shx = tx = ty = 0.0;
    return *this;
}

bool trans_affine::is_identity(double epsilon) const
{
    return is_equal_eps(sx, 1.0, epsilon) && is_equal_eps(shy, 0.0, epsilon) && is_equal_eps(shx, 0.0, epsilon) &&
           is_equal_eps(sy, 1.0, epsilon) && is_equal_eps(tx, 0.0, epsilon) && is_equal_eps(ty, 0.0, epsilon);
}

bool trans_affine::is_valid(double epsilon) const
{
    return std::fabs(sx) > epsilon && std::fabs(sy) > epsilon;
}

bool trans_affine::is_equal(const trans_affine& m, double epsilon) const
{
    return is_equal_eps(sx, m.sx, epsilon) && is_equal_eps(shy, m.shy, epsilon) && is_equal_eps(shx, m.shx, epsilon) &&
           is_equal_eps(sy, m.sy, epsilon) && is_equal_eps(tx, m.tx, epsilon) && is_equal_eps(ty, m.ty, epsilon);
}

double trans_affine::rotation() const
{
    // The direction the x axis takes.
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 1.0;
    double y2 = 0.0;
    transform(&x1, &y1);
    transform(&x2, &y2);
    return std::atan2(y2 - y1, x2 - x1);
}

void trans_affine::translation(double* dx, double* dy) const
{
    *dx = tx;
    *dy = ty;
}

void trans_affine::scaling(double* x, double* y) const
{
    // The scale left once the rotation is undone.
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 1.0;
    double y2 = 1.0;
    trans_affine unrotated(*this);
    unrotated *= trans_affine_rotation(-rotation());
    unrotated.transform(&x1, &y1);
    unrotated.transform(&x2, &y2);
    *x = x2 - x1;
    *y = y2 - y1;
}
}
