#pragma once
// Writes Internet Explorer cache indexes ("index.dat", MSIE Cache File version 5.2) for
// tests, benchmarks and the make-index-dat command: the file header with its cache
// directory table and allocation bitmap, HASH tables, and one "URL " record per entry,
// in the order given. Plain C++ so that fuzz and benchmark programs can use it too.
#include <cstdint>
#include <string>
#include <vector>

namespace zv::indexdat {

inline constexpr std::uint8_t kNoDirectory = 0xff;

struct Record {
    std::string location;             // the address, or "Cookie:user@host/", "Visited: ..."
    std::string fileName;             // cached file inside its directory; empty for none
    std::uint8_t directory = 0;       // index into the directory table; kNoDirectory for none
    std::string data;                 // response headers kept with the entry
    std::uint32_t entryFlags = 1;     // the record's cache entry flags
    std::uint64_t fileSize = 0;
    std::uint32_t hits = 1;
};

struct Content {
    std::vector<std::string> directories; // cache directory names, at most 8 characters
    std::vector<Record> records;
};

// The bytes of an index file holding `content`; empty with a reason in `error` when it
// cannot be written in this format (too many directories or too many blocks).
std::string build(const Content& content, std::string* error = nullptr);
// Builds and writes the file; false with a reason in `error`.
bool write(const std::string& path, const Content& content, std::string* error = nullptr);

// `count` ordinary cache entries spread over four directories, with addresses of a
// realistic length and a short header block: the benchmark's and make-index-dat's
// generated cache.
Content generated(int count);

} // namespace zv::indexdat
