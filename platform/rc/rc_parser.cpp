#include "rc_parser.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>

#include "afxcmn.h"
#include "afxwin.h"
#include "dib.h"

namespace {

// Names a script may use without defining them: the values of the system headers.
const std::map<std::string, int64_t>& BuiltinConstants() {
#define C(name) {#name, static_cast<int64_t>(name)}
    static const std::map<std::string, int64_t> table = {
        C(WS_POPUP), C(WS_CHILD), C(WS_MINIMIZE), C(WS_VISIBLE), C(WS_DISABLED), C(WS_CLIPSIBLINGS),
        C(WS_CLIPCHILDREN), C(WS_MAXIMIZE), C(WS_CAPTION), C(WS_BORDER), C(WS_DLGFRAME), C(WS_VSCROLL),
        C(WS_HSCROLL), C(WS_SYSMENU), C(WS_THICKFRAME), C(WS_GROUP), C(WS_TABSTOP), C(WS_MINIMIZEBOX),
        C(WS_MAXIMIZEBOX), C(WS_EX_DLGMODALFRAME), C(WS_EX_TOPMOST), C(WS_EX_CLIENTEDGE), C(WS_EX_STATICEDGE),
        C(WS_EX_APPWINDOW), C(DS_ABSALIGN), C(DS_SYSMODAL), C(DS_LOCALEDIT), C(DS_SETFONT), C(DS_MODALFRAME),
        C(DS_NOIDLEMSG), C(DS_SETFOREGROUND), C(DS_3DLOOK), C(DS_FIXEDSYS), C(DS_CENTER), C(DS_SHELLFONT),
        C(BS_PUSHBUTTON), C(BS_DEFPUSHBUTTON), C(BS_CHECKBOX), C(BS_AUTOCHECKBOX), C(BS_RADIOBUTTON),
        C(BS_3STATE), C(BS_AUTO3STATE), C(BS_GROUPBOX), C(BS_AUTORADIOBUTTON), C(SS_LEFT), C(SS_CENTER),
        C(SS_RIGHT), C(SS_ICON), C(SS_BITMAP), C(SS_NOPREFIX), C(ES_LEFT), C(ES_CENTER), C(ES_RIGHT),
        C(ES_MULTILINE), C(ES_PASSWORD), C(ES_AUTOVSCROLL), C(ES_AUTOHSCROLL), C(ES_READONLY),
        C(TVS_HASBUTTONS), C(TVS_HASLINES), C(TVS_LINESATROOT), C(TVS_EDITLABELS), C(TVS_DISABLEDRAGDROP),
        C(TVS_SHOWSELALWAYS), C(IDOK), C(IDCANCEL), C(IDABORT), C(IDRETRY), C(IDIGNORE), C(IDYES), C(IDNO),
        {"IDC_STATIC", -1}, {"LANG_NEUTRAL", 0x00}, {"LANG_CHINESE", 0x04}, {"LANG_ENGLISH", 0x09},
        {"SUBLANG_NEUTRAL", 0x00}, {"SUBLANG_DEFAULT", 0x01}, {"SUBLANG_CHINESE_SIMPLIFIED", 0x02},
        {"SUBLANG_ENGLISH_US", 0x01},
        // Version information
        {"VS_VERSION_INFO", 1}, {"VS_FFI_FILEFLAGSMASK", 0x3F}, {"VS_FF_DEBUG", 0x01}, {"VS_FF_PRERELEASE", 0x02},
        {"VS_FF_PATCHED", 0x04}, {"VS_FF_PRIVATEBUILD", 0x08}, {"VS_FF_INFOINFERRED", 0x10},
        {"VS_FF_SPECIALBUILD", 0x20}, {"VOS_UNKNOWN", 0}, {"VOS__WINDOWS32", 0x4}, {"VOS_NT", 0x40000},
        {"VOS_NT_WINDOWS32", 0x40004}, {"VFT_UNKNOWN", 0}, {"VFT_APP", 1}, {"VFT_DLL", 2}, {"VFT2_UNKNOWN", 0},
    };
#undef C
    return table;
}

// Headers of the Windows SDK whose names the scripts rely on; they are built in.
const std::set<std::string> kSystemHeaders = {"afxres.h", "winres.h", "winresrc.h", "windows.h", "commctrl.h"};

// Memory options of old scripts; accepted and ignored.
const std::set<std::string> kMemoryOptions = {"DISCARDABLE", "MOVEABLE", "FIXED", "PRELOAD",
                                              "LOADONCALL",  "PURE",     "IMPURE", "SHARED", "NONSHARED"};

enum class Tok { Ident, Number, String, Punct };

struct Token {
    Tok kind;
    std::string text;  // identifier, punctuation, or the string's value
    int64_t value = 0;
    std::string file;
    int line = 0;
};

struct Define {
    std::string body;
    std::string file;
    int line;
};

// Replaces comments by spaces, keeping line breaks and string literals.
std::string StripComments(const std::string& text) {
    std::string out = text;
    size_t i = 0;
    const size_t n = text.size();
    while (i < n) {
        if (text[i] == '"') {
            ++i;
            while (i < n && text[i] != '\n') {
                if (text[i] == '"' && i + 1 < n && text[i + 1] == '"') {
                    i += 2;
                } else if (text[i] == '\\' && i + 1 < n) {
                    i += 2;
                } else if (text[i] == '"') {
                    break;
                } else {
                    ++i;
                }
            }
            ++i;
        } else if (text[i] == '/' && i + 1 < n && text[i + 1] == '/') {
            while (i < n && text[i] != '\n') out[i++] = ' ';
        } else if (text[i] == '/' && i + 1 < n && text[i + 1] == '*') {
            out[i] = out[i + 1] = ' ';
            i += 2;
            while (i < n && !(text[i] == '*' && i + 1 < n && text[i + 1] == '/')) {
                if (text[i] != '\n') out[i] = ' ';
                ++i;
            }
            if (i < n) out[i] = out[i + 1] = ' ', i += 2;
        } else {
            ++i;
        }
    }
    return out;
}

void Tokenize(const std::string& line, const std::string& file, int lineNo, std::vector<Token>& out) {
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '"' || ((c == 'L' || c == 'l') && i + 1 < n && line[i + 1] == '"')) {
            if (c != '"') ++i;
            ++i;
            std::string value;
            bool closed = false;
            while (i < n) {
                const char d = line[i];
                if (d == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        value += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    closed = true;
                    break;
                }
                if (d == '\\' && i + 1 < n) {
                    const char e = line[i + 1];
                    i += 2;
                    switch (e) {
                    case 'n': value += '\n'; break;
                    case 't': value += '\t'; break;
                    case 'a': value += '\b'; break;
                    case 'r': value += '\r'; break;
                    case '\\': value += '\\'; break;
                    case '"': value += '"'; break;
                    case '0': value += '\0'; break;
                    default: throw RcError(file, lineNo, std::string("unknown escape \\") + e + " in string");
                    }
                    continue;
                }
                value += d;
                ++i;
            }
            if (!closed) throw RcError(file, lineNo, "string not closed on its line");
            out.push_back({Tok::String, value, 0, file, lineNo});
        } else if (std::isdigit(c)) {
            size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(line[j])))) ++j;
            std::string word = line.substr(i, j - i);
            std::string digits = word;
            while (!digits.empty() && (digits.back() == 'L' || digits.back() == 'l' || digits.back() == 'U' ||
                                       digits.back() == 'u'))
                digits.pop_back();
            int64_t value = 0;
            bool ok = !digits.empty();
            const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
            for (size_t k = hex ? 2 : 0; ok && k < digits.size(); ++k) {
                const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[k])));
                int v;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else {
                    ok = false;
                    break;
                }
                value = value * (hex ? 16 : 10) + v;
                if (value > 0xFFFFFFFFLL) ok = false;
            }
            if (!ok) throw RcError(file, lineNo, "bad number '" + word + "'");
            out.push_back({Tok::Number, word, value, file, lineNo});
            i = j;
        } else if (std::isalpha(c) || c == '_') {
            size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_')) ++j;
            out.push_back({Tok::Ident, line.substr(i, j - i), 0, file, lineNo});
            i = j;
        } else if (std::string("{},|()+-~&!=").find(static_cast<char>(c)) != std::string::npos) {
            std::string p(1, static_cast<char>(c));
            if ((c == '&' || c == '|' || c == '=' || c == '!') && i + 1 < n &&
                (line[i + 1] == static_cast<char>(c) || line[i + 1] == '=')) {
                p += line[i + 1];
            }
            out.push_back({Tok::Punct, p, 0, file, lineNo});
            i += p.size();
        } else {
            throw RcError(file, lineNo, std::string("unexpected character '") + static_cast<char>(c) + "'");
        }
    }
}

class Reader {
public:
    ResourceScript Read(const std::string& text, const std::string& name, const std::string& dir) {
        Preprocess(text, name, dir, false, 0);
        Parse();
        return std::move(script_);
    }

private:
    // ---- preprocessor -----------------------------------------------------

    struct Cond {
        bool active;       // lines are taken
        bool taken;        // some branch was taken
        bool parentActive;
    };

    void Preprocess(const std::string& rawText, const std::string& file, const std::string& dir, bool headerOnly,
                    int depth) {
        if (depth > 16) throw RcError(file, 1, "#include nested too deeply");
        const std::string text = StripComments(rawText);
        std::vector<Cond> conds;
        auto active = [&] { return conds.empty() || conds.back().active; };
        std::istringstream in(text);
        std::string line;
        int lineNo = 0;
        while (std::getline(in, line)) {
            ++lineNo;
            if (!line.empty() && line.back() == '\r') line.pop_back();
            // Continued lines (only meaningful for #define).
            while (!line.empty() && line.back() == '\\') {
                std::string more;
                if (!std::getline(in, more)) break;
                ++lineNo;
                line.pop_back();
                line += more;
            }
            size_t p = line.find_first_not_of(" \t");
            if (p == std::string::npos) continue;
            if (line[p] != '#') {
                if (active() && !headerOnly) Tokenize(line, file, lineNo, tokens_);
                continue;
            }
            ++p;
            while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
            size_t q = p;
            while (q < line.size() && std::isalpha(static_cast<unsigned char>(line[q]))) ++q;
            const std::string directive = line.substr(p, q - p);
            const std::string rest = line.substr(q);
            if (directive == "ifdef" || directive == "ifndef") {
                const std::string nameArg = Word(rest, file, lineNo);
                const bool cond = (defines_.count(nameArg) != 0) == (directive == "ifdef");
                conds.push_back({active() && cond, cond, active()});
            } else if (directive == "if") {
                const bool cond = active() && EvalCondition(rest, file, lineNo);
                conds.push_back({active() && cond, cond, active()});
            } else if (directive == "elif") {
                if (conds.empty()) throw RcError(file, lineNo, "#elif without #if");
                Cond& c = conds.back();
                const bool cond = !c.taken && c.parentActive && EvalCondition(rest, file, lineNo);
                c.active = cond;
                c.taken = c.taken || cond;
            } else if (directive == "else") {
                if (conds.empty()) throw RcError(file, lineNo, "#else without #if");
                Cond& c = conds.back();
                c.active = c.parentActive && !c.taken;
                c.taken = true;
            } else if (directive == "endif") {
                if (conds.empty()) throw RcError(file, lineNo, "#endif without #if");
                conds.pop_back();
            } else if (!active()) {
                continue;
            } else if (directive == "define") {
                size_t a = rest.find_first_not_of(" \t");
                if (a == std::string::npos) throw RcError(file, lineNo, "#define without a name");
                size_t b = a;
                while (b < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[b])) || rest[b] == '_')) ++b;
                if (b < rest.size() && rest[b] == '(')
                    throw RcError(file, lineNo, "macros with parameters are not supported");
                std::string body = rest.substr(b);
                const size_t s = body.find_first_not_of(" \t");
                body = s == std::string::npos ? std::string() : body.substr(s);
                defines_[rest.substr(a, b - a)] = Define{body, file, lineNo};
            } else if (directive == "undef") {
                defines_.erase(Word(rest, file, lineNo));
            } else if (directive == "include") {
                Include(rest, file, lineNo, dir, depth);
            } else if (directive == "pragma") {
                std::string args = rest;
                args.erase(0, args.find_first_not_of(" \t"));
                if (args.rfind("code_page", 0) == 0) {
                    const size_t open = args.find('(');
                    const size_t close = args.find(')');
                    const std::string page =
                        open != std::string::npos && close > open ? args.substr(open + 1, close - open - 1) : "";
                    if (page != "65001")
                        throw RcError(file, lineNo, "only code page 65001 (UTF-8) is supported, not '" + page + "'");
                } else if (args.rfind("once", 0) != 0) {
                    throw RcError(file, lineNo, "unknown #pragma '" + args + "'");
                }
            } else if (directive == "error") {
                throw RcError(file, lineNo, "#error" + rest);
            } else {
                throw RcError(file, lineNo, "unknown directive #" + directive);
            }
        }
        if (!conds.empty()) throw RcError(file, lineNo, "#if without #endif");
    }

    static std::string Word(const std::string& rest, const std::string& file, int line) {
        std::istringstream s(rest);
        std::string w;
        if (!(s >> w)) throw RcError(file, line, "name expected");
        return w;
    }

    void Include(const std::string& rest, const std::string& file, int line, const std::string& dir, int depth) {
        const size_t a = rest.find_first_of("\"<");
        const size_t b = a == std::string::npos ? a : rest.find_first_of("\">", a + 1);
        if (b == std::string::npos) throw RcError(file, line, "#include needs a file name");
        const std::string name = rest.substr(a + 1, b - a - 1);
        const std::filesystem::path path = std::filesystem::path(dir) / name;
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::string lower = name;
            for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
            if (kSystemHeaders.count(lower)) return;
            throw RcError(file, line, "cannot open include file '" + name + "'");
        }
        std::stringstream content;
        content << in.rdbuf();
        script_.files.push_back(path.string());
        // Headers contribute their #define lines only; script fragments are read whole.
        const std::string ext = path.extension().string();
        const bool header = ext == ".h" || ext == ".H" || ext == ".hpp" || ext == ".c";
        Preprocess(content.str(), path.string(), path.parent_path().string(), header, depth + 1);
    }

    bool EvalCondition(const std::string& text, const std::string& file, int line) {
        std::vector<Token> toks;
        Tokenize(text, file, line, toks);
        size_t pos = 0;
        const int64_t v = CondOr(toks, pos, file, line);
        if (pos != toks.size()) throw RcError(file, line, "cannot read #if condition");
        return v != 0;
    }

    int64_t CondOr(const std::vector<Token>& t, size_t& pos, const std::string& f, int l) {
        int64_t v = CondAnd(t, pos, f, l);
        while (pos < t.size() && t[pos].text == "||") {
            ++pos;
            const int64_t r = CondAnd(t, pos, f, l);
            v = (v || r) ? 1 : 0;
        }
        return v;
    }
    int64_t CondAnd(const std::vector<Token>& t, size_t& pos, const std::string& f, int l) {
        int64_t v = CondEq(t, pos, f, l);
        while (pos < t.size() && t[pos].text == "&&") {
            ++pos;
            const int64_t r = CondEq(t, pos, f, l);
            v = (v && r) ? 1 : 0;
        }
        return v;
    }
    int64_t CondEq(const std::vector<Token>& t, size_t& pos, const std::string& f, int l) {
        int64_t v = CondUnary(t, pos, f, l);
        while (pos < t.size() && (t[pos].text == "==" || t[pos].text == "!=")) {
            const bool eq = t[pos++].text == "==";
            const int64_t r = CondUnary(t, pos, f, l);
            v = ((v == r) == eq) ? 1 : 0;
        }
        return v;
    }
    int64_t CondUnary(const std::vector<Token>& t, size_t& pos, const std::string& f, int l) {
        if (pos >= t.size()) throw RcError(f, l, "cannot read #if condition");
        const Token& k = t[pos++];
        if (k.text == "!") return CondUnary(t, pos, f, l) ? 0 : 1;
        if (k.text == "(") {
            const int64_t v = CondOr(t, pos, f, l);
            if (pos >= t.size() || t[pos++].text != ")") throw RcError(f, l, "')' expected");
            return v;
        }
        if (k.kind == Tok::Number) return k.value;
        if (k.kind == Tok::Ident && k.text == "defined") {
            const bool paren = pos < t.size() && t[pos].text == "(";
            if (paren) ++pos;
            if (pos >= t.size() || t[pos].kind != Tok::Ident) throw RcError(f, l, "name expected after defined");
            const bool d = defines_.count(t[pos++].text) != 0;
            if (paren && (pos >= t.size() || t[pos++].text != ")")) throw RcError(f, l, "')' expected");
            return d ? 1 : 0;
        }
        if (k.kind == Tok::Ident) return defines_.count(k.text) ? Resolve(k) : 0;
        throw RcError(f, l, "cannot read #if condition");
    }

    // ---- values -------------------------------------------------------------

    int64_t Resolve(const Token& ident) {
        auto d = defines_.find(ident.text);
        if (d != defines_.end()) {
            if (!expanding_.insert(ident.text).second)
                throw RcError(ident.file, ident.line, "'" + ident.text + "' is defined in terms of itself");
            std::vector<Token> body;
            Tokenize(d->second.body, d->second.file, d->second.line, body);
            if (body.empty()) throw RcError(ident.file, ident.line, "'" + ident.text + "' has no value");
            std::vector<Token> saved;
            saved.swap(tokens_);
            const size_t savedPos = pos_;
            tokens_ = std::move(body);
            pos_ = 0;
            const int64_t v = Value();
            const bool whole = pos_ == tokens_.size();
            tokens_.swap(saved);
            pos_ = savedPos;
            expanding_.erase(ident.text);
            if (!whole) throw RcError(d->second.file, d->second.line, "cannot read the value of '" + ident.text + "'");
            return v;
        }
        auto b = BuiltinConstants().find(ident.text);
        if (b != BuiltinConstants().end()) return b->second;
        throw RcError(ident.file, ident.line, "unknown name '" + ident.text + "'");
    }

    // ---- token stream ---------------------------------------------------------

    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const Token& Peek() const { return tokens_[pos_]; }
    const Token& Last() const { return tokens_.empty() ? dummy_ : tokens_[std::min(pos_, tokens_.size()) - (pos_ ? 1 : 0)]; }

    [[noreturn]] void Fail(const std::string& message) const {
        const Token& t = AtEnd() ? Last() : Peek();
        throw RcError(t.file.empty() ? name_ : t.file, t.line, message);
    }

    const Token& Next(const char* what) {
        if (AtEnd()) Fail(std::string(what) + " expected at the end of the script");
        return tokens_[pos_++];
    }

    bool PeekIdent(const char* word) const { return !AtEnd() && Peek().kind == Tok::Ident && Peek().text == word; }
    bool PeekPunct(const char* p) const { return !AtEnd() && Peek().kind == Tok::Punct && Peek().text == p; }
    bool AcceptPunct(const char* p) {
        if (!PeekPunct(p)) return false;
        ++pos_;
        return true;
    }
    void Comma() {
        if (!AcceptPunct(",")) Fail("',' expected" + Near());
    }
    std::string Near() const { return AtEnd() ? std::string() : " before '" + Peek().text + "'"; }
    bool PeekBegin() const { return PeekIdent("BEGIN") || PeekPunct("{"); }
    bool PeekEnd() const { return PeekIdent("END") || PeekPunct("}"); }

    // A number: operands joined by + - & |, with unary - and ~; NOT x in a
    // list joined by | removes x's bits from what came before.
    int64_t Value(int64_t base = 0) {
        int64_t v = base;
        bool first = true;
        char op = '|';
        for (;;) {
            bool invert = false;
            if (PeekIdent("NOT")) {
                ++pos_;
                invert = true;
            }
            const int64_t operand = Operand();
            if (invert)
                v &= ~operand;
            else if (first && base == 0)
                v = operand;
            else
                switch (op) {
                case '|': v |= operand; break;
                case '+': v += operand; break;
                case '-': v -= operand; break;
                case '&': v &= operand; break;
                }
            first = false;
            if (PeekPunct("|") || PeekPunct("+") || PeekPunct("-") || PeekPunct("&")) {
                op = Next("operator").text[0];
                continue;
            }
            return v;
        }
    }

    int64_t Operand() {
        const Token& t = Next("a number");
        if (t.kind == Tok::Number) return t.value;
        if (t.kind == Tok::Ident) return Resolve(t);
        if (t.kind == Tok::Punct && t.text == "-") return -Operand();
        if (t.kind == Tok::Punct && t.text == "~") return ~Operand();
        if (t.kind == Tok::Punct && t.text == "(") {
            const int64_t v = Value();
            if (!AcceptPunct(")")) Fail("')' expected");
            return v;
        }
        --pos_;
        Fail("a number was expected, not '" + t.text + "'");
    }

    int Int() {
        const Token& at = AtEnd() ? Last() : Peek();
        const int64_t v = Value();
        if (v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX))
            throw RcError(at.file, at.line, "number out of range");
        return static_cast<int>(static_cast<int32_t>(static_cast<uint32_t>(v)));
    }
    int Coord() {
        const Token& at = AtEnd() ? Last() : Peek();
        const int v = Int();
        if (v < -32768 || v > 32767) throw RcError(at.file, at.line, "coordinate out of range");
        return v;
    }
    uint32_t Style(uint32_t base) { return static_cast<uint32_t>(Value(base)); }

    std::string String(const char* what) {
        const Token& t = Next(what);
        if (t.kind != Tok::String) {
            --pos_;
            Fail(std::string(what) + " expected (a string in quotes)");
        }
        return t.text;
    }

    // ---- statements -----------------------------------------------------------

    void Parse() {
        while (!AtEnd()) {
            const Token& t = Next("a statement");
            if (t.kind == Tok::Ident && t.text == "LANGUAGE") {
                language_ = Language();
            } else if (t.kind == Tok::Ident && t.text == "STRINGTABLE") {
                StringTable();
            } else if (t.kind == Tok::Number || t.kind == Tok::Ident || t.kind == Tok::String) {
                const Token nameTok = t;
                const Token& type = Next("a resource type");
                if (type.kind == Tok::Ident && (type.text == "DIALOG" || type.text == "DIALOGEX")) {
                    if (nameTok.kind == Tok::String)
                        throw RcError(nameTok.file, nameTok.line, "dialogs need a numeric identifier");
                    Dialog(nameTok, type.text == "DIALOGEX");
                } else if (type.kind == Tok::Ident && (type.text == "ICON" || type.text == "BITMAP")) {
                    FileStatement(nameTok, type.text == "ICON");
                } else if (type.kind == Tok::Ident && type.text == "VERSIONINFO") {
                    VersionInfo(nameTok);
                } else {
                    throw RcError(type.file, type.line, "resource type '" + type.text + "' is not supported");
                }
            } else {
                throw RcError(t.file, t.line, "unexpected '" + t.text + "'");
            }
        }
    }

    uint16_t Language() {
        const int lang = Int();
        Comma();
        const int sub = Int();
        return static_cast<uint16_t>((sub << 10) | (lang & 0x3FF));
    }

    void SkipMemoryOptions() {
        while (!AtEnd() && Peek().kind == Tok::Ident && kMemoryOptions.count(Peek().text)) ++pos_;
    }

    void StringTable() {
        SkipMemoryOptions();
        uint16_t lang = language_;
        while (!PeekBegin()) {
            if (PeekIdent("LANGUAGE")) {
                ++pos_;
                lang = Language();
            } else if (PeekIdent("CHARACTERISTICS") || PeekIdent("VERSION")) {
                ++pos_;
                Int();
            } else {
                Fail("BEGIN expected" + Near());
            }
        }
        ++pos_;
        while (!PeekEnd()) {
            if (AtEnd()) Fail("END expected: the string table is not closed");
            const Token& at = Peek();
            const int id = Int();
            if (id < 0 || id > 0xFFFF) throw RcError(at.file, at.line, "string identifier out of range");
            AcceptPunct(",");
            const std::string text = String("a string");
            for (const RcString& s : script_.strings)
                if (s.id == static_cast<unsigned>(id) && s.language == lang)
                    throw RcError(at.file, at.line, "string " + std::to_string(id) + " defined twice");
            script_.strings.push_back({static_cast<unsigned>(id), lang, text});
        }
        ++pos_;
    }

    // The number a resource is named by; names in quotes are not supported.
    unsigned ResourceId(const Token& nameTok, const char* what) {
        if (nameTok.kind == Tok::String)
            throw RcError(nameTok.file, nameTok.line, std::string(what) + " need a numeric identifier");
        const int64_t id = nameTok.kind == Tok::Number ? nameTok.value : Resolve(nameTok);
        if (id <= 0 || id > 0xFFFF)
            throw RcError(nameTok.file, nameTok.line, std::string(what) + " identifier out of range");
        return static_cast<unsigned>(id);
    }

    // nameID ICON "file.ico" / nameID BITMAP "file.bmp": the file is read
    // now, relative to the script the statement is written in, and checked
    // as the program will read it.
    void FileStatement(const Token& nameTok, bool icon) {
        const char* kind = icon ? "icons" : "bitmaps";
        RcFile r;
        r.id = ResourceId(nameTok, kind);
        r.language = language_;
        SkipMemoryOptions();
        if (AtEnd() || Peek().kind != Tok::String) Fail(std::string("the ") + (icon ? "icon" : "bitmap") + " file's name expected (a string in quotes)");
        const Token& fileTok = Next("a file name");
        std::vector<RcFile>& list = icon ? script_.icons : script_.bitmaps;
        for (const RcFile& other : list)
            if (other.id == r.id && other.language == r.language)
                throw RcError(nameTok.file, nameTok.line,
                              std::string(icon ? "icon " : "bitmap ") + std::to_string(r.id) + " defined twice");
        const std::filesystem::path path = std::filesystem::path(fileTok.file).parent_path() / fileTok.text;
        std::ifstream in(path, std::ios::binary);
        if (!in) throw RcError(fileTok.file, fileTok.line, "cannot open " + std::string(icon ? "icon" : "bitmap") + " file '" + fileTok.text + "'");
        r.data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        r.path = path.string();
        script_.files.push_back(r.path);

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
        list.push_back(std::move(r));
    }

    // Two 16-bit halves of a four-part version a, b, c, d: a << 16 | b and c << 16 | d.
    void FourPartVersion(uint32_t out[2]) {
        uint32_t part[4];
        for (int i = 0; i < 4; ++i) {
            if (i) Comma();
            const Token& at = AtEnd() ? Last() : Peek();
            const int64_t v = Value();
            if (v < 0 || v > 0xFFFF) throw RcError(at.file, at.line, "a version part lies outside 0..65535");
            part[i] = static_cast<uint32_t>(v);
        }
        out[0] = part[0] << 16 | part[1];
        out[1] = part[2] << 16 | part[3];
    }

    uint32_t Dword() {
        const Token& at = AtEnd() ? Last() : Peek();
        const int64_t v = Value();
        if (v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX)) throw RcError(at.file, at.line, "number out of range");
        return static_cast<uint32_t>(v);
    }

    void Begin(const std::string& what) {
        if (!PeekBegin()) Fail("BEGIN expected" + Near() + " to open " + what);
        ++pos_;
    }
    // True at the END that closes what was opened; fails at the end of the script.
    bool AtClose(const std::string& what) {
        if (AtEnd()) Fail("END expected: " + what + " is not closed");
        if (!PeekEnd()) return false;
        ++pos_;
        return true;
    }

    void VersionInfo(const Token& nameTok) {
        RcVersion v;
        v.id = ResourceId(nameTok, "version resources");
        v.language = language_;
        for (const RcVersion& other : script_.versions)
            if (other.id == v.id && other.language == v.language)
                throw RcError(nameTok.file, nameTok.line, "version information " + std::to_string(v.id) + " defined twice");
        while (!PeekBegin()) {
            const Token& t = Next("BEGIN");
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
        Begin("the version information");
        while (!AtClose("the version information")) {
            if (!PeekIdent("BLOCK")) Fail("BLOCK expected" + Near());
            ++pos_;
            const Token& nameAt = AtEnd() ? Last() : Peek();
            const std::string block = String("a block name");
            if (block == "StringFileInfo") {
                Begin("block StringFileInfo");
                while (!AtClose("block StringFileInfo")) {
                    if (!PeekIdent("BLOCK")) Fail("BLOCK expected" + Near());
                    ++pos_;
                    const Token& at = AtEnd() ? Last() : Peek();
                    RcVersionBlock b;
                    b.name = String("a block name");
                    if (b.name.size() != 8 || b.name.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
                        throw RcError(at.file, at.line, "a string block is named by 8 hex digits (language and code page), not '" + b.name + "'");
                    Begin("block " + b.name);
                    while (!AtClose("block " + b.name)) {
                        if (!PeekIdent("VALUE")) Fail("VALUE expected" + Near());
                        ++pos_;
                        std::string key = String("a value name");
                        Comma();
                        std::string value = String("a string value");
                        // Scripts often end values with an explicit "\0"; the terminator is implied.
                        while (!value.empty() && value.back() == '\0') value.pop_back();
                        b.values.emplace_back(std::move(key), std::move(value));
                    }
                    v.blocks.push_back(std::move(b));
                }
            } else if (block == "VarFileInfo") {
                Begin("block VarFileInfo");
                while (!AtClose("block VarFileInfo")) {
                    if (!PeekIdent("VALUE")) Fail("VALUE expected" + Near());
                    ++pos_;
                    const Token& at = AtEnd() ? Last() : Peek();
                    if (String("a value name") != "Translation")
                        throw RcError(at.file, at.line, "block VarFileInfo holds only the value \"Translation\"");
                    do {
                        Comma();
                        const uint32_t lang = Dword();
                        Comma();
                        const uint32_t page = Dword();
                        if (lang > 0xFFFF || page > 0xFFFF) throw RcError(at.file, at.line, "a translation is two 16-bit numbers");
                        v.translations.emplace_back(static_cast<uint16_t>(lang), static_cast<uint16_t>(page));
                    } while (PeekPunct(","));
                }
            } else {
                throw RcError(nameAt.file, nameAt.line, "unknown version block '" + block + "'");
            }
        }
        script_.versions.push_back(std::move(v));
    }

    void Dialog(const Token& nameTok, bool extended) {
        RcDialog d;
        d.extended = extended;
        d.id = nameTok.kind == Tok::Number ? static_cast<int>(nameTok.value) : static_cast<int>(Resolve(nameTok));
        if (d.id <= 0 || d.id > 0xFFFF) throw RcError(nameTok.file, nameTok.line, "dialog identifier out of range");
        for (const RcDialog& other : script_.dialogs)
            if (other.id == d.id && other.language == language_)
                throw RcError(nameTok.file, nameTok.line, "dialog " + std::to_string(d.id) + " defined twice");
        d.language = language_;
        SkipMemoryOptions();
        d.x = Coord();
        Comma();
        d.y = Coord();
        Comma();
        d.cx = Coord();
        Comma();
        d.cy = Coord();
        if (extended && AcceptPunct(",")) Int();  // help id
        d.style = WS_POPUP | WS_BORDER | WS_SYSMENU;
        bool hasCaption = false;
        bool hasFont = false;
        while (!PeekBegin()) {
            const Token& t = Next("BEGIN");
            if (t.kind != Tok::Ident) throw RcError(t.file, t.line, "BEGIN expected before '" + t.text + "'");
            if (t.text == "STYLE") {
                d.style = Style(0);
            } else if (t.text == "EXSTYLE") {
                d.exStyle = Style(0);
            } else if (t.text == "CAPTION") {
                d.caption = String("a caption");
                hasCaption = true;
            } else if (t.text == "FONT") {
                d.pointSize = Int();
                Comma();
                d.faceName = String("a font name");
                if (extended && AcceptPunct(",")) {
                    d.weight = Int();
                    if (AcceptPunct(",")) {
                        d.italic = Int() != 0;
                        if (AcceptPunct(",")) d.charset = Int();
                    }
                }
                hasFont = true;
            } else if (t.text == "LANGUAGE") {
                d.language = Language();
            } else if (t.text == "CHARACTERISTICS" || t.text == "VERSION") {
                Int();
            } else {
                throw RcError(t.file, t.line, "dialog statement '" + t.text + "' is not supported");
            }
        }
        if (hasCaption) d.style |= WS_CAPTION;
        if (hasFont) d.style |= DS_SETFONT;
        ++pos_;
        while (!PeekEnd()) {
            if (AtEnd()) Fail("END expected: dialog " + std::to_string(d.id) + " is not closed");
            d.controls.push_back(Control(extended));
        }
        ++pos_;
        script_.dialogs.push_back(std::move(d));
    }

    RcControl Control(bool extended) {
        const Token& kw = Next("a control");
        if (kw.kind != Tok::Ident) throw RcError(kw.file, kw.line, "a control statement was expected, not '" + kw.text + "'");
        struct Kind {
            const char* className;
            uint32_t style;
            bool hasText;
        };
        static const std::map<std::string, Kind> kinds = {
            {"PUSHBUTTON", {"button", BS_PUSHBUTTON | WS_TABSTOP, true}},
            {"DEFPUSHBUTTON", {"button", BS_DEFPUSHBUTTON | WS_TABSTOP, true}},
            {"CHECKBOX", {"button", BS_CHECKBOX | WS_TABSTOP, true}},
            {"AUTOCHECKBOX", {"button", BS_AUTOCHECKBOX | WS_TABSTOP, true}},
            {"RADIOBUTTON", {"button", BS_RADIOBUTTON, true}},
            {"AUTORADIOBUTTON", {"button", BS_AUTORADIOBUTTON, true}},
            {"GROUPBOX", {"button", BS_GROUPBOX, true}},
            {"LTEXT", {"static", SS_LEFT | WS_GROUP, true}},
            {"RTEXT", {"static", SS_RIGHT | WS_GROUP, true}},
            {"CTEXT", {"static", SS_CENTER | WS_GROUP, true}},
            {"EDITTEXT", {"edit", ES_LEFT | WS_BORDER | WS_TABSTOP, false}},
        };
        RcControl c;
        const uint32_t childVisible = WS_CHILD | WS_VISIBLE;
        if (kw.text == "CONTROL") {
            // The text is a string, or a resource number (the image of a picture control).
            if (!AtEnd() && Peek().kind != Tok::String) {
                const Token& at = Peek();
                const int image = Int();
                if (image <= 0 || image > 0xFFFF) throw RcError(at.file, at.line, "a control's resource number must lie in 1..65535");
                c.imageId = image;
            } else {
                c.text = String("the control's text");
            }
            Comma();
            c.id = Int();
            Comma();
            const Token& cls = Next("a window class");
            if (cls.kind == Tok::String) {
                c.className = cls.text;
            } else if (cls.kind == Tok::Ident) {
                std::string lower = cls.text;
                for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
                static const std::set<std::string> predefined = {"button", "edit", "static", "listbox", "scrollbar", "combobox"};
                if (!predefined.count(lower))
                    throw RcError(cls.file, cls.line, "unknown control class '" + cls.text + "'");
                c.className = lower;
            } else {
                throw RcError(cls.file, cls.line, "a window class was expected, not '" + cls.text + "'");
            }
            Comma();
            c.style = Style(childVisible);
            Comma();
            Rect(c);
            if (AcceptPunct(",")) {
                c.exStyle = Style(0);
                if (extended && AcceptPunct(",")) Int();
            }
            return c;
        }
        auto k = kinds.find(kw.text);
        if (k == kinds.end()) throw RcError(kw.file, kw.line, "control statement '" + kw.text + "' is not supported");
        c.className = k->second.className;
        if (k->second.hasText) {
            c.text = String("the control's text");
            Comma();
        }
        c.id = Int();
        Comma();
        Rect(c);
        c.style = childVisible | k->second.style;
        if (AcceptPunct(",")) {
            c.style = Style(c.style);
            if (AcceptPunct(",")) {
                c.exStyle = Style(0);
                if (extended && AcceptPunct(",")) Int();
            }
        }
        return c;
    }

    void Rect(RcControl& c) {
        c.x = Coord();
        Comma();
        c.y = Coord();
        Comma();
        c.cx = Coord();
        Comma();
        c.cy = Coord();
    }

    std::string name_;
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    std::map<std::string, Define> defines_;
    std::set<std::string> expanding_;
    uint16_t language_ = 0;
    ResourceScript script_;
    Token dummy_{Tok::Punct, "", 0, "", 0};

public:
    explicit Reader(std::string name) : name_(std::move(name)) {}
};

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F && c != '?') {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\%03o", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08Xu", v);
    return buf;
}

}  // namespace

ResourceScript ParseResourceText(const std::string& text, const std::string& name, const std::string& directory) {
    return Reader(name).Read(text, name, directory);
}

ResourceScript ParseResourceFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RcError(path, 0, "cannot open the resource script");
    std::stringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // byte-order mark
    return ParseResourceText(text, path, std::filesystem::path(path).parent_path().string());
}

std::string GenerateResourceSource(const ResourceScript& script, const std::string& scriptName) {
    std::ostringstream o;
    o << "// Generated from " << scriptName << " by the resource converter; edit the script instead.\n"
      << "#include \"dlgtemplate.h\"\n\nnamespace {\n\n";
    for (const RcDialog& d : script.dialogs) {
        if (d.controls.empty()) continue;
        o << "const DlgItemTemplate kItems" << d.id << "_" << d.language << "[] = {\n";
        for (const RcControl& c : d.controls)
            o << "    {" << Quote(c.className) << ", " << Quote(c.text) << ", " << c.id << ", " << Hex(c.style) << ", "
              << Hex(c.exStyle) << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy << ", " << c.imageId
              << "},\n";
        o << "};\n\n";
    }
    if (!script.dialogs.empty()) {
        o << "const DlgTemplate kDialogs[] = {\n";
        for (const RcDialog& d : script.dialogs) {
            o << "    {" << d.id << ", " << (d.extended ? "true" : "false") << ", " << Hex(d.style) << ", "
              << Hex(d.exStyle) << ", " << d.x << ", " << d.y << ", " << d.cx << ", " << d.cy << ", "
              << Quote(d.caption) << ", " << d.pointSize << ", " << d.weight << ", " << (d.italic ? "true" : "false")
              << ", " << d.charset << ", " << Quote(d.faceName) << ", " << d.language << ", ";
            if (d.controls.empty())
                o << "nullptr, 0},\n";
            else
                o << "kItems" << d.id << "_" << d.language << ", " << d.controls.size() << "},\n";
        }
        o << "};\n\n";
    }
    if (!script.strings.empty()) {
        o << "const StringResource kStrings[] = {\n";
        for (const RcString& s : script.strings)
            o << "    {" << s.id << ", " << s.language << ", " << Quote(s.text) << "},\n";
        o << "};\n\n";
    }
    auto files = [&o](const std::vector<RcFile>& list, const char* name) {
        if (list.empty()) return;
        for (const RcFile& f : list) {
            o << "// " << std::filesystem::path(f.path).filename().string() << "\n"
              << "const unsigned char k" << name << "Data" << f.id << "_" << f.language << "[] = {";
            for (size_t i = 0; i < f.data.size(); ++i) {
                if (i % 16 == 0) o << "\n   ";
                o << " " << static_cast<unsigned>(f.data[i]) << ",";
            }
            o << "\n};\n\n";
        }
        o << "const FileResource k" << name << "s[] = {\n";
        for (const RcFile& f : list)
            o << "    {" << f.id << ", " << f.language << ", k" << name << "Data" << f.id << "_" << f.language << ", "
              << f.data.size() << "},\n";
        o << "};\n\n";
    };
    files(script.icons, "Icon");
    files(script.bitmaps, "Bitmap");
    for (size_t n = 0; n < script.versions.size(); ++n) {
        const RcVersion& v = script.versions[n];
        for (size_t b = 0; b < v.blocks.size(); ++b) {
            o << "const VersionString kVersion" << n << "Block" << b << "[] = {\n";
            for (const auto& kv : v.blocks[b].values) o << "    {" << Quote(kv.first) << ", " << Quote(kv.second) << "},\n";
            if (v.blocks[b].values.empty()) o << "    {nullptr, nullptr},\n";
            o << "};\n\n";
        }
        o << "const VersionStringBlock kVersion" << n << "Blocks[] = {\n";
        for (size_t b = 0; b < v.blocks.size(); ++b)
            o << "    {" << Quote(v.blocks[b].name) << ", kVersion" << n << "Block" << b << ", " << v.blocks[b].values.size()
              << "},\n";
        if (v.blocks.empty()) o << "    {nullptr, nullptr, 0},\n";
        o << "};\n\nconst VersionTranslation kVersion" << n << "Translations[] = {\n";
        for (const auto& t : v.translations) o << "    {" << t.first << ", " << t.second << "},\n";
        if (v.translations.empty()) o << "    {0, 0},\n";
        o << "};\n\n";
    }
    if (!script.versions.empty()) {
        o << "const VersionResource kVersions[] = {\n";
        for (size_t n = 0; n < script.versions.size(); ++n) {
            const RcVersion& v = script.versions[n];
            o << "    {" << v.id << ", " << v.language << ", " << Hex(v.fileVersion[0]) << ", " << Hex(v.fileVersion[1])
              << ", " << Hex(v.productVersion[0]) << ", " << Hex(v.productVersion[1]) << ", " << Hex(v.fileFlagsMask)
              << ", " << Hex(v.fileFlags) << ", " << Hex(v.fileOS) << ", " << Hex(v.fileType) << ", "
              << Hex(v.fileSubtype) << ", kVersion" << n << "Blocks, " << v.blocks.size() << ", kVersion" << n
              << "Translations, " << v.translations.size() << "},\n";
        }
        o << "};\n\n";
    }
    auto list = [](bool empty, const char* name, size_t count) {
        return empty ? std::string("nullptr, 0") : std::string(name) + ", " + std::to_string(count);
    };
    o << "const ResourceTable kTable = {" << Quote(scriptName) << ", "
      << list(script.dialogs.empty(), "kDialogs", script.dialogs.size()) << ", "
      << list(script.strings.empty(), "kStrings", script.strings.size()) << ", "
      << list(script.icons.empty(), "kIcons", script.icons.size()) << ", "
      << list(script.bitmaps.empty(), "kBitmaps", script.bitmaps.size()) << ", "
      << list(script.versions.empty(), "kVersions", script.versions.size()) << "};\n\n"
      << "struct Registrar {\n    Registrar() { AfxRegisterResources(&kTable); }\n} registrar;\n\n"
      << "}  // namespace\n";
    return o.str();
}

std::string GenerateDependencyRule(const ResourceScript& script, const std::string& scriptPath, const std::string& output) {
    // Make syntax: spaces in names are escaped with a backslash.
    auto escape = [](const std::string& name) {
        std::string out;
        for (char c : name) {
            if (c == ' ' || c == '#') out += '\\';
            if (c == '$') out += '$';
            out += c;
        }
        return out;
    };
    std::string rule = escape(output) + ":";
    rule += " \\\n  " + escape(scriptPath);
    for (const std::string& f : script.files) rule += " \\\n  " + escape(f);
    return rule + "\n";
}
