// Mesh assembly and the list of files the generator writes.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cctype>
#include <set>

#include "Scene.h"

namespace sg {

int MeshBuilder::Material(const std::string& texture)
{
    for (size_t i = 0; i < m_Names.size(); ++i)
        if (m_Names[i] == texture)
            return int(i);
    m_Names.push_back(texture);
    m_Runs.emplace_back();
    return int(m_Names.size() - 1);
}

uint16_t MeshBuilder::Vertex(Vec3 p, float u, float v)
{
    m_Vertices.push_back({p.x, p.y, p.z, u, v});
    return uint16_t(m_Vertices.size() - 1);
}

void MeshBuilder::Tri(int material, uint16_t a, uint16_t b, uint16_t c)
{
    auto& run = m_Runs[size_t(material)];
    run.push_back(a);
    run.push_back(b);
    run.push_back(c);
}

void MeshBuilder::Append(const MeshBuilder& other)
{
    const uint16_t base = VertexCount();
    m_Vertices.insert(m_Vertices.end(), other.m_Vertices.begin(), other.m_Vertices.end());
    for (size_t k = 0; k < other.m_Names.size(); ++k)
    {
        int m = Material(other.m_Names[k]);
        for (uint16_t i : other.m_Runs[k])
            m_Runs[size_t(m)].push_back(uint16_t(base + i));
    }
}

bool MeshBuilder::Empty() const
{
    for (const auto& r : m_Runs)
        if (!r.empty())
            return false;
    return true;
}

SingleObjectData MeshBuilder::Build(uint16_t tag, uint16_t kind) const
{
    SingleObjectData d;
    d.tag = tag;
    d.kind = kind;
    // Drop vertices no triangle uses, keeping their order.
    std::vector<int> remap(m_Vertices.size(), -1);
    for (const auto& run : m_Runs)
        for (uint16_t i : run)
            remap[i] = 0;
    for (size_t i = 0; i < m_Vertices.size(); ++i)
        if (remap[i] == 0)
        {
            remap[i] = int(d.vertices.size());
            d.vertices.push_back(m_Vertices[i]);
        }
    for (size_t k = 0; k < m_Names.size(); ++k)
    {
        if (m_Runs[k].empty())
            continue;
        SingleObjectMaterial m;
        if (d.indices.size() > 0xFFFF || m_Runs[k].size() / 3 > 0xFFFF)
        {
            // The format keeps a material's first index in 16 bits.
            std::fprintf(stderr, "scenegen: model too large for its format (%zu indices)\n", d.indices.size());
            std::abort();
        }
        m.firstIndex = uint16_t(d.indices.size());
        m.triangleCount = uint16_t(m_Runs[k].size() / 3);
        m.texture = m_Names[k];
        for (uint16_t i : m_Runs[k])
            d.indices.push_back(uint16_t(remap[i]));
        d.materials.push_back(m);
    }
    return d;
}

std::vector<std::pair<std::string, std::vector<uint8_t>>> SceneContent::Files() const
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> out;
    for (const auto& m : models)
        out.push_back({m.first, WriteSingleObjectFile(m.second)});
    for (size_t i = 0; i < cameras.size(); ++i)
    {
        char name[64];
        std::snprintf(name, sizeof name, "camera\\camera%02u.transobj", unsigned(i + 1));
        out.push_back({name, WriteCameraPathFile(cameras[i])});
    }
    out.push_back({"duck_traectory.transobj", WriteTrajectoryFile(duckTrajectory)});
    for (const auto& l : lists)
        out.push_back({l.first, WriteInstanceListFile(l.second)});
    for (const auto& s : skins)
        out.push_back({s.first, WriteSkinFile(s.second)});
    for (const auto& a : anims)
        out.push_back({a.first, WriteAnimFile(a.second)});
    for (const auto& l : links)
        out.push_back({l.first, WriteLinkAnimFile(l.second)});
    out.push_back({"coll.collface", WriteCollFaceFile(collision)});
    for (const auto& t : textures)
        out.push_back(t);
    return out;
}

std::vector<std::string> ReferencedTextures(const SceneContent& s)
{
    std::set<std::string> names;
    auto tga = [](std::string n) {
        if (n.size() >= 3)
            n = n.substr(0, n.size() - 3) + "tga";
        return n;
    };
    for (const auto& m : s.models)
        for (const auto& mat : m.second.materials)
            names.insert(tga(mat.texture));
    // Skins and cards take their textures from the program, not the files.
    for (const char* n : {"bark01.tga", "bark02.tga", "bark03.tga", "Leaves01.tga", "Leaves02.tga", "Leaves03.tga",
                          "kamish.tga", "duck.tga", "grass.tga", "brizg.tga"})
        names.insert(n);
    return std::vector<std::string>(names.begin(), names.end());
}

bool ProgramNamesTexture(const std::string& tga)
{
    static const std::set<std::string> names = {"bark01.tga",   "bark02.tga",   "bark03.tga",        "leaves01.tga",
                                                "leaves02.tga", "leaves03.tga", "kamish.tga",        "duck.tga",
                                                "grass.tga",    "brizg.tga",    "sky.tga",           "most.tga",
                                                "ground01.tga", "border01.tga", "leaveswater01.tga", "leaf.tga"};
    std::string lower = tga;
    for (auto& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return names.count(lower) != 0;
}

SceneContent BuildScene()
{
    SceneContent s;
    BuildCameraPaths(s);
    BuildDuckTrajectory(s);
    BuildPlacements(s);
    BuildGroundModels(s);
    BuildRiverBeds(s);
    BuildPoolSurface(s);
    BuildRiverSurface(s);
    BuildStoneShadows(s);
    BuildTreeShadows(s);
    BuildProps(s);
    BuildSkins(s);
    BuildPoolReflections(s);
    BuildCollision(s);
    return s;
}

} // namespace sg
