// The reader's entry points: the preprocessor turns the script into tokens
// and #defines, then the statement parser reads the tokens into the script's
// resources. rc_internal.h says which file does what.
#include "rc_parser.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "rc_internal.h"

ResourceScript ParseResourceText(const std::string& text, const std::string& name, const std::string& directory,
                                 const std::vector<std::string>& includeDirs) {
    ResourceScript script;
    rc::DefineTable defines;
    rc::Evaluator eval(defines, name);
    std::vector<rc::Token> tokens;
    rc::Preprocess(text, name, directory, includeDirs, defines, eval, tokens, script.files);
    // Names in statements are read with the #defines as they stand at the end of the script.
    rc::TokenStream in(std::move(tokens), name);
    rc::StatementParser(in, eval, script).Parse();
    return script;
}

ResourceScript ParseResourceFile(const std::string& path, const std::vector<std::string>& includeDirs) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw RcError(path, 0, "cannot open the resource script");
    std::stringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);  // byte-order mark
    return ParseResourceText(text, path, std::filesystem::path(path).parent_path().string(), includeDirs);
}
