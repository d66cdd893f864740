// Draws the programs' artwork and writes it into a directory:
//   viewer.ico     the program icon, 32x32 and 16x16 at 16 colours each
//   viewer-32.png, viewer-16.png   the same images for desktop icon themes
//   about.bmp      the About box picture, 74x100 at 8 bits per pixel
// Usage: make-artwork DIRECTORY. The output is the same on every run; the
// files in res/art are its output, and a test compares them with it.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
void Put32BE(Bytes& b, uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) b.push_back(static_cast<uint8_t>(v >> s));
}

struct Rgb {
    uint8_t r, g, b;
};

// The 16 colours of the standard VGA palette, in their usual order.
const std::array<Rgb, 16> kVga = {{{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                   {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                   {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                                   {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}}};
enum : uint8_t { Black = 0, Navy = 4, Teal = 6, Silver = 7, Gray = 8, Red = 9, Lime = 10, Yellow = 11, Blue = 12,
                 Cyan = 14, White = 15 };
constexpr int kClear = -1;  // a transparent pixel

// A picture of palette indices, kClear where transparent.
struct Canvas {
    int w, h;
    std::vector<int> px;
    Canvas(int width, int height) : w(width), h(height), px(static_cast<size_t>(width * height), kClear) {}
    int& at(int x, int y) { return px[static_cast<size_t>(y * w + x)]; }
    int at(int x, int y) const { return px[static_cast<size_t>(y * w + x)]; }
    void Fill(int x0, int y0, int x1, int y1, int c) {  // inclusive corners
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (x >= 0 && y >= 0 && x < w && y < h) at(x, y) = c;
    }
    void Box(int x0, int y0, int x1, int y1, int fill, int frame) {
        Fill(x0, y0, x1, y1, frame);
        Fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, fill);
    }
};

// The icon: a dark tile holding a chunk tree, a root block with three
// children joined by tree lines, the children in the colours of three
// kinds of chunk. `s` is 2 for the 32x32 image and 1 for the 16x16 one.
Canvas DrawIcon(int s) {
    const int n = 16 * s;
    Canvas c(n, n);
    // The tile, its corners cut off (transparent) and a black frame.
    c.Box(0, 0, n - 1, n - 1, Navy, Black);
    const int cut = s == 2 ? 2 : 1;
    for (int i = 0; i < cut; ++i)
        for (int j = 0; j < cut - i; ++j) {
            c.at(i, j) = c.at(n - 1 - i, j) = c.at(i, n - 1 - j) = c.at(n - 1 - i, n - 1 - j) = kClear;
        }
    if (s == 2) {
        c.at(2, 1) = c.at(1, 2) = c.at(29, 1) = c.at(30, 2) = Black;
        c.at(1, 29) = c.at(2, 30) = c.at(30, 29) = c.at(29, 30) = Black;
    }
    if (s == 2) {
        c.Box(4, 4, 17, 9, Yellow, Black);    // root
        c.Fill(7, 10, 7, 26, White);          // trunk
        const int rows[3] = {13, 19, 25};
        const int fills[3] = {Cyan, Lime, Red};
        const int ends[3] = {27, 22, 25};
        for (int i = 0; i < 3; ++i) {
            c.Fill(8, rows[i], 11, rows[i], White);
            c.Box(12, rows[i] - 2, ends[i], rows[i] + 2, fills[i], Black);
            c.Fill(14, rows[i], ends[i] - 2, rows[i], i == 2 ? Yellow : Blue);  // the chunk's label
        }
    } else {
        c.Box(2, 2, 9, 5, Yellow, Black);
        c.Fill(3, 6, 3, 13, White);
        const int rows[3] = {7, 10, 13};
        const int fills[3] = {Cyan, Lime, Red};
        const int ends[3] = {13, 11, 12};
        for (int i = 0; i < 3; ++i) {
            c.Fill(4, rows[i], 5, rows[i], White);
            c.Fill(6, rows[i] - 1, ends[i], rows[i] + 1, fills[i]);
        }
    }
    return c;
}

// Icon image in the icon file's format: BITMAPINFOHEADER (height doubled),
// 16-colour table, 4-bit XOR bitmap, 1-bit AND mask, rows from the bottom.
Bytes IconImage(const Canvas& c) {
    Bytes b;
    const uint32_t xorStride = ((static_cast<uint32_t>(c.w) * 4 + 31) / 32) * 4;
    const uint32_t andStride = ((static_cast<uint32_t>(c.w) + 31) / 32) * 4;
    Put32(b, 40);
    Put32(b, static_cast<uint32_t>(c.w));
    Put32(b, static_cast<uint32_t>(c.h * 2));
    Put16(b, 1);
    Put16(b, 4);
    Put32(b, 0);
    Put32(b, (xorStride + andStride) * static_cast<uint32_t>(c.h));
    for (int i = 0; i < 4; ++i) Put32(b, 0);
    for (const Rgb& p : kVga) {
        b.push_back(p.b);
        b.push_back(p.g);
        b.push_back(p.r);
        b.push_back(0);
    }
    for (int y = c.h - 1; y >= 0; --y) {
        Bytes row(xorStride, 0);
        for (int x = 0; x < c.w; ++x) {
            const int v = c.at(x, y) == kClear ? Black : c.at(x, y);
            row[static_cast<size_t>(x / 2)] |= static_cast<uint8_t>(x % 2 ? v : v << 4);
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    for (int y = c.h - 1; y >= 0; --y) {
        Bytes row(andStride, 0);
        for (int x = 0; x < c.w; ++x)
            if (c.at(x, y) == kClear) row[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes IconFile(const std::vector<Canvas>& images) {
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);
    Put16(b, static_cast<uint32_t>(images.size()));
    std::vector<Bytes> data;
    for (const Canvas& c : images) data.push_back(IconImage(c));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        b.push_back(static_cast<uint8_t>(images[i].w));
        b.push_back(static_cast<uint8_t>(images[i].h));
        b.push_back(16);  // colours
        b.push_back(0);
        Put16(b, 1);  // planes
        Put16(b, 4);  // bits per pixel
        Put32(b, static_cast<uint32_t>(data[i].size()));
        Put32(b, offset);
        offset += static_cast<uint32_t>(data[i].size());
    }
    for (const Bytes& d : data) b.insert(b.end(), d.begin(), d.end());
    return b;
}

// ---- PNG, written with stored (uncompressed) deflate blocks ----------------

uint32_t Crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; ++i) {
        crc ^= p[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void Chunk(Bytes& png, const char* type, const Bytes& data) {
    Put32BE(png, static_cast<uint32_t>(data.size()));
    Bytes body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    Put32BE(png, Crc32(body.data(), body.size()));
}

Bytes Png(const Canvas& c) {
    Bytes raw;  // filter byte 0, then RGBA
    for (int y = 0; y < c.h; ++y) {
        raw.push_back(0);
        for (int x = 0; x < c.w; ++x) {
            const int v = c.at(x, y);
            const Rgb p = v == kClear ? Rgb{0, 0, 0} : kVga[static_cast<size_t>(v)];
            raw.insert(raw.end(), {p.r, p.g, p.b, static_cast<uint8_t>(v == kClear ? 0 : 255)});
        }
    }
    Bytes z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        const size_t len = std::min<size_t>(65535, raw.size() - at);
        z.push_back(at + len == raw.size() ? 1 : 0);
        Put16(z, static_cast<uint32_t>(len));
        Put16(z, static_cast<uint32_t>(~len & 0xFFFF));
        z.insert(z.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + len));
        if (at + len == raw.size()) break;
    }
    uint32_t a = 1, b = 0;
    for (uint8_t v : raw) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    Put32BE(z, (b << 16) | a);

    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Bytes ihdr;
    Put32BE(ihdr, static_cast<uint32_t>(c.w));
    Put32BE(ihdr, static_cast<uint32_t>(c.h));
    ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, no filter choice, no interlace
    Chunk(png, "IHDR", ihdr);
    Chunk(png, "IDAT", z);
    Chunk(png, "IEND", {});
    return png;
}

// ---- The About picture ---------------------------------------------------

// 74x100 at 8 bits: a blue gradient, the icon drawn twice its size, and
// under it a file's byte layout as a bar of chunks. Palette: 0..99 the
// gradient, 240..255 the 16 icon colours.
Bytes AboutBitmap() {
    constexpr int W = 74, H = 100;
    std::vector<int> px(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) px[static_cast<size_t>(y * W + x)] = y;  // gradient row
    auto set = [&](int x, int y, int vga) { px[static_cast<size_t>(y * W + x)] = 240 + vga; };
    const Canvas icon = DrawIcon(2);
    const int ox = 5, oy = 6;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            if (icon.at(x, y) != kClear)
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx) set(ox + 2 * x + dx, oy + 2 * y + dy, icon.at(x, y));
    // The byte layout: header, then chunks of three kinds, framed in black.
    const int y0 = 80, y1 = 91;
    const struct {
        int x0, x1, c;
    } parts[] = {{5, 12, Yellow}, {13, 30, Cyan}, {31, 52, Lime}, {53, 60, Red}, {61, 68, Lime}};
    for (int x = 4; x <= 69; ++x) set(x, y0 - 1, Black), set(x, y1 + 1, Black);
    for (int y = y0 - 1; y <= y1 + 1; ++y) set(4, y, Black), set(69, y, Black);
    for (const auto& p : parts) {
        for (int y = y0; y <= y1; ++y)
            for (int x = p.x0; x <= p.x1; ++x) set(x, y, x == p.x1 && p.x1 != 68 ? Black : p.c);
    }

    Bytes b;
    const uint32_t stride = (W + 3) / 4 * 4;
    const uint32_t offset = 14 + 40 + 256 * 4;
    b.push_back('B');
    b.push_back('M');
    Put32(b, offset + stride * H);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, W);
    Put32(b, H);
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, 0);
    Put32(b, stride * H);
    Put32(b, 2835);  // 72 dpi
    Put32(b, 2835);
    Put32(b, 256);
    Put32(b, 0);
    for (int i = 0; i < 256; ++i) {
        Rgb p{0, 0, 0};
        if (i < H) {  // from deep blue at the top to a pale blue at the bottom
            p = Rgb{static_cast<uint8_t>(16 + i * 150 / H), static_cast<uint8_t>(40 + i * 160 / H),
                    static_cast<uint8_t>(110 + i * 140 / H)};
        } else if (i >= 240) {
            p = kVga[static_cast<size_t>(i - 240)];
        }
        b.insert(b.end(), {p.b, p.g, p.r, 0});
    }
    for (int y = H - 1; y >= 0; --y) {
        for (int x = 0; x < W; ++x) b.push_back(static_cast<uint8_t>(px[static_cast<size_t>(y * W + x)]));
        for (uint32_t x = W; x < stride; ++x) b.push_back(0);
    }
    return b;
}

bool Write(const std::string& path, const Bytes& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    if (!out) std::fprintf(stderr, "make-artwork: cannot write %s\n", path.c_str());
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-artwork DIRECTORY\n");
        return 2;
    }
    const std::string dir = argv[1];
    const Canvas big = DrawIcon(2);
    const Canvas small = DrawIcon(1);
    const bool ok = Write(dir + "/viewer.ico", IconFile({big, small})) && Write(dir + "/viewer-32.png", Png(big)) &&
                    Write(dir + "/viewer-16.png", Png(small)) && Write(dir + "/about.bmp", AboutBitmap());
    return ok ? 0 : 1;
}
