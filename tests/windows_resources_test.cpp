// The resources windres compiles from a program's script, as Windows finds
// them in the program: dialogs 100 and 102, string 101, icon group 128,
// bitmap 129 and the version information, all in Chinese (PRC). Built once
// per program; PROGRAM names it ("Tarnwick" or "Quellby").
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "resource.h"
#include "utf16.h"
#include "viewer_version.h"

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
