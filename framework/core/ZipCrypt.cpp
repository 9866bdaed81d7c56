// ZipCrypt.cpp - traditional PKWARE encryption keys and encryption-header bytes.
#include "framework/core/ZipArchive.h"

#include "framework/core/TextUtil.h"

// One step of the CRC-32 register without the pre- and post-inversion.
static uint32_t CrcStep(uint32_t crc, uint8_t byte)
{
    return ~Crc32Update(~crc, &byte, 1);
}

static void UpdateZipKeys(ZipKeys* keys, uint8_t plain)
{
    keys->k0 = CrcStep(keys->k0, plain);
    keys->k1 = (keys->k1 + (keys->k0 & 0xFF)) * 134775813u + 1;
    keys->k2 = CrcStep(keys->k2, (uint8_t)(keys->k1 >> 24));
}

static uint8_t KeyStreamByte(const ZipKeys* keys)
{
    uint32_t temp = (keys->k2 | 2) & 0xFFFF;
    return (uint8_t)((temp * (temp ^ 1)) >> 8);
}

void InitZipKeys(ZipKeys* keys, const char* password)
{
    keys->k0 = 0x12345678u;
    keys->k1 = 0x23456789u;
    keys->k2 = 0x34567890u;
    for (const char* p = password ? password : ""; *p; p++) UpdateZipKeys(keys, (uint8_t)*p);
}

uint8_t DecryptZipByte(ZipKeys* keys, uint8_t cipher)
{
    uint8_t plain = (uint8_t)(cipher ^ KeyStreamByte(keys));
    UpdateZipKeys(keys, plain);
    return plain;
}

uint8_t EncryptZipByte(ZipKeys* keys, uint8_t plain)
{
    uint8_t cipher = (uint8_t)(plain ^ KeyStreamByte(keys));
    UpdateZipKeys(keys, plain);
    return cipher;
}

// One generator for the whole process, seeded at its first use, so writers on
// different threads never repeat each other's headers (the CRT's rand() state
// is per thread and would start every unseeded thread at the same value).
static SRWLOCK g_randomLock = SRWLOCK_INIT;
static bool g_randomSeeded = false;
static uint32_t g_randomState = 0;

uint8_t NextZipHeaderByte()
{
    AcquireSRWLockExclusive(&g_randomLock);
    if (!g_randomSeeded) {
        g_randomState = (uint32_t)(GetTickCount64() ^ (uint64_t)(uintptr_t)GetDesktopWindow());
        g_randomSeeded = true;
    }
    g_randomState = g_randomState * 214013u + 2531011u;
    uint32_t value = (g_randomState >> 16) & 0x7FFF;
    ReleaseSRWLockExclusive(&g_randomLock);
    return (uint8_t)(value >> 7);
}
