// Shared by the libFuzzer targets: a failed check aborts with its reason, and
// each run's files go to a scratch folder of the process.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

inline void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz round trip: %s\n", what);
    std::abort();
}

inline const std::string& scratch_folder() {
    static const std::string folder = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/mivrel-fuzz-XXXXXX";
        check(mkdtemp(&pattern[0]) != nullptr, "cannot make a scratch folder");
        return pattern;
    }();
    return folder;
}

inline std::string read_all(const std::string& path) {
    std::string bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        char block[4096];
        std::size_t got;
        while ((got = std::fread(block, 1, sizeof block, file)) > 0) bytes.append(block, got);
        std::fclose(file);
    }
    return bytes;
}

inline void write_all(const std::string& path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    check(file != nullptr, "cannot write the input");
    check(size == 0 || std::fwrite(data, 1, size, file) == size, "short input write");
    check(std::fclose(file) == 0, "input close failed");
}
