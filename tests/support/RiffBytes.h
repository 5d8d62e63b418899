// SPDX-License-Identifier: GPL-3.0-or-later
// Builds WAV files byte by byte, for the tests of malformed and unusual
// headers that no writer would produce.
#pragma once

#include <cstdint>
#include <vector>

namespace lectorio::test {

using Bytes = std::vector<uint8_t>;

// Appends the low `bytes` bytes of `v`, little-endian.
inline void PutLe(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A four-character code. (Byte by byte: GCC 12 at -O2 warns falsely about a
// range insert of a char pointer into a byte vector.)
inline void PutTag(Bytes& b, const char* tag) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(tag[i]));
}

// A chunk with its size and, for an odd size, its pad byte.
inline Bytes Chunk(const char* tag, const Bytes& body, bool pad = true) {
    Bytes b;
    PutTag(b, tag);
    PutLe(b, static_cast<uint32_t>(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        b.push_back(0);
    return b;
}

// A format chunk whose byte rate and block align follow from the other
// fields, off by the given errors; `extra` zero bytes follow the 16 usual ones.
struct Format {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 16000;
    uint16_t bits = 16;
    uint32_t extra = 0;
    int32_t byteRateError = 0;
    int32_t blockAlignError = 0;
    const char* name = "fmt ";
};

inline Bytes FmtChunk(const Format& f) {
    Bytes body;
    PutLe(body, f.tag, 2);
    PutLe(body, f.channels, 2);
    PutLe(body, f.rate, 4);
    PutLe(body, f.rate * f.channels * f.bits / 8 + f.byteRateError, 4);
    PutLe(body, f.channels * f.bits / 8 + f.blockAlignError, 2);
    PutLe(body, f.bits, 2);
    body.resize(body.size() + f.extra, 0);
    return Chunk(f.name, body);
}

inline Bytes FmtChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t extra = 0) {
    return FmtChunk(Format{tag, channels, rate, bits, extra});
}

// "RIFF", its size (off by `sizeAdjust`), `form` and the chunks.
inline Bytes Riff(const std::vector<Bytes>& chunks, int32_t sizeAdjust = 0, const char* form = "WAVE") {
    Bytes body;
    PutTag(body, form);
    for (const auto& c : chunks)
        body.insert(body.end(), c.begin(), c.end());
    Bytes b;
    PutTag(b, "RIFF");
    PutLe(b, static_cast<uint32_t>(body.size() + sizeAdjust), 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// 16-bit samples as little-endian bytes.
inline Bytes Words(std::initializer_list<int16_t> values) {
    Bytes b;
    for (int16_t v : values)
        PutLe(b, static_cast<uint16_t>(v), 2);
    return b;
}

} // namespace lectorio::test
