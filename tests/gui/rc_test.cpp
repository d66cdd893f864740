// The resource converter: scripts it must refuse, with file and line.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "rc_parser.h"

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
        {"unsupported resource", std::string(kHeader) + "\n128 ICON \"x.ico\"\n",
         "test.rc:5: error: resource type 'ICON' is not supported"},
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

}  // namespace
