// Windows layer: an animated plant (a tree kind or the reeds): its skin in
// bark, swaying by its bone animation, and for trees leaf cards riding on the
// bones. Updated once per frame and drawn once per placement, so every copy
// of a kind sways in unison.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include "data/RarArchive.h"
#include "src/ClassBase/PlantAnimation.h"
#include "src/ClassBase/win/SkinModel.h"

// The files of one kind of plant (leafFile and leafTexture null: no leaves).
struct PlantFiles
{
    const char* skin;
    const char* leafFile;
    const char* bark;
    const char* leafTexture;
    const char* firstAnimation;
    const char* secondAnimation;
};

class CAnimatedPlant
{
public:
    CSkinModel m_Skin;
    CPlantAnimation m_Animation; // the first drives the bones
    CSkinModel m_Leaves;         // the leaf cards; empty for a plant without leaves

    CAnimatedPlant() = default;
    ~CAnimatedPlant() { Release(); }
    CAnimatedPlant(const CAnimatedPlant&) = delete;
    CAnimatedPlant& operator=(const CAnimatedPlant&) = delete;

    // Skin and bark, the leaf cards and their texture, the first and the
    // second animation, from an archive. 0, or non-zero with one log line and
    // the plant inert (never skinned or drawn): a file missing or malformed,
    // buffers that cannot be made, or a skin vertex or leaf card on a bone at
    // or above the first animation's bone count.
    int LoadFrom(const ArchiveView& archive, const PlantFiles& files);

    // Both animations advanced; the skin and the leaf cards rewritten from the
    // first one's frame on the frames CPlantAnimation says (counter B odd).
    void Update();

    // The skin (fade 1), then the leaf cards alpha-tested without blending,
    // both placed by world.
    void Render(const D3DMATRIX& world);

    bool IsLoaded() const { return m_Skin.IsLoaded() && m_Animation.IsLoaded(); }
    void Release();
};
