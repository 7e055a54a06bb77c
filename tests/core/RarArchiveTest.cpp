// The data archive reader: fixtures made by RAR, our own compressed and
// encrypted archives, name matching, the block walk and hostile archives.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "RarArchiveTestSupport.h"

using namespace rartest;

namespace {

struct FixtureCase
{
    const char* file;
    const char* entry;
    const char* password; // null: no password at all
    bool ok;
    const char* bytes;
};

TEST(ExtractArchiveEntry, FixtureOutcomes)
{
    const FixtureCase cases[] = {
        // comments in the main and the file headers: data at block start + HEAD_SIZE
        {"rar202-comment-nopsw.rar", "FILE1.TXT", "", true, "file1\r\n"},
        {"rar202-comment-nopsw.rar", "FILE2.TXT", "", true, "file2\r\n"},
        {"rar202-comment-nopsw.rar", "FILE2.TXT", "any password", true, "file2\r\n"},
        // compressed and encrypted with the RAR 2.0 block cipher
        {"rar202-comment-psw.rar", "FILE1.TXT", "password", true, "file1\r\n"},
        {"rar202-comment-psw.rar", "FILE2.TXT", "password", true, "file2\r\n"},
        {"rar202-comment-psw.rar", "FILE1.TXT", "", false, nullptr},
        {"rar202-comment-psw.rar", "FILE1.TXT", nullptr, false, nullptr},
        {"rar202-comment-psw.rar", "FILE1.TXT", "passwore", false, nullptr},
        // Unix host, other block types after the file block
        {"rar2-unix-owner.rar", "file.txt", "", true, "foo\n"},
        // RAR 1.5 compression is not decoded; its stored entry is
        {"rar15-comment.rar", "FILE1.TXT", "", false, nullptr},
        {"rar15-comment.rar", "FILE2.TXT", "", true, "baaaar\r\n"},
        // later versions and RAR 5
        {"testfile.rar3.rar", "testfile.txt", "", false, nullptr},
        {"testfile.rar3.solid.rar", "testfile.txt", "", false, nullptr},
        {"testfile.rar5.rar", "testfile.txt", "", false, nullptr},
    };
    for (const FixtureCase& c : cases)
    {
        SCOPED_TRACE(std::string(c.file) + " " + c.entry + " / " + (c.password ? c.password : "(null)"));
        Bytes archive = ReadFileBytes(FixturePath(c.file));
        ASSERT_FALSE(archive.empty());
        Result r = Extract(archive, c.entry, c.password);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_TRUE(r.contractHeld);
        if (c.ok)
            EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.bytes);
    }
}

struct OwnArchiveCase
{
    const char* file;
    const char* entry;
    const char* password;
    uint32_t size;
};

// Streams that use every code of the format, checked with unar when made.
TEST(ExtractArchiveEntry, CompressedAndEncryptedOwnArchives)
{
    const OwnArchiveCase cases[] = {
        {"lz-codes.rar", "lz\\codes.bin", "", 1118802}, // past the 1 MiB window
        {"audio-1ch.rar", "audio\\pcm1.raw", "", 4126},
        {"audio-2ch.rar", "audio\\pcm2.raw", "", 6126},
        {"audio-3ch.rar", "audio\\pcm3.raw", "", 6126},
        {"audio-4ch.rar", "audio\\pcm4.raw", "", 8126},
        {"solid-pair.rar", "first.txt", "", 5050},
        {"solid-pair.rar", "Second.txt", "", 326}, // needs the first entry's window
        {"encrypted.rar", "stored15.txt", "Quenmoor pond 2.0", 504},
        {"encrypted.rar", "stored20.txt", "Quenmoor pond 2.0", 504},
        {"encrypted.rar", "audio\\pcm2.raw", "Quenmoor pond 2.0", 6126},
        {"encrypted.rar", "plain.txt", "Quenmoor pond 2.0", 100},
        {"encrypted.rar", "plain.txt", "", 100},
    };
    for (const OwnArchiveCase& c : cases)
    {
        SCOPED_TRACE(std::string(c.file) + " " + c.entry);
        Bytes archive = ReadFileBytes(TestDataPath(c.file));
        ASSERT_FALSE(archive.empty());
        Result r = Extract(archive, c.entry, c.password);
        EXPECT_TRUE(r.ok); // the reader checked the entry's CRC
        EXPECT_EQ(r.bytes.size(), c.size);
    }

    // the same encrypted entries without or with a wrong password
    Bytes encrypted = ReadFileBytes(TestDataPath("encrypted.rar"));
    for (const char* entry : {"stored15.txt", "stored20.txt", "audio/pcm2.raw"})
    {
        for (const char* password : {"", "Quenmoor pond 2.1"})
        {
            SCOPED_TRACE(std::string(entry) + " / " + password);
            Result r = Extract(encrypted, entry, password);
            EXPECT_FALSE(r.ok);
            EXPECT_TRUE(r.contractHeld);
        }
    }
}

TEST(ExtractArchiveEntry, SolidEntryNeedsTheEarlierEntries)
{
    Bytes archive = ReadFileBytes(TestDataPath("solid-pair.rar"));
    Bytes expectedFirst = Extract(archive, "first.txt").bytes;
    Result second = Extract(archive, "second.txt");
    ASSERT_TRUE(second.ok);
    // the second entry starts with the first one's last distance (300)
    ASSERT_EQ(expectedFirst.size(), 5050u);
    EXPECT_TRUE(std::equal(second.bytes.begin(), second.bytes.begin() + 20, expectedFirst.end() - 300));

    // read as a non-solid archive, the second entry lacks its window and tables
    archive[10] &= uint8_t(~0x08);
    Result alone = Extract(archive, "second.txt");
    EXPECT_FALSE(alone.ok);
    EXPECT_TRUE(alone.contractHeld);
}

Bytes SceneLikeArchive()
{
    EntrySpec camera{"camera"};
    camera.flags = 0x80E0;
    EntrySpec track{"camera\\camera05.transobj", Text("track bytes 05")};
    EntrySpec leaf{"Leaveswater01.tga", Text("TGA leaf")};
    EntrySpec water{"water\\CAUST00_ddn.tga", Text("caustics")};
    return Concat({MarkerAndMain(), FileBlock(camera), FileBlock(track), FileBlock(leaf), FileBlock(water)});
}

struct NameCase
{
    const char* wanted;
    bool ok;
    const char* bytes;
};

TEST(ExtractArchiveEntry, NameMatching)
{
    Bytes archive = SceneLikeArchive();
    const NameCase cases[] = {
        {"camera/camera05.transobj", true, "track bytes 05"},
        {"camera\\camera05.transobj", true, "track bytes 05"},
        {"CAMERA_CAMERA05.TRANSOBJ", true, "track bytes 05"},
        {"leaveswater01.tga", true, "TGA leaf"},
        {"WATER/caust00_DDN.tga", true, "caustics"},
        {"camera", true, ""}, // the directory entry: an empty buffer
        {"camera/", false, nullptr},
        {"camera05.transobj", false, nullptr},
        {"leaveswater01.tg", false, nullptr},
        {"", false, nullptr},
        {"absent.tga", false, nullptr},
    };
    for (const NameCase& c : cases)
    {
        SCOPED_TRACE(c.wanted);
        Result r = Extract(archive, c.wanted);
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_TRUE(r.contractHeld);
        if (c.ok)
            EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.bytes);
    }
}

struct Listed
{
    std::string name;
    uint32_t size;
};

std::vector<Listed> List(const Bytes& archive)
{
    std::vector<Listed> listed;
    ArchiveView view{archive.data(), uint32_t(archive.size()), 0};
    const int count = ListArchiveEntries(
        view,
        [](void* context, const char* name, uint32_t size) {
            static_cast<std::vector<Listed>*>(context)->push_back({name, size});
        },
        &listed);
    EXPECT_EQ(count, int(listed.size()));
    return listed;
}

// Every entry in order, by the name the reader matches, each one extractable;
// a cut archive lists the entries whose headers are whole, and never more.
TEST(ListArchiveEntries, NamesSizesAndCuts)
{
    const Bytes archive = SceneLikeArchive();
    const std::vector<Listed> listed = List(archive);
    const char* names[] = {"CAMERA", "CAMERA_CAMERA05.TRANSOBJ", "LEAVESWATER01.TGA", "WATER_CAUST00_DDN.TGA"};
    ASSERT_EQ(listed.size(), 4u);
    for (size_t i = 0; i < listed.size(); ++i)
    {
        EXPECT_EQ(listed[i].name, names[i]);
        Result r = Extract(archive, listed[i].name.c_str());
        ASSERT_TRUE(r.ok) << listed[i].name;
        EXPECT_EQ(r.bytes.size(), listed[i].size);
    }
    size_t previous = 0;
    for (size_t cut = 0; cut <= archive.size(); ++cut)
    {
        const size_t n = List(Bytes(archive.begin(), archive.begin() + cut)).size();
        ASSERT_GE(n, previous) << cut;
        ASSERT_LE(n, listed.size()) << cut;
        previous = n;
    }
    EXPECT_EQ(List(Bytes{}).size(), 0u);
    EXPECT_EQ(List(Bytes(16, 0x52)).size(), 0u);
}

TEST(ExtractArchiveEntry, StoredNamesAreCutAt259Characters)
{
    std::string longName(300, 'x');
    for (size_t i = 0; i < longName.size(); i += 7)
        longName[i] = '\\';
    EntrySpec e{longName, Text("long")};
    Bytes archive = Concat({MarkerAndMain(), FileBlock(e)});

    std::string first259 = longName.substr(0, 259);
    EXPECT_TRUE(Extract(archive, first259.c_str()).ok);
    EXPECT_FALSE(Extract(archive, longName.substr(0, 260).c_str()).ok);
    EXPECT_FALSE(Extract(archive, longName.c_str()).ok);
    EXPECT_FALSE(Extract(archive, longName.substr(0, 258).c_str()).ok);
}

TEST(ExtractArchiveEntry, DataIntegrity)
{
    Bytes archive = SceneLikeArchive();
    Bytes base = MarkerAndMain();
    size_t track = base.size() + FileBlock(EntrySpec{"camera"}).size();
    size_t trackData = track + 32 + std::strlen("camera\\camera05.transobj");

    Bytes flipped = archive;
    flipped[trackData + 3] ^= 0x01;
    EXPECT_FALSE(Extract(flipped, "camera/camera05.transobj").ok);
    EXPECT_TRUE(Extract(flipped, "leaveswater01.tga").ok);

    Bytes badHeadCrc = archive;
    badHeadCrc[track] ^= 0xFF;
    badHeadCrc[track + 1] ^= 0x5A;
    Result r = Extract(badHeadCrc, "camera/camera05.transobj");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), "track bytes 05");
}

struct WalkCase
{
    const char* what;
    Bytes archive;
    bool ok;
    const char* bytes = "payload";
};

// Blocks in front of the wanted entry "x.bin".
TEST(ExtractArchiveEntry, BlockWalk)
{
    EntrySpec x{"x.bin", Text("payload")};
    Bytes target = FileBlock(x);
    Bytes main = MarkerAndMain();
    Bytes filler(40, 0xEE);

    EntrySpec extraFields{"x.bin", Text("payload")};
    extraFields.extra = Text("file comment or salt");
    EntrySpec nameOutsideHeader{"x.bin", Text("payload")};
    nameOutsideHeader.headSize = 34;
    EntrySpec version12 = x, version13 = x, version15 = x, version21 = x;
    version12.unpVer = 12;
    version13.unpVer = 13;
    version15.unpVer = 15;
    version21.unpVer = 21;
    EntrySpec shortStored = x;
    shortStored.unpSize = 8; // more than the 7 packed bytes
    EntrySpec paddedStored{"x.bin", Text("payload\0\0\0\0\0\0\0\0\0")};
    paddedStored.unpSize = 7;
    paddedStored.crc = rar::Crc32(reinterpret_cast<const uint8_t*>("payload"), 7);
    EntrySpec noDataFlag = x;
    noDataFlag.flags = 0x0000;
    EntrySpec directoryNoData{"x.bin"}; // found first: an empty entry
    directoryNoData.flags = 0x00E0;

    const WalkCase cases[] = {
        {"plain", Concat({main, target}), true},
        {"comment block skipped", Concat({main, RawBlock(0x75, 0x0000, 40, Bytes(33, 0x11)), target}), true},
        {"long block skipped by its ADD_SIZE",
         Concat({main, RawBlock(0x7A, 0x8000, 11, {40, 0, 0, 0}), filler, target}), true},
        {"main header comment skipped", Concat({MarkerAndMain(0, Bytes(25, 0x33)), target}), true},
        {"header with extra fields", Concat({main, FileBlock(extraFields)}), true},
        {"version 1.3", Concat({main, FileBlock(version13)}), true},
        {"version 1.5", Concat({main, FileBlock(version15)}), true},
        {"stored padding beyond UNP_SIZE", Concat({main, FileBlock(paddedStored)}), true},
        {"end block before the entry", Concat({main, RawBlock(0x7B, 0x0000, 7, {}), Bytes(25, 0), target}), false},
        {"0x77 block", Concat({main, RawBlock(0x77, 0x8000, 11, {4, 0, 0, 0}), Bytes(32, 0), target}), false},
        {"HEAD_SIZE below 7", Concat({main, RawBlock(0x7A, 0x0000, 6, Bytes(32, 0)), target}), false},
        {"block pointing backwards", Concat({main, RawBlock(0x7A, 0x8000, 11, {0xF0, 0xFF, 0xFF, 0xFF}), target}),
         false},
        {"main HEAD_SIZE below 13", Concat({MarkerAndMain(0, {}, 9), target}), false},
        {"name larger than the header", Concat({main, FileBlock(nameOutsideHeader)}), false},
        {"version 1.2", Concat({main, FileBlock(version12)}), false},
        {"version 2.1", Concat({main, FileBlock(version21)}), false},
        {"stored UNP_SIZE above PACK_SIZE", Concat({main, FileBlock(shortStored)}), false},
        {"file block without data flag", Concat({main, FileBlock(noDataFlag)}), false},
        {"directory without data flag", Concat({main, FileBlock(directoryNoData), target}), true, ""},
        {"RAR 5 marker", Concat({Bytes{0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x01, 0x00}, target}), false},
        {"marker only", Bytes{0x52, 0x61, 0x72, 0x21, 0x1A, 0x07, 0x00}, false},
        {"empty", Bytes{}, false},
    };
    for (const WalkCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        Result r = Extract(c.archive, "x.bin");
        EXPECT_EQ(r.ok, c.ok);
        EXPECT_TRUE(r.contractHeld);
        if (c.ok)
            EXPECT_EQ(std::string(r.bytes.begin(), r.bytes.end()), c.bytes);
    }
}

TEST(ExtractArchiveEntry, BadArguments)
{
    Bytes archive = SceneLikeArchive();
    ArchiveView view{archive.data(), uint32_t(archive.size()), 0};
    unsigned char* data = nullptr;
    uint32_t size = 7;
    EXPECT_FALSE(ExtractArchiveEntry("", nullptr, &data, &size, &view));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(size, 0u);
    EXPECT_FALSE(ExtractArchiveEntry("", "camera", &data, &size, nullptr));
    EXPECT_FALSE(ExtractArchiveEntry("", "camera", nullptr, &size, &view));
    EXPECT_FALSE(ExtractArchiveEntry("", "camera", &data, nullptr, &view));
    ArchiveView empty{nullptr, 0, 0};
    EXPECT_FALSE(ExtractArchiveEntry("", "camera", &data, &size, &empty));
    EXPECT_EQ(data, nullptr);
    // the view is rebuilt from offset 0 on every request
    view.offset = 99;
    EXPECT_TRUE(ExtractArchiveEntry(nullptr, "camera", &data, &size, &view));
    std::free(data);
}

// Every prefix of an archive: an entry comes out whole, or the request fails
// cleanly (ASan sees any read past the cut).
TEST(ExtractArchiveEntry, TruncatedAtEveryOffset)
{
    struct Source
    {
        Bytes archive;
        const char* entry;
        const char* password;
    };
    const Source sources[] = {
        {SceneLikeArchive(), "water/caust00_ddn.tga", ""},
        {ReadFileBytes(FixturePath("rar202-comment-psw.rar")), "FILE2.TXT", "password"},
        {ReadFileBytes(TestDataPath("audio-3ch.rar")), "audio/pcm3.raw", ""},
    };
    for (const Source& s : sources)
    {
        SCOPED_TRACE(s.entry);
        Result whole = Extract(s.archive, s.entry, s.password);
        ASSERT_TRUE(whole.ok);
        size_t firstOk = s.archive.size();
        for (size_t cut = 0; cut < s.archive.size(); ++cut)
        {
            Bytes prefix(s.archive.begin(), s.archive.begin() + cut);
            Result r = Extract(prefix, s.entry, s.password);
            ASSERT_TRUE(r.contractHeld) << cut;
            if (r.ok)
            {
                ASSERT_EQ(r.bytes, whole.bytes) << cut;
                firstOk = std::min(firstOk, cut);
            }
        }
        // only a cut after the entry's data can leave it readable
        EXPECT_GT(firstOk, s.archive.size() - 40);
    }
}

// One flipped byte: the exact entry or a clean failure. Every byte of the
// small archives, every 11th of the multimedia one (the fuzzer goes further).
TEST(ExtractArchiveEntry, FlippedBytesNeverYieldWrongData)
{
    struct Source
    {
        Bytes archive;
        const char* entry;
        const char* password;
        size_t stride;
    };
    const Source sources[] = {
        {ReadFileBytes(TestDataPath("audio-2ch.rar")), "audio/pcm2.raw", "", 11},
        {ReadFileBytes(FixturePath("rar202-comment-psw.rar")), "FILE2.TXT", "password", 1},
        {ReadFileBytes(FixturePath("rar2-unix-owner.rar")), "file.txt", "", 1},
    };
    const uint8_t masks[] = {0x01, 0x80, 0xFF};
    for (const Source& s : sources)
    {
        SCOPED_TRACE(s.entry);
        Result whole = Extract(s.archive, s.entry, s.password);
        ASSERT_TRUE(whole.ok);
        int failures = 0;
        for (size_t i = 0; i < s.archive.size(); i += s.stride)
        {
            Bytes damaged = s.archive;
            damaged[i] ^= masks[i % 3];
            Result r = Extract(damaged, s.entry, s.password);
            ASSERT_TRUE(r.contractHeld) << i;
            if (r.ok)
                ASSERT_EQ(r.bytes, whole.bytes) << i;
            else
                ++failures;
        }
        EXPECT_GT(failures, 0);
    }
}

} // namespace
