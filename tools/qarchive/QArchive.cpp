// qarchive: list, extract and pack RAR archives with the project's reader and
// writer. Every error is one line on stderr and a non-zero exit status.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "data/Rar20Format.h"
#include "data/RarWriter.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#if __has_include("data/RarArchive.h")
#include "data/RarArchive.h"
#define QARCHIVE_HAS_READER 1
#endif

namespace fs = std::filesystem;

namespace {

const char* const USAGE =
    "usage: qarchive list ARCHIVE\n"
    "       qarchive extract ARCHIVE NAME [--password P] [-o FILE]\n"
    "       qarchive pack OUT.rar [--store|--compress] [--solid] [--lz|--multimedia|--channels=N] FILES...\n";

int Fail(const std::string& message)
{
    std::fprintf(stderr, "qarchive: %s\n", message.c_str());
    return 1;
}

bool ReadWholeFile(const std::string& path, std::vector<unsigned char>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteWholeFile(const std::string& path, const unsigned char* data, size_t size)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return static_cast<bool>(out.flush());
}

uint32_t Le16(const unsigned char* p)
{
    return p[0] | p[1] << 8;
}
uint32_t Le32(const unsigned char* p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// Walks the blocks the way the data-archive reader does and prints one line
// per file block.
int List(const std::string& path)
{
    std::vector<unsigned char> a;
    if (!ReadWholeFile(path, a))
        return Fail("cannot read " + path);
    if (a.size() < 7 + 13 || std::memcmp(a.data(), rar::MARKER, 7) != 0)
        return Fail(path + ": not a RAR 1.5-4.x archive");
    const uint32_t mainFlags = Le16(&a[10]);
    uint64_t pos = 7 + uint64_t(Le16(&a[12]));
    std::printf("%s%s\n", path.c_str(), (mainFlags & rar::MAIN_SOLID) ? " (solid)" : "");
    std::printf("%10s %10s %6s %8s  %s\n", "size", "packed", "method", "crc32", "name");
    int entries = 0;
    while (pos + 7 <= a.size())
    {
        const unsigned char* b = &a[pos];
        const uint32_t type = b[2], flags = Le16(b + 3), headSize = Le16(b + 5);
        if (headSize < 7)
            return Fail(path + ": broken block header at offset " + std::to_string(pos));
        uint64_t dataSize = 0;
        if (flags & rar::FLAG_LONG_BLOCK)
        {
            if (pos + 11 > a.size())
                return Fail(path + ": truncated block at offset " + std::to_string(pos));
            dataSize = Le32(b + 7);
        }
        if (type == rar::BLOCK_FILE)
        {
            if (headSize < 32 || pos + headSize > a.size())
                return Fail(path + ": truncated file header at offset " + std::to_string(pos));
            const uint32_t nameSize = std::min<uint32_t>(Le16(b + 26), headSize - 32);
            const std::string name(reinterpret_cast<const char*>(b + 32), nameSize);
            const bool dir = (flags & rar::FILE_DIRECTORY) == rar::FILE_DIRECTORY;
            std::printf("%10u %10u %6s %08x  %s%s%s\n", Le32(b + 11), Le32(b + 7),
                        b[25] == rar::METHOD_STORE ? "store" : "rar", Le32(b + 16), name.c_str(), dir ? "\\" : "",
                        (flags & rar::FILE_ENCRYPTED) ? " *" : "");
            entries++;
        }
        else if (type == rar::BLOCK_END)
            break;
        pos += headSize + dataSize;
    }
    std::printf("%d entries\n", entries);
    return 0;
}

int Extract(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        return Fail("extract needs ARCHIVE and NAME");
    std::string archive = args[0], name = args[1], password, outPath;
    for (size_t i = 2; i < args.size(); i++)
    {
        if (args[i] == "--password" && i + 1 < args.size())
            password = args[++i];
        else if (args[i] == "-o" && i + 1 < args.size())
            outPath = args[++i];
        else
            return Fail("extract: unknown option " + args[i]);
    }
#ifdef QARCHIVE_HAS_READER
    std::vector<unsigned char> a;
    if (!ReadWholeFile(archive, a))
        return Fail("cannot read " + archive);
    if (a.size() > 0xFFFFFFFFu)
        return Fail(archive + ": larger than 4 GiB");
    ArchiveView view{a.data(), static_cast<uint32_t>(a.size()), 0};
    unsigned char* data = nullptr;
    uint32_t size = 0;
    if (!ExtractArchiveEntry(password.c_str(), name.c_str(), &data, &size, &view))
        return Fail(archive + ": cannot extract " + name + " (absent, damaged, wrong password or unsupported)");
    bool ok;
    if (outPath.empty() || outPath == "-")
    {
#ifdef _WIN32
        _setmode(_fileno(stdout), _O_BINARY); // no CR added before LF
#endif
        ok = std::fwrite(data, 1, size, stdout) == size && std::fflush(stdout) == 0;
    }
    else
        ok = WriteWholeFile(outPath, data, size);
    std::free(data);
    if (!ok)
        return Fail("cannot write " + (outPath.empty() ? std::string("standard output") : outPath));
    return 0;
#else
    (void)archive;
    return Fail("extract: this build has no archive reader");
#endif
}

// Entry name of a path as given: folders joined with '\', no leading root.
std::string EntryName(const fs::path& p)
{
    std::string name;
    for (const fs::path& part : p.relative_path())
    {
        const std::string s = part.string();
        if (s.empty() || s == ".")
            continue;
        if (!name.empty())
            name += '\\';
        name += s;
    }
    return name;
}

int Pack(const std::vector<std::string>& args)
{
    if (args.empty())
        return Fail("pack needs OUT.rar and files");
    rar::WriterOptions options;
    rar::PackMethod method = rar::PackMethod::Auto;
    std::vector<std::string> inputs;
    for (size_t i = 1; i < args.size(); i++)
    {
        const std::string& s = args[i];
        if (s == "--store")
            method = rar::PackMethod::Store;
        else if (s == "--compress")
            method = rar::PackMethod::Compress;
        else if (s == "--solid")
            options.solid = true;
        else if (s == "--lz")
            options.compress.mode = rar::CompressMode::Lz;
        else if (s == "--multimedia")
            options.compress.mode = rar::CompressMode::Multimedia;
        else if (s.rfind("--channels=", 0) == 0)
        {
            options.compress.mode = rar::CompressMode::Multimedia;
            options.compress.channels = std::atoi(s.c_str() + 11);
            if (options.compress.channels < 1 || options.compress.channels > rar::MAX_CHANNELS)
                return Fail("pack: channels must be 1 to 4");
        }
        else if (s.size() > 1 && s[0] == '-' && s != "-")
            return Fail("pack: unknown option " + s);
        else
            inputs.push_back(s);
    }
    if (inputs.empty())
        return Fail("pack: no files given");

    // Folders are packed with everything below them, in name order, so the
    // archive does not depend on the order the file system lists them.
    struct Item
    {
        fs::path path;
        bool directory;
    };
    std::vector<Item> items;
    for (const std::string& in : inputs)
    {
        std::error_code ec;
        fs::path p(in);
        if (fs::is_directory(p, ec))
        {
            items.push_back({p, true});
            std::vector<Item> below;
            for (auto it = fs::recursive_directory_iterator(p, ec); !ec && it != fs::recursive_directory_iterator();
                 it.increment(ec))
                below.push_back({it->path(), it->is_directory(ec)});
            if (ec)
                return Fail("cannot read folder " + in + ": " + ec.message());
            std::sort(below.begin(), below.end(), [](const Item& x, const Item& y) { return x.path < y.path; });
            items.insert(items.end(), below.begin(), below.end());
        }
        else if (fs::is_regular_file(p, ec))
            items.push_back({p, false});
        else
            return Fail("no such file: " + in);
    }

    rar::CRarWriter writer(options);
    for (const Item& item : items)
    {
        const std::string name = EntryName(item.path);
        if (name.empty())
            continue;
        if (item.directory)
        {
            if (!writer.AddDirectory(name))
                return Fail("cannot add folder " + name);
            continue;
        }
        std::vector<unsigned char> data;
        if (!ReadWholeFile(item.path.string(), data))
            return Fail("cannot read " + item.path.string());
        if (!writer.AddFile(name, data, method))
            return Fail("cannot add " + name + " (name too long or file of 4 GiB or more)");
    }
    const std::vector<unsigned char>& bytes = writer.Bytes();
    if (!WriteWholeFile(args[0], bytes.data(), bytes.size()))
        return Fail("cannot write " + args[0]);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        std::fputs(USAGE, stderr);
        return 2;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "list")
    {
        if (args.size() != 1)
            return Fail("list needs exactly one ARCHIVE");
        return List(args[0]);
    }
    if (command == "extract")
        return Extract(args);
    if (command == "pack")
        return Pack(args);
    std::fputs(USAGE, stderr);
    return 2;
}
