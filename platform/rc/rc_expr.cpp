// The evaluator of numbers in resource scripts: operands and operators in
// statements, names through #define or the values of the system headers,
// and the conditions of #if and #elif.
#include "afxcmn.h"
#include "afxwin.h"
#include "rc_internal.h"

namespace rc {
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
        C(TVS_SHOWSELALWAYS), C(TVS_INFOTIP), C(IDOK), C(IDCANCEL), C(IDABORT), C(IDRETRY), C(IDIGNORE), C(IDYES), C(IDNO),
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

// An #if condition, read by precedence: || over && over == and != over
// ! ( ) defined, numbers and names. A name not defined counts as 0; one that
// is defined counts as its value. Errors name the #if line.
class ConditionReader {
public:
    ConditionReader(Evaluator& eval, const DefineTable& defines, const std::vector<Token>& tokens,
                    const std::string& file, int line)
        : eval_(eval), defines_(defines), t_(tokens), file_(file), line_(line) {}

    bool Read() {
        const int64_t v = Or();
        if (pos_ != t_.size()) throw RcError(file_, line_, "cannot read #if condition");
        return v != 0;
    }

private:
    bool At(const char* text) const { return pos_ < t_.size() && t_[pos_].text == text; }
    void Close() {
        if (pos_ >= t_.size() || t_[pos_++].text != ")") throw RcError(file_, line_, "')' expected");
    }

    int64_t Or() {
        int64_t v = And();
        while (At("||")) {
            ++pos_;
            const int64_t r = And();
            v = (v || r) ? 1 : 0;
        }
        return v;
    }
    int64_t And() {
        int64_t v = Eq();
        while (At("&&")) {
            ++pos_;
            const int64_t r = Eq();
            v = (v && r) ? 1 : 0;
        }
        return v;
    }
    int64_t Eq() {
        int64_t v = Unary();
        while (At("==") || At("!=")) {
            const bool eq = t_[pos_++].text == "==";
            const int64_t r = Unary();
            v = ((v == r) == eq) ? 1 : 0;
        }
        return v;
    }
    int64_t Unary() {
        if (pos_ >= t_.size()) throw RcError(file_, line_, "cannot read #if condition");
        const Token& k = t_[pos_++];
        if (k.text == "!") return Unary() ? 0 : 1;
        if (k.text == "(") {
            const int64_t v = Or();
            Close();
            return v;
        }
        if (k.kind == Tok::Number) return k.value;
        if (k.kind == Tok::Ident && k.text == "defined") return Defined();
        if (k.kind == Tok::Ident) return defines_.count(k.text) ? eval_.Resolve(k) : 0;
        throw RcError(file_, line_, "cannot read #if condition");
    }
    // defined NAME or defined(NAME), the word already read.
    int64_t Defined() {
        const bool paren = At("(");
        if (paren) ++pos_;
        if (pos_ >= t_.size() || t_[pos_].kind != Tok::Ident)
            throw RcError(file_, line_, "name expected after defined");
        const bool d = defines_.count(t_[pos_++].text) != 0;
        if (paren) Close();
        return d ? 1 : 0;
    }

    Evaluator& eval_;
    const DefineTable& defines_;
    const std::vector<Token>& t_;
    const std::string& file_;
    const int line_;
    size_t pos_ = 0;
};

}  // namespace

int64_t Evaluator::Value(TokenStream& in, int64_t base) {
    int64_t v = base;
    bool first = true;
    char op = '|';
    for (;;) {
        bool invert = false;
        if (in.PeekIdent("NOT")) {
            in.Skip();
            invert = true;
        }
        const int64_t operand = Operand(in);
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
        if (in.PeekPunct("|") || in.PeekPunct("+") || in.PeekPunct("-") || in.PeekPunct("&")) {
            op = in.Next("operator").text[0];
            continue;
        }
        return v;
    }
}

int64_t Evaluator::Operand(TokenStream& in) {
    const Token& t = in.Next("a number");
    if (t.kind == Tok::Number) return t.value;
    if (t.kind == Tok::Ident) return Resolve(t);
    if (t.kind == Tok::Punct && t.text == "-") return -Operand(in);
    if (t.kind == Tok::Punct && t.text == "~") return ~Operand(in);
    if (t.kind == Tok::Punct && t.text == "(") {
        const int64_t v = Value(in);
        if (!in.AcceptPunct(")")) in.Fail("')' expected");
        return v;
    }
    in.Back();
    in.Fail("a number was expected, not '" + t.text + "'");
}

int64_t Evaluator::Resolve(const Token& ident) {
    auto d = defines_.find(ident.text);
    if (d != defines_.end()) {
        if (!expanding_.insert(ident.text).second)
            throw RcError(ident.file, ident.line, "'" + ident.text + "' is defined in terms of itself");
        std::vector<Token> body;
        Tokenize(d->second.body, d->second.file, d->second.line, body);
        if (body.empty()) throw RcError(ident.file, ident.line, "'" + ident.text + "' has no value");
        TokenStream in(std::move(body), name_);
        const int64_t v = Value(in);
        expanding_.erase(ident.text);
        // The whole body must be the number: "1 2" is not read as 1.
        if (!in.AtEnd()) throw RcError(d->second.file, d->second.line, "cannot read the value of '" + ident.text + "'");
        return v;
    }
    auto b = BuiltinConstants().find(ident.text);
    if (b != BuiltinConstants().end()) return b->second;
    throw RcError(ident.file, ident.line, "unknown name '" + ident.text + "'");
}

bool Evaluator::StringOperand(const Token& t, std::string& out) {
    if (t.kind == Tok::String) {
        out = t.text;
        return true;
    }
    if (t.kind != Tok::Ident) return false;
    auto d = defines_.find(t.text);
    if (d == defines_.end()) return false;
    if (!expanding_.insert(t.text).second)
        throw RcError(t.file, t.line, "'" + t.text + "' is defined in terms of itself");
    std::vector<Token> body;
    Tokenize(d->second.body, d->second.file, d->second.line, body);
    std::string text;
    bool strings = !body.empty();
    for (const Token& part : body) {
        std::string piece;
        if (!(strings = StringOperand(part, piece))) break;
        text += piece;
    }
    expanding_.erase(t.text);
    if (strings) out = std::move(text);
    return strings;
}

bool Evaluator::Condition(const std::string& text, const std::string& file, int line) {
    std::vector<Token> tokens;
    Tokenize(text, file, line, tokens);
    return ConditionReader(*this, defines_, tokens, file, line).Read();
}

}  // namespace rc
