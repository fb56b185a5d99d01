// make-netscape-index: writes a Netscape Navigator 4 cache index ("fat.db") with the
// real Berkeley DB 1.85 hash access method (libdb1, loaded at run time), so the
// program's own reader is tested against files laid out by the genuine library.
//
//   make-netscape-index [--bsize N] OUT.db              entries from standard input
//   make-netscape-index [--bsize N] OUT.db --synthetic COUNT [--files DIR]
//
// Input lines: address TAB file-name TAB mime-type [TAB L1 TAB L2 TAB L3]. The optional
// numbers replace the length fields written for the three texts ("-" keeps the
// true length), which is how tests make entries with bad lengths.
// Synthetic entries are numbered addresses with cached file names "M%07X.gif";
// with --files the cached files are created (empty) in DIR.
//
// Records follow the Netscape 4 layout: key = 4-byte total size, 4-byte length of
// the address including its NUL, the address; value = 29 bytes, 4-byte length of
// the file name including its NUL, the file name, 33 bytes, 4-byte length of the
// MIME type, the MIME type. Numbers little-endian. Unused bytes carry a filler
// pattern so that a reader that reads at the wrong place sees nonsense.
#include <dlfcn.h>
#include <fcntl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace {

// The Berkeley DB 1.85 interface, as libdb1 exports it (it ships no header).
struct DBT {
    void* data;
    size_t size;
};
enum DBTYPE { DB_BTREE, DB_HASH, DB_RECNO };
struct DB {
    DBTYPE type;
    int (*close)(DB*);
    int (*del)(const DB*, const DBT*, unsigned);
    int (*get)(const DB*, const DBT*, DBT*, unsigned);
    int (*put)(const DB*, DBT*, const DBT*, unsigned);
    int (*seq)(const DB*, DBT*, DBT*, unsigned);
    int (*sync)(const DB*, unsigned);
    void* internal;
    int (*fd)(const DB*);
};
struct HASHINFO {
    unsigned bsize;
    unsigned ffactor;
    unsigned nelem;
    unsigned cachesize;
    uint32_t (*hash)(const void*, size_t);
    int lorder;
};
using DbOpen = DB* (*)(const char*, int, int, DBTYPE, const void*);

struct Entry {
    std::string address, fileName, mime;
    std::optional<uint32_t> l1, l2, l3;
};

void putLe32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(char((v >> (8 * i)) & 0xff));
}

std::string filler(size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s.push_back(char(0xA5 ^ i));
    return s;
}

std::string keyOf(const Entry& e)
{
    std::string key;
    const uint32_t len = uint32_t(e.address.size() + 1);
    putLe32(key, 8 + len);
    putLe32(key, e.l1.value_or(len));
    key += e.address;
    key.push_back('\0');
    return key;
}

std::string valueOf(const Entry& e)
{
    std::string v = filler(29);
    putLe32(v, e.l2.value_or(uint32_t(e.fileName.size() + 1)));
    v += e.fileName;
    v.push_back('\0');
    v += filler(33);
    putLe32(v, e.l3.value_or(uint32_t(e.mime.size() + 1)));
    v += e.mime;
    v.push_back('\0');
    return v;
}

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t tab = line.find('\t', start);
        parts.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos)
            return parts;
        start = tab + 1;
    }
}

std::optional<uint32_t> lengthField(const std::vector<std::string>& parts, size_t i)
{
    if (i >= parts.size() || parts[i].empty() || parts[i] == "-")
        return std::nullopt;
    return uint32_t(std::strtoul(parts[i].c_str(), nullptr, 0));
}

DbOpen loadDbOpen()
{
    for (const char* name : {"libdb1.so.2", "/lib/libdb1.so.2", "/lib/x86_64-linux-gnu/libdb1.so.2",
                             "/usr/lib/x86_64-linux-gnu/libdb1.so.2"}) {
        if (void* lib = dlopen(name, RTLD_NOW | RTLD_LOCAL)) {
            if (void* sym = dlsym(lib, "dbopen"))
                return reinterpret_cast<DbOpen>(sym);
        }
    }
    return nullptr;
}

int usage()
{
    std::fprintf(stderr, "usage: make-netscape-index [--bsize N] OUT.db [--synthetic COUNT [--files DIR]]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    unsigned bsize = 4096;
    std::string out, filesDir;
    long synthetic = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--bsize" && i + 1 < argc)
            bsize = unsigned(std::strtoul(argv[++i], nullptr, 0));
        else if (a == "--synthetic" && i + 1 < argc)
            synthetic = std::strtol(argv[++i], nullptr, 0);
        else if (a == "--files" && i + 1 < argc)
            filesDir = argv[++i];
        else if (out.empty() && !a.empty() && a[0] != '-')
            out = a;
        else
            return usage();
    }
    if (out.empty())
        return usage();

    std::vector<Entry> entries;
    if (synthetic >= 0) {
        for (long i = 0; i < synthetic; ++i) {
            char address[160], name[32];
            std::snprintf(address, sizeof address, "http://www.site%ld.example.com/gallery/%ld/img%06ld.gif",
                          i % 97, i % 13, i);
            std::snprintf(name, sizeof name, "M%07lX.gif", i);
            entries.push_back({address, name, "image/gif", {}, {}, {}});
        }
    } else {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            if (line.empty())
                continue;
            const auto parts = splitTabs(line);
            Entry e;
            e.address = parts[0];
            e.fileName = parts.size() > 1 ? parts[1] : "";
            e.mime = parts.size() > 2 ? parts[2] : "text/html";
            e.l1 = lengthField(parts, 3);
            e.l2 = lengthField(parts, 4);
            e.l3 = lengthField(parts, 5);
            entries.push_back(e);
        }
    }

    const DbOpen dbopen = loadDbOpen();
    if (!dbopen) {
        std::fprintf(stderr, "make-netscape-index: libdb1 (package libdb1-compat) not found: %s\n", dlerror());
        return 1;
    }
    HASHINFO info{};
    info.bsize = bsize;
    std::remove(out.c_str());
    DB* db = dbopen(out.c_str(), O_CREAT | O_RDWR | O_TRUNC, 0644, DB_HASH, &info);
    if (!db) {
        std::fprintf(stderr, "make-netscape-index: cannot create %s: %s\n", out.c_str(), std::strerror(errno));
        return 1;
    }
    for (const Entry& e : entries) {
        std::string k = keyOf(e), v = valueOf(e);
        DBT key{k.data(), k.size()};
        DBT value{v.data(), v.size()};
        if (db->put(db, &key, &value, 0) != 0) {
            std::fprintf(stderr, "make-netscape-index: cannot add %s\n", e.address.c_str());
            db->close(db);
            return 1;
        }
    }
    if (db->close(db) != 0) {
        std::fprintf(stderr, "make-netscape-index: cannot write %s\n", out.c_str());
        return 1;
    }
    if (!filesDir.empty()) {
        for (const Entry& e : entries) {
            const std::string path = filesDir + "/" + e.fileName;
            if (FILE* f = std::fopen(path.c_str(), "wb"))
                std::fclose(f);
        }
    }
    return 0;
}
