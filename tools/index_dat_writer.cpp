#include "tools/index_dat_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace zv::indexdat {

namespace {

constexpr std::size_t kBlockSize = 128;
constexpr std::size_t kRecordBase = 0x4000;    // first block of the record area
constexpr std::size_t kBitmapOffset = 0x250;   // one bit per block from kRecordBase on
constexpr std::size_t kDirectoryTable = 72;    // count, then 12-byte entries
constexpr std::size_t kHeaderData = 0x1cc;     // 32 values after the directory table
constexpr std::size_t kMaxDirectories = 32;
constexpr std::size_t kMaxBlocks = (kRecordBase - kBitmapOffset) * 8;
constexpr std::size_t kHashBlocks = 32;        // a HASH table is 4096 bytes
constexpr std::size_t kHashEntries = (kHashBlocks * kBlockSize - 16) / 8;
constexpr std::size_t kUrlHeaderSize = 0x68;   // the location follows at this offset
constexpr std::uint32_t kUnusedHash = 0x0badf00d;
// 2000-01-01 00:00 UTC as a FILETIME, and the same day as a FAT date and time.
constexpr std::uint64_t kFileTime = 125911584000000000ull;
// FAT date and time: the date in the low 16 bits, the time of day in the high ones.
constexpr std::uint32_t kFatDateTime = std::uint32_t((2000 - 1980) << 9 | 1 << 5 | 1);

void put32(std::string& b, std::size_t at, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xff);
}

void put64(std::string& b, std::size_t at, std::uint64_t v)
{
    put32(b, at, std::uint32_t(v & 0xffffffffu));
    put32(b, at + 4, std::uint32_t(v >> 32));
}

void putText(std::string& b, std::size_t at, const std::string& text)
{
    std::memcpy(&b[at], text.data(), text.size());
}

std::size_t roundUp(std::size_t v, std::size_t unit)
{
    return (v + unit - 1) / unit * unit;
}

// A hash value for the HASH table: any value whose low six bits are clear marks a
// valid URL record; readers only check the form, so a simple string hash serves.
std::uint32_t recordHash(const std::string& location, std::uint32_t offset)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : location)
        h = (h ^ c) * 16777619u;
    h &= ~0x3fu;
    if (h == offset || h == kUnusedHash)
        h ^= 0x40u;
    return h;
}

struct UrlLayout {
    std::size_t filenameOffset = 0;
    std::size_t dataOffset = 0;
    std::size_t blocks = 0;
};

UrlLayout layoutOf(const Record& r)
{
    UrlLayout l;
    std::size_t end = roundUp(kUrlHeaderSize + r.location.size() + 1, 8);
    if (!r.fileName.empty()) {
        l.filenameOffset = end;
        end += r.fileName.size() + 1;
    }
    if (!r.data.empty()) {
        l.dataOffset = end;
        end += r.data.size();
    }
    l.blocks = roundUp(end, kBlockSize) / kBlockSize;
    return l;
}

void writeUrlRecord(std::string& b, std::size_t at, const Record& r, const UrlLayout& l)
{
    putText(b, at, "URL ");
    put32(b, at + 4, std::uint32_t(l.blocks));
    put64(b, at + 8, kFileTime);  // secondary time: last modification
    put64(b, at + 16, kFileTime); // primary time: last access
    put32(b, at + 24, kFatDateTime + (1u << 9)); // expires a year later
    put64(b, at + 32, r.fileSize);
    put32(b, at + 44, (r.entryFlags & 0x4) ? 86400 : 0);
    put32(b, at + 48, 0x60);
    put32(b, at + 52, std::uint32_t(kUrlHeaderSize));
    b[at + 56] = char(r.directory);
    put32(b, at + 60, std::uint32_t(l.filenameOffset));
    put32(b, at + 64, r.entryFlags);
    put32(b, at + 68, std::uint32_t(l.dataOffset));
    put32(b, at + 72, std::uint32_t(r.data.size()));
    put32(b, at + 80, kFatDateTime);
    put32(b, at + 84, r.hits);
    put32(b, at + 92, kFatDateTime);
    putText(b, at + kUrlHeaderSize, r.location);
    if (l.filenameOffset)
        putText(b, at + l.filenameOffset, r.fileName);
    if (l.dataOffset)
        putText(b, at + l.dataOffset, r.data);
}

} // namespace

std::string build(const Content& content, std::string* error)
{
    const auto fail = [error](const char* why) {
        if (error)
            *error = why;
        return std::string();
    };
    if (content.directories.size() > kMaxDirectories)
        return fail("more than 32 cache directories");

    // Place the HASH tables and the records, block by block.
    struct Placed {
        std::size_t block;
        UrlLayout layout;
    };
    std::vector<Placed> placed;
    std::vector<std::size_t> hashTables{0};
    std::size_t cursor = kHashBlocks;
    std::size_t inTable = 0;
    for (const Record& r : content.records) {
        if (inTable == kHashEntries) {
            hashTables.push_back(cursor);
            cursor += kHashBlocks;
            inTable = 0;
        }
        const UrlLayout l = layoutOf(r);
        placed.push_back({cursor, l});
        cursor += l.blocks;
        ++inTable;
    }
    const std::size_t usedBlocks = cursor;
    const std::size_t numberOfBlocks = roundUp(usedBlocks, 8);
    if (numberOfBlocks > kMaxBlocks)
        return fail("the records need more blocks than the allocation bitmap covers");
    const std::size_t fileSize = kRecordBase + numberOfBlocks * kBlockSize;

    std::string b(fileSize, '\0');
    putText(b, 0, "Client UrlCache MMF Ver 5.2");
    put32(b, 28, std::uint32_t(fileSize));
    put32(b, 32, std::uint32_t(kRecordBase));
    put32(b, 36, std::uint32_t(numberOfBlocks));
    put32(b, 40, std::uint32_t(usedBlocks));
    put32(b, 48, 0x02000000); // cache size limit
    std::uint64_t cacheSize = 0;
    for (const Record& r : content.records)
        cacheSize += r.fileSize;
    put32(b, 56, std::uint32_t(cacheSize & 0xffffffffu));

    put32(b, kDirectoryTable, std::uint32_t(content.directories.size()));
    for (std::size_t d = 0; d < content.directories.size(); ++d) {
        std::uint32_t files = 0;
        for (const Record& r : content.records)
            files += (r.directory == d && !r.fileName.empty()) ? 1 : 0;
        const std::size_t at = kDirectoryTable + 4 + d * 12;
        put32(b, at, files);
        const std::string& name = content.directories[d];
        std::memcpy(&b[at + 4], name.data(), std::min<std::size_t>(name.size(), 8));
    }
    put32(b, kHeaderData, 0x0a);

    for (std::size_t i = 0; i < usedBlocks; ++i)
        b[kBitmapOffset + i / 8] = char(std::uint8_t(b[kBitmapOffset + i / 8]) | (1u << (i % 8)));

    // HASH tables: header, then (hash, record offset) pairs; unused pairs carry the
    // same value twice.
    for (std::size_t t = 0; t < hashTables.size(); ++t) {
        const std::size_t at = kRecordBase + hashTables[t] * kBlockSize;
        putText(b, at, "HASH");
        put32(b, at + 4, std::uint32_t(kHashBlocks));
        const std::size_t next = t + 1 < hashTables.size()
                                     ? kRecordBase + hashTables[t + 1] * kBlockSize
                                     : 0;
        put32(b, at + 8, std::uint32_t(next));
        put32(b, at + 12, std::uint32_t(t));
        for (std::size_t e = 0; e < kHashEntries; ++e) {
            put32(b, at + 16 + e * 8, kUnusedHash);
            put32(b, at + 20 + e * 8, kUnusedHash);
        }
    }
    for (std::size_t i = 0; i < placed.size(); ++i) {
        const std::size_t at = kRecordBase + placed[i].block * kBlockSize;
        writeUrlRecord(b, at, content.records[i], placed[i].layout);
        const std::size_t table = kRecordBase + hashTables[i / kHashEntries] * kBlockSize;
        const std::size_t slot = table + 16 + (i % kHashEntries) * 8;
        put32(b, slot, recordHash(content.records[i].location, std::uint32_t(at)));
        put32(b, slot + 4, std::uint32_t(at));
    }
    return b;
}

bool write(const std::string& path, const Content& content, std::string* error)
{
    const std::string bytes = build(content, error);
    if (bytes.empty())
        return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
        if (error)
            *error = "cannot write " + path;
        return false;
    }
    return true;
}

Content generated(int count)
{
    Content c;
    c.directories = {"Q1W2E3R4", "A5S6D7F8", "Z9X8C7V6", "P0O9I8U7"};
    c.records.reserve(std::size_t(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) {
        Record r;
        const std::string n = std::to_string(i);
        r.location = "http://www.site" + std::to_string(i % 211) + ".example.com/images/section"
                     + std::to_string(i % 17) + "/picture" + n + ".gif";
        r.fileName = "picture" + n + "[1].gif";
        r.directory = std::uint8_t(i % 4);
        r.data = "HTTP/1.1 200 OK\r\nContent-Type: image/gif\r\n\r\n~U:user\r\n";
        r.fileSize = 1000 + std::uint64_t(i % 5000);
        c.records.push_back(std::move(r));
    }
    return c;
}

} // namespace zv::indexdat
