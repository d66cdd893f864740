// The resource converter: scripts it must refuse, with file and line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>

#include <filesystem>
#include <vector>

#include "afxwin.h"
#include "dib.h"
#include "rc_parser.h"
#include "resource.h"
#include "viewer_version.h"

namespace {

const char* kHeader = "#pragma code_page(65001)\n#define IDD_X 102\n#define IDC_A 1000\n";

// The error for a script, or "" when it was read.
std::string ErrorOf(const std::string& text) {
    try {
        ParseResourceText(text, "test.rc", ".");
        return "";
    } catch (const RcError& e) {
        return e.what();
    }
}

TEST(ResourceConverter, ReadsDialogsStringsAndDefaults) {
    const ResourceScript s = ParseResourceText(std::string(kHeader) +
                                                   "LANGUAGE LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED\n"
                                                   "IDD_X DIALOG DISCARDABLE 1, 2, 30, 40\n"
                                                   "STYLE WS_POPUP | WS_SYSMENU\n"
                                                   "CAPTION \"关于 \"\"X\"\"\"\n"
                                                   "FONT 9, \"宋体\"\n"
                                                   "{\n"
                                                   "  DEFPUSHBUTTON \"确定\", IDOK, 1, 2, 3, 4, WS_GROUP\n"
                                                   "  LTEXT \"a&b\", -1, 5, 6, 7, 8, SS_NOPREFIX | NOT WS_GROUP\n"
                                                   "  CONTROL \"\", IDC_A, BUTTON, BS_GROUPBOX, 0, 0, 1, 1 // tail\n"
                                                   "}\n"
                                                   "/* a\n comment */ STRINGTABLE\nBEGIN\n 101 \"关于 X(&A)...\"\n 7, \"b\"\nEND\n",
                                               "t.rc", ".");
    ASSERT_EQ(s.dialogs.size(), 1u);
    const RcDialog& d = s.dialogs[0];
    EXPECT_EQ(d.id, 102);
    EXPECT_FALSE(d.extended);
    EXPECT_EQ(d.style, 0x80000000u | 0x00080000u | 0x00C00000u | 0x40u);  // CAPTION and FONT add their bits
    EXPECT_EQ(d.caption, "关于 \"X\"");
    EXPECT_EQ(d.language, 0x0804);
    ASSERT_EQ(d.controls.size(), 3u);
    EXPECT_EQ(d.controls[0].style, 0x50000000u | 0x1u | 0x10000u | 0x20000u);
    EXPECT_EQ(d.controls[1].style, 0x50000000u | 0x80u);  // NOT removed LTEXT's WS_GROUP
    EXPECT_EQ(d.controls[2].className, "button");
    ASSERT_EQ(s.strings.size(), 2u);
    EXPECT_EQ(s.strings[0].id, 101u);
    EXPECT_EQ(s.strings[0].text, "关于 X(&A)...");
}

TEST(ResourceConverter, RefusesBrokenScriptsWithFileAndLine) {
    const std::string dialogHead = std::string(kHeader) + "IDD_X DIALOGEX 0, 0, 10, 10\nBEGIN\n";  // lines 1-5
    struct Case {
        const char* what;
        std::string text;
        std::string expected;
    };
    const Case cases[] = {
        {"missing END", dialogHead + "  PUSHBUTTON \"a\", 1, 0, 0, 1, 1\n", "test.rc:6: error: END expected"},
        {"unknown control class", dialogHead + "  CONTROL \"\", 1, Spinner, 0, 0, 0, 1, 1\nEND\n",
         "test.rc:6: error: unknown control class 'Spinner'"},
        {"bad number", dialogHead + "  PUSHBUTTON \"a\", 1, 0, 12x, 1, 1\nEND\n", "test.rc:6: error: bad number '12x'"},
        {"unknown name", dialogHead + "  PUSHBUTTON \"a\", IDC_NOWHERE, 0, 0, 1, 1\nEND\n",
         "test.rc:6: error: unknown name 'IDC_NOWHERE'"},
        {"unsupported statement", dialogHead + "  SCROLLBAR 1, 0, 0, 1, 1\nEND\n",
         "test.rc:6: error: control statement 'SCROLLBAR' is not supported"},
        {"unsupported resource", std::string(kHeader) + "\n128 MENU\nBEGIN\nEND\n",
         "test.rc:5: error: resource type 'MENU' is not supported"},
        {"missing icon file", std::string(kHeader) + "128 ICON \"nowhere.ico\"\n",
         "test.rc:4: error: cannot open icon file 'nowhere.ico'"},
        {"version block not closed",
         std::string(kHeader) + "1 VERSIONINFO\nFILEVERSION 1,0,0,1\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n"
                                "  BLOCK \"080404B0\"\n  BEGIN\n   VALUE \"A\", \"b\"\n",
         "test.rc:11: error: END expected: block 080404B0 is not closed"},
        {"version part too big", std::string(kHeader) + "1 VERSIONINFO\nFILEVERSION 1,0,70000,1\nBEGIN\nEND\n",
         "test.rc:5: error: a version part lies outside 0..65535"},
        {"unknown version block", std::string(kHeader) + "1 VERSIONINFO\nBEGIN\n BLOCK \"Other\"\n",
         "test.rc:6: error: unknown version block 'Other'"},
        {"block not named by language", std::string(kHeader) + "1 VERSIONINFO\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n  BLOCK \"zh\"\n",
         "test.rc:8: error: a string block is named by 8 hex digits"},
        {"missing comma", dialogHead + "  PUSHBUTTON \"a\" 1, 0, 0, 1, 1\nEND\n", "test.rc:6: error: ',' expected"},
        {"open string", dialogHead + "  PUSHBUTTON \"a, 1, 0, 0, 1, 1\nEND\n", "test.rc:6: error: string not closed"},
        {"other code page", "#pragma code_page(936)\n", "test.rc:1: error: only code page 65001"},
        {"open #if", "#ifdef X\n", "test.rc:1: error: #if without #endif"},
        {"missing include", "\n#include \"nowhere.h\"\n", "test.rc:2: error: cannot open include file 'nowhere.h'"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.text);
        EXPECT_EQ(error.rfind(c.expected, 0), 0u) << c.what << ": got \"" << error << "\"";
    }
}

TEST(ResourceConverter, TheToolFailsTheBuildWithFileAndLine) {
    const std::string dir = ::testing::TempDir();
    const std::string script = dir + "/broken.rc";
    const std::string output = dir + "/broken_out.cpp";
    const std::string log = dir + "/broken.log";
    std::remove(output.c_str());
    std::ofstream(script) << "#pragma code_page(65001)\n100 DIALOGEX 0, 0, 10, 10\nBEGIN\n  LTEXT \"x\", -1, 0, 0, 1, 1x\nEND\n";
    const std::string command = std::string(RCCONV_PATH) + " " + script + " " + output + " 2> " + log;
    const int status = std::system(command.c_str());
    EXPECT_NE(status, 0);
    std::ifstream in(log);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().rfind(script + ":4: error: ", 0), 0u) << text.str();
    EXPECT_FALSE(std::ifstream(output).good()) << "no output is left behind";
}


std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

const RcDialog* FindDialog(const ResourceScript& s, int id) {
    for (const RcDialog& d : s.dialogs)
        if (d.id == id) return &d;
    return nullptr;
}

// Both programs' scripts: the same identifiers and layout, each program's own texts.
TEST(ResourceConverter, ReadsBothProgramsScripts) {
    struct Program {
        const char* script;
        const char* name;
    };
    for (const Program p : {Program{"tarnwick.rc", "Tarnwick"}, Program{"quellby.rc", "Quellby"}}) {
        SCOPED_TRACE(p.script);
        const std::string name = p.name;
        const ResourceScript s = ParseResourceFile(std::string(RES_DIR) + "/" + p.script, {VERSION_INCLUDE_DIR});

        ASSERT_EQ(s.dialogs.size(), 2u);
        ASSERT_NE(FindDialog(s, IDD_VIEWER_DIALOG), nullptr);
        EXPECT_EQ(FindDialog(s, IDD_VIEWER_DIALOG)->caption, name + " V" VIEWER_VERSION_SHORT_TEXT);
        const RcDialog* about = FindDialog(s, IDD_ABOUTBOX);
        ASSERT_NE(about, nullptr);
        EXPECT_FALSE(about->extended);
        EXPECT_EQ(about->caption, "关于 " + name);
        EXPECT_EQ(about->style, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT);
        EXPECT_EQ((std::vector<int>{about->x, about->y, about->cx, about->cy}), (std::vector<int>{0, 0, 235, 86}));
        EXPECT_EQ(about->pointSize, 9);
        EXPECT_EQ(about->faceName, "宋体");
        ASSERT_EQ(about->controls.size(), 4u);
        EXPECT_EQ(about->controls[0].text, name + " 1.0 版");
        EXPECT_EQ(about->controls[3].className, "Static");
        EXPECT_EQ(about->controls[3].imageId, IDB_ABOUT);
        EXPECT_EQ(about->controls[3].text, "");

        ASSERT_EQ(s.strings.size(), 1u) << "the string table holds the About entry alone";
        EXPECT_EQ(s.strings[0].id, unsigned{IDS_ABOUTBOX});
        EXPECT_EQ(s.strings[0].text, "关于 " + name + "(&A)...");

        // The icon group: 32x32 and 16x16 at 16 colours; the picture 74x100 at 8 bits.
        ASSERT_EQ(s.icons.size(), 1u);
        EXPECT_EQ(s.icons[0].id, unsigned{IDR_MAINFRAME});
        std::vector<IconFileEntry> entries;
        std::string error;
        ASSERT_TRUE(ReadIconDirectory(s.icons[0].data.data(), s.icons[0].data.size(), &entries, &error)) << error;
        ASSERT_EQ(entries.size(), 2u);
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(entries[i].width, i == 0 ? 32 : 16);
            EXPECT_EQ(entries[i].height, entries[i].width);
            EXPECT_EQ(entries[i].colorCount, 16);
            EXPECT_EQ(entries[i].bitCount, 4);
            DibInfo info;
            ASSERT_TRUE(ReadDibInfo(s.icons[0].data.data() + entries[i].offset, entries[i].size, true, &info, &error));
            EXPECT_EQ(info.bitCount, 4);
        }
        ASSERT_EQ(s.bitmaps.size(), 1u);
        EXPECT_EQ(s.bitmaps[0].id, unsigned{IDB_ABOUT});
        DibInfo bmp;
        ASSERT_TRUE(ReadDibInfo(s.bitmaps[0].data.data() + 14, s.bitmaps[0].data.size() - 14, false, &bmp, &error));
        EXPECT_EQ((std::vector<int>{bmp.width, bmp.height, bmp.bitCount}), (std::vector<int>{74, 100, 8}));

        ASSERT_EQ(s.versions.size(), 1u);
        const RcVersion& v = s.versions[0];
        EXPECT_EQ(v.id, 1u);
        EXPECT_EQ(v.fileVersion[0], 0x00010000u);
        EXPECT_EQ(v.fileVersion[1], 0x00000001u);
        EXPECT_EQ(v.productVersion[0], 0x00010000u);
        EXPECT_EQ(v.productVersion[1], 0x00000001u);
        EXPECT_EQ(v.fileFlagsMask, 0x3Fu);
        EXPECT_EQ(v.fileFlags, 0u);
        EXPECT_EQ(v.fileOS, 0x4u);    // 32-bit Windows
        EXPECT_EQ(v.fileType, 0x1u);  // application
        ASSERT_EQ(v.blocks.size(), 1u);
        EXPECT_EQ(v.blocks[0].name, "080404B0");
        std::map<std::string, std::string> values(v.blocks[0].values.begin(), v.blocks[0].values.end());
        EXPECT_EQ(values.size(), 8u);
        EXPECT_EQ(values["FileVersion"], VIEWER_VERSION_RC_TEXT);
        EXPECT_EQ(values["ProductVersion"], VIEWER_VERSION_RC_TEXT);
        EXPECT_EQ(values["InternalName"], name);
        EXPECT_EQ(values["ProductName"], name + " 应用程序");
        EXPECT_EQ(values["OriginalFilename"], name + ".EXE");
        EXPECT_EQ(values["FileDescription"].rfind(name + " ", 0), 0u);
        EXPECT_EQ(values["CompanyName"], "");
        EXPECT_EQ(values["LegalTrademarks"], "");
        EXPECT_EQ(v.translations, (std::vector<std::pair<uint16_t, uint16_t>>{{0x0804, 1200}}));

        for (const RcDialog& d : s.dialogs) EXPECT_EQ(d.language, 0x0804);
        EXPECT_EQ(s.icons[0].language, 0x0804);
        EXPECT_EQ(v.language, 0x0804);
    }
}

// Image files are found beside the script that names them, also when that
// script is included from elsewhere; they are checked at build time, and
// the dependency rule names them.
TEST(ResourceConverter, ImageFilesAreReadRelativeToTheirScriptAndChecked) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "rc_images";
    fs::remove_all(dir);
    fs::create_directories(dir / "shared" / "art");
    fs::copy_file(fs::path(RES_DIR) / "art" / "viewer.ico", dir / "shared" / "art" / "good.ico");
    fs::copy_file(fs::path(RES_DIR) / "art" / "about.bmp", dir / "shared" / "art" / "good.bmp");
    std::ofstream(dir / "shared" / "art" / "bad.ico") << "BM this is no icon";
    std::vector<uint8_t> cut = ReadBytes(RES_DIR "/art/about.bmp");
    cut.resize(cut.size() - 10);
    std::ofstream(dir / "shared" / "art" / "cut.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(cut.data()), static_cast<std::streamsize>(cut.size()));

    std::ofstream(dir / "shared" / "images.rc") << "#pragma code_page(65001)\n"
                                                   "128 ICON \"art/good.ico\"\n"
                                                   "129 BITMAP DISCARDABLE \"art/good.bmp\"\n";
    std::ofstream(dir / "main.rc") << "#pragma code_page(65001)\n#include \"shared/images.rc\"\n";
    const ResourceScript s = ParseResourceFile((dir / "main.rc").string());
    ASSERT_EQ(s.icons.size(), 1u);
    ASSERT_EQ(s.bitmaps.size(), 1u);
    EXPECT_EQ(s.icons[0].data, ReadBytes(RES_DIR "/art/viewer.ico"));
    const std::string rule = GenerateDependencyRule(s, (dir / "main.rc").string(), "out.cpp");
    for (const char* part : {"out.cpp:", "main.rc", "shared/images.rc", "shared/art/good.ico", "shared/art/good.bmp"})
        EXPECT_NE(rule.find(part), std::string::npos) << part << " in " << rule;

    struct Case {
        const char* statement;
        const char* expected;
    };
    const Case cases[] = {
        {"128 ICON \"art/bad.ico\"", "images.rc:2: error: icon file 'art/bad.ico': not an icon file"},
        {"128 ICON \"art/good.bmp\"", "images.rc:2: error: icon file 'art/good.bmp': not an icon file"},
        {"129 BITMAP \"art/good.ico\"", "images.rc:2: error: bitmap file 'art/good.ico': not a bitmap file"},
        {"129 BITMAP \"art/cut.bmp\"", "images.rc:2: error: bitmap file 'art/cut.bmp': the pixel data is cut short"},
        {"129 BITMAP \"good.bmp\"", "images.rc:2: error: cannot open bitmap file 'good.bmp'"},
        {"\"NAMED\" ICON \"art/good.ico\"", "images.rc:2: error: icons need a numeric identifier"},
    };
    for (const Case& c : cases) {
        std::ofstream(dir / "shared" / "images.rc") << "#pragma code_page(65001)\n" << c.statement << "\n";
        std::string error;
        try {
            ParseResourceFile((dir / "main.rc").string());
        } catch (const RcError& e) {
            error = e.what();
        }
        const std::string where = (dir / "shared").string() + "/";
        EXPECT_EQ(error.rfind(where + c.expected, 0), 0u) << c.statement << ": got \"" << error << "\"";
    }
}

// Names #defined as strings stand for them and strings in a row are joined,
// as windres reads them; an #include is found beside the including file
// before the -I folders, in their order.
TEST(ResourceConverter, StringNamesJoinAndIncludeFolders) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "rc_include_dirs";
    fs::remove_all(dir);
    for (const char* sub : {"script", "first", "second"}) fs::create_directories(dir / sub);
    std::ofstream(dir / "second" / "v.h") << "#define SHORT \"9.9\"\n";
    std::ofstream(dir / "first" / "v.h") << "#define SHORT \"2.5\"\n#define MAJOR 2\n#define RCVER \"2, \" \"5\"\n";
    std::ofstream(dir / "script" / "main.rc")
        << "#pragma code_page(65001)\n#include \"v.h\"\n#define IDS_A 101\n#define IDS_B 102\n"
           "STRINGTABLE\nBEGIN\n IDS_A \"V\" SHORT\n IDS_B \"x\" \"y\"\nEND\n"
           "1 VERSIONINFO\nFILEVERSION MAJOR,5,0,0\nBEGIN\n BLOCK \"StringFileInfo\"\n BEGIN\n"
           "  BLOCK \"080404B0\"\n  BEGIN\n   VALUE \"FileVersion\", RCVER\n  END\n END\nEND\n";
    const std::string script = (dir / "script" / "main.rc").string();
    const ResourceScript s = ParseResourceFile(script, {(dir / "first").string(), (dir / "second").string()});
    ASSERT_EQ(s.strings.size(), 2u);
    EXPECT_EQ(s.strings[0].text, "V2.5");
    EXPECT_EQ(s.strings[1].text, "xy");
    ASSERT_EQ(s.versions.size(), 1u);
    EXPECT_EQ(s.versions[0].fileVersion[0], 0x00020005u);
    ASSERT_EQ(s.versions[0].blocks.size(), 1u);
    EXPECT_EQ(s.versions[0].blocks[0].values.at(0).second, "2, 5");
    EXPECT_EQ(s.files.at(0), (dir / "first" / "v.h").string());

    std::ofstream(dir / "script" / "v.h") << "#define SHORT \"1.0\"\n#define MAJOR 1\n#define RCVER SHORT\n";
    const ResourceScript own = ParseResourceFile(script, {(dir / "first").string()});
    EXPECT_EQ(own.strings.at(0).text, "V1.0");  // the test's own v.h, not the programs' version
    EXPECT_EQ(own.versions.at(0).blocks.at(0).values.at(0).second, "1.0");

    // A name that is a number is no string.
    EXPECT_EQ(ErrorOf(std::string(kHeader) + "STRINGTABLE\nBEGIN\n 7 IDC_A\nEND\n"),
              "test.rc:6: error: a string expected (a string in quotes)");
}

// The committed artwork is what the generator draws.
TEST(Artwork, CommittedFilesAreTheGeneratorsOutput) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / "artwork";
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_EQ(std::system((std::string(MAKE_ARTWORK_PATH) + " " + dir.string()).c_str()), 0);
    for (const char* name : {"viewer.ico", "viewer-32.png", "viewer-16.png", "about.bmp"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> drawn = ReadBytes((dir / name).string());
        EXPECT_FALSE(drawn.empty());
        EXPECT_TRUE(drawn == ReadBytes(std::string(RES_DIR) + "/art/" + name))
            << "run the artwork target and commit res/art";
    }
}

}  // namespace
