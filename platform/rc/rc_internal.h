// Inside the resource script reader; the converter's interface is rc_parser.h.
// A script goes through the preprocessor (rc_preprocessor.cpp), which hands
// the lines it keeps to the lexer (rc_lexer.cpp); the statement parser
// (rc_statements.cpp, rc_dialog.cpp, rc_version.cpp) reads the tokens, and
// takes its numbers from the evaluator (rc_expr.cpp), which also decides the
// preprocessor's #if lines. rc_generator.cpp writes the C++ table.
#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "rc_parser.h"

namespace rc {

enum class Tok { Ident, Number, String, Punct };

struct Token {
    Tok kind;
    std::string text;  // identifier, punctuation, or the string's value
    int64_t value = 0;
    std::string file;
    int line = 0;
};

// A #define: its body as written, and where, for messages about its value.
struct Define {
    std::string body;
    std::string file;
    int line;
};
using DefineTable = std::map<std::string, Define>;

inline std::string AsciiLower(std::string s) {
    for (char& ch : s) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

// ---- lexer (rc_lexer.cpp) ----------------------------------------------------

// Replaces comments by spaces, keeping line breaks and string literals.
std::string StripComments(const std::string& text);
// Appends the tokens of one line (comments already gone) to `out`.
void Tokenize(const std::string& line, const std::string& file, int lineNo, std::vector<Token>& out);

// The tokens a reader walks, with the checks every statement makes. Errors
// name the file and line of the token at hand, or of the last one at the end.
class TokenStream {
public:
    TokenStream(std::vector<Token> tokens, std::string name);

    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const Token& Peek() const { return tokens_[pos_]; }
    const Token& Last() const;
    // Where the next item starts, for messages about it once it is read.
    const Token& Here() const { return AtEnd() ? Last() : Peek(); }
    [[noreturn]] void Fail(const std::string& message) const;

    const Token& Next(const char* what);
    void Skip() { ++pos_; }
    void Back() { --pos_; }

    bool PeekIdent(const char* word) const;
    bool PeekPunct(const char* p) const;
    bool AcceptPunct(const char* p);
    void Comma();
    // " before 'x'" naming the next token, for messages; empty at the end.
    std::string Near() const;
    bool PeekBegin() const;
    bool PeekEnd() const;

private:
    std::vector<Token> tokens_;
    size_t pos_ = 0;
    std::string name_;  // the script, for a token without a file
    Token dummy_{Tok::Punct, "", 0, "", 0};
};

// ---- evaluator (rc_expr.cpp) -------------------------------------------------

// Numbers: names through #define or the built-in values of the system
// headers, and operands joined by operators; also the #if conditions.
class Evaluator {
public:
    Evaluator(const DefineTable& defines, std::string name) : defines_(defines), name_(std::move(name)) {}

    // A number: operands joined by + - & |, with unary - and ~; NOT x in a
    // list joined by | removes x's bits from what came before. A non-zero
    // `base` is where the list starts, as for a control's default style.
    int64_t Value(TokenStream& in, int64_t base = 0);
    // The value of a name: its #define's body read as a number, else a built-in.
    int64_t Resolve(const Token& ident);
    // The condition of #if or #elif, `text` being the rest of the line.
    bool Condition(const std::string& text, const std::string& file, int line);
    // The text of a string operand: a string in quotes, or a name whose
    // #define's body is strings (or such names). False for anything else.
    bool StringOperand(const Token& t, std::string& out);

private:
    int64_t Operand(TokenStream& in);

    const DefineTable& defines_;
    std::string name_;
    std::set<std::string> expanding_;  // names being resolved, to catch a loop
};

// ---- preprocessor (rc_preprocessor.cpp) --------------------------------------

// Reads the directives of `text` and of the files it includes into `defines`,
// appends the tokens of the lines it keeps to `tokens`, and the name of every
// file it includes to `files`. An #include is looked up in `dir` of the
// including file first, then in `includeDirs`.
void Preprocess(const std::string& text, const std::string& file, const std::string& dir,
                const std::vector<std::string>& includeDirs, DefineTable& defines, Evaluator& eval,
                std::vector<Token>& tokens, std::vector<std::string>& files);

// ---- statements (rc_statements.cpp, rc_dialog.cpp, rc_version.cpp) -----------

class StatementParser {
public:
    StatementParser(TokenStream& in, Evaluator& eval, ResourceScript& script)
        : in_(in), eval_(eval), script_(script) {}
    // Reads statements up to the end of the tokens into the script.
    void Parse();

private:
    // rc_statements.cpp: the statements outside a resource, and the values
    // all statements read.
    void Resource(const Token& nameTok);
    uint16_t Language();
    void SkipMemoryOptions();
    void StringTable();
    unsigned ResourceId(const Token& nameTok, const char* what);
    void FileStatement(const Token& nameTok, bool icon);
    void CheckImage(const RcFile& r, const Token& fileTok, bool icon);
    int64_t Value32();
    int Int();
    int Coord();
    uint32_t Dword();
    uint32_t Style(uint32_t base) { return static_cast<uint32_t>(eval_.Value(in_, base)); }
    std::string String(const char* what);
    void Begin(const std::string& what);
    bool AtClose(const std::string& what);

    // rc_dialog.cpp
    void Dialog(const Token& nameTok, bool extended);
    void DialogId(RcDialog& d, const Token& nameTok);
    void DialogOptions(RcDialog& d);
    void DialogFont(RcDialog& d);
    RcControl Control(bool extended);
    RcControl GenericControl(bool extended);
    RcControl StandardControl(const Token& kw, bool extended);
    std::string ControlClass();
    void Rect(RcControl& c);

    // rc_version.cpp
    void VersionInfo(const Token& nameTok);
    void FixedVersionInfo(RcVersion& v);
    void FourPartVersion(uint32_t out[2]);
    void StringFileInfo(RcVersion& v);
    RcVersionBlock StringBlock();
    void VarFileInfo(RcVersion& v);

    TokenStream& in_;
    Evaluator& eval_;
    ResourceScript& script_;
    uint16_t language_ = 0;
};

}  // namespace rc
