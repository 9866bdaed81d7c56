// ZipTestUtil.h - reading archive headers byte by byte, independent of the
// reader under test, and test data.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <vector>

inline uint32_t Get16(const std::string& b, size_t at)
{
    return at + 2 <= b.size() ? (uint8_t)b[at] | (uint32_t)(uint8_t)b[at + 1] << 8 : 0;
}

inline uint32_t Get32(const std::string& b, size_t at)
{
    return Get16(b, at) | Get16(b, at + 2) << 16;
}

inline void Set32(std::string* b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++) (*b)[at + i] = (char)(v >> (8 * i));
}

// One entry as both its headers describe it.
struct RawEntry {
    std::string name;
    uint32_t madeBy, centralFlags, method, dosTime, crc, compressedSize, uncompressedSize;
    uint32_t externalAttributes, localOffset;
    uint32_t localFlags, localCrc, localCompressed, localUncompressed;
    size_t dataOffset;   // first byte behind the local header
};

// The entries of an archive without a comment; empty when it does not parse.
inline std::vector<RawEntry> ParseArchive(const std::string& b)
{
    std::vector<RawEntry> out;
    if (b.size() < 22) return out;
    size_t end = b.size() - 22;
    if (Get32(b, end) != 0x06054B50) return out;
    uint32_t count = Get16(b, end + 10);
    size_t at = Get32(b, end + 16);
    for (uint32_t i = 0; i < count; i++) {
        if (Get32(b, at) != 0x02014B50) return std::vector<RawEntry>();
        RawEntry e = {};
        e.madeBy = Get16(b, at + 4);
        e.centralFlags = Get16(b, at + 8);
        e.method = Get16(b, at + 10);
        e.dosTime = Get16(b, at + 12);
        e.crc = Get32(b, at + 16);
        e.compressedSize = Get32(b, at + 20);
        e.uncompressedSize = Get32(b, at + 24);
        uint32_t n = Get16(b, at + 28), x = Get16(b, at + 30), c = Get16(b, at + 32);
        e.externalAttributes = Get32(b, at + 38);
        e.localOffset = Get32(b, at + 42);
        e.name = b.substr(at + 46, n);
        size_t l = e.localOffset;
        if (Get32(b, l) != 0x04034B50) return std::vector<RawEntry>();
        e.localFlags = Get16(b, l + 6);
        e.localCrc = Get32(b, l + 14);
        e.localCompressed = Get32(b, l + 18);
        e.localUncompressed = Get32(b, l + 22);
        e.dataOffset = l + 30 + Get16(b, l + 26) + Get16(b, l + 28);
        out.push_back(e);
        at += 46 + n + x + c;
    }
    return out;
}

// Reproducible bytes that do not compress.
inline std::string RandomBytes(size_t n, uint32_t seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; i++) {
        seed = seed * 1103515245u + 12345u;
        s[i] = (char)(seed >> 16);
    }
    return s;
}
