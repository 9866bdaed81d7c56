// ZipTestUtil.h - reading archive headers byte by byte, independent of the
// reader under test, and test data.
#pragma once

#include <stdint.h>
#include <string.h>

#include <string>
#include <utility>
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

// CRC-32 bit by bit, independent of the program's table.
inline uint32_t TestCrc32(const std::string& data)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= (uint8_t)ch;
        for (int k = 0; k < 8; k++) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

inline void Put16(std::string* b, uint32_t v)
{
    b->push_back((char)v);
    b->push_back((char)(v >> 8));
}

inline void Put32(std::string* b, uint32_t v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// A stored archive whose names are exactly the bytes given (no slash turned,
// nothing refused), for names no writer of ours would make. A name ending with
// "/" is a folder entry. DOS host, 1 January 1980.
inline std::string StoredArchive(const std::vector<std::pair<std::string, std::string>>& entries)
{
    std::string out, central;
    for (const auto& e : entries) {
        const std::string& name = e.first;
        const std::string& data = e.second;
        bool folder = !name.empty() && name.back() == '/';
        uint32_t offset = (uint32_t)out.size(), crc = TestCrc32(data);
        out += "PK\x03\x04";
        Put16(&out, 20);                       // version needed
        Put16(&out, 0);                        // flags
        Put16(&out, 0);                        // stored
        Put16(&out, 0);                        // time
        Put16(&out, 0x21);                     // date
        Put32(&out, crc);
        Put32(&out, (uint32_t)data.size());
        Put32(&out, (uint32_t)data.size());
        Put16(&out, (uint32_t)name.size());
        Put16(&out, 0);                        // extra
        out += name;
        out += data;
        central += "PK\x01\x02";
        Put16(&central, 20);                   // made by: DOS
        Put16(&central, 20);
        Put16(&central, 0);
        Put16(&central, 0);
        Put16(&central, 0);
        Put16(&central, 0x21);
        Put32(&central, crc);
        Put32(&central, (uint32_t)data.size());
        Put32(&central, (uint32_t)data.size());
        Put16(&central, (uint32_t)name.size());
        Put16(&central, 0);                    // extra
        Put16(&central, 0);                    // comment
        Put16(&central, 0);                    // disk
        Put16(&central, 0);                    // internal attributes
        Put32(&central, folder ? 0x10 : 0x20);
        Put32(&central, offset);
        central += name;
    }
    std::string end = "PK\x05\x06";
    Put16(&end, 0);
    Put16(&end, 0);
    Put16(&end, (uint32_t)entries.size());
    Put16(&end, (uint32_t)entries.size());
    Put32(&end, (uint32_t)central.size());
    Put32(&end, (uint32_t)out.size());
    Put16(&end, 0);
    return out + central + end;
}
