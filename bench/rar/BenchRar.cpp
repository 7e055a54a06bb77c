// bench_rar: prints name=value figures for the RAR 2.0 writer and reader.
//   rar_compress_ratio, gzip_9_ratio, xz_9_ratio   packed / unpacked, one file at a time
//   rar_decode_mb_s                                 our reader, every entry into memory
//   rar_decode_speed_ratio_vs_unar                  unar's time / ours on the same archive
//   archive_lookup_us                               one small entry near the end of 175
// Peers are measured in the same run; times are the best of five.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/RarArchive.h"
#include "data/RarWriter.h"
#include "tools/samples/SampleCorpus.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point a, Clock::time_point b)
{
    return std::chrono::duration<double>(b - a).count();
}

bool WriteBytes(const fs::path& p, const std::vector<unsigned char>& b)
{
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    return static_cast<bool>(out);
}

// Bytes a shell command prints on stdout, counted with wc.
long long PipeSize(const std::string& cmd)
{
    FILE* p = popen((cmd + " | wc -c").c_str(), "r");
    if (!p)
        return -1;
    long long n = -1;
    if (std::fscanf(p, "%lld", &n) != 1)
        n = -1;
    return pclose(p) == 0 ? n : -1;
}

fs::path ScratchDir()
{
    // unar writes to tmpfs, so the disk does not time it.
    fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string tmpl = (base / "qm-bench-rar-XXXXXX").string();
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back(0);
    return mkdtemp(buf.data()) ? fs::path(buf.data()) : fs::path();
}

// A stored archive shaped like the data archive: 3 directories and 172
// files, about 18 MB.
std::vector<unsigned char> LookupArchive(std::string& wanted)
{
    rar::CRarWriter w;
    w.AddDirectory("camera");
    w.AddDirectory("digits");
    w.AddDirectory("water");
    sample::Lcg rng(99);
    for (int i = 0; i < 172; i++)
    {
        std::string name;
        size_t size;
        if (i < 15)
            name = "camera\\camera" + std::to_string(i + 1) + ".transobj", size = 64064;
        else if (i < 47)
            name = "water\\CAUST" + std::to_string(i - 15) + "_ddn.tga", size = 65554;
        else if (i < 160)
            name = "object" + std::to_string(i) + ".singleobject", size = 20000 + rng.Below(250000);
        else
            name = "digits\\" + std::to_string(i - 160) + ".tga", size = 2066;
        if (i == 169)
            wanted = name;
        w.AddFile(name, sample::Random(size, 1000 + i), rar::PackMethod::Store);
    }
    return w.Bytes();
}

} // namespace

int main()
{
    const fs::path dir = ScratchDir();
    if (dir.empty())
    {
        std::fprintf(stderr, "bench_rar: no scratch folder\n");
        return 1;
    }

    // ---- compression ----
    const std::vector<sample::Entry> corpus = sample::MixedCorpus(7);
    size_t total = 0;
    for (const sample::Entry& e : corpus)
        total += e.data.size();
    const auto c0 = Clock::now();
    rar::CRarWriter writer;
    for (const sample::Entry& e : corpus)
        writer.AddFile(e.name, e.data);
    const auto c1 = Clock::now();
    const std::vector<unsigned char>& archive = writer.Bytes();
    std::printf("rar_corpus_mb=%.2f\n", total / 1e6);
    std::printf("rar_compress_ratio=%.4f\n", double(archive.size()) / total);
    std::printf("rar_compress_mb_s=%.2f\n", total / 1e6 / Seconds(c0, c1));

    // gzip and xz over the same files, one file at a time like the archive.
    const fs::path files = dir / "files";
    long long gz = 0, xz = 0;
    for (size_t i = 0; i < corpus.size(); i++)
    {
        fs::create_directories(files);
        const fs::path f = files / ("f" + std::to_string(i));
        WriteBytes(f, corpus[i].data);
        long long g = PipeSize("gzip -9 -c '" + f.string() + "'");
        long long x = PipeSize("xz -9 -c '" + f.string() + "'");
        gz = (g < 0 || gz < 0) ? -1 : gz + g;
        xz = (x < 0 || xz < 0) ? -1 : xz + x;
        fs::remove(f);
    }
    if (gz >= 0)
        std::printf("gzip_9_ratio=%.4f\n", double(gz) / total);
    else
        std::fprintf(stderr, "bench_rar: gzip did not run\n");
    if (xz >= 0)
        std::printf("xz_9_ratio=%.4f\n", double(xz) / total);
    else
        std::fprintf(stderr, "bench_rar: xz did not run\n");

    // ---- decoding: ours, every entry into memory ----
    double ours = 1e30;
    bool ok = true;
    for (int run = 0; run < 5 && ok; run++)
    {
        const auto t0 = Clock::now();
        for (const sample::Entry& e : corpus)
        {
            ArchiveView view{archive.data(), static_cast<uint32_t>(archive.size()), 0};
            unsigned char* data = nullptr;
            uint32_t size = 0;
            if (!ExtractArchiveEntry("", e.name.c_str(), &data, &size, &view) || size != e.data.size())
            {
                std::fprintf(stderr, "bench_rar: our reader failed on %s\n", e.name.c_str());
                ok = false;
            }
            std::free(data);
        }
        ours = std::min(ours, Seconds(t0, Clock::now()));
    }
    if (ok)
        std::printf("rar_decode_mb_s=%.2f\n", total / 1e6 / ours);

    // ---- decoding: unar to tmpfs ----
    const fs::path rarPath = dir / "mixed.rar";
    WriteBytes(rarPath, archive);
    double peer = 1e30;
    for (int run = 0; run < 5; run++)
    {
        const fs::path out = dir / "unar-out";
        std::error_code ec;
        fs::remove_all(out, ec);
        const std::string cmd = "unar -q -f -D -o '" + out.string() + "' '" + rarPath.string() + "' >/dev/null 2>&1";
        const auto t0 = Clock::now();
        const int rc = std::system(cmd.c_str());
        const double t = Seconds(t0, Clock::now());
        if (rc != 0)
        {
            peer = -1;
            break;
        }
        peer = std::min(peer, t);
    }
    if (peer > 0 && ok)
        std::printf("rar_decode_speed_ratio_vs_unar=%.3f\n", peer / ours);
    else
        std::fprintf(stderr, "bench_rar: unar did not extract the archive\n");

    // ---- one lookup in a data-archive-sized stored archive ----
    std::string wanted;
    const std::vector<unsigned char> stored = LookupArchive(wanted);
    const int reps = 2000;
    double lookup = 1e30;
    for (int run = 0; run < 5; run++)
    {
        const auto t0 = Clock::now();
        for (int i = 0; i < reps; i++)
        {
            ArchiveView view{stored.data(), static_cast<uint32_t>(stored.size()), 0};
            unsigned char* data = nullptr;
            uint32_t size = 0;
            if (!ExtractArchiveEntry("", wanted.c_str(), &data, &size, &view))
            {
                std::fprintf(stderr, "bench_rar: lookup of %s failed\n", wanted.c_str());
                return 1;
            }
            std::free(data);
        }
        lookup = std::min(lookup, Seconds(t0, Clock::now()) / reps);
    }
    std::printf("archive_lookup_us=%.2f\n", lookup * 1e6);

    std::error_code ec;
    fs::remove_all(dir, ec);
    return ok ? 0 : 1;
}
