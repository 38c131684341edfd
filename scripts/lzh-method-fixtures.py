#!/usr/bin/env python3
# Writes the LZH fixtures for the methods no installed tool encodes: -lhx-,
# LHARK's -lh7-, -pm0-/-pm1-/-pm2- and -lh2- as the original dynamic
# Huffman coding has it. Each encoder here is written from the method's
# format, on a simple greedy LZ77 match finder, and every input is made
# from fixed seeds, so a rerun gives the same archives.
# Usage: scripts/lzh-method-fixtures.py OUT_DIR SRC_DIR
#   SRC_DIR holds text.txt and data.bin (tests/data/lzh/src).
import heapq
import os
import struct
import sys

from lzh_crc import crc16


# ---------------------------------------------------------------- inputs

def lcg(seed):
    x = seed
    while True:
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        yield x >> 16


def acgt_data():
    """72 KiB of four letters, as the unit tests' acgt_data()."""
    r = lcg(1)
    return bytes(b"ACGT"[next(r) & 3] for _ in range(73728))


def far_data():
    """Blocks of 1024 bytes reaching back as far as 2^19 bytes, as the unit
    tests' far_data(): block i is a 4-byte tag and a phrase; every fourth
    block repeats the block 2^m blocks before it (m = i/4 mod 9), and the
    blocks from 2^19 on repeat earlier ones (block 513 repeats block 1,
    whose tag nothing else has: a copy from 2^19 bytes back)."""
    phrase = b"the update copies each archive member into the product folder; "
    r = lcg(11)
    blocks = []
    for i in range(512 + 40):
        if i >= 512:
            blocks.append(blocks[i - 512 if i < 516 else (i - 512) * 7 % 290])
            continue
        back = 1 << ((i // 4) % 9)
        if i % 4 == 0 and i >= back:
            blocks.append(blocks[i - back])
            continue
        tag = bytes(next(r) & 0xFF for _ in range(4))
        body = (phrase * 20)[i % 50:][:1020]
        blocks.append(tag + body)
    return b"".join(blocks)


def lhark_lengths():
    """3 to 10, then both ends of each of LHARK's length classes, then 514."""
    out = list(range(3, 11))
    for c in range(264, 288):
        nb = (c - 260) // 4
        base = ((4 + c % 4) << nb) + 3
        out += [base, base + (1 << nb) - 1]
    return out + [514]


def runs_data():
    """Matches of every length class of LHARK's, and runs of literals, as
    the unit tests' runs_data(): 3000 bytes of 'x', "xy" 50 times, "xyz" 40
    times and "wxyz" 30 times (distances 1 to 4), 520 bytes of a sequence,
    then for each length L of lhark_lengths() the first L bytes of the
    sequence and one byte that differs from the sequence's next; then for
    each L of 20, 24, 25, 60, 88, 89, 150, 215 and 300, L bytes more of the
    sequence's generator and the sequence's first 8 bytes."""
    r = lcg(3)
    seq = bytes(next(r) & 0xFF for _ in range(520))
    out = bytearray(b"x" * 3000 + b"xy" * 50 + b"xyz" * 40 + b"wxyz" * 30 + seq)
    for n in lhark_lengths():
        out += seq[:n] + bytes([seq[n] ^ 0x55])
    for n in (20, 24, 25, 60, 88, 89, 150, 215, 300):
        out += bytes(next(r) & 0xFF for _ in range(n)) + seq[:8]
    return bytes(out)


def sums_text():
    """Text over the characters 0x20-0x2F only, so that every literal of
    -pm1- stays among the 16 most recent bytes (the tree that sends none)."""
    r = lcg(7)
    return bytes(b" !\"#$%&'()*+,-./"[next(r) % 16] for _ in range(3000))


# ---------------------------------------------------------------- bits

class Bits:
    """Most significant bit first, as every LHA method reads."""

    def __init__(self):
        self.out = bytearray()
        self.acc = 0
        self.n = 0

    def put(self, value, n):
        assert 0 <= value < (1 << n) or n == 0 and value == 0, (value, n)
        for i in range(n - 1, -1, -1):
            self.acc = (self.acc << 1) | ((value >> i) & 1)
            self.n += 1
            if self.n == 8:
                self.out.append(self.acc)
                self.acc = self.n = 0

    def code(self, bits):
        """A code given as a string of '0' and '1'."""
        for c in bits:
            self.put(1 if c == "1" else 0, 1)

    def data(self):
        out = bytearray(self.out)
        if self.n:
            out.append(self.acc << (8 - self.n))
        return bytes(out)


# ---------------------------------------------------------------- Huffman

def huffman_lengths(freq, limit):
    """Code lengths (0 = unused) for freq, none above limit: a Huffman code
    built again on flattened counts until it fits."""
    used = [i for i, f in enumerate(freq) if f]
    lens = [0] * len(freq)
    if len(used) == 1:
        lens[used[0]] = 1
        return lens
    scale = 0
    while True:
        fs = {i: (freq[i] >> scale) + 1 for i in used}
        heap = [(f, i, (i,)) for i, f in fs.items()]
        heapq.heapify(heap)
        depth = {i: 0 for i in used}
        k = len(freq)
        while len(heap) > 1:
            f1, _, s1 = heapq.heappop(heap)
            f2, _, s2 = heapq.heappop(heap)
            for i in s1 + s2:
                depth[i] += 1
            k += 1
            heapq.heappush(heap, (f1 + f2, k, s1 + s2))
        if max(depth.values()) <= limit:
            for i in used:
                lens[i] = depth[i]
            return lens
        scale += 1


def canonical(lens):
    """The codes of canonical lengths: shortest first, then by symbol."""
    codes = {}
    code = 0
    for length in range(1, max(lens) + 1):
        for s, l in enumerate(lens):
            if l == length:
                codes[s] = format(code, "0%db" % length)
                code += 1
        code <<= 1
    return codes


# ---------------------------------------------------------------- LZ77

def matches(data, window, min_len, max_len, allow, key=3, depth=48, short_back=64):
    """Greedy LZ77: ('lit', byte) and ('copy', length, distance) tokens,
    the longest copy (then the nearest) among depth candidates of the same
    first key bytes; two-byte copies from up to short_back back.
    allow(pos, dist, length) cuts a copy of length from dist back at pos to
    what the method can send (0: none). Distances never reach before the
    data."""
    heads = {}
    prev = {}
    out = []
    i = 0
    n = len(data)

    def insert(p):
        if p + key <= n:
            k = data[p:p + key]
            prev[p] = heads.get(k)
            heads[k] = p

    while i < n:
        best_len, best_dist = 0, 0
        if i + min_len <= n and i + key <= n:
            cand = heads.get(data[i:i + key])
            tries = 0
            while cand is not None and tries < depth:
                dist = i - cand
                if dist > window:
                    break
                lo = 0
                hi = min(max_len, n - i)
                while lo < hi:  # longest common prefix by halving
                    mid = (lo + hi + 1) // 2
                    if data[cand:cand + mid] == data[i:i + mid]:
                        lo = mid
                    else:
                        hi = mid - 1
                lo = allow(i, dist, lo) if lo >= min_len else 0
                if lo > best_len:
                    best_len, best_dist = lo, dist
                cand = prev.get(cand)
                tries += 1
        if min_len == 2 and best_len < 2 and i >= 1 and i + 2 <= n:
            # two-byte copies are found by a short look back
            for dist in range(1, min(short_back, i) + 1):
                if data[i - dist:i - dist + 2] == data[i:i + 2] and allow(i, dist, 2) >= 2:
                    best_len, best_dist = 2, dist
                    break
        if best_len >= min_len:
            out.append(("copy", best_len, best_dist))
            for p in range(i, i + best_len):
                insert(p)
            i += best_len
        else:
            out.append(("lit", data[i]))
            insert(i)
            i += 1
    return out


# ---------------------------------------------------------------- -lh5- family

def lh_position(dist, lhark):
    """(class, extra bit count, extra bits) of a distance."""
    d = dist - 1
    if lhark:
        if d < 4:
            return d, 0, 0
        nb = d.bit_length() - 2
        return 2 * nb + 2 + ((d >> nb) & 1), nb, d & ((1 << nb) - 1)
    if d == 0:
        return 0, 0, 0
    j = d.bit_length()
    return j, j - 1, d - (1 << (j - 1))


def lh_length(length, lhark):
    """(code, extra bit count, extra bits) of a match length."""
    if not lhark or length <= 10:
        return length + 253, 0, 0
    if length == 514:
        return 288, 0, 0
    for c in range(264, 288):
        nb = (c - 260) // 4
        base = ((4 + c % 4) << nb) + 3
        if base <= length < base + (1 << nb):
            return c, nb, length - base
    raise ValueError(length)


def write_pt_lengths(bits, lens, nbit, special):
    n = len(lens)
    while n > 0 and lens[n - 1] == 0:
        n -= 1
    bits.put(n, nbit)
    i = 0
    while i < n:
        k = lens[i]
        i += 1
        if k <= 6:
            bits.put(k, 3)
        else:
            bits.put((1 << (k - 3)) - 2, k - 3)
        if i == special:
            z = 0
            while i < 6 and i < n and lens[i] == 0 and z < 3:
                i += 1
                z += 1
            bits.put(z, 2)


def lh_encode(data, dicbits, lhark, block_tokens, key=4):
    nc = 289 if lhark else 510
    np_ = 2 * dicbits if lhark else dicbits + 1
    pbit = 6 if lhark else (5 if dicbits >= 15 else 4)
    max_len = 514 if lhark else 256
    toks = matches(data, 1 << dicbits, 3, max_len, lambda i, d, m: m, key=key)
    bits = Bits()
    for at in range(0, len(toks), block_tokens):
        block = toks[at:at + block_tokens]
        items = []  # (c, (nb, v) | None, p, (nb, v))
        cf = [0] * nc
        pf = [0] * np_
        for t in block:
            if t[0] == "lit":
                items.append((t[1], None, None, None))
                cf[t[1]] += 1
            else:
                c, lnb, lv = lh_length(t[1], lhark)
                j, pnb, pv = lh_position(t[2], lhark)
                items.append((c, (lnb, lv), j, (pnb, pv)))
                cf[c] += 1
                pf[j] += 1
        bits.put(len(block) & 0xFFFF, 16)
        c_used = [i for i in range(nc) if cf[i]]
        if len(c_used) == 1:
            bits.put(0, 5)
            bits.put(0, 5)
            bits.put(0, 9)
            bits.put(c_used[0], 9)
            c_codes = {c_used[0]: ""}
        else:
            c_lens = huffman_lengths(cf, 16)
            c_codes = canonical(c_lens)
            n = max(c_used) + 1
            tsyms = []  # (t symbol, (nbits, value) | None)
            i = 0
            while i < n:
                if c_lens[i]:
                    tsyms.append((c_lens[i] + 2, None))
                    i += 1
                    continue
                run = 0
                while i + run < n and c_lens[i + run] == 0:
                    run += 1
                i += run
                while run:
                    if run <= 2:
                        tsyms.append((0, None))
                        run -= 1
                    elif run <= 18:
                        tsyms.append((1, (4, run - 3)))
                        run = 0
                    elif run == 19:
                        tsyms.append((0, None))
                        tsyms.append((1, (4, 15)))
                        run = 0
                    else:
                        k = min(run, 531)
                        tsyms.append((2, (9, k - 20)))
                        run -= k
            tf = [0] * 19
            for s, _ in tsyms:
                tf[s] += 1
            t_used = [i for i in range(19) if tf[i]]
            if len(t_used) == 1:
                bits.put(0, 5)
                bits.put(t_used[0], 5)
                t_codes = {t_used[0]: ""}
            else:
                t_lens = huffman_lengths(tf, 16)
                write_pt_lengths(bits, t_lens, 5, 3)
                t_codes = canonical(t_lens)
            bits.put(n, 9)
            for s, extra in tsyms:
                bits.code(t_codes[s])
                if extra:
                    bits.put(extra[1], extra[0])
        p_used = [i for i in range(np_) if pf[i]]
        if len(p_used) <= 1:
            bits.put(0, pbit)
            bits.put(p_used[0] if p_used else 0, pbit)
            p_codes = {p_used[0]: ""} if p_used else {}
        else:
            p_lens = huffman_lengths(pf, 16)
            write_pt_lengths(bits, p_lens, pbit, -1)
            p_codes = canonical(p_lens)
        for c, lx, j, px in items:
            bits.code(c_codes[c])
            if lx is not None:
                bits.put(lx[1], lx[0])
                bits.code(p_codes[j])
                bits.put(px[1], px[0])
    return bits.data()


# ---------------------------------------------------------------- PMarc

class Recent:
    """Byte values most recent first, in PMarc's starting order."""

    def __init__(self):
        self.order = (list(range(0x20, 0x80)) + list(range(0x00, 0x20)) + list(range(0xA0, 0xE0))
                      + list(range(0x80, 0xA0)) + list(range(0xE0, 0x100)))

    def rank(self, b):
        return self.order.index(b)

    def use(self, b):
        self.order.remove(b)
        self.order.insert(0, b)


PM2_LITERAL = [(0, 3), (8, 3), (16, 4), (32, 5), (64, 5), (96, 5), (128, 6), (192, 6)]
PM2_LENGTH = [(17, 3), (25, 3), (33, 5), (65, 6), (129, 7), (256, 0)]


def pm2_encode(data, new_code_at=(4096, 8192), key=3):
    """-pm2-: codes sent at the start and after 1, 2, 4 KiB and every 4 KiB;
    a new literal/copy code at the points in new_code_at."""

    def allow(i, dist, m):
        if dist > i or dist > 64 and m < 3:
            return 0  # a two-byte copy has six bits of distance
        return 255 if m >= 256 and dist != 1 else m  # 256 bytes: of the last byte only

    toks = matches(data, 8192, 2, 256, allow, key=key)
    # Symbols: (code, [(nbits, value)...], offset class | None, [extra])
    recent = Recent()
    cmds = []
    done = 0
    for t in toks:
        if t[0] == "lit":
            r = recent.rank(t[1])
            c = max(k for k in range(8) if PM2_LITERAL[k][0] <= r)
            base, nb = PM2_LITERAL[c]
            cmds.append((c, [(nb, r - base)], None, [], 1))
            recent.use(t[1])
            done += 1
            continue
        length, dist = t[1], t[2]
        o = dist - 1
        if length <= 16:
            code, extra = length + 6, []
        else:
            k = max(k for k in range(6) if PM2_LENGTH[k][0] <= length)
            base, nb = PM2_LENGTH[k]
            code, extra = 23 + k, [(nb, length - base)]
        if code == 8:
            cmds.append((code, extra + [(6, o)], None, [], length))
        elif code == 28:
            cmds.append((code, extra, None, [], length))
        else:
            v = 0 if o < 64 else o.bit_length() - 6
            ob = 6 if v == 0 else v + 5
            cmds.append((code, extra, v, [(ob, o - (0 if v == 0 else 1 << ob))], length))
        for p in range(done, done + length):
            recent.use(data[p])
        done += length

    # The points where codes are sent, as the decoder meets them: after the
    # command that brings the output to 1, 2, 4, 8, 12... KiB, unless the
    # data ends there. Each sends the offset classes it may (5 to 8) and,
    # from 4 KiB on, a new literal/copy code when asked for.
    events = [(0, True, 5)]  # (first command, new code, offset classes | 0)
    done, stage, at, targets = 0, 1, 1024, list(new_code_at)
    for idx, cmd in enumerate(cmds):
        done += cmd[4]
        if done >= at and done < len(data):
            new = stage >= 3 and bool(targets) and done >= targets[0]
            while targets and done >= targets[0]:
                targets.pop(0)
            classes = 6 if stage == 1 else 7 if stage == 2 else 8 if stage == 3 or new else 0
            events.append((idx + 1, new, classes, stage))
            at += 1024 if stage == 1 else 2048 if stage == 2 else 4096
            stage = min(stage + 1, 4)
    events[0] = (0, True, 5, 0)

    def span(k, what):  # commands from event k to the next that sends what
        for q in range(k + 1, len(events)):
            if (events[q][1] if what == "code" else events[q][2]):
                return events[q][0]
        return len(cmds)

    bits = Bits()
    bits.put(0, 1)
    state = {}

    def send_code(first, last):
        freq = [0] * 29
        for c in cmds[first:last]:
            freq[c[0]] += 1
        used = [i for i in range(29) if freq[i]]
        lens = huffman_lengths(freq, 12) if used else [0] * 29
        n = max(10, max(used) + 1) if used else 10
        mn = min(l for l in lens if l) if used else 1
        width = max(1, (max(lens) - mn + 1).bit_length())
        bits.put(n, 5)
        bits.put(mn, 3)
        bits.put(width, 3)
        for i in range(n):
            bits.put(lens[i] - mn + 1 if lens[i] else 0, width)
        state["codes"] = canonical(lens) if used else {}

    def send_offsets(classes, first, last):
        freq = [0] * classes
        for c in cmds[first:last]:
            if c[2] is not None:
                freq[c[2]] += 1
        used = [i for i in range(classes) if freq[i]]
        lens = huffman_lengths(freq, 7) if len(used) > 1 else [1 if f else 0 for f in freq]
        for i in range(classes):
            bits.put(lens[i], 3)
        state["offsets"] = {used[0]: ""} if len(used) == 1 else canonical(lens) if used else {}

    k = 0
    for idx in range(len(cmds) + 1):
        while k < len(events) and events[k][0] == idx:
            first, new, classes, stage = events[k]
            if stage >= 3:
                bits.put(1 if new else 0, 1)
            if new:
                send_code(first, span(k, "code"))
            if classes:
                send_offsets(classes, first, span(k, "offsets"))
            k += 1
        if idx == len(cmds):
            break
        code, extra, v, oextra, _ = cmds[idx]
        bits.code(state["codes"][code])
        for nb, val in extra:
            bits.put(val, nb)
        if v is not None:
            bits.code(state["offsets"][v])
        for nb, val in oextra:
            bits.put(val, nb)
    return bits.data()


def pm2_spaces(n):
    """n spaces (a multiple of 256) as copies of the blanks before the first
    byte: one code, the 256-byte copy, read with no bits."""
    assert n % 256 == 0 and n <= 1024
    bits = Bits()
    bits.put(0, 1)
    bits.put(29, 5)
    bits.put(0, 3)
    return bits.data()


PM1_TREES = [
    "((((ab)c)d)(ef))", "(((ab)(cf))(de))", "(((ab)c)(d(ef)))", "((a(bc))(d(ef)))",
    "((a(bd))(c(ef)))", "((a(b(ef)))(cd))", "((ab)((cd)(ef)))", "((ab)((c(ef))d))",
    "((ab)(c(d(ef))))", "(a(((bf)c)(de)))", "(a(((b(ef))c)d))", "(a(((bc)d)(ef)))",
    "(a((b(cf))(de)))", "(a((bc)(d(ef))))", "(a((b(d(ef)))c))", "(a(b((cd)(ef))))",
    "(a(b(c(d(ef)))))", "(((de)c)(de))", "((a(be))(cd))", "((ab)(c(de)))",
    "(a(((be)c)d))", "(a((bc)(de)))", "(a((b(de))c))", "(a(b(c(de))))",
    "(((ab)c)d)", "((a(bd))c)", "((ab)(cd))", "(a((bd)c))",
    "(a(b(cd)))", "(a(bc))", "(ab)", "a",
]
PM1_LITERAL = [(0, 4), (16, 4), (32, 5), (64, 6), (128, 6), (192, 6)]


def pm1_leaf_codes(tree):
    codes = {}

    def walk(t, i, prefix):
        if t[i] != "(":
            codes.setdefault("abcdef".index(t[i]), prefix)
            return i + 1
        i = walk(t, i + 1, prefix + "0")
        i = walk(t, i, prefix + "1")
        return i + 1

    walk(tree, 0, "")
    return codes


def pm1_block_length(bits, n):
    if n <= 3:
        bits.put(n - 1, 2)
    elif n <= 10:
        bits.put(3, 2); bits.put(n - 4, 3)
    elif n <= 24:
        bits.put(3, 2); bits.put(7, 3); bits.put(n - 11, 4)
    elif n <= 88:
        bits.put(3, 2); bits.put(7, 3); bits.put(14, 4); bits.put(n - 25, 6)
    else:
        bits.put(3, 2); bits.put(7, 3); bits.put(15, 4); bits.put(n - 89, 7)


def pm1_copy_length(bits, n):
    if n <= 5:
        bits.put(n - 3, 2)
    elif n <= 10:
        bits.put(3, 2); bits.put(n - 6, 3)
    elif n <= 14:
        bits.put(3, 2); bits.put(5, 3); bits.put(n - 11, 2)
    elif n <= 22:
        bits.put(3, 2); bits.put(6, 3); bits.put(n - 15, 3)
    elif n <= 84:
        bits.put(3, 2); bits.put(7, 3); bits.put(n - 23, 6)
    elif n <= 116:
        bits.put(3, 2); bits.put(7, 3); bits.put(62, 6); bits.put(n - 85, 5)
    else:
        bits.put(3, 2); bits.put(7, 3); bits.put(63, 6); bits.put(n - 117, 7)


def pm1_encode(data, tree_index, key=3):
    def allow(i, dist, m):
        back = dist - 1
        if back >= i or back > 10815 or back >= 320 and m < 3:
            return 0
        return min(m, 244)

    toks = matches(data, 10816, 2, 244, allow, key=key, short_back=320)
    leaf = pm1_leaf_codes(PM1_TREES[tree_index])
    bits = Bits()
    bits.put(tree_index, 5)
    recent = Recent()
    done = 0

    def bit_from(frm, value):
        if done >= frm:
            bits.put(value, 1)

    def copy(length, dist):
        nonlocal done
        back = dist - 1
        if length == 2:
            kind = 0 if back < 64 else 1
        else:
            kind = 2 if back < 64 else 3 if back < 576 else 4 if back < 2624 else 5
        # the kind code, its later bits sent only past their output sizes
        if kind in (0, 1, 4):
            bits.put(0, 1)
            bit_from(576, 1 if kind == 4 else 0)
            if kind != 4:
                bit_from(64, kind)
        else:
            bits.put(1, 1)
            bit_from(64, 0 if kind == 3 else 1)
            if kind != 3:
                bit_from(2624, 1 if kind == 2 else 0)
        if kind >= 2:
            pm1_copy_length(bits, length)
        base, nb = {0: (0, 6), 1: (64, 8), 2: (0, 6)}.get(kind, (None, None))
        if kind == 3:
            base, nb = 64, 8 if done < 320 else 9
        elif kind == 4:
            base, nb = 576, 8 if done < 832 else 9 if done < 1088 else 10 if done < 1600 else 11
        elif kind == 5:
            base = 2624
            nb = (8 if done < 2880 else 9 if done < 3136 else 10 if done < 3648 else 11 if done < 4672
                  else 12 if done < 6720 else 13)
        bits.put(back - base, nb)
        for p in range(done, done + length):
            recent.use(data[p])
        done += length

    k = 0
    while k < len(toks):
        if toks[k][0] == "copy":
            bits.put(0, 1)
            copy(toks[k][1], toks[k][2])
            k += 1
            continue
        run = []
        while k < len(toks) and toks[k][0] == "lit" and len(run) < 216:
            run.append(toks[k][1])
            k += 1
        bits.put(1, 1)
        pm1_block_length(bits, len(run))
        for b in run:
            r = recent.rank(b)
            c = max(i for i in range(6) if PM1_LITERAL[i][0] <= r)
            bits.code(leaf[c])
            bits.put(r - PM1_LITERAL[c][0], PM1_LITERAL[c][1])
            recent.use(b)
            done += 1
        if len(run) < 216 and k < len(toks):
            copy(toks[k][1], toks[k][2])  # a block is always followed by a copy
            k += 1
    return bits.data()


# ---------------------------------------------------------------- -lh2-

class Adaptive:
    """The dynamic Huffman code of -lh2-: nodes by falling count, root
    first; an inner node i has children child[i] (bit 0) and child[i] - 1
    (bit 1); a leaf holds ~symbol."""

    def __init__(self, leaves, full, count_lone):
        size = 2 * leaves
        self.freq = [0] * size
        self.child = [0] * size
        self.parent = [0] * size
        self.leaf = [0] * leaves
        self.count_lone = count_lone
        self.total = 0
        if full:
            self.last = 2 * leaves - 2
            j = self.last
            for s in range(leaves):
                self.freq[j] = 1
                self.child[j] = ~s
                self.leaf[s] = j
                j -= 1
            i = self.last
            for k in range(leaves - 2, -1, -1):
                self.freq[k] = self.freq[i] + self.freq[i - 1]
                self.child[k] = i
                self.parent[i] = self.parent[i - 1] = k
                i -= 2
        else:
            self.last = 0
            self.freq[0] = 1
            self.child[0] = ~0
            self.leaf[0] = 0

    def code(self, sym):
        bits = ""
        q = self.leaf[sym]
        while q != 0:
            p = self.parent[q]
            bits = ("0" if self.child[p] == q else "1") + bits
            q = p
        return bits

    def _relink(self, at, c):
        if c >= 0:
            self.parent[c] = self.parent[c - 1] = at
        else:
            self.leaf[~c] = at

    def _bump(self, p):
        q = p
        while self.freq[q - 1] == self.freq[p]:
            q -= 1
        if q != p:
            a, b = self.child[p], self.child[q]
            self.child[p], self.child[q] = b, a
            self._relink(q, a)
            self._relink(p, b)
            p = q
        self.freq[p] += 1
        return self.parent[p]

    def _rebuild(self):
        lf, lc = [], []
        for i in range(self.last + 1):
            if self.child[i] < 0:
                lf.append((self.freq[i] + 1) // 2)
                lc.append(self.child[i])
        j = len(lf) - 1
        i = self.last
        l = i - 1
        while i >= 0:
            while i >= l:
                self.freq[i], self.child[i] = lf[j], lc[j]
                i -= 1
                j -= 1
            f = self.freq[l] + self.freq[l + 1]
            while j >= 0 and lf[j] <= f:
                self.freq[i], self.child[i] = lf[j], lc[j]
                i -= 1
                j -= 1
            self.freq[i] = f
            self.child[i] = l + 1
            i -= 1
            l -= 2
        for k in range(self.last + 1):
            self._relink(k, self.child[k])

    def update_counted_root(self, sym):
        if self.freq[0] == 0x8000:
            self._rebuild()
        self.freq[0] += 1
        q = self.leaf[sym]
        while True:
            q = self._bump(q)
            if q == 0:
                break

    def update_marked_root(self, sym):
        if self.total == 0x8000 and self.last > 0:
            self._rebuild()
            self.total = self.freq[0]
            self.freq[0] = 0xFFFF
        q = self.leaf[sym]
        if self.last == 0 and self.count_lone:
            self.freq[0] += 1
        while q != 0:
            q = self._bump(q)
        self.total += 1

    def add_leaf(self, sym):
        m = self.last
        r, q = m + 1, m + 2
        self.child[r] = self.child[m]
        self.leaf[~self.child[r]] = r
        self.child[q] = ~sym
        self.child[m] = q
        self.freq[r] = self.freq[m]
        self.freq[q] = 0
        if m == 0:
            self.freq[0] = 0xFFFF
        self.parent[r] = self.parent[q] = m
        self.leaf[sym] = q
        self.last = q
        self.update_marked_root(sym)


def lh2_encode(data, count_lone):
    toks = matches(data, 8192, 3, 256, lambda i, d, m: m)
    chars = Adaptive(286, True, count_lone)
    pos = Adaptive(128, False, count_lone)
    bits = Bits()
    done, nxt, leaves = 0, 64, 1
    for t in toks:
        if t[0] == "lit":
            bits.code(chars.code(t[1]))
            chars.update_counted_root(t[1])
            done += 1
            continue
        length, dist = t[1], t[2]
        c = length + 253
        if c >= 285:
            bits.code(chars.code(285))
            chars.update_counted_root(285)
            bits.put(c - 285, 8)
        else:
            bits.code(chars.code(c))
            chars.update_counted_root(c)
        while leaves < 128 and done > nxt:
            pos.add_leaf(leaves)
            leaves += 1
            nxt += 64
        d = dist - 1
        bits.code(pos.code(d >> 6))
        pos.update_marked_root(d >> 6)
        bits.put(d & 63, 6)
        done += length
    return bits.data()


# ---------------------------------------------------------------- archives

DOS_TIME = 0x3422_7A21  # 2006-01-02 15:17:02
UNIX_TIME = 1136214245  # 2006-01-02 15:04:05 UTC


def member(name, method, packed, original, level, os_id):
    """One member: header of level 1 or 2 and its packed data."""
    name = name.encode("ascii")
    crc = crc16(original)
    if level == 1:
        h = bytearray(b"\0\0" + method)
        h += struct.pack("<IIIBB", len(packed), len(original), DOS_TIME, 0x20, 1)
        h += bytes([len(name)]) + name + struct.pack("<H", crc) + bytes([os_id]) + struct.pack("<H", 0)
        h[0] = len(h) - 2
        h[1] = sum(h[2:]) & 0xFF
        return bytes(h) + packed
    ext = bytes([0x01]) + name
    h = bytearray(struct.pack("<H", 0) + method)
    h += struct.pack("<IIIBBH", len(packed), len(original), UNIX_TIME, 0x20, 2, crc)
    h += bytes([os_id]) + struct.pack("<H", len(ext) + 2) + ext + struct.pack("<H", 0)
    h[0:2] = struct.pack("<H", len(h))
    return bytes(h) + packed


def archive(path, members):
    with open(path, "wb") as f:
        for m in members:
            f.write(m)
        f.write(b"\0")


def main():
    out, src = sys.argv[1], sys.argv[2]
    text = open(os.path.join(src, "text.txt"), "rb").read()
    data = open(os.path.join(src, "data.bin"), "rb").read()
    acgt = acgt_data()

    # -lhx-: the -lh5- family with a 2^19-byte dictionary (level 2, as the
    # Windows archive library writes it, OS 'w').
    far = far_data()
    archive(os.path.join(out, "m_lhx.lzh"), [
        member("text.txt", b"-lhx-", lh_encode(text, 19, False, 700), text, 2, ord("w")),
        member("far.bin", b"-lhx-", lh_encode(far, 19, False, 3000), far, 2, ord("w")),
        member("runs.bin", b"-lhx-", lh_encode(runs_data(), 19, False, 5000, key=3), runs_data(), 2, ord("w")),
    ])
    # LHARK's -lh7-: level 1 headers with LHARK's OS type byte (a blank).
    runs = runs_data()
    archive(os.path.join(out, "lhark_lh7.lzh"), [
        member("text.txt", b"-lh7-", lh_encode(text, 16, True, 600), text, 1, 0x20),
        member("data.bin", b"-lh7-", lh_encode(data, 16, True, 65535), data, 1, 0x20),
        # long keys find the far matches in four letters: all 32 classes
        member("acgt.txt", b"-lh7-", lh_encode(acgt, 16, True, 9000, key=8), acgt, 1, 0x20),
        member("runs.bin", b"-lh7-", lh_encode(runs, 16, True, 65535, key=3), runs, 1, 0x20),
    ])
    # PMarc: -pm0- (stored), -pm2- and -pm1- (level 2).
    sums = sums_text()
    archive(os.path.join(out, "m_pm0.lzh"), [member("text.txt", b"-pm0-", text, text, 2, ord("M"))])
    archive(os.path.join(out, "m_pm2.lzh"), [
        member("text.txt", b"-pm2-", pm2_encode(text), text, 2, ord("M")),
        member("data.bin", b"-pm2-", pm2_encode(data), data, 2, ord("M")),
        member("runs.bin", b"-pm2-", pm2_encode(runs), runs, 2, ord("M")),
        # new codes at 4 and 8 KiB, none at 12 KiB, again at 16 KiB
        member("text5.txt", b"-pm2-", pm2_encode(text * 5, (4096, 8192, 16384)), text * 5, 2, ord("M")),
        member("blank.txt", b"-pm2-", pm2_spaces(512), b" " * 512, 2, ord("M")),
    ])
    archive(os.path.join(out, "m_pm1.lzh"), [
        member("text.txt", b"-pm1-", pm1_encode(text, 0), text, 2, ord("M")),
        member("data.bin", b"-pm1-", pm1_encode(data, 9), data, 2, ord("M")),
        member("runs.bin", b"-pm1-", pm1_encode(runs, 16), runs, 2, ord("M")),
        member("sums.txt", b"-pm1-", pm1_encode(sums, 31), sums, 2, ord("M")),
        member("text2.txt", b"-pm1-", pm1_encode(text, 26), text, 2, ord("M")),
    ])
    # -lh2- in the original coding (level 1, OS 'M'). With count_lone set,
    # this encoder writes jLHA's coding, which jLHA's own decoder reads.
    archive(os.path.join(out, "orig_lh2.lzh"), [
        member("text.txt", b"-lh2-", lh2_encode(text, False), text, 1, ord("M")),
        member("data.bin", b"-lh2-", lh2_encode(data, False), data, 1, ord("M")),
        member("runs.bin", b"-lh2-", lh2_encode(runs, False), runs, 1, ord("M")),
    ])

if __name__ == "__main__":
    main()
