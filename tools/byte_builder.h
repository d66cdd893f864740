// Builds binary files from readable pieces: four-character codes, little- and
// big-endian integers, raw bytes. Used by the sample generator, the tests,
// the benchmarks and the fuzzers' seed corpora.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

class Bytes {
public:
    Bytes& code(std::string_view fourcc) {  // exactly the bytes given
        data_.append(fourcc.data(), fourcc.size());
        return *this;
    }
    Bytes& le16(uint16_t v) { return raw({uint8_t(v), uint8_t(v >> 8)}); }
    Bytes& le32(uint32_t v) { return raw({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
    Bytes& be32(uint32_t v) { return raw({uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }
    Bytes& be64(uint64_t v) { return be32(uint32_t(v >> 32)).be32(uint32_t(v)); }
    Bytes& raw(std::initializer_list<uint8_t> bytes) {
        for (uint8_t b : bytes) data_.push_back(static_cast<char>(b));
        return *this;
    }
    Bytes& fill(size_t count, uint8_t value = 0) {
        data_.append(count, static_cast<char>(value));
        return *this;
    }
    Bytes& append(const Bytes& other) {
        data_.append(other.data_);
        return *this;
    }

    // A RIFF chunk: identifier, little-endian size of `body`, body, and the pad
    // byte when the size is odd.
    static Bytes Chunk(std::string_view id, const Bytes& body, bool pad = true) {
        Bytes b;
        b.code(id).le32(static_cast<uint32_t>(body.size())).append(body);
        if (pad && (body.size() & 1)) b.raw({0});
        return b;
    }
    // A RIFF LIST (or the RIFF header itself when id is "RIFF").
    static Bytes List(std::string_view type, const Bytes& children, std::string_view id = "LIST") {
        Bytes body;
        body.code(type).append(children);
        return Chunk(id, body, false);
    }
    // An atom: big-endian size including the 8-byte header, type, payload.
    static Bytes Atom(std::string_view type, const Bytes& payload) {
        Bytes b;
        b.be32(static_cast<uint32_t>(payload.size() + 8)).code(type).append(payload);
        return b;
    }

    // Writes the bytes to a file, replacing it; false when that fails.
    bool WriteTo(const std::string& path) const;

    const std::string& str() const { return data_; }
    const char* data() const { return data_.data(); }
    size_t size() const { return data_.size(); }

private:
    std::string data_;
};

// Writes bytes to a file, replacing it; false when that fails.
inline bool WriteFileBytes(const std::string& path, std::string_view bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline bool Bytes::WriteTo(const std::string& path) const { return WriteFileBytes(path, data_); }
