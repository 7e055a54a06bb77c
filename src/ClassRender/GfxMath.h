// Portable core: vectors and matrices in the Direct3D convention (32-bit
// floats, row vectors, point x matrix, translation in elements 12..14).
#pragma once

namespace gfx {

struct Vec3
{
    float x, y, z;
};

// Same memory layout as D3DMATRIX: m[row][column].
struct Mat4
{
    float m[4][4];
};

Mat4 MatrixIdentity();

// Left-handed look-at view matrix. Returns false (and leaves out untouched)
// when eye and target coincide or no up direction can be found.
bool MatrixLookAtLH(Mat4& out, const Vec3& eye, const Vec3& target, const Vec3& up);

} // namespace gfx
