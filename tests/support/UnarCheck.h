// Extracts an archive with unar (an independent RAR reader) into a scratch
// folder and compares every entry with the bytes it should hold.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/samples/SampleCorpus.h"

namespace unarcheck {

namespace fs = std::filesystem;

inline bool Available()
{
    return std::system("unar -v >/dev/null 2>&1") == 0 || std::system("command -v unar >/dev/null 2>&1") == 0;
}

class ScratchDir
{
public:
    ScratchDir()
    {
        std::string tmpl = (fs::temp_directory_path() / "qm-unar-XXXXXX").string();
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (mkdtemp(buf.data()))
            m_path = buf.data();
    }
    ~ScratchDir()
    {
        std::error_code ec;
        if (!m_path.empty())
            fs::remove_all(m_path, ec);
    }
    const fs::path& Path() const { return m_path; }

private:
    fs::path m_path;
};

inline bool WriteBytes(const fs::path& p, const std::vector<unsigned char>& b)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

inline bool ReadBytes(const fs::path& p, std::vector<unsigned char>& b)
{
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return false;
    b.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// Empty when unar extracted every entry exactly; otherwise one line per fault.
inline std::vector<std::string> Check(const std::vector<unsigned char>& archive,
                                      const std::vector<sample::Entry>& expected)
{
    std::vector<std::string> faults;
    ScratchDir dir;
    if (dir.Path().empty())
        return {"no scratch folder"};
    const fs::path rar = dir.Path() / "test.rar";
    const fs::path out = dir.Path() / "out";
    if (!WriteBytes(rar, archive))
        return {"cannot write the archive"};
    const std::string cmd = "unar -q -f -D -o '" + out.string() + "' '" + rar.string() + "' >'" +
                            (dir.Path() / "unar.log").string() + "' 2>&1";
    if (std::system(cmd.c_str()) != 0)
    {
        std::vector<unsigned char> log;
        ReadBytes(dir.Path() / "unar.log", log);
        faults.push_back("unar failed: " + std::string(log.begin(), log.end()));
    }
    for (const sample::Entry& e : expected)
    {
        std::string rel = e.name;
        for (char& c : rel)
            if (c == '\\')
                c = '/';
        std::vector<unsigned char> got;
        if (!ReadBytes(out / rel, got))
            faults.push_back(e.name + ": missing");
        else if (got != e.data)
            faults.push_back(e.name + ": " + std::to_string(got.size()) + " bytes differ from the " +
                             std::to_string(e.data.size()) + " written");
    }
    return faults;
}

} // namespace unarcheck
