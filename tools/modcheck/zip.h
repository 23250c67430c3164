// Reading the package zip: its central directory and the data of its entries,
// stored or deflated. Every read is bounded by the zip's own bytes, so a
// damaged package fails its checks instead of crashing the checker.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// Little-endian reads that give 0 past the end, so damaged files fail checks
// instead of crashing the checker.
inline uint16_t Read16(const Bytes& bytes, size_t at)
{
    return at + 2 <= bytes.size() ? bytes[at] | bytes[at + 1] << 8 : 0;
}
inline uint32_t Read32(const Bytes& bytes, size_t at)
{
    return at + 4 <= bytes.size() ? static_cast<uint32_t>(Read16(bytes, at)) | static_cast<uint32_t>(Read16(bytes, at + 2)) << 16
                                  : 0;
}

uint32_t Crc32(const Bytes& bytes);

const uint16_t ZIP_STORED = 0, ZIP_DEFLATED = 8;

struct ZipEntry {
    std::string name;
    uint16_t method = 0;
    uint32_t crc = 0, compressedSize = 0, size = 0, localHeader = 0;
};

// The central directory, found through the end record.
bool ReadZipDirectory(const Bytes& zip, std::vector<ZipEntry>& entries);

// Decodes the raw DEFLATE stream `data[0, size)` into `out`. True only when the
// stream is whole, ends in the last byte of `data` and gives exactly
// `expectedSize` bytes; `out` never grows past `expectedSize`.
bool Inflate(const unsigned char* data, size_t size, size_t expectedSize, Bytes& out);

// The bytes of an entry, stored or deflated, checked against the central
// directory's method, sizes and CRC. Empty with an explanation in `why` when
// the entry is damaged or not one this reader knows.
bool ZipEntryData(const Bytes& zip, const ZipEntry& entry, Bytes& data, std::string& why);
