// Small builders for RIFF files in tests: chunks written as readable code.
#pragma once

#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <string>

namespace riff {

inline std::string Le32(uint32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
}

// A chunk: code, declared size of the payload, payload.
inline std::string Chunk(const std::string& code, const std::string& payload) {
    return code + Le32(static_cast<uint32_t>(payload.size())) + payload;
}

inline std::string Join(std::initializer_list<std::string> parts) {
    std::string s;
    for (const auto& p : parts) s += p;
    return s;
}

inline std::string List(const std::string& type, std::initializer_list<std::string> children) {
    return Chunk("LIST", type + Join(children));
}

inline std::string Riff(const std::string& form, std::initializer_list<std::string> children) {
    return Chunk("RIFF", form + Join(children));
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace riff
