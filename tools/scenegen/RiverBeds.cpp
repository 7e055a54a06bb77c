// Host tool: the river and pool beds (ruslo_dn.singleobject), seen through
// the water, with the stones by the river; and the banks
// (ruslo_up.singleobject), seen from above and mirrored in the river.
#include "Lighting.h"
#include "SceneryProps.h"
#include "TerrainMesh.h"

namespace sg {

void BuildRiverBeds(SceneContent& s)
{
    MeshBuilder bedLow, bedUp;
    GridVertices gLow(bedLow), gUp(bedUp);
    const int mBed = bedLow.Material("ruslo01.tga");
    const int mPoolBed = bedLow.Material("lusha_dno.tga");
    const int mBank = bedUp.Material("bereg01.tga");
    const int mSand = bedUp.Material("sand01.tga");
    ForEachGroundTriangle([&](const GroundTriangle& t) {
        switch (t.part)
        {
        case GroundPart::RiverBed:
        case GroundPart::PoolBed:
        {
            const auto v = gLow.Three(t);
            bedLow.Tri(t.part == GroundPart::RiverBed ? mBed : mPoolBed, v[0], v[1], v[2]);
            break;
        }
        case GroundPart::Sand:
        case GroundPart::Bank:
        {
            const auto v = gUp.Slope(t);
            bedUp.TwoSided(t.part == GroundPart::Sand ? mSand : mBank, v[0], v[1], v[2]);
            break;
        }
        case GroundPart::Cliff:
        {
            // Both ways round, as the banks: this model is drawn culled.
            const auto v = gUp.Rock(t);
            bedUp.TwoSided(bedUp.Material(t.cx > 250 && t.cy > 45 ? "rock02.tga" : "rock01.tga"), v[0], v[1], v[2]);
            break;
        }
        case GroundPart::Scenery:
            break;
        }
    });
    bedLow.Append(PlaceStones(s).bank);
    // The bridge spans the river with the banks it rests on: drawn in the
    // same passes as the scenery, and the scenery's model has no room left.
    bedUp.Append(BuildBridge(&s.seated));
    bedUp.Append(BuildLedges());
    bedUp.Append(BuildFalls());
    // The litter thins out into the grass: its fringe over the scenery's
    // ground, before the light so that lies over it as over the ground.
    AddLitterFringe(bedUp, bedUp.Material(kLitterFringeTexture), s.litterEdges);
    // The light over the banks, here so the river's mirror shows it too.
    AddLightLayer(
        bedUp, bedUp.Material(kLightOverlayTexture), SceneLight(s),
        [](const GroundTriangle& t) {
            return t.part == GroundPart::Sand || t.part == GroundPart::Bank || t.part == GroundPart::Cliff;
        },
        true);
    // The scenery's light too, wound as its ground, facing up: the main
    // pass and the river's mirror both lay it from here (the scenery's own
    // model has no room for it). Laid over, not multiplied, it fades into
    // the fog with the ground under it.
    AddLightLayer(
        bedUp, bedUp.Material(kLightOverlayTexture), SceneLight(s),
        [](const GroundTriangle& t) { return t.part == GroundPart::Scenery; }, false);

    s.models["ruslo_dn.singleobject"] = bedLow.Build(10, 1);
    s.models["ruslo_up.singleobject"] = bedUp.Build(10, 1);
}

} // namespace sg
