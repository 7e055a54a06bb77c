// Software preview of the scene: the main pass of the program with its fog,
// projection, culling, alpha test and blending, and the two water surfaces
// with their mirrored pictures.
#pragma once

#include <string>

#include "Scene.h"
#include "src/ClassBase/SceneConstants.h"

namespace sg {

struct PreviewOptions
{
    int width = 640;
    int height = int(640 / SCENE_ASPECT); // 506: the program's aspect
    std::string textureDir;               // .tga files found here replace the stand-in pictures
    bool reflections = true;
};

// Renders frame `frame` (0..1000) of camera path `path` (1..15). Returns
// false (and says why on stderr) when the frame does not exist or the PNG
// cannot be written.
bool RenderPathFrame(const SceneContent& s, int path, int frame, const std::string& png,
                     const PreviewOptions& opt = PreviewOptions());

// The whole valley from high above the south-west corner.
bool RenderOverview(const SceneContent& s, const std::string& png, const PreviewOptions& opt = PreviewOptions());

// Any eye and look-at point at a time in milliseconds.
bool RenderViewPng(const SceneContent& s, Vec3 eye, Vec3 at, int timeMs, const std::string& png,
                   const PreviewOptions& opt = PreviewOptions());

// Writes the stand-in picture the preview uses for a texture name as a
// 32-bit uncompressed TGA (128 x 128).
bool WriteStandInTexture(const std::string& name, const std::string& path);

// Renders an arbitrary view into RGB bytes (width x height x 3).
std::vector<uint8_t> RenderView(const SceneContent& s, Vec3 eye, Vec3 at, int timeMs, float farPlane, bool fog,
                                const PreviewOptions& opt);

} // namespace sg
