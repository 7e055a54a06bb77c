// Walkable and water surfaces as collision faces: the river's water quad
// first, then the pool surfaces, then the ground on a coarse grid.
#include "Scene.h"

namespace sg {

void BuildCollision(SceneContent& s)
{
    auto add = [&](Vec3 a, Vec3 b, Vec3 c) {
        CollFace f;
        if (MakeCollFace(a, b, c, f))
            s.collision.faces.push_back(f);
    };
    const float wy = kRiverY + 0.1289f;
    const Vec3 r00 = {kRainRiverX1, wy, kValleyZ0}, r10 = {kRainRiverX0, wy, kValleyZ0};
    const Vec3 r11 = {kRainRiverX0, wy, kValleyZ1}, r01 = {kRainRiverX1, wy, kValleyZ1};
    add(r00, r10, r11);
    add(r00, r11, r01);
    const float py = kPoolY + 0.13f;
    for (const auto& p : PoolShapes())
    {
        // The square inside each pool ellipse.
        const float hx = p.rx * 0.7f, hz = p.rz * 0.7f;
        const Vec3 a = {p.cx + hx, py, p.cz - hz}, b = {p.cx - hx, py, p.cz - hz};
        const Vec3 c = {p.cx - hx, py, p.cz + hz}, d = {p.cx + hx, py, p.cz + hz};
        add(a, b, c);
        add(a, c, d);
    }
    // Ground: the valley floor and banks, leaving out the river's water.
    const float x0 = -450, x1 = 560, z0 = -1100, z1 = 900;
    const int nx = 10, nz = 16;
    auto at = [&](int i, int j) {
        float x = x0 + (x1 - x0) * float(i) / nx, z = z0 + (z1 - z0) * float(j) / nz;
        return Vec3{x, GroundHeight(x, z), z};
    };
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i)
        {
            const Vec3 a = at(i, j), b = at(i, j + 1), c = at(i + 1, j), d = at(i + 1, j + 1);
            const float cx = (a.x + d.x) / 2, cz = (a.z + d.z) / 2;
            if (RiverDistance(cx, cz) < 0 && cz > kValleyZ0 && cz < kValleyZ1)
                continue;
            add(a, b, c);
            add(c, b, d);
        }
}

} // namespace sg
