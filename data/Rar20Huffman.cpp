// Portable core: Huffman code lengths, canonical codes and table blocks of the
// RAR 2.0 compressor.
#include "data/Rar20Huffman.h"

#include <algorithm>

namespace rar {

namespace {

// Code lengths (at most 15 bits) for the given frequencies. Symbols with a zero
// frequency get no code.
void BuildLengths(const uint32_t* freq, int count, uint8_t* lens)
{
    std::fill(lens, lens + count, 0);
    std::vector<int> used;
    for (int i = 0; i < count; i++)
        if (freq[i] > 0)
            used.push_back(i);
    if (used.empty())
        return;
    if (used.size() == 1)
    {
        lens[used[0]] = 1;
        return;
    }
    // Huffman tree over the used symbols, most frequent first in the end.
    std::sort(used.begin(), used.end(), [&](int a, int b) { return freq[a] != freq[b] ? freq[a] < freq[b] : a < b; });
    const size_t n = used.size();
    std::vector<uint64_t> weight(2 * n);
    std::vector<int> parent(2 * n, -1);
    for (size_t i = 0; i < n; i++)
        weight[i] = freq[used[i]];
    // Two-queue merge: leaves are sorted, inner nodes arise in order.
    size_t leaf = 0, inner = n, next = n;
    auto take = [&]() -> size_t {
        if (leaf < n && (inner >= next || weight[leaf] <= weight[inner]))
            return leaf++;
        return inner++;
    };
    while (next < 2 * n - 1)
    {
        size_t a = take();
        size_t b = take();
        weight[next] = weight[a] + weight[b];
        parent[a] = parent[b] = static_cast<int>(next);
        next++;
    }
    int blCount[64] = {};
    std::vector<int> depth(2 * n - 1, 0);
    for (size_t i = 2 * n - 2; i-- > 0;)
        depth[i] = depth[parent[i]] + 1;
    int maxDepth = 0;
    for (size_t i = 0; i < n; i++)
    {
        int d = std::min(depth[i], 63);
        blCount[d]++;
        maxDepth = std::max(maxDepth, d);
    }
    if (maxDepth > MAX_CODE_LEN)
    {
        // Fold the deep codes into the limit, then restore the Kraft sum by
        // lengthening the deepest codes that are still short enough.
        for (int d = MAX_CODE_LEN + 1; d < 64; d++)
        {
            blCount[MAX_CODE_LEN] += blCount[d];
            blCount[d] = 0;
        }
        uint32_t total = 0;
        for (int d = 1; d <= MAX_CODE_LEN; d++)
            total += static_cast<uint32_t>(blCount[d]) << (MAX_CODE_LEN - d);
        while (total > (1u << MAX_CODE_LEN))
        {
            blCount[MAX_CODE_LEN]--;
            for (int d = MAX_CODE_LEN - 1; d > 0; d--)
                if (blCount[d] > 0)
                {
                    blCount[d]--;
                    blCount[d + 1] += 2;
                    break;
                }
            total--;
        }
    }
    // Shortest lengths to the most frequent symbols.
    size_t k = n;
    for (int d = 1; d <= MAX_CODE_LEN; d++)
        for (int c = 0; c < blCount[d]; c++)
            lens[used[--k]] = static_cast<uint8_t>(d);
}

// Run-length form of a list of code lengths, as the bit-length code spells it:
// 0..15 literal length (the old table is always cleared, so no delta), 16
// repeats the previous length 3..6 times, 17 writes 3..10 zeros, 18 11..138.
std::vector<LengthSymbol> RunLengths(const uint8_t* lens, int count)
{
    std::vector<LengthSymbol> out;
    int i = 0;
    while (i < count)
    {
        const uint8_t v = lens[i];
        int run = 1;
        while (i + run < count && lens[i + run] == v)
            run++;
        if (v == 0 && run >= 3)
        {
            int r = std::min(run, 138);
            if (r >= 11)
                out.push_back({18, 7, static_cast<uint8_t>(r - 11)});
            else
                out.push_back({17, 3, static_cast<uint8_t>(r - 3)});
            i += r;
            continue;
        }
        out.push_back({v, 0, 0});
        i++;
        run--;
        if (v != 0)
            while (run >= 3)
            {
                int r = std::min(run, 6);
                out.push_back({16, 2, static_cast<uint8_t>(r - 3)});
                i += r;
                run -= r;
            }
    }
    return out;
}

} // namespace

void BuildCodes(const uint8_t* lens, int count, uint16_t* codes)
{
    int blCount[MAX_CODE_LEN + 1] = {};
    for (int i = 0; i < count; i++)
        if (lens[i])
            blCount[lens[i]]++;
    uint32_t next[MAX_CODE_LEN + 2] = {};
    uint32_t code = 0;
    for (int len = 1; len <= MAX_CODE_LEN; len++)
    {
        code = (code + blCount[len - 1]) << 1;
        next[len] = code;
    }
    for (int i = 0; i < count; i++)
        codes[i] = lens[i] ? static_cast<uint16_t>(next[lens[i]]++) : 0;
}

void BuildTableLengths(const uint32_t* hist, int count, int mustHave, uint8_t* lens)
{
    std::vector<uint32_t> f(hist, hist + count);
    if (mustHave >= 0 && f[mustHave] == 0)
        f[mustHave] = 1;
    int used = 0;
    for (int i = 0; i < count; i++)
        used += f[i] > 0;
    for (int i = 0; used < 2 && i < count; i++)
        if (f[i] == 0)
        {
            f[i] = 1;
            used++;
        }
    BuildLengths(f.data(), count, lens);
}

TablePlan PlanTable(const uint8_t* lens, int count, bool audio)
{
    TablePlan plan;
    plan.runs = RunLengths(lens, count);
    uint32_t freq[BC20] = {};
    for (const LengthSymbol& r : plan.runs)
        freq[r.sym]++;
    BuildTableLengths(freq, BC20, -1, plan.bitLens);
    BuildCodes(plan.bitLens, BC20, plan.bitCodes);
    plan.bits = 2 + (audio ? 2 : 0) + 4 * BC20;
    for (const LengthSymbol& r : plan.runs)
        plan.bits += plan.bitLens[r.sym] + r.extraBits;
    return plan;
}

void WriteTable(BitWriter& bw, const uint8_t* lens, int count, bool audio, int channels)
{
    const TablePlan plan = PlanTable(lens, count, audio);
    bw.Put(audio ? 1 : 0, 1);
    bw.Put(0, 1); // clear the old table: lengths are written as they are
    if (audio)
        bw.Put(static_cast<uint32_t>(channels - 1), 2);
    for (int i = 0; i < BC20; i++)
        bw.Put(plan.bitLens[i], 4);
    for (const LengthSymbol& r : plan.runs)
    {
        bw.Put(plan.bitCodes[r.sym], plan.bitLens[r.sym]);
        bw.Put(r.extra, r.extraBits);
    }
}

} // namespace rar
