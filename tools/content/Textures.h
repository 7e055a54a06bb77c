// Every texture of the data archive, generated from code.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "tools/content/Image.h"

namespace qmc {

enum class AlphaUse
{
    Opaque,
    Cutout,
    Blend
};

struct TextureEntry
{
    std::string name; // archive entry name, '\\' separating folders
    Image image;
    bool tiles = false; // a mesh repeats it, so opposite edges must meet
    AlphaUse alpha = AlphaUse::Opaque;
};

// Scalar field the size of a texture; lookups wrap at the edges.
struct Field
{
    int w = 0, h = 0;
    std::vector<float> v;
    float At(int x, int y) const { return v[size_t(((y % h) + h) % h) * w + ((x % w) + w) % w]; }
};
Field MakeField(int w, int h, const std::function<float(float, float)>& fn);
// Lambert factor of a height field lit from the upper left; 1 on flat ground.
float Light(const Field& f, int x, int y, float strength);
Image Fill(int w, int h, const std::function<Rgba(int, int, float, float)>& fn);
// Gives fully transparent texels the colour of their visible neighbours, so
// filtering and mip levels do not pull dark fringes into cut-out edges.
void BleedColour(Image& img);

std::vector<TextureEntry> TerrainTextures();    // ground, banks, rock, river bed, bridge
std::vector<TextureEntry> PlantTextures();      // bark, leaf clusters, reeds, grass, leaves
std::vector<TextureEntry> WaterTextures();      // river and pond surfaces, waterfall, foam, rings, bump maps
std::vector<TextureEntry> SkyAndMiscTextures(); // sky, shadows, spray, duck
// A clump of reeds with cattails on a transparent card, for the pictures.
Image ReedClump();
// Clock glyphs from a TrueType font file; empty when the font cannot be read.
std::vector<TextureEntry> GlyphTextures(const std::string& fontPath);

// Every texture above, in a fixed order.
std::vector<TextureEntry> AllTextures(const std::string& fontPath);

} // namespace qmc
