// Windows layer: one animated plant and the placements of its copies (a tree
// kind, the reed bed).
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "src/ClassBase/TransformList.h"
#include "src/ClassBase/win/AnimatedPlant.h"

class CPlantStand
{
public:
    CTransformList m_Placements;
    CAnimatedPlant m_Plant;

    // The plant, then its placements; 0, or the first failure's status
    // (logged) with both empty.
    int LoadFrom(const ArchiveView& archive, const char* placements, const PlantFiles& files);
    void Update() { m_Plant.Update(); }
    // The plant once per placement, in the list's order.
    void Render();
    void Release();
};
