// The program's pictures: loading screen (background and four corners), the
// preview and dialog bitmaps and the icon. They are painted from the
// generated textures: a view down the brook between wooded banks.
#pragma once
#include <string>
#include <vector>

#include "tools/content/Image.h"
#include "tools/content/Textures.h"

namespace qmc {

struct Picture
{
    std::string file;           // e.g. "loading467.jpg"
    Image image;                // the picture as painted
    std::vector<uint8_t> bytes; // encoded file
};

// Painting of the valley at any size.
Image PaintValley(const std::vector<TextureEntry>& textures, int w, int h);
// Centre crop to the aspect of w x h, then scaled to it.
Image FitTo(const Image& src, int w, int h);
// `shot`, when not null, is a render of the scene used instead of the painting.
std::vector<Picture> AllPictures(const std::vector<TextureEntry>& textures, const std::string& fontPath,
                                 const Image* shot = nullptr);

} // namespace qmc
