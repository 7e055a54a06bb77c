// Host tool: the preview's textures: the generated .tga files when a
// directory holds them, stand-in pictures chosen by name otherwise.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "SoftRaster.h"

namespace sg {

// Stand-in picture for a texture name (any case): colour, grain and alpha
// chosen by name, tileable, 128 x 128.
Texture StandInTexture(const std::string& name);

// Textures by name, the .tga of the name looked for first, each loaded once.
class TextureSet
{
public:
    explicit TextureSet(std::string dir) : m_Dir(std::move(dir)) {}
    const Texture& Get(const std::string& name);
    // A picture the scene made itself (a TGA file's bytes), under its name.
    void PutTga(const std::string& name, const std::vector<uint8_t>& tga);

private:
    std::string m_Dir;
    std::unordered_map<std::string, std::unique_ptr<Texture>> m_Cache;
};

} // namespace sg
