// The resources windres compiles from a program's script, as Windows finds
// them in the program: dialogs 100 and 102, string 101, icon group 128,
// bitmap 129 and the version information, all in Chinese (PRC); and the
// dialog templates control by control as the resource converter's table of
// the same script has them, which is what the Linux build shows. Built once
// per program; PROGRAM names it ("Tarnwick" or "Quellby").
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "resource.h"
#include "utf16.h"
#include "viewer_version.h"

// dlgtemplate.h declares the framework's own MulDiv, which <windows.h>
// declares as well; nothing here calls it, so it goes by another name.
#define MulDiv ConverterMulDiv
#include "dlgtemplate.h"
#undef MulDiv

namespace {

// The converter's table of this program's script, linked in beside
// windres's resources; it registers itself before main().
const ResourceTable* convertedTable = nullptr;

}  // namespace

void AfxRegisterResources(const ResourceTable* table) { convertedTable = table; }

namespace {

constexpr WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 0x0804

std::string Utf8(const wchar_t* text, size_t length) {
    return viewer::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

// The bytes of resource `id` of `type` in Chinese (PRC), or an empty view.
std::string_view Resource(WORD id, const wchar_t* type) {
    HRSRC found = FindResourceExW(nullptr, type, MAKEINTRESOURCEW(id), kChinesePrc);
    if (!found) return {};
    const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return {data, SizeofResource(nullptr, found)};
}

TEST(WindowsResources, DialogsStringIconAndBitmapAreThere) {
    EXPECT_FALSE(Resource(IDD_ABOUTBOX, RT_DIALOG).empty());
    EXPECT_FALSE(Resource(IDD_VIEWER_DIALOG, RT_DIALOG).empty());
    EXPECT_FALSE(Resource(IDR_MAINFRAME, RT_GROUP_ICON).empty());

    wchar_t text[64];
    const int n = LoadStringW(nullptr, IDS_ABOUTBOX, text, 64);
    EXPECT_EQ(Utf8(text, static_cast<size_t>(n)), "关于 " PROGRAM "(&A)...");

    // The About picture: 74 x 100 pixels, 8 bits per pixel.
    const std::string_view bitmap = Resource(IDB_ABOUT, RT_BITMAP);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    std::memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 74);
    EXPECT_EQ(header.biHeight, 100);
    EXPECT_EQ(header.biBitCount, 8);

    // Both icon images, 32 and 16 pixels, load from the group.
    for (int size : {32, 16}) {
        HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(icon);
    }
}

TEST(WindowsResources, DialogTemplatesKeepCaptionAndSize) {
    // The main dialog is a DIALOGEX: its header is DLGTEMPLATEEX.
    const std::string_view main = Resource(IDD_VIEWER_DIALOG, RT_DIALOG);
    ASSERT_GE(main.size(), 26u);
    WORD words[13];
    std::memcpy(words, main.data(), sizeof words);
    EXPECT_EQ(words[0], 1);       // dlgVer
    EXPECT_EQ(words[1], 0xFFFF);  // signature
    EXPECT_EQ(words[8], 6);       // cDlgItems
    EXPECT_EQ(words[11], 251);    // cx
    EXPECT_EQ(words[12], 335);    // cy
    // menu and class are empty (one zero word each); the caption follows.
    const auto* caption = reinterpret_cast<const wchar_t*>(main.data() + 26 + 4);
    EXPECT_EQ(Utf8(caption, wcslen(caption)), PROGRAM " V" VIEWER_VERSION_SHORT_TEXT);
}

// A dialog or one of its controls in the converter's terms: the class by
// name in lower case (a template names the predefined classes by atoms
// 0x80 to 0x85, and window classes are named in any case), the text in
// UTF-8 or the number of the resource it names; place and size in dialog
// units.
struct Item {
    std::string className;
    std::string text;
    int imageId = 0;
    int id = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct Dialog {
    bool extended = false;
    Item frame;  // the dialog's own class, caption, styles, place and size
    int pointSize = 0;
    int weight = 0;
    bool italic = false;
    std::string faceName;
    std::vector<Item> items;
};

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

std::string Describe(const Item& item) {
    char numbers[128];
    std::snprintf(numbers, sizeof numbers, " image %d id %d style 0x%08X exstyle 0x%08X at %d,%d size %dx%d",
                  item.imageId, item.id, static_cast<unsigned>(item.style), static_cast<unsigned>(item.exStyle), item.x,
                  item.y, item.cx, item.cy);
    return Lower(item.className) + " \"" + item.text + "\"" + numbers;
}

Item Converted(const DlgItemTemplate& c) {
    return {c.className, c.text, c.imageId, c.id, c.style, c.exStyle, c.x, c.y, c.cx, c.cy};
}

// Reads a DLGTEMPLATE or DLGTEMPLATEEX (and the items after it) as the
// system's dialog manager does; any read past the end makes ok() false.
class TemplateReader {
public:
    explicit TemplateReader(std::string_view bytes) : bytes_(bytes) {}
    bool ok() const { return ok_; }

    Dialog Read() {
        Dialog d;
        Item& f = d.frame;
        size_t count = 0;
        d.extended = Peek32() == 0xFFFF0001u;  // dlgVer 1, signature 0xFFFF
        if (d.extended) {
            Dword();  // dlgVer, signature
            Dword();  // help id
            f.exStyle = Dword();
            f.style = Dword();
        } else {
            f.style = Dword();
            f.exStyle = Dword();
        }
        count = Word();
        Place(f);
        std::string menu;
        int menuId = 0;
        NameOrNumber(menu, menuId);
        NameOrNumber(f.className, f.imageId);
        f.text = Text();
        if (f.style & DS_SETFONT) {
            d.pointSize = Word();
            if (d.extended) {
                d.weight = Word();
                d.italic = Byte() != 0;
                Byte();  // charset
            }
            d.faceName = Text();
        }
        for (size_t i = 0; i < count && ok_; ++i) d.items.push_back(Control(d.extended));
        return d;
    }

private:
    Item Control(bool extended) {
        Item c;
        Align();
        if (extended) {
            Dword();  // help id
            c.exStyle = Dword();
            c.style = Dword();
            Place(c);
            c.id = static_cast<int32_t>(Dword());
        } else {
            c.style = Dword();
            c.exStyle = Dword();
            Place(c);
            c.id = static_cast<int16_t>(Word());
        }
        int atom = 0;
        NameOrNumber(c.className, atom);
        if (atom) {
            static const char* const kPredefined[] = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
            c.className = atom >= 0x80 && atom <= 0x85 ? kPredefined[atom - 0x80] : "atom " + std::to_string(atom);
        }
        NameOrNumber(c.text, c.imageId);
        Skip(Word());  // creation data
        return c;
    }

    void Place(Item& item) {
        item.x = static_cast<int16_t>(Word());
        item.y = static_cast<int16_t>(Word());
        item.cx = static_cast<int16_t>(Word());
        item.cy = static_cast<int16_t>(Word());
    }

    // A name or a number: 0xFFFF and the number, or a zero-ended string
    // (empty: neither).
    void NameOrNumber(std::string& name, int& number) {
        if (Peek16() == 0xFFFF) {
            Word();
            number = Word();
        } else {
            name = Text();
        }
    }

    std::string Text() {
        std::u16string text;
        while (ok_) {
            const char16_t c = static_cast<char16_t>(Word());
            if (c == 0) break;
            text += c;
        }
        return viewer::Utf16ToUtf8(text);
    }

    uint32_t Peek32() const {
        uint32_t v = 0;
        if (bytes_.size() - at_ >= 4) std::memcpy(&v, bytes_.data() + at_, 4);
        return v;
    }
    uint16_t Peek16() const {
        uint16_t v = 0;
        if (bytes_.size() - at_ >= 2) std::memcpy(&v, bytes_.data() + at_, 2);
        return v;
    }
    uint32_t Dword() {
        uint32_t v = 0;
        Copy(&v, sizeof v);
        return v;
    }
    uint16_t Word() {
        uint16_t v = 0;
        Copy(&v, sizeof v);
        return v;
    }
    uint8_t Byte() {
        uint8_t v = 0;
        Copy(&v, sizeof v);
        return v;
    }
    void Copy(void* out, size_t n) {
        if (Take(n)) std::memcpy(out, bytes_.data() + at_ - n, n);
    }
    void Skip(size_t n) { Take(n); }
    void Align() { Take((4 - at_ % 4) % 4); }
    bool Take(size_t n) {
        if (!ok_ || n > bytes_.size() - at_) return ok_ = false;
        at_ += n;
        return true;
    }

    std::string_view bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

// Both dialogs as windres compiled them hold what the converter's table
// holds: the dialog's styles, place, caption and font, and every control's
// class, text, id, styles, place and size, in the same order.
TEST(WindowsResources, DialogTemplatesAreTheConvertersTables) {
    ASSERT_NE(convertedTable, nullptr);
    ASSERT_EQ(convertedTable->dialogCount, 2u);
    for (size_t n = 0; n < convertedTable->dialogCount; ++n) {
        const DlgTemplate& want = convertedTable->dialogs[n];
        SCOPED_TRACE("dialog " + std::to_string(want.id));
        EXPECT_EQ(want.language, kChinesePrc);
        const std::string_view bytes = Resource(static_cast<WORD>(want.id), RT_DIALOG);
        ASSERT_FALSE(bytes.empty());
        TemplateReader reader(bytes);
        const Dialog got = reader.Read();
        ASSERT_TRUE(reader.ok());

        EXPECT_EQ(got.extended, want.extended);
        EXPECT_EQ(Describe(got.frame), Describe({"", want.caption, 0, 0, want.style, want.exStyle, want.x, want.y,
                                                 want.cx, want.cy}));
        EXPECT_EQ(got.pointSize, want.pointSize);
        EXPECT_EQ(got.weight, want.weight);
        EXPECT_EQ(got.italic, want.italic);
        EXPECT_EQ(got.faceName, want.faceName);
        ASSERT_EQ(got.items.size(), want.itemCount);
        for (size_t i = 0; i < want.itemCount; ++i)
            EXPECT_EQ(Describe(got.items[i]), Describe(Converted(want.items[i]))) << "control " << i;
    }
}

TEST(WindowsResources, VersionInformationOfTheProgram) {
    wchar_t path[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, path, MAX_PATH), 0u);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(path, 0, size, block.data()));

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);  // 1.0
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);  // .0.1
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));

    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length));
    EXPECT_EQ(translation[0], kChinesePrc);
    EXPECT_EQ(translation[1], 1200);

    auto value = [&](const wchar_t* key) {
        wchar_t* text = nullptr;
        UINT chars = 0;
        const std::wstring query = std::wstring(L"\\StringFileInfo\\080404B0\\") + key;
        if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&text), &chars)) return std::string("?");
        return Utf8(text, wcslen(text));
    };
    EXPECT_EQ(value(L"FileVersion"), VIEWER_VERSION_RC_TEXT);
    EXPECT_EQ(value(L"ProductVersion"), VIEWER_VERSION_RC_TEXT);
    EXPECT_EQ(value(L"InternalName"), PROGRAM);
    EXPECT_EQ(value(L"OriginalFilename"), PROGRAM ".EXE");
    EXPECT_EQ(value(L"ProductName"), PROGRAM " 应用程序");
    EXPECT_EQ(value(L"FileDescription"), PROGRAM " 基础类应用程序");
}

}  // namespace
