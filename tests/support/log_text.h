// Reading what the server's log keeper wrote, for tests that check log lines.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace trelon::test {

// Every log file of a folder, one after another.
inline std::string ReadLogFolder(const std::filesystem::path& dir) {
    std::string all;
    if (!std::filesystem::exists(dir)) return all;
    for (const auto& f : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(f.path(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        all += ss.str();
    }
    return all;
}

inline int CountOccurrences(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
}

}  // namespace trelon::test
