// VERSIONINFO: the fixed part (FILEVERSION, PRODUCTVERSION, the flags and
// types), then BLOCK "StringFileInfo" with one block of values for each
// language and code page, and BLOCK "VarFileInfo" with the translations.
#include "rc_internal.h"

namespace rc {

void StatementParser::VersionInfo(const Token& nameTok) {
    RcVersion v;
    v.id = ResourceId(nameTok, "version resources");
    v.language = language_;
    for (const RcVersion& other : script_.versions)
        if (other.id == v.id && other.language == v.language)
            throw RcError(nameTok.file, nameTok.line, "version information " + std::to_string(v.id) + " defined twice");
    FixedVersionInfo(v);
    Begin("the version information");
    while (!AtClose("the version information")) {
        if (!in_.PeekIdent("BLOCK")) in_.Fail("BLOCK expected" + in_.Near());
        in_.Skip();
        const Token& nameAt = in_.Here();
        const std::string block = String("a block name");
        if (block == "StringFileInfo")
            StringFileInfo(v);
        else if (block == "VarFileInfo")
            VarFileInfo(v);
        else
            throw RcError(nameAt.file, nameAt.line, "unknown version block '" + block + "'");
    }
    script_.versions.push_back(std::move(v));
}

// The statements before BEGIN.
void StatementParser::FixedVersionInfo(RcVersion& v) {
    while (!in_.PeekBegin()) {
        const Token& t = in_.Next("BEGIN");
        if (t.kind != Tok::Ident) throw RcError(t.file, t.line, "BEGIN expected before '" + t.text + "'");
        if (t.text == "FILEVERSION") FourPartVersion(v.fileVersion);
        else if (t.text == "PRODUCTVERSION") FourPartVersion(v.productVersion);
        else if (t.text == "FILEFLAGSMASK") v.fileFlagsMask = Dword();
        else if (t.text == "FILEFLAGS") v.fileFlags = Dword();
        else if (t.text == "FILEOS") v.fileOS = Dword();
        else if (t.text == "FILETYPE") v.fileType = Dword();
        else if (t.text == "FILESUBTYPE") v.fileSubtype = Dword();
        else throw RcError(t.file, t.line, "version statement '" + t.text + "' is not supported");
    }
}

// Two 16-bit halves of a four-part version a, b, c, d: a << 16 | b and c << 16 | d.
void StatementParser::FourPartVersion(uint32_t out[2]) {
    uint32_t part[4];
    for (int i = 0; i < 4; ++i) {
        if (i) in_.Comma();
        const Token& at = in_.Here();
        const int64_t v = eval_.Value(in_);
        if (v < 0 || v > 0xFFFF) throw RcError(at.file, at.line, "a version part lies outside 0..65535");
        part[i] = static_cast<uint32_t>(v);
    }
    out[0] = part[0] << 16 | part[1];
    out[1] = part[2] << 16 | part[3];
}

// BEGIN BLOCK "080404B0" BEGIN ... END ... END, the block name already read.
void StatementParser::StringFileInfo(RcVersion& v) {
    Begin("block StringFileInfo");
    while (!AtClose("block StringFileInfo")) {
        if (!in_.PeekIdent("BLOCK")) in_.Fail("BLOCK expected" + in_.Near());
        in_.Skip();
        v.blocks.push_back(StringBlock());
    }
}

// "080404B0" BEGIN VALUE "key", "value" ... END: the values for one
// language and code page, which the block's name gives as 8 hex digits.
RcVersionBlock StatementParser::StringBlock() {
    const Token& at = in_.Here();
    RcVersionBlock b;
    b.name = String("a block name");
    if (b.name.size() != 8 || b.name.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        throw RcError(at.file, at.line,
                      "a string block is named by 8 hex digits (language and code page), not '" + b.name + "'");
    Begin("block " + b.name);
    while (!AtClose("block " + b.name)) {
        if (!in_.PeekIdent("VALUE")) in_.Fail("VALUE expected" + in_.Near());
        in_.Skip();
        std::string key = String("a value name");
        in_.Comma();
        std::string value = String("a string value");
        // Scripts often end values with an explicit "\0"; the terminator is implied.
        while (!value.empty() && value.back() == '\0') value.pop_back();
        b.values.emplace_back(std::move(key), std::move(value));
    }
    return b;
}

// BEGIN VALUE "Translation", language, code page [, language, code page ...] END
void StatementParser::VarFileInfo(RcVersion& v) {
    Begin("block VarFileInfo");
    while (!AtClose("block VarFileInfo")) {
        if (!in_.PeekIdent("VALUE")) in_.Fail("VALUE expected" + in_.Near());
        in_.Skip();
        const Token& at = in_.Here();
        if (String("a value name") != "Translation")
            throw RcError(at.file, at.line, "block VarFileInfo holds only the value \"Translation\"");
        do {
            in_.Comma();
            const uint32_t lang = Dword();
            in_.Comma();
            const uint32_t page = Dword();
            if (lang > 0xFFFF || page > 0xFFFF) throw RcError(at.file, at.line, "a translation is two 16-bit numbers");
            v.translations.emplace_back(static_cast<uint16_t>(lang), static_cast<uint16_t>(page));
        } while (in_.PeekPunct(","));
    }
}

}  // namespace rc
