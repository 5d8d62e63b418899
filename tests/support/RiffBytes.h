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
// fields; `extra` zero bytes follow the 16 usual ones.
inline Bytes FmtChunk(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t bits, uint32_t extra = 0) {
    Bytes body;
    PutLe(body, tag, 2);
    PutLe(body, channels, 2);
    PutLe(body, rate, 4);
    PutLe(body, rate * channels * bits / 8, 4);
    PutLe(body, channels * bits / 8, 2);
    PutLe(body, bits, 2);
    body.resize(body.size() + extra, 0);
    return Chunk("fmt ", body);
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

} // namespace lectorio::test
