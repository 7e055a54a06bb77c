// Windows layer: the falling leaves. The core moves them and places each;
// here the four leaf models are loaded and each active leaf is drawn with
// its model, in the main pass and the pond reflection pass.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "data/RarArchive.h"
#include "src/ClassBase/FallingLeaves.h"
#include "src/ClassBase/win/Model.h"

class CLeafFall
{
public:
    FallingLeaves m_Leaves; // holds the leaf count
    CModel m_Models[LEAF_MODELS];
    // Where each active leaf is drawn this frame, worked out once for every
    // pass and view.
    gfx::Mat4 m_World[LEAF_MAX] = {};
    float m_Fade[LEAF_MAX] = {};

    // Loads "leaf01.singleobject" to "leaf04.singleobject" from the archive,
    // then gives every leaf its start and prewarms the count's leaves; 0.
    // A model that fails to load leaves its leaves invisible but moving.
    int Build(const ArchiveView& archive, uint32_t count);
    uint32_t Count() const { return m_Leaves.m_nCount; }
    // Moves the leaves and places them for this frame's draws.
    void Advance(float dt);
    // Every active leaf, in order, as CModel::Render draws it (alpha over and
    // alpha tested, faded at its end), with the states every leaf shares set
    // once. The caller turns culling off: a leaf is seen from both sides.
    void Draw();
    void Release();
};
