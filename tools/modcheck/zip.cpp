#include "zip.h"

#include <algorithm>

uint32_t Crc32(const Bytes& bytes)
{
    uint32_t crc = 0xFFFFFFFF;
    for (unsigned char byte : bytes) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

// The end record is the last 22 bytes, before a comment of at most 64 KiB.
bool ReadZipDirectory(const Bytes& zip, std::vector<ZipEntry>& entries)
{
    if (zip.size() < 22)
        return false;
    size_t end = zip.size() - 22;
    size_t first = end > 0xFFFF ? end - 0xFFFF : 0;
    while (Read32(zip, end) != 0x06054B50) {
        if (end == first)
            return false;
        --end;
    }
    uint16_t count = Read16(zip, end + 10);
    size_t at = Read32(zip, end + 16);
    for (uint16_t i = 0; i < count; ++i) {
        if (Read32(zip, at) != 0x02014B50)
            return false;
        ZipEntry entry;
        entry.method = Read16(zip, at + 10);
        entry.crc = Read32(zip, at + 16);
        entry.compressedSize = Read32(zip, at + 20);
        entry.size = Read32(zip, at + 24);
        entry.localHeader = Read32(zip, at + 42);
        size_t nameLength = Read16(zip, at + 28);
        if (at + 46 + nameLength > zip.size())
            return false;
        entry.name.assign(zip.begin() + at + 46, zip.begin() + at + 46 + nameLength);
        entries.push_back(entry);
        at += 46 + nameLength + Read16(zip, at + 30) + Read16(zip, at + 32);
    }
    return true;
}

namespace {

// The stream's bits, each byte's lowest bit first.
class BitReader {
public:
    BitReader(const unsigned char* data, size_t size) : data_(data), size_(size) {}

    // `count` bits (at most 16) as a number, the first bit read the lowest;
    // false past the end of the data.
    bool Bits(int count, uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            if (byte_ >= size_)
                return false;
            value |= static_cast<uint32_t>(data_[byte_] >> bit_ & 1) << i;
            if (++bit_ == 8) {
                bit_ = 0;
                ++byte_;
            }
        }
        return true;
    }

    void SkipToByte()
    {
        if (bit_) {
            bit_ = 0;
            ++byte_;
        }
    }

    // Whole bytes, for a stored block; call after SkipToByte.
    bool Copy(size_t count, Bytes& out)
    {
        if (count > size_ - byte_)
            return false;
        out.insert(out.end(), data_ + byte_, data_ + byte_ + count);
        byte_ += count;
        return true;
    }

    // Bytes begun so far, a partly read last byte counted.
    size_t Used() const { return byte_ + (bit_ ? 1 : 0); }

private:
    const unsigned char* data_;
    size_t size_;
    size_t byte_ = 0;
    int bit_ = 0;
};

const int MAX_CODE_BITS = 15;

// A canonical Huffman code given by the code length of each symbol (0: the
// symbol is unused): how many codes each length has, and the symbols in the
// order of their codes (shorter codes first, then by symbol).
struct HuffmanCode {
    uint16_t perLength[MAX_CODE_BITS + 1] = {};
    std::vector<uint16_t> symbols;
};

// False when the lengths ask for more codes than their bits can number. A set
// that leaves codes unused is accepted: meeting an unused code fails the decode.
bool MakeCode(const uint8_t* lengths, size_t count, HuffmanCode& code)
{
    code = HuffmanCode();
    for (size_t symbol = 0; symbol < count; ++symbol)
        ++code.perLength[lengths[symbol]];
    code.perLength[0] = 0;
    int32_t unused = 1;
    for (int length = 1; length <= MAX_CODE_BITS; ++length) {
        unused = unused * 2 - code.perLength[length];
        if (unused < 0)
            return false;
    }
    for (int length = 1; length <= MAX_CODE_BITS; ++length) {
        for (size_t symbol = 0; symbol < count; ++symbol) {
            if (lengths[symbol] == length)
                code.symbols.push_back(static_cast<uint16_t>(symbol));
        }
    }
    return true;
}

// A code's bits come most significant first. The codes of one length are
// consecutive numbers, starting where the shorter codes' range ends, doubled.
bool ReadSymbol(BitReader& in, const HuffmanCode& code, int& symbol)
{
    int32_t value = 0, firstOfLength = 0;
    size_t index = 0; // of the first code of this length in `symbols`
    for (int length = 1; length <= MAX_CODE_BITS; ++length) {
        uint32_t bit;
        if (!in.Bits(1, bit))
            return false;
        value = value << 1 | static_cast<int32_t>(bit);
        const int32_t count = code.perLength[length];
        if (value >= firstOfLength && value - firstOfLength < count) {
            symbol = code.symbols[index + static_cast<size_t>(value - firstOfLength)];
            return true;
        }
        index += static_cast<size_t>(count);
        firstOfLength = (firstOfLength + count) << 1;
    }
    return false;
}

// Symbols 257-285 of the literal/length code and 0-29 of the distance code:
// the smallest length or distance each stands for, and how many extra bits
// follow to add to it.
const uint16_t LENGTH_BASE[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t LENGTH_EXTRA[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t DISTANCE_BASE[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t DISTANCE_EXTRA[30] = {0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

const int END_OF_BLOCK = 256, LITERAL_SYMBOLS = 286, DISTANCE_SYMBOLS = 30;

// One Huffman-coded block, up to its end-of-block symbol.
bool InflateBlock(BitReader& in, const HuffmanCode& literals, const HuffmanCode& distances, size_t expectedSize, Bytes& out)
{
    for (;;) {
        int symbol;
        if (!ReadSymbol(in, literals, symbol))
            return false;
        if (symbol < END_OF_BLOCK) {
            if (out.size() >= expectedSize)
                return false;
            out.push_back(static_cast<unsigned char>(symbol));
            continue;
        }
        if (symbol == END_OF_BLOCK)
            return true;
        if (symbol >= LITERAL_SYMBOLS)
            return false;
        uint32_t extra;
        if (!in.Bits(LENGTH_EXTRA[symbol - 257], extra))
            return false;
        const size_t length = LENGTH_BASE[symbol - 257] + extra;
        int distanceSymbol;
        if (!ReadSymbol(in, distances, distanceSymbol) || distanceSymbol >= DISTANCE_SYMBOLS)
            return false;
        if (!in.Bits(DISTANCE_EXTRA[distanceSymbol], extra))
            return false;
        const size_t distance = DISTANCE_BASE[distanceSymbol] + extra;
        // Only this entry's own output can be referred to.
        if (distance > out.size() || length > expectedSize - out.size())
            return false;
        // The copy may overlap what it writes, so byte by byte.
        for (size_t i = 0; i < length; ++i)
            out.push_back(out[out.size() - distance]);
    }
}

void FixedCodes(HuffmanCode& literals, HuffmanCode& distances)
{
    uint8_t lengths[288];
    std::fill(lengths, lengths + 144, 8);
    std::fill(lengths + 144, lengths + 256, 9);
    std::fill(lengths + 256, lengths + 280, 7);
    std::fill(lengths + 280, lengths + 288, 8);
    MakeCode(lengths, 288, literals);
    // Codes 30 and 31 are left unused, so meeting one fails the decode.
    std::fill(lengths, lengths + DISTANCE_SYMBOLS, 5);
    MakeCode(lengths, DISTANCE_SYMBOLS, distances);
}

// The two codes of a dynamic block, themselves sent as code lengths coded
// with a third code.
bool ReadDynamicCodes(BitReader& in, HuffmanCode& literals, HuffmanCode& distances)
{
    uint32_t literalCount, distanceCount, lengthCodeCount;
    if (!in.Bits(5, literalCount) || !in.Bits(5, distanceCount) || !in.Bits(4, lengthCodeCount))
        return false;
    literalCount += 257;
    distanceCount += 1;
    lengthCodeCount += 4;
    if (literalCount > LITERAL_SYMBOLS || distanceCount > DISTANCE_SYMBOLS)
        return false;

    static const uint8_t LENGTH_CODE_ORDER[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t lengths[LITERAL_SYMBOLS + DISTANCE_SYMBOLS] = {};
    for (uint32_t i = 0; i < lengthCodeCount; ++i) {
        uint32_t length;
        if (!in.Bits(3, length))
            return false;
        lengths[LENGTH_CODE_ORDER[i]] = static_cast<uint8_t>(length);
    }
    HuffmanCode lengthCode;
    if (!MakeCode(lengths, 19, lengthCode))
        return false;

    const uint32_t total = literalCount + distanceCount;
    for (uint32_t at = 0; at < total;) {
        int symbol;
        if (!ReadSymbol(in, lengthCode, symbol))
            return false;
        if (symbol < 16) {
            lengths[at++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t repeated = 0;
        uint32_t times;
        if (symbol == 16) {
            if (at == 0 || !in.Bits(2, times))
                return false;
            repeated = lengths[at - 1];
            times += 3;
        } else if (symbol == 17) {
            if (!in.Bits(3, times))
                return false;
            times += 3;
        } else {
            if (!in.Bits(7, times))
                return false;
            times += 11;
        }
        if (times > total - at)
            return false;
        std::fill(lengths + at, lengths + at + times, repeated);
        at += times;
    }
    // A block without an end-of-block code could never end.
    if (lengths[END_OF_BLOCK] == 0)
        return false;
    return MakeCode(lengths, literalCount, literals) && MakeCode(lengths + literalCount, distanceCount, distances);
}

} // namespace

bool Inflate(const unsigned char* data, size_t size, size_t expectedSize, Bytes& out)
{
    out.clear();
    // A damaged directory may claim any size; the output grows as it is made.
    out.reserve(std::min<size_t>(expectedSize, 64u << 20));
    BitReader in(data, size);
    HuffmanCode literals, distances;
    for (bool last = false; !last;) {
        uint32_t header;
        if (!in.Bits(3, header))
            return false;
        last = header & 1;
        switch (header >> 1) {
        case 0: {
            in.SkipToByte();
            uint32_t length, complement;
            if (!in.Bits(16, length) || !in.Bits(16, complement) || (length ^ 0xFFFF) != complement)
                return false;
            if (length > expectedSize - out.size() || !in.Copy(length, out))
                return false;
            break;
        }
        case 1:
            FixedCodes(literals, distances);
            if (!InflateBlock(in, literals, distances, expectedSize, out))
                return false;
            break;
        case 2:
            if (!ReadDynamicCodes(in, literals, distances) || !InflateBlock(in, literals, distances, expectedSize, out))
                return false;
            break;
        default:
            return false;
        }
    }
    return in.Used() == size && out.size() == expectedSize;
}

bool ZipEntryData(const Bytes& zip, const ZipEntry& entry, Bytes& data, std::string& why)
{
    data.clear();
    const size_t local = entry.localHeader;
    if (zip.size() < 30 || local > zip.size() - 30 || Read32(zip, local) != 0x04034B50) {
        why = "its local header is missing";
        return false;
    }
    if (Read16(zip, local + 6) & 1) {
        why = "it is encrypted";
        return false;
    }
    if (Read16(zip, local + 8) != entry.method) {
        why = "its local header and the central directory name different methods";
        return false;
    }
    const size_t start = local + 30 + Read16(zip, local + 26) + Read16(zip, local + 28);
    if (start > zip.size() || entry.compressedSize > zip.size() - start) {
        why = "its data runs past the end of the zip";
        return false;
    }
    const unsigned char* packed = zip.data() + start;
    if (entry.method == ZIP_STORED) {
        if (entry.compressedSize != entry.size) {
            why = "it is stored, but its two sizes differ";
            return false;
        }
        data.assign(packed, packed + entry.size);
    } else if (entry.method == ZIP_DEFLATED) {
        if (!Inflate(packed, entry.compressedSize, entry.size, data)) {
            data.clear();
            why = "its deflated data is damaged or not of the size the directory gives";
            return false;
        }
    } else {
        why = "it is compressed by method " + std::to_string(entry.method) + ", neither stored nor deflated";
        return false;
    }
    if (Crc32(data) != entry.crc) {
        data.clear();
        why = "its CRC-32 does not match the central directory's";
        return false;
    }
    return true;
}
