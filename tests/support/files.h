// Files for the tests: a temporary folder removed afterwards, and whole-file reads and writes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

inline std::string read_file(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

inline std::string write_file(const fs::path &path, const std::string &bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

struct TempFolder {
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "lumbrix-test-XXXXXX").string();
        dir = mkdtemp(pattern.data());
    }
    ~TempFolder() { fs::remove_all(dir); }
    TempFolder(const TempFolder &) = delete; // two would remove one folder
    TempFolder &operator=(const TempFolder &) = delete;

    std::string path(const std::string &name) const { return (dir / name).string(); }
    std::string write(const std::string &name, const std::string &bytes) const {
        return write_file(dir / name, bytes);
    }
    std::string read(const std::string &name) const { return read_file(dir / name); }

    fs::path dir;
};
