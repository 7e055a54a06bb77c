// Software preview renderer of the generator: the scene's passes in the
// program's order, the water surfaces with their mirrored pictures, and the
// PNG and TGA files.
#include "Preview.h"

#include <algorithm>
#include <cstdio>

#include "ScenePose.h"
#include "SoftRaster.h"
#include "StandInTextures.h"
#include "src/ClassBase/SceneConstants.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include "stb_image_write.h"

namespace sg {

namespace {

void DrawPosed(Raster& r, TextureSet& tex, const Posed& p, const State& st)
{
    for (const auto& m : p.mats)
        r.Draw(p.pos, p.uv, p.idx, m.firstIndex, m.triangleCount, &tex.Get(m.texture), st);
}

Mat4 LookAt(Vec3 eye, Vec3 at)
{
    Mat4 v;
    if (!gfx::MatrixLookAtLH(v, eye, at, {0, 1, 0}))
        v = Identity();
    return v;
}

// One pass of the scene as the program's DrawScene orders it.
void DrawScenePass(Raster& r, TextureSet& tex, const SceneContent& s, const Animated& an, const Mat4& view,
                   ScenePass pass)
{
    State st;
    // Sky with the view's rotation only, no depth.
    Mat4 sky = view;
    sky.m[3][0] = sky.m[3][1] = sky.m[3][2] = 0;
    r.SetView(sky);
    st.zTest = false;
    st.zWrite = false;
    st.cull = Cull::CCW;
    DrawPosed(r, tex, FromModel(s.models.at("sky.singleobject"), Identity()), st);
    r.SetView(view);
    st = State();
    st.cull = pass == spMain ? Cull::None : Cull::CCW;
    const Mat4 inv = InverseAffine(view);
    if (pass == spPondReflection)
    {
        DrawPosed(r, tex, FromModel(s.models.at("scene_refl_lusa.singleobject"), Identity()), st);
        st.cull = Cull::CCW;
        DrawPosed(r, tex, Grass(s.lists.at("grass_up.transobj"), inv), st);
        return;
    }
    DrawPosed(r, tex, FromModel(s.models.at("scene.singleobject"), Identity()), st);
    for (const auto& t : an.trees)
    {
        State ts = st;
        ts.alphaTest = false;
        DrawPosed(r, tex, t, ts);
    }
    for (const auto& l : an.leaves)
    {
        State ls = st;
        ls.alphaTest = true;
        DrawPosed(r, tex, l, ls);
    }
    for (const auto& reed : an.reeds)
        DrawPosed(r, tex, reed, st);
    st.cull = Cull::CCW;
    if (pass == spMain)
    {
        for (const auto& d : an.ducks)
        {
            State ds = st;
            ds.cull = Cull::None;
            DrawPosed(r, tex, d, ds);
        }
        DrawPosed(r, tex, FromModel(s.models.at("ruslo_up.singleobject"), Identity()), st);
        DrawPosed(r, tex, FromModel(s.models.at("ruslo_dn.singleobject"), Identity()), st);
        State ws = st;
        ws.alphaTest = false;
        DrawPosed(r, tex, FromModel(s.models.at("reka.singleobject"), Identity()), ws);
        for (int k = 0; k < 7; ++k)
            DrawPosed(r, tex, FromModel(s.models.at("water_list_" + std::to_string(k) + ".singleobject"), Identity()),
                      st);
        State sh = st;
        sh.blend = Blend::Multiply;
        sh.alphaTest = false;
        sh.zWrite = false;
        sh.fog = false;
        DrawPosed(r, tex, FromModel(s.models.at("shadow.singleobject"), Identity()), sh);
        DrawPosed(r, tex, FromModel(s.models.at("tree_shadow.singleobject"), Identity()), sh);
        DrawPosed(r, tex, Grass(s.lists.at("grass_down.transobj"), inv), st);
        DrawPosed(r, tex, Grass(s.lists.at("grass_up.transobj"), inv), st);
    }
    else
    {
        State ds = st;
        ds.alphaTest = false;
        ds.fade = 0.4f;
        for (const auto& d : an.ducks)
            DrawPosed(r, tex, d, ds);
        DrawPosed(r, tex, FromModel(s.models.at("ruslo_up.singleobject"), Identity()), st);
        DrawPosed(r, tex, Grass(s.lists.at("grass_down.transobj"), inv), st);
    }
}

Vec3 Mirror(Vec3 p, float plane)
{
    return {p.x, plane - (p.y - plane), p.z};
}

} // namespace

std::vector<uint8_t> RenderView(const SceneContent& s, Vec3 eye, Vec3 at, int timeMs, float farPlane, bool fog,
                                const PreviewOptions& opt)
{
    const float fov = SCENE_FOV_Y, aspect = SCENE_ASPECT;
    TextureSet tex(opt.textureDir);
    for (const auto& t : s.textures)
        tex.PutTga(t.first, t.second);
    const Animated an = Animate(s, timeMs);
    const Mat4 view = LookAt(eye, at);
    Raster main(opt.width, opt.height, view, fov, aspect, SCENE_NEAR, farPlane, fog);
    DrawScenePass(main, tex, s, an, view, spMain);

    if (opt.reflections)
    {
        // Each water body: its mirrored picture shows where its surface is
        // visible in front of the scene, through the surface's alpha.
        struct Water
        {
            const char* model;
            float plane;
            ScenePass pass;
            float fade;
        } waters[2] = {{"lusha.singleobject", kPoolY, spPondReflection, 1.0f},
                       {"reka.singleobject", kRiverY, spRiverReflection, 0.5f}};
        for (const auto& w : waters)
        {
            Raster refl(opt.width, opt.height, view, fov, aspect, SCENE_NEAR, farPlane, fog);
            const Mat4 mview = LookAt(Mirror(eye, w.plane), Mirror(at, w.plane));
            DrawScenePass(refl, tex, s, an, mview, w.pass);
            Raster mask(opt.width, opt.height, view, fov, aspect, SCENE_NEAR, farPlane, false);
            mask.Depth() = main.Depth();
            for (auto& c : mask.Color())
                c = {0, 0, 0, 0};
            State ms;
            ms.alphaTest = false;
            ms.zWrite = false;
            ms.fog = false;
            ms.fade = w.fade;
            // Mask: the surface's alpha where it passes the depth test.
            const Posed surface = FromModel(s.models.at(w.model), Identity());
            for (const auto& m : surface.mats)
            {
                const Texture& t = tex.Get(m.texture);
                Texture alphaOnly = t;
                for (auto& p : alphaOnly.px)
                    p = {p.a, p.a, p.a, 1};
                mask.Draw(surface.pos, surface.uv, surface.idx, m.firstIndex, m.triangleCount, &alphaOnly, ms);
            }
            auto& dst = main.Color();
            const auto& rc = refl.Color();
            const auto& mc = mask.Color();
            for (int y = 0; y < opt.height; ++y)
                for (int x = 0; x < opt.width; ++x)
                {
                    size_t i = size_t(y * opt.width + x);
                    float a = mc[i].r * w.fade;
                    if (a <= 0)
                        continue;
                    // The mirrored picture is upside down.
                    const Rgba& c = rc[size_t((opt.height - 1 - y) * opt.width + x)];
                    dst[i] = {Mix(dst[i].r, c.r * 0.85f, a), Mix(dst[i].g, c.g * 0.9f, a),
                              Mix(dst[i].b, c.b * 0.92f, a), 1};
                }
        }
    }
    std::vector<uint8_t> rgb(size_t(opt.width * opt.height * 3));
    const auto& c = main.Color();
    for (size_t i = 0; i < c.size(); ++i)
    {
        rgb[i * 3] = uint8_t(Clamp(c[i].r, 0, 1) * 255 + 0.5f);
        rgb[i * 3 + 1] = uint8_t(Clamp(c[i].g, 0, 1) * 255 + 0.5f);
        rgb[i * 3 + 2] = uint8_t(Clamp(c[i].b, 0, 1) * 255 + 0.5f);
    }
    return rgb;
}

bool RenderPathFrame(const SceneContent& s, int path, int frame, const std::string& png, const PreviewOptions& opt)
{
    if (path < 1 || path > int(s.cameras.size()) || frame < 0 || frame >= int(s.cameras[size_t(path - 1)].eyes.size()))
    {
        std::fprintf(stderr, "no frame %d of camera path %d\n", frame, path);
        return false;
    }
    const auto& cam = s.cameras[size_t(path - 1)];
    auto rgb = RenderView(s, cam.eyes[size_t(frame)], cam.targets[size_t(frame)], frame * 33, SCENE_FAR, true, opt);
    if (!stbi_write_png(png.c_str(), opt.width, opt.height, 3, rgb.data(), opt.width * 3))
    {
        std::fprintf(stderr, "cannot write %s\n", png.c_str());
        return false;
    }
    return true;
}

bool RenderViewPng(const SceneContent& s, Vec3 eye, Vec3 at, int timeMs, const std::string& png,
                   const PreviewOptions& opt)
{
    auto rgb = RenderView(s, eye, at, timeMs, SCENE_FAR, true, opt);
    if (!stbi_write_png(png.c_str(), opt.width, opt.height, 3, rgb.data(), opt.width * 3))
    {
        std::fprintf(stderr, "cannot write %s\n", png.c_str());
        return false;
    }
    return true;
}

bool WriteStandInTexture(const std::string& name, const std::string& path)
{
    const Texture t = StandInTexture(name);
    std::vector<uint8_t> rgba(size_t(t.w * t.h * 4));
    for (size_t i = 0; i < t.px.size(); ++i)
    {
        rgba[i * 4] = uint8_t(Clamp(t.px[i].r, 0, 1) * 255 + 0.5f);
        rgba[i * 4 + 1] = uint8_t(Clamp(t.px[i].g, 0, 1) * 255 + 0.5f);
        rgba[i * 4 + 2] = uint8_t(Clamp(t.px[i].b, 0, 1) * 255 + 0.5f);
        rgba[i * 4 + 3] = uint8_t(Clamp(t.px[i].a, 0, 1) * 255 + 0.5f);
    }
    stbi_write_tga_with_rle = 0; // plain 32-bit TGA
    return stbi_write_tga(path.c_str(), t.w, t.h, 4, rgba.data()) != 0;
}

bool RenderOverview(const SceneContent& s, const std::string& png, const PreviewOptions& opt)
{
    PreviewOptions o = opt;
    auto rgb = RenderView(s, {-900, 1300, -1500}, {60, 0, -50}, 0, 6000.0f, false, o);
    if (!stbi_write_png(png.c_str(), o.width, o.height, 3, rgb.data(), o.width * 3))
    {
        std::fprintf(stderr, "cannot write %s\n", png.c_str());
        return false;
    }
    return true;
}

} // namespace sg
