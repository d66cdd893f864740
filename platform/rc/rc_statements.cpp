// The statement parser's top level: LANGUAGE, STRINGTABLE, the resource
// statements (nameID TYPE ...) with ICON and BITMAP, and the reading of the
// values every statement is made of. Dialogs are in rc_dialog.cpp, version
// information in rc_version.cpp.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "dib.h"
#include "rc_internal.h"

namespace rc {
namespace {

// Memory options of old scripts; accepted and ignored.
const std::set<std::string> kMemoryOptions = {"DISCARDABLE", "MOVEABLE", "FIXED", "PRELOAD",
                                              "LOADONCALL",  "PURE",     "IMPURE", "SHARED", "NONSHARED"};

}  // namespace

void StatementParser::Parse() {
    while (!in_.AtEnd()) {
        const Token& t = in_.Next("a statement");
        if (t.kind == Tok::Ident && t.text == "LANGUAGE") {
            language_ = Language();
        } else if (t.kind == Tok::Ident && t.text == "STRINGTABLE") {
            StringTable();
        } else if (t.kind == Tok::Number || t.kind == Tok::Ident || t.kind == Tok::String) {
            Resource(t);
        } else {
            throw RcError(t.file, t.line, "unexpected '" + t.text + "'");
        }
    }
}

// nameID TYPE ...: the statement of one resource, its name already read.
void StatementParser::Resource(const Token& nameTok) {
    const Token& type = in_.Next("a resource type");
    if (type.kind == Tok::Ident && (type.text == "DIALOG" || type.text == "DIALOGEX")) {
        if (nameTok.kind == Tok::String) throw RcError(nameTok.file, nameTok.line, "dialogs need a numeric identifier");
        Dialog(nameTok, type.text == "DIALOGEX");
    } else if (type.kind == Tok::Ident && (type.text == "ICON" || type.text == "BITMAP")) {
        FileStatement(nameTok, type.text == "ICON");
    } else if (type.kind == Tok::Ident && type.text == "VERSIONINFO") {
        VersionInfo(nameTok);
    } else {
        throw RcError(type.file, type.line, "resource type '" + type.text + "' is not supported");
    }
}

// LANGUAGE lang, sublang: the language identifier sublang << 10 | lang.
uint16_t StatementParser::Language() {
    const int lang = Int();
    in_.Comma();
    const int sub = Int();
    return static_cast<uint16_t>((sub << 10) | (lang & 0x3FF));
}

void StatementParser::SkipMemoryOptions() {
    while (!in_.AtEnd() && in_.Peek().kind == Tok::Ident && kMemoryOptions.count(in_.Peek().text)) in_.Skip();
}

void StatementParser::StringTable() {
    SkipMemoryOptions();
    uint16_t lang = language_;
    while (!in_.PeekBegin()) {
        if (in_.PeekIdent("LANGUAGE")) {
            in_.Skip();
            lang = Language();
        } else if (in_.PeekIdent("CHARACTERISTICS") || in_.PeekIdent("VERSION")) {
            in_.Skip();
            Int();
        } else {
            in_.Fail("BEGIN expected" + in_.Near());
        }
    }
    in_.Skip();
    while (!in_.PeekEnd()) {
        if (in_.AtEnd()) in_.Fail("END expected: the string table is not closed");
        const Token& at = in_.Peek();
        const int id = Int();
        if (id < 0 || id > 0xFFFF) throw RcError(at.file, at.line, "string identifier out of range");
        in_.AcceptPunct(",");
        const std::string text = String("a string");
        for (const RcString& s : script_.strings)
            if (s.id == static_cast<unsigned>(id) && s.language == lang)
                throw RcError(at.file, at.line, "string " + std::to_string(id) + " defined twice");
        script_.strings.push_back({static_cast<unsigned>(id), lang, text});
    }
    in_.Skip();
}

// The number a resource is named by; names in quotes are not supported.
unsigned StatementParser::ResourceId(const Token& nameTok, const char* what) {
    if (nameTok.kind == Tok::String)
        throw RcError(nameTok.file, nameTok.line, std::string(what) + " need a numeric identifier");
    const int64_t id = nameTok.kind == Tok::Number ? nameTok.value : eval_.Resolve(nameTok);
    if (id <= 0 || id > 0xFFFF)
        throw RcError(nameTok.file, nameTok.line, std::string(what) + " identifier out of range");
    return static_cast<unsigned>(id);
}

// nameID ICON "file.ico" / nameID BITMAP "file.bmp": the file is read
// now, relative to the script the statement is written in, and checked
// as the program will read it.
void StatementParser::FileStatement(const Token& nameTok, bool icon) {
    const char* kind = icon ? "icons" : "bitmaps";
    RcFile r;
    r.id = ResourceId(nameTok, kind);
    r.language = language_;
    SkipMemoryOptions();
    if (in_.AtEnd() || in_.Peek().kind != Tok::String)
        in_.Fail(std::string("the ") + (icon ? "icon" : "bitmap") + " file's name expected (a string in quotes)");
    const Token& fileTok = in_.Next("a file name");
    std::vector<RcFile>& list = icon ? script_.icons : script_.bitmaps;
    for (const RcFile& other : list)
        if (other.id == r.id && other.language == r.language)
            throw RcError(nameTok.file, nameTok.line,
                          std::string(icon ? "icon " : "bitmap ") + std::to_string(r.id) + " defined twice");
    const std::filesystem::path path = std::filesystem::path(fileTok.file).parent_path() / fileTok.text;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RcError(fileTok.file, fileTok.line,
                      "cannot open " + std::string(icon ? "icon" : "bitmap") + " file '" + fileTok.text + "'");
    r.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    r.path = path.string();
    script_.files.push_back(r.path);
    CheckImage(r, fileTok, icon);
    list.push_back(std::move(r));
}

// Decodes an icon file's every image, or a bitmap file, so that a file the
// program could not show fails the build instead.
void StatementParser::CheckImage(const RcFile& r, const Token& fileTok, bool icon) {
    std::string error;
    DecodedImage image;
    if (icon) {
        std::vector<IconFileEntry> entries;
        bool ok = ReadIconDirectory(r.data.data(), r.data.size(), &entries, &error);
        for (size_t i = 0; ok && i < entries.size(); ++i)
            ok = DecodeIconImage(r.data.data(), r.data.size(), entries[i], &image, &error);
        if (!ok) throw RcError(fileTok.file, fileTok.line, "icon file '" + fileTok.text + "': " + error);
    } else if (!DecodeBmpFile(r.data.data(), r.data.size(), &image, &error)) {
        throw RcError(fileTok.file, fileTok.line, "bitmap file '" + fileTok.text + "': " + error);
    }
}

// ---- values ------------------------------------------------------------------

// A number that fits 32 bits, signed or not.
int64_t StatementParser::Value32() {
    const Token& at = in_.Here();
    const int64_t v = eval_.Value(in_);
    if (v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX)) throw RcError(at.file, at.line, "number out of range");
    return v;
}

int StatementParser::Int() { return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(Value32()))); }

uint32_t StatementParser::Dword() { return static_cast<uint32_t>(Value32()); }

// A dialog coordinate or size: 16 bits, signed.
int StatementParser::Coord() {
    const Token& at = in_.Here();
    const int v = Int();
    if (v < -32768 || v > 32767) throw RcError(at.file, at.line, "coordinate out of range");
    return v;
}

// A string in quotes or a name #defined as one; strings that follow each
// other are joined, as the C preprocessor joins them ("Tarnwick " VERSION).
std::string StatementParser::String(const char* what) {
    std::string text;
    if (!eval_.StringOperand(in_.Next(what), text)) {
        in_.Back();
        in_.Fail(std::string(what) + " expected (a string in quotes)");
    }
    std::string more;
    while (!in_.AtEnd() && eval_.StringOperand(in_.Peek(), more)) {
        in_.Skip();
        text += more;
    }
    return text;
}

void StatementParser::Begin(const std::string& what) {
    if (!in_.PeekBegin()) in_.Fail("BEGIN expected" + in_.Near() + " to open " + what);
    in_.Skip();
}

// True at the END that closes what was opened; fails at the end of the script.
bool StatementParser::AtClose(const std::string& what) {
    if (in_.AtEnd()) in_.Fail("END expected: " + what + " is not closed");
    if (!in_.PeekEnd()) return false;
    in_.Skip();
    return true;
}

}  // namespace rc
