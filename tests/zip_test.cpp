// The package reader that modcheck uses: raw DEFLATE streams, whole and
// damaged, and the real package with its module's data damaged in place.
#include <gtest/gtest.h>
#include <stdio.h>

#include <string>

#include "zip.h"

namespace {

struct StreamCase {
    const char* name;
    Bytes stream;
    size_t expectedSize;
    const char* output; // nullptr: the stream must be refused
};

// Stored blocks are LEN, its complement, then the bytes; the fixed-code
// streams were written bit by bit from the code tables.
const StreamCase STREAM_CASES[] = {
    {"stored block", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o'}, 5, "hello"},
    {"fixed block", {0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00}, 5, "hello"},
    {"copy that overlaps its own output", {0x4B, 0x4C, 0x84, 0x01, 0x00}, 10, "aaaaaaaaaa"},
    {"a stored block, then a fixed one", {0x00, 0x02, 0x00, 0xFD, 0xFF, 'h', 'e', 0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00},
     7, "hehello"},
    {"empty input", {}, 0, nullptr},
    {"reserved block type", {0x07, 0x00}, 0, nullptr},
    {"stored length and complement disagree", {0x01, 0x05, 0x00, 0xFA, 0xFE, 'h', 'e', 'l', 'l', 'o'}, 5, nullptr},
    {"stored block longer than the input", {0x01, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e'}, 5, nullptr},
    {"last block never comes", {0x00, 0x05, 0x00, 0xFA, 0xFF, 'h', 'e', 'l', 'l', 'o'}, 5, nullptr},
    {"stream cut short", {0xCB, 0x48, 0xCD, 0xC9}, 5, nullptr},
    {"bytes after the last block", {0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00, 0x00}, 5, nullptr},
    {"more output than the directory gives", {0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00}, 4, nullptr},
    {"less output than the directory gives", {0xCB, 0x48, 0xCD, 0xC9, 0xC9, 0x07, 0x00}, 6, nullptr},
    {"copy from before the output's start", {0x03, 0x02, 0x00}, 3, nullptr},
    {"length symbol 286", {0x4B, 0x1C, 0x03, 0x00}, 1, nullptr},
    {"distance symbol 30", {0x4B, 0x04, 0x3E, 0x00}, 4, nullptr},
    {"first code length repeats a length before it", {0x05, 0xE0, 0x05, 0x08, 0x00, 0x00, 0x00, 0x80, 0x20, 0x0C}, 0, nullptr},
};

TEST(Inflate, StreamsWholeAndDamaged)
{
    for (const StreamCase& test : STREAM_CASES) {
        Bytes out(3, 0xEE);
        const bool whole = Inflate(test.stream.data(), test.stream.size(), test.expectedSize, out);
        if (test.output) {
            EXPECT_TRUE(whole) << test.name;
            EXPECT_EQ(std::string(out.begin(), out.end()), test.output) << test.name;
        } else {
            EXPECT_FALSE(whole) << test.name;
            EXPECT_LE(out.size(), test.expectedSize) << test.name;
        }
    }
}

Bytes ReadPackage()
{
    Bytes zip;
    FILE* file = fopen(MORAVEL_PACKAGE32, "rb");
    if (file) {
        unsigned char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, file)) > 0)
            zip.insert(zip.end(), buffer, buffer + n);
        fclose(file);
    }
    return zip;
}

const char MODULE_ENTRY[] = "MoravelDocklet/MoravelDocklet.dll";

TEST(Package, DamagedModuleDataIsRefused)
{
    const Bytes zip = ReadPackage();
    if (zip.empty())
        GTEST_SKIP() << "skipped: " << MORAVEL_PACKAGE32 << " is not packed yet (./test packs the zips)";
    std::vector<ZipEntry> entries;
    ASSERT_TRUE(ReadZipDirectory(zip, entries)) << MORAVEL_PACKAGE32;
    const ZipEntry* module = nullptr;
    for (const ZipEntry& entry : entries)
        module = entry.name == MODULE_ENTRY ? &entry : module;
    ASSERT_NE(module, nullptr);
    ASSERT_EQ(module->method, ZIP_DEFLATED);

    Bytes data;
    std::string why;
    ASSERT_TRUE(ZipEntryData(zip, *module, data, why)) << why;
    const size_t start = module->localHeader + 30 + Read16(zip, module->localHeader + 26) + Read16(zip, module->localHeader + 28);

    // One flipped bit anywhere in the deflated data: first byte and a spread
    // after it. The last byte may end in spare bits after the end of the
    // stream, which are no data: all of its bits are flipped.
    const size_t last = module->compressedSize - 1;
    for (size_t offset = 0; offset < module->compressedSize; offset += module->compressedSize / 97 + 1) {
        for (size_t at : {offset, last}) {
            Bytes damaged = zip;
            damaged[start + at] ^= static_cast<unsigned char>(at == last ? 0xFF : 1 << at % 8);
            EXPECT_FALSE(ZipEntryData(damaged, *module, data, why)) << "bit flipped at byte " << at;
            EXPECT_TRUE(data.empty()) << "bit flipped at byte " << at;
        }
    }

    const struct {
        const char* name;
        void (*damage)(ZipEntry&);
    } directoryCases[] = {
        {"compressed size one short", [](ZipEntry& entry) { --entry.compressedSize; }},
        {"size one more", [](ZipEntry& entry) { ++entry.size; }},
        {"size far beyond the data", [](ZipEntry& entry) { entry.size = 0xFFFFFFFF; }},
        {"compressed size past the zip's end", [](ZipEntry& entry) { entry.compressedSize = 0xFFFFFFF0; }},
        {"CRC-32 off by one bit", [](ZipEntry& entry) { entry.crc ^= 1; }},
        {"method stored", [](ZipEntry& entry) { entry.method = ZIP_STORED; }},
        {"local header past the zip's end", [](ZipEntry& entry) { entry.localHeader = 0xFFFFFFF0; }},
    };
    for (const auto& test : directoryCases) {
        ZipEntry entry = *module;
        test.damage(entry);
        EXPECT_FALSE(ZipEntryData(zip, entry, data, why)) << test.name;
    }
}

} // namespace
