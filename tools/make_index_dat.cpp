// make-index-dat: writes an Internet Explorer cache index ("index.dat") from a short
// description, for tests, benchmarks and trying the cache reader by hand.
//
//   make-index-dat OUTPUT [DESCRIPTION]     (no DESCRIPTION or "-": read standard input)
//   make-index-dat OUTPUT --generate N      N ordinary entries over four directories
//
// Description lines, fields separated by tabs, "#" starts a comment line:
//   dir      NAME
//   entry    LOCATION  DIRECTORY  FILENAME  [FLAGS]  [DATA]
// DIRECTORY is the index in the dir lines (255: none); FLAGS the record's cache entry
// flags (decimal or 0x hex, default 1); DATA the response headers, with \r \n \t \\.
#include "tools/index_dat_writer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> splitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    std::istringstream in(line);
    while (std::getline(in, field, '\t'))
        fields.push_back(field);
    return fields;
}

std::string unescape(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\' || i + 1 == s.size()) {
            out += s[i];
            continue;
        }
        const char c = s[++i];
        out += c == 'r' ? '\r' : c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

bool parse(std::istream& in, zv::indexdat::Content& content, std::string& error)
{
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#')
            continue;
        const auto f = splitTabs(line);
        if (f[0] == "dir" && f.size() == 2) {
            content.directories.push_back(f[1]);
        } else if (f[0] == "entry" && f.size() >= 4 && f.size() <= 6) {
            zv::indexdat::Record r;
            r.location = f[1];
            r.directory = std::uint8_t(std::strtoul(f[2].c_str(), nullptr, 10));
            r.fileName = f[3];
            if (f.size() >= 5)
                r.entryFlags = std::uint32_t(std::strtoul(f[4].c_str(), nullptr, 0));
            if (f.size() == 6)
                r.data = unescape(f[5]);
            content.records.push_back(std::move(r));
        } else {
            error = "line " + std::to_string(number) + ": not a dir or entry line";
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::cerr << "usage: make-index-dat OUTPUT [DESCRIPTION | --generate N]\n";
        return 2;
    }
    const std::string output = argv[1];
    zv::indexdat::Content content;
    std::string error;
    if (argc == 4 && std::string(argv[2]) == "--generate") {
        content = zv::indexdat::generated(std::atoi(argv[3]));
    } else if (argc == 3 && std::string(argv[2]) != "-") {
        std::ifstream in(argv[2]);
        if (!in) {
            std::cerr << "make-index-dat: cannot read " << argv[2] << "\n";
            return 1;
        }
        if (!parse(in, content, error)) {
            std::cerr << "make-index-dat: " << argv[2] << ": " << error << "\n";
            return 1;
        }
    } else if (argc <= 3) {
        if (!parse(std::cin, content, error)) {
            std::cerr << "make-index-dat: standard input: " << error << "\n";
            return 1;
        }
    } else {
        std::cerr << "usage: make-index-dat OUTPUT [DESCRIPTION | --generate N]\n";
        return 2;
    }
    if (!zv::indexdat::write(output, content, &error)) {
        std::cerr << "make-index-dat: " << output << ": " << error << "\n";
        return 1;
    }
    return 0;
}
