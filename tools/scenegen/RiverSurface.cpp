// Host tool: the river's water surface (reka.singleobject).
#include <algorithm>

#include "Scene.h"

namespace sg {

// A strip along the flow; v runs with the water.
void BuildRiverSurface(SceneContent& s)
{
    MeshBuilder river;
    const int mRiver = river.Material("reka.tga");
    const int across = 6;
    std::vector<uint16_t> prev;
    for (float z = -1800; z <= 1800.5f; z += 20)
    {
        float w, e;
        RiverEdges(z, w, e);
        // A little under the banks where they slope, never outside the
        // rain's river band, where steep banks stand at its edges.
        w = std::max(w - 8, kRainRiverX0);
        e = std::min(e + 8, kRainRiverX1 - 0.05f);
        std::vector<uint16_t> row;
        for (int k = 0; k <= across; ++k)
        {
            float x = Mix(w, e, float(k) / across);
            // u spans 0..1 exactly: the water mask clamps it to a border
            row.push_back(river.Vertex({x, kRiverY, z}, float(k) / across, -z / 160.0f));
        }
        if (!prev.empty())
            for (int k = 0; k < across; ++k)
            {
                river.Tri(mRiver, prev[size_t(k)], row[size_t(k)], prev[size_t(k + 1)]);
                river.Tri(mRiver, prev[size_t(k + 1)], row[size_t(k)], row[size_t(k + 1)]);
            }
        prev = row;
    }
    s.models["reka.singleobject"] = river.Build(11, 1);
}

} // namespace sg
