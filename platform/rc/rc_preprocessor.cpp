// The preprocessor of resource scripts: #include of headers and script
// fragments, #define and #undef (no macros with parameters), #if, #ifdef,
// #ifndef, #elif, #else, #endif, #pragma code_page(65001) and #pragma once,
// and #error. The lines it keeps go to the lexer.
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "rc_internal.h"

namespace rc {
namespace {

// Headers of the Windows SDK whose names the scripts rely on; they are built in.
const std::set<std::string> kSystemHeaders = {"afxres.h", "winres.h", "winresrc.h", "windows.h", "commctrl.h"};

// The first word of a directive's argument.
std::string Word(const std::string& rest, const std::string& file, int line) {
    std::istringstream s(rest);
    std::string w;
    if (!(s >> w)) throw RcError(file, line, "name expected");
    return w;
}

// The next line of `in` with a line ending in a backslash joined to the one
// after it (only meaningful for #define); `lineNo` counts the lines read.
bool NextLine(std::istream& in, std::string& line, int& lineNo) {
    if (!std::getline(in, line)) return false;
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    while (!line.empty() && line.back() == '\\') {
        std::string more;
        if (!std::getline(in, more)) break;
        ++lineNo;
        line.pop_back();
        line += more;
    }
    return true;
}

class Preprocessor {
public:
    Preprocessor(const std::vector<std::string>& includeDirs, DefineTable& defines, Evaluator& eval,
                 std::vector<Token>& tokens, std::vector<std::string>& files)
        : includeDirs_(includeDirs), defines_(defines), eval_(eval), tokens_(tokens), files_(files) {}

    // Reads one file; `headerOnly` keeps its directives and drops its other
    // lines, as for a C header; `depth` counts the includes that led here.
    void Run(const std::string& rawText, const std::string& file, const std::string& dir, bool headerOnly, int depth);

private:
    // One #if section of the file being read.
    struct Cond {
        bool active;  // lines are taken
        bool taken;   // some branch was taken
        bool parentActive;
    };
    static bool Active(const std::vector<Cond>& conds) { return conds.empty() || conds.back().active; }

    bool Conditional(const std::string& directive, const std::string& rest, const std::string& file, int lineNo,
                     std::vector<Cond>& conds);
    void Directive(const std::string& directive, const std::string& rest, const std::string& file, int lineNo,
                   const std::string& dir, int depth);
    void DefineName(const std::string& rest, const std::string& file, int lineNo);
    void Pragma(const std::string& rest, const std::string& file, int lineNo);
    void Include(const std::string& rest, const std::string& file, int line, const std::string& dir, int depth);

    const std::vector<std::string>& includeDirs_;
    DefineTable& defines_;
    Evaluator& eval_;
    std::vector<Token>& tokens_;
    std::vector<std::string>& files_;
};

void Preprocessor::Run(const std::string& rawText, const std::string& file, const std::string& dir, bool headerOnly,
                       int depth) {
    if (depth > 16) throw RcError(file, 1, "#include nested too deeply");
    std::istringstream in(StripComments(rawText));
    std::vector<Cond> conds;
    std::string line;
    int lineNo = 0;
    while (NextLine(in, line, lineNo)) {
        size_t p = line.find_first_not_of(" \t");
        if (p == std::string::npos) continue;
        if (line[p] != '#') {
            if (Active(conds) && !headerOnly) Tokenize(line, file, lineNo, tokens_);
            continue;
        }
        ++p;
        while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
        size_t q = p;
        while (q < line.size() && std::isalpha(static_cast<unsigned char>(line[q]))) ++q;
        const std::string directive = line.substr(p, q - p);
        const std::string rest = line.substr(q);
        if (Conditional(directive, rest, file, lineNo, conds) || !Active(conds)) continue;
        Directive(directive, rest, file, lineNo, dir, depth);
    }
    if (!conds.empty()) throw RcError(file, lineNo, "#if without #endif");
}

// The directives of #if sections, which are read in skipped sections too,
// to find where those end; false for any other directive.
bool Preprocessor::Conditional(const std::string& directive, const std::string& rest, const std::string& file,
                               int lineNo, std::vector<Cond>& conds) {
    const bool active = Active(conds);
    if (directive == "ifdef" || directive == "ifndef") {
        const std::string nameArg = Word(rest, file, lineNo);
        const bool cond = (defines_.count(nameArg) != 0) == (directive == "ifdef");
        conds.push_back({active && cond, cond, active});
    } else if (directive == "if") {
        const bool cond = active && eval_.Condition(rest, file, lineNo);
        conds.push_back({active && cond, cond, active});
    } else if (directive == "elif") {
        if (conds.empty()) throw RcError(file, lineNo, "#elif without #if");
        Cond& c = conds.back();
        const bool cond = !c.taken && c.parentActive && eval_.Condition(rest, file, lineNo);
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
    } else {
        return false;
    }
    return true;
}

// The other directives, in sections that are taken.
void Preprocessor::Directive(const std::string& directive, const std::string& rest, const std::string& file,
                             int lineNo, const std::string& dir, int depth) {
    if (directive == "define") {
        DefineName(rest, file, lineNo);
    } else if (directive == "undef") {
        defines_.erase(Word(rest, file, lineNo));
    } else if (directive == "include") {
        Include(rest, file, lineNo, dir, depth);
    } else if (directive == "pragma") {
        Pragma(rest, file, lineNo);
    } else if (directive == "error") {
        throw RcError(file, lineNo, "#error" + rest);
    } else {
        throw RcError(file, lineNo, "unknown directive #" + directive);
    }
}

// #define NAME body: the body is kept as written and read when NAME is used.
void Preprocessor::DefineName(const std::string& rest, const std::string& file, int lineNo) {
    const size_t a = rest.find_first_not_of(" \t");
    if (a == std::string::npos) throw RcError(file, lineNo, "#define without a name");
    size_t b = a;
    while (b < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[b])) || rest[b] == '_')) ++b;
    if (b < rest.size() && rest[b] == '(') throw RcError(file, lineNo, "macros with parameters are not supported");
    std::string body = rest.substr(b);
    const size_t s = body.find_first_not_of(" \t");
    body = s == std::string::npos ? std::string() : body.substr(s);
    defines_[rest.substr(a, b - a)] = Define{body, file, lineNo};
}

// #pragma code_page(65001) says the script is UTF-8, the only encoding read;
// #pragma once is accepted and changes nothing (a file included twice is read twice).
void Preprocessor::Pragma(const std::string& rest, const std::string& file, int lineNo) {
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
}

// #include "name" or <name>, looked up beside the file that includes it, then
// in the include folders; the system headers need not be anywhere, their
// names are built in.
void Preprocessor::Include(const std::string& rest, const std::string& file, int line, const std::string& dir,
                           int depth) {
    const size_t a = rest.find_first_of("\"<");
    const size_t b = a == std::string::npos ? a : rest.find_first_of("\">", a + 1);
    if (b == std::string::npos) throw RcError(file, line, "#include needs a file name");
    const std::string name = rest.substr(a + 1, b - a - 1);
    std::filesystem::path path = std::filesystem::path(dir) / name;
    std::ifstream in(path, std::ios::binary);
    for (size_t i = 0; !in && i < includeDirs_.size(); ++i) {
        path = std::filesystem::path(includeDirs_[i]) / name;
        in.clear();
        in.open(path, std::ios::binary);
    }
    if (!in) {
        if (kSystemHeaders.count(AsciiLower(name))) return;
        throw RcError(file, line, "cannot open include file '" + name + "'");
    }
    std::stringstream content;
    content << in.rdbuf();
    files_.push_back(path.string());
    // Headers contribute their #define lines only; script fragments are read whole.
    const std::string ext = path.extension().string();
    const bool header = ext == ".h" || ext == ".H" || ext == ".hpp" || ext == ".c";
    Run(content.str(), path.string(), path.parent_path().string(), header, depth + 1);
}

}  // namespace

void Preprocess(const std::string& text, const std::string& file, const std::string& dir,
                const std::vector<std::string>& includeDirs, DefineTable& defines, Evaluator& eval,
                std::vector<Token>& tokens, std::vector<std::string>& files) {
    Preprocessor(includeDirs, defines, eval, tokens, files).Run(text, file, dir, false, 0);
}

}  // namespace rc
