// ZipWriteUtil.h - an archive written in memory, as bytes.
#pragma once

#include "framework/core/ZipArchive.h"

#include <gtest/gtest.h>
#include <stdint.h>

#include <string>

// Writes the central directory, takes the bytes and closes the writer.
inline std::string FinishZipBytes(ZipHandle* zip)
{
    EXPECT_EQ(0u, WriteZipCentralDirectory(zip));
    const uint8_t* block = nullptr;
    uint32_t size = 0;
    GetZipArchiveBlock(zip, &block, &size);
    std::string bytes(block ? (const char*)block : "", block ? size : 0);
    CloseZipWriter(zip);
    return bytes;
}
