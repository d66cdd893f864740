// Reader of Windows resource scripts (.rc) as far as the programs use them:
// the preprocessor lines of such scripts (#include of headers with #define,
// #ifdef and friends, #pragma code_page(65001)), LANGUAGE, DIALOG and
// DIALOGEX templates with CONTROL and the usual control statements,
// STRINGTABLE, ICON and BITMAP (the file they name is read, relative to the
// script that names it, and checked), and VERSIONINFO. Anything else is an
// error that names the file and line.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

struct RcError : std::runtime_error {
    RcError(const std::string& inFile, int atLine, const std::string& message)
        : std::runtime_error(inFile + ":" + std::to_string(atLine) + ": error: " + message),
          file(inFile),
          line(atLine) {}
    std::string file;
    int line;
};

struct RcControl {
    std::string className;  // "button", "edit", "static", or as written in CONTROL
    std::string text;
    int imageId = 0;  // text given as a resource number instead of a string
    int id = 0;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
};

struct RcDialog {
    int id = 0;
    bool extended = false;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    int pointSize = 0;
    int weight = 0;
    bool italic = false;
    std::string faceName;
    uint16_t language = 0;
    std::vector<RcControl> controls;
};

struct RcString {
    unsigned id = 0;
    uint16_t language = 0;
    std::string text;
};

// An ICON or BITMAP statement with the contents of its file.
struct RcFile {
    unsigned id = 0;
    uint16_t language = 0;
    std::string path;  // as found, relative to the script naming it
    std::vector<uint8_t> data;
};

struct RcVersionBlock {
    std::string name;  // e.g. "080404B0"
    std::vector<std::pair<std::string, std::string>> values;
};

struct RcVersion {
    unsigned id = 0;
    uint16_t language = 0;
    uint32_t fileVersion[2] = {0, 0};  // MS, LS
    uint32_t productVersion[2] = {0, 0};
    uint32_t fileFlagsMask = 0, fileFlags = 0, fileOS = 0, fileType = 0, fileSubtype = 0;
    std::vector<RcVersionBlock> blocks;
    std::vector<std::pair<uint16_t, uint16_t>> translations;  // language, code page
};

struct ResourceScript {
    std::vector<RcDialog> dialogs;
    std::vector<RcString> strings;
    std::vector<RcFile> icons;
    std::vector<RcFile> bitmaps;
    std::vector<RcVersion> versions;
    std::vector<std::string> files;  // every file read besides the script: includes, icons, bitmaps
};

// Reads the script at `path`; #include names are looked up beside the
// including file, then in `includeDirs` in order (as with -I).
ResourceScript ParseResourceFile(const std::string& path, const std::vector<std::string>& includeDirs = {});
// Reads script text; `name` is used in messages, `directory` for #include.
ResourceScript ParseResourceText(const std::string& text, const std::string& name, const std::string& directory,
                                 const std::vector<std::string>& includeDirs = {});

// C++ source of a ResourceTable named after `scriptName` that registers
// itself; with a `moduleFunction`, also a function of that name that gives
// the table as the program's resource module (HINSTANCE).
std::string GenerateResourceSource(const ResourceScript& script, const std::string& scriptName,
                                   const std::string& moduleFunction = {});
// A make rule naming every file `output` was made from, for the build's dependency scan.
std::string GenerateDependencyRule(const ResourceScript& script, const std::string& scriptPath, const std::string& output);
