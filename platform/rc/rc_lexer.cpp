// The lexer of resource scripts: comments out, lines into tokens (names,
// numbers, strings in quotes, punctuation), and the cursor the statement
// parser and the evaluator walk the tokens with.
#include <algorithm>
#include <cctype>

#include "rc_internal.h"

namespace rc {

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

namespace {

// The character a backslash escape in a string stands for.
char Escape(char e, const std::string& file, int lineNo) {
    switch (e) {
    case 'n': return '\n';
    case 't': return '\t';
    case 'a': return '\b';
    case 'r': return '\r';
    case '\\': return '\\';
    case '"': return '"';
    case '0': return '\0';
    default: throw RcError(file, lineNo, std::string("unknown escape \\") + e + " in string");
    }
}

// A string in quotes starting at line[i], L"..." alike; "" inside stands for
// a quote. Returns the index past the closing quote.
size_t LexString(const std::string& line, size_t i, const std::string& file, int lineNo, std::vector<Token>& out) {
    const size_t n = line.size();
    if (line[i] != '"') ++i;  // the L of a wide string
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
            value += Escape(line[i + 1], file, lineNo);
            i += 2;
            continue;
        }
        value += d;
        ++i;
    }
    if (!closed) throw RcError(file, lineNo, "string not closed on its line");
    out.push_back({Tok::String, value, 0, file, lineNo});
    return i;
}

// The value of a number as written: decimal or 0x hex, with any L and U
// suffixes, at most 32 bits; false if it is none.
bool NumberValue(const std::string& word, int64_t& value) {
    std::string digits = word;
    while (!digits.empty() &&
           (digits.back() == 'L' || digits.back() == 'l' || digits.back() == 'U' || digits.back() == 'u'))
        digits.pop_back();
    if (digits.empty()) return false;
    const bool hex = digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    value = 0;
    for (size_t k = hex ? 2 : 0; k < digits.size(); ++k) {
        const char d = static_cast<char>(std::tolower(static_cast<unsigned char>(digits[k])));
        int v;
        if (d >= '0' && d <= '9')
            v = d - '0';
        else if (hex && d >= 'a' && d <= 'f')
            v = d - 'a' + 10;
        else
            return false;
        value = value * (hex ? 16 : 10) + v;
        if (value > 0xFFFFFFFFLL) return false;
    }
    return true;
}

// A number starting at line[i]: the letters and digits that follow make up
// the word, so "12x" is a bad number rather than 12 and a name.
size_t LexNumber(const std::string& line, size_t i, const std::string& file, int lineNo, std::vector<Token>& out) {
    size_t j = i;
    while (j < line.size() && std::isalnum(static_cast<unsigned char>(line[j]))) ++j;
    const std::string word = line.substr(i, j - i);
    int64_t value = 0;
    if (!NumberValue(word, value)) throw RcError(file, lineNo, "bad number '" + word + "'");
    out.push_back({Tok::Number, word, value, file, lineNo});
    return j;
}

}  // namespace

void Tokenize(const std::string& line, const std::string& file, int lineNo, std::vector<Token>& out) {
    size_t i = 0;
    const size_t n = line.size();
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '"' || ((c == 'L' || c == 'l') && i + 1 < n && line[i + 1] == '"')) {
            i = LexString(line, i, file, lineNo, out);
        } else if (std::isdigit(c)) {
            i = LexNumber(line, i, file, lineNo, out);
        } else if (std::isalpha(c) || c == '_') {
            size_t j = i;
            while (j < n && (std::isalnum(static_cast<unsigned char>(line[j])) || line[j] == '_')) ++j;
            out.push_back({Tok::Ident, line.substr(i, j - i), 0, file, lineNo});
            i = j;
        } else if (std::string("{},|()+-~&!=").find(static_cast<char>(c)) != std::string::npos) {
            // && || == != and the like are one token, as #if reads them.
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

// ---- token stream ------------------------------------------------------------

TokenStream::TokenStream(std::vector<Token> tokens, std::string name)
    : tokens_(std::move(tokens)), name_(std::move(name)) {}

const Token& TokenStream::Last() const {
    return tokens_.empty() ? dummy_ : tokens_[std::min(pos_, tokens_.size()) - (pos_ ? 1 : 0)];
}

void TokenStream::Fail(const std::string& message) const {
    const Token& t = Here();
    throw RcError(t.file.empty() ? name_ : t.file, t.line, message);
}

const Token& TokenStream::Next(const char* what) {
    if (AtEnd()) Fail(std::string(what) + " expected at the end of the script");
    return tokens_[pos_++];
}

bool TokenStream::PeekIdent(const char* word) const {
    return !AtEnd() && Peek().kind == Tok::Ident && Peek().text == word;
}

bool TokenStream::PeekPunct(const char* p) const { return !AtEnd() && Peek().kind == Tok::Punct && Peek().text == p; }

bool TokenStream::AcceptPunct(const char* p) {
    if (!PeekPunct(p)) return false;
    ++pos_;
    return true;
}

void TokenStream::Comma() {
    if (!AcceptPunct(",")) Fail("',' expected" + Near());
}

std::string TokenStream::Near() const { return AtEnd() ? std::string() : " before '" + Peek().text + "'"; }

bool TokenStream::PeekBegin() const { return PeekIdent("BEGIN") || PeekPunct("{"); }

bool TokenStream::PeekEnd() const { return PeekIdent("END") || PeekPunct("}"); }

}  // namespace rc
