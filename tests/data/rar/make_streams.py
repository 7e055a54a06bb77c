#!/usr/bin/env python3
"""Writes small RAR 2.0 archives whose compressed streams are spelled out
symbol by symbol, so that every code of the format appears on purpose:
literals, long matches with the length bonuses of far distances, the
repeat-last and old-distance codes, short distances, table blocks that keep
or drop the previous lengths (codes 16, 17, 18), multimedia blocks with 1 to
4 channels, switches between the modes, a window wrap past 1 MiB and a solid
pair. The expected bytes come from a plain model of the stream; every archive
was checked byte for byte against `unar` before it was committed.

Usage: make_streams.py OUTDIR
"""
import heapq
import os
import random
import struct
import sys
import zlib

LBASE = [0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 12, 14, 16, 20, 24, 28, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224]
LBITS = [0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5]
DBASE = [0, 1, 2, 3, 4, 6, 8, 12, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768, 1024, 1536, 2048, 3072,
         4096, 6144, 8192, 12288, 16384, 24576, 32768, 49152, 65536, 98304, 131072, 196608, 262144, 327680,
         393216, 458752, 524288, 589824, 655360, 720896, 786432, 851968, 917504, 983040]
DBITS = [0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14,
         15, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16]
SDBASE = [0, 4, 8, 16, 32, 64, 128, 192]
SDBITS = [2, 2, 3, 4, 5, 6, 6, 6]
NC, DC, RC, BC, MC = 298, 48, 28, 19, 257
WIN = 1 << 20


class Bits:
    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, count):
        for i in range(count - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc = 0
                self.n = 0

    def bytes(self):
        tail = bytearray(self.out)
        if self.n:
            tail.append(self.acc << (8 - self.n))
        return bytes(tail)


def huffman_lengths(weights):
    """Complete prefix code over the symbols with a weight (max length 15)."""
    used = [(w, s) for s, w in enumerate(weights) if w > 0]
    lengths = [0] * len(weights)
    if len(used) == 1:
        lengths[used[0][1]] = 1
        return lengths
    heap = [(w, i, [s]) for i, (w, s) in enumerate(used)]
    heapq.heapify(heap)
    tie = len(heap)
    while len(heap) > 1:
        w1, _, a = heapq.heappop(heap)
        w2, _, b = heapq.heappop(heap)
        for s in a + b:
            lengths[s] += 1
        heapq.heappush(heap, (w1 + w2, tie, a + b))
        tie += 1
    assert max(lengths) <= 15
    return lengths


def canonical(lengths):
    codes = {}
    code = 0
    for length in range(1, 16):
        for s, l in enumerate(lengths):
            if l == length:
                codes[s] = (code, length)
                code += 1
        code <<= 1
    return codes


class Encoder:
    def __init__(self):
        self.bits = Bits()
        self.old_table = [0] * (MC * 4)
        self.window = bytearray(WIN)
        self.pos = 0
        self.out = bytearray()
        self.old_dist = [0, 0, 0, 0]
        self.old_ptr = 0
        self.last_dist = 0
        self.last_len = 0
        self.audio = False
        self.channels = 1
        self.cur = 0
        self.channel_delta = 0
        self.av = [self.fresh_channel() for _ in range(4)]

    @staticmethod
    def fresh_channel():
        return {"K": [0] * 5, "D": [0] * 4, "last_delta": 0, "dif": [0] * 11, "count": 0, "last_char": 0}

    def new_file(self):
        """Start of the next entry of a solid archive: the bit stream restarts."""
        data = self.bits.bytes()
        self.bits = Bits()
        produced = bytes(self.out)
        self.out = bytearray()
        return data, produced

    # --- tables -----------------------------------------------------------
    def table(self, lengths, audio=False, channels=1, keep=False, use_runs=True):
        size = MC * channels if audio else NC + DC + RC
        assert len(lengths) == size
        b = self.bits
        b.put(1 if audio else 0, 1)
        b.put(1 if keep else 0, 1)
        if audio:
            b.put(channels - 1, 2)
        old = self.old_table if keep else [0] * len(self.old_table)
        # the bit-length code: every symbol usable
        bl = huffman_lengths([3] * 16 + [1, 1, 1])
        for l in bl:
            b.put(l, 4)
        bcodes = canonical(bl)

        def put_sym(s):
            c, l = bcodes[s]
            b.put(c, l)

        i = 0
        while i < size:
            v = lengths[i]
            if use_runs and v == 0 and not keep:
                run = 1
                while i + run < size and lengths[i + run] == 0 and run < 138:
                    run += 1
                if run >= 11:
                    put_sym(18)
                    b.put(run - 11, 7)
                    i += run
                    continue
                if run >= 3:
                    put_sym(17)
                    b.put(run - 3, 3)
                    i += run
                    continue
            if use_runs and i > 0 and not keep:
                run = 0
                while i + run < size and lengths[i + run] == lengths[i - 1] and run < 6:
                    run += 1
                if run >= 3:
                    put_sym(16)
                    b.put(run - 3, 2)
                    i += run
                    continue
            put_sym((v - old[i]) & 15)
            i += 1
        self.old_table[:size] = lengths
        if not keep:
            for k in range(size, len(self.old_table)):
                self.old_table[k] = 0
        self.audio = audio
        if audio:
            self.channels = channels
            if self.cur >= channels:
                self.cur = 0
            self.md = [canonical(lengths[c * MC:(c + 1) * MC]) for c in range(channels)]
        else:
            self.ld = canonical(lengths[:NC])
            self.dd = canonical(lengths[NC:NC + DC])
            self.rd = canonical(lengths[NC + DC:])

    def lz_table(self, keep=False, rng=None, drop=()):
        rng = rng or random.Random(1)
        w = [rng.randint(1, 9) for _ in range(NC)] + [rng.randint(1, 9) for _ in range(DC)] + \
            [rng.randint(1, 9) for _ in range(RC)]
        for s in drop:
            w[s] = 0
        lengths = huffman_lengths(w[:NC]) + huffman_lengths(w[NC:NC + DC]) + huffman_lengths(w[NC + DC:])
        self.table(lengths, keep=keep)
        if not keep:
            self.table_change_marker = None

    def audio_table(self, channels, rng=None, keep=False):
        rng = rng or random.Random(2)
        lengths = []
        for _ in range(channels):
            w = [rng.randint(1, 5) for _ in range(MC)]
            lengths += huffman_lengths(w)
        self.table(lengths, audio=True, channels=channels, keep=keep)

    # --- symbols ----------------------------------------------------------
    def sym(self, code, s):
        c, l = code[s]
        self.bits.put(c, l)

    def emit(self, byte):
        self.window[self.pos] = byte
        self.pos = (self.pos + 1) & (WIN - 1)
        self.out.append(byte)

    def copy(self, length, dist):
        self.old_dist[self.old_ptr & 3] = dist
        self.old_ptr += 1
        self.last_dist = dist
        self.last_len = length
        for _ in range(length):
            self.emit(self.window[(self.pos - dist) & (WIN - 1)])

    def literal(self, byte):
        assert not self.audio
        self.sym(self.ld, byte)
        self.emit(byte)

    def new_table_code(self):
        if self.audio:
            self.sym(self.md[self.cur], 256)
        else:
            self.sym(self.ld, 269)

    def match(self, length, dist):
        bonus = (1 if dist >= 0x2000 else 0) + (1 if dist >= 0x40000 else 0)
        v = length - bonus - 3
        slot = max(i for i in range(28) if LBASE[i] <= v)
        assert v - LBASE[slot] < (1 << LBITS[slot])
        self.sym(self.ld, 270 + slot)
        if LBITS[slot]:
            self.bits.put(v - LBASE[slot], LBITS[slot])
        d = dist - 1
        dslot = max(i for i in range(48) if DBASE[i] <= d)
        assert d - DBASE[dslot] < (1 << DBITS[dslot])
        self.sym(self.dd, dslot)
        if DBITS[dslot]:
            self.bits.put(d - DBASE[dslot], DBITS[dslot])
        self.copy(length, dist)

    def repeat_last(self):
        self.sym(self.ld, 256)
        self.copy(self.last_len, self.last_dist)

    def old(self, index, length):
        dist = self.old_dist[(self.old_ptr - 1 - index) & 3]
        bonus = (1 if dist >= 0x101 else 0) + (1 if dist >= 0x2000 else 0) + (1 if dist >= 0x40000 else 0)
        v = length - bonus - 2
        slot = max(i for i in range(28) if LBASE[i] <= v)
        assert v - LBASE[slot] < (1 << LBITS[slot])
        self.sym(self.ld, 257 + index)
        self.sym(self.rd, slot)
        if LBITS[slot]:
            self.bits.put(v - LBASE[slot], LBITS[slot])
        self.copy(length, dist)

    def short(self, dist):
        d = dist - 1
        s = max(i for i in range(8) if SDBASE[i] <= d)
        assert d - SDBASE[s] < (1 << SDBITS[s])
        self.sym(self.ld, 261 + s)
        self.bits.put(d - SDBASE[s], SDBITS[s])
        self.copy(2, dist)

    def audio_byte(self, byte):
        v = self.av[self.cur]
        v["count"] += 1
        D = v["D"]
        D[3], D[2], D[1], D[0] = D[2], D[1], v["last_delta"] - D[0], v["last_delta"]
        K = v["K"]
        pred = 8 * v["last_char"] + K[0] * D[0] + K[1] * D[1] + K[2] * D[2] + K[3] * D[3] + K[4] * self.channel_delta
        pred = (pred >> 3) & 0xFF
        delta = (pred - byte) & 0xFF
        self.sym(self.md[self.cur], delta)
        sd = delta - 256 if delta >= 128 else delta
        d = sd * 8
        cd = self.channel_delta
        for k, e in enumerate([d, d - D[0], d + D[0], d - D[1], d + D[1], d - D[2], d + D[2], d - D[3], d + D[3],
                               d - cd, d + cd]):
            v["dif"][k] += abs(e)
        ld = (byte - v["last_char"]) & 0xFF
        ld = ld - 256 if ld >= 128 else ld
        self.channel_delta = v["last_delta"] = ld
        v["last_char"] = byte
        if v["count"] & 0x1F == 0:
            dif = v["dif"]
            best = min(range(11), key=lambda k: (dif[k], k))
            v["dif"] = [0] * 11
            if best >= 1:
                k = (best - 1) // 2
                if best & 1:
                    if K[k] >= -16:
                        K[k] -= 1
                elif K[k] < 16:
                    K[k] += 1
        self.emit(byte)
        self.cur = (self.cur + 1) % self.channels


def file_block(name, packed, unpacked, solid_entry=False, method=0x33):
    name_b = name.encode("latin-1")
    flags = 0x8000 | (0x10 if solid_entry else 0)
    body = struct.pack("<BHHIIBIIBBHI", 0x74, flags, 32 + len(name_b), len(packed), len(unpacked), 0,
                       zlib.crc32(unpacked) & 0xFFFFFFFF, 0x5A8C6000, 20, method, len(name_b), 0x20) + name_b
    return struct.pack("<H", zlib.crc32(body) & 0xFFFF) + body + packed


def archive(entries, solid=False):
    main = struct.pack("<BHHHI", 0x73, 0x08 if solid else 0, 13, 0, 0)
    out = b"Rar!\x1a\x07\x00" + struct.pack("<H", zlib.crc32(main) & 0xFFFF) + main
    for i, (name, packed, unpacked) in enumerate(entries):
        out += file_block(name, packed, unpacked, solid_entry=solid and i > 0)
    end = struct.pack("<BHH", 0x7B, 0x4000, 7)
    return out + struct.pack("<H", zlib.crc32(end) & 0xFFFF) + end


def text(rng, n):
    words = [b"pond", b"river", b"duck", b"reed", b"rain", b"leaf", b"stone", b"water", b"fall", b"mist"]
    out = bytearray()
    while len(out) < n:
        out += rng.choice(words) + (b" " if rng.random() < 0.8 else b"\r\n")
    return bytes(out[:n])


def lz_codes():
    """Every LZ code: literals, far matches, repeat-last, old distances, short
    distances, a table block that keeps the previous lengths, one that drops
    them with runs of zeros, and a window wrap beyond 1 MiB."""
    rng = random.Random(7)
    e = Encoder()
    e.lz_table(rng=rng)
    for byte in text(rng, 3000):
        e.literal(byte)
    e.match(40, 100)
    e.repeat_last()
    e.match(258, 2000)
    e.old(1, 30)          # distance 100
    e.old(0, 12)          # distance 100 again
    for dist in (1, 4, 5, 9, 17, 33, 65, 129, 193, 256):
        e.short(dist)
    e.new_table_code()
    e.lz_table(keep=True, rng=random.Random(8))
    for byte in text(rng, 20000):
        e.literal(byte)
    e.match(200, 9000)    # bonus for >= 0x2000
    e.old(2, 100)
    e.new_table_code()
    # drop the old lengths; unused symbols give runs of zeros
    e.lz_table(rng=random.Random(9), drop=list(range(128, 256)))
    # grow past 1 MiB with long matches at far distances
    while len(e.out) < 0x40000 + 300:
        e.match(259, 16000)
    e.match(250, 0x40000)  # both bonuses
    e.old(0, 260)
    e.repeat_last()
    while len(e.out) < WIN + 70000:
        e.match(258, rng.choice([3, 1000, 70000, 300000, 0x40001, WIN - 1]))
        e.literal(rng.randrange(128))
    e.old(3, 57)
    packed, data = e.new_file()
    return [("lz\\codes.bin", packed, data)]


def audio(channels, seed, length):
    """A multimedia block of the given channel count inside an LZ stream."""
    rng = random.Random(seed)
    e = Encoder()
    e.lz_table(rng=rng)
    for byte in b"RIFF header-ish prefix":
        e.literal(byte)
    e.new_table_code()
    e.audio_table(channels, rng=rng)
    phase = [0.0] * channels
    import math
    for i in range(length):
        c = i % channels
        phase[c] += 0.01 * (c + 1)
        e.audio_byte(int(128 + 100 * math.sin(phase[c]) + rng.randint(-3, 3)) & 0xFF)
        if i == length // 2:
            # new multimedia tables that keep the previous lengths
            e.new_table_code()
            e.audio_table(channels, rng=random.Random(seed + 1), keep=True)
    e.new_table_code()
    e.lz_table(rng=random.Random(seed + 2))
    e.match(100, length // 2)
    for byte in b"tail":
        e.literal(byte)
    packed, data = e.new_file()
    return [("audio\\pcm%d.raw" % channels, packed, data)]


def solid_pair():
    """Two entries of a solid archive: the second matches into the first and
    keeps its tables and old distances."""
    rng = random.Random(11)
    e = Encoder()
    e.lz_table(rng=rng)
    for byte in text(rng, 5000):
        e.literal(byte)
    e.match(50, 300)
    p1, d1 = e.new_file()
    e.old(0, 20)            # distance carried from the first entry
    e.match(200, 4000)
    for byte in b"second":
        e.literal(byte)
    e.new_table_code()
    e.lz_table(keep=True, rng=random.Random(12))
    e.match(100, 5100)
    p2, d2 = e.new_file()
    return [("first.txt", p1, d1), ("Second.txt", p2, d2)]


def main():
    outdir = sys.argv[1]
    os.makedirs(outdir, exist_ok=True)
    sets = {
        "lz-codes.rar": (lz_codes(), False),
        "audio-1ch.rar": (audio(1, 21, 4000), False),
        "audio-2ch.rar": (audio(2, 22, 6000), False),
        "audio-3ch.rar": (audio(3, 23, 6000), False),
        "audio-4ch.rar": (audio(4, 24, 8000), False),
        "solid-pair.rar": (solid_pair(), True),
    }
    for name, (entries, solid) in sets.items():
        with open(os.path.join(outdir, name), "wb") as f:
            f.write(archive(entries, solid))
        for entry, _, data in entries:
            path = os.path.join(outdir, "expected", name[:-4], entry.replace("\\", "/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
