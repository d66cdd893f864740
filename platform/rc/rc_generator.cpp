// The code generator of the resource converter: the C++ source of a
// ResourceTable (dlgtemplate.h) holding what a script defines, and the make
// rule that names the files it was made from.
#include <cstdio>
#include <filesystem>
#include <ostream>
#include <sstream>

#include "rc_parser.h"

namespace {

// A C++ string literal of UTF-8 bytes: anything but printable ASCII is an
// octal escape, and so is '?', so that no trigraph can form.
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

const char* Bool(bool b) { return b ? "true" : "false"; }

// kItems<id>_<language>: the controls of each dialog that has any.
void WriteDialogItems(std::ostream& o, const std::vector<RcDialog>& dialogs) {
    for (const RcDialog& d : dialogs) {
        if (d.controls.empty()) continue;
        o << "const DlgItemTemplate kItems" << d.id << "_" << d.language << "[] = {\n";
        for (const RcControl& c : d.controls)
            o << "    {" << Quote(c.className) << ", " << Quote(c.text) << ", " << c.id << ", " << Hex(c.style) << ", "
              << Hex(c.exStyle) << ", " << c.x << ", " << c.y << ", " << c.cx << ", " << c.cy << ", " << c.imageId
              << "},\n";
        o << "};\n\n";
    }
}

void WriteDialogs(std::ostream& o, const std::vector<RcDialog>& dialogs) {
    WriteDialogItems(o, dialogs);
    if (dialogs.empty()) return;
    o << "const DlgTemplate kDialogs[] = {\n";
    for (const RcDialog& d : dialogs) {
        o << "    {" << d.id << ", " << Bool(d.extended) << ", " << Hex(d.style) << ", " << Hex(d.exStyle) << ", "
          << d.x << ", " << d.y << ", " << d.cx << ", " << d.cy << ", " << Quote(d.caption) << ", " << d.pointSize
          << ", " << d.weight << ", " << Bool(d.italic) << ", " << Quote(d.faceName) << ", " << d.language << ", ";
        if (d.controls.empty())
            o << "nullptr, 0},\n";
        else
            o << "kItems" << d.id << "_" << d.language << ", " << d.controls.size() << "},\n";
    }
    o << "};\n\n";
}

void WriteStrings(std::ostream& o, const std::vector<RcString>& strings) {
    if (strings.empty()) return;
    o << "const StringResource kStrings[] = {\n";
    for (const RcString& s : strings) o << "    {" << s.id << ", " << s.language << ", " << Quote(s.text) << "},\n";
    o << "};\n\n";
}

// The bytes of each icon or bitmap file, 16 to a line, and the table
// k<name>s that lists them.
void WriteFiles(std::ostream& o, const std::vector<RcFile>& list, const char* name) {
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
}

// The string blocks and translations of version resource number n. An
// empty array gets one zero entry, as C++ has no arrays of size 0.
void WriteVersionParts(std::ostream& o, const RcVersion& v, size_t n) {
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

void WriteVersions(std::ostream& o, const std::vector<RcVersion>& versions) {
    for (size_t n = 0; n < versions.size(); ++n) WriteVersionParts(o, versions[n], n);
    if (versions.empty()) return;
    o << "const VersionResource kVersions[] = {\n";
    for (size_t n = 0; n < versions.size(); ++n) {
        const RcVersion& v = versions[n];
        o << "    {" << v.id << ", " << v.language << ", " << Hex(v.fileVersion[0]) << ", " << Hex(v.fileVersion[1])
          << ", " << Hex(v.productVersion[0]) << ", " << Hex(v.productVersion[1]) << ", " << Hex(v.fileFlagsMask)
          << ", " << Hex(v.fileFlags) << ", " << Hex(v.fileOS) << ", " << Hex(v.fileType) << ", "
          << Hex(v.fileSubtype) << ", kVersion" << n << "Blocks, " << v.blocks.size() << ", kVersion" << n
          << "Translations, " << v.translations.size() << "},\n";
    }
    o << "};\n\n";
}

// "kDialogs, 2" in the ResourceTable, or "nullptr, 0" when there are none.
std::string TableEntry(bool empty, const char* name, size_t count) {
    return empty ? std::string("nullptr, 0") : std::string(name) + ", " + std::to_string(count);
}

}  // namespace

std::string GenerateResourceSource(const ResourceScript& script, const std::string& scriptName,
                                   const std::string& moduleFunction) {
    std::ostringstream o;
    o << "// Generated from " << scriptName << " by the resource converter; edit the script instead.\n"
      << (moduleFunction.empty() ? "" : "#include \"afxwin.h\"\n") << "#include \"dlgtemplate.h\"\n\nnamespace {\n\n";
    WriteDialogs(o, script.dialogs);
    WriteStrings(o, script.strings);
    WriteFiles(o, script.icons, "Icon");
    WriteFiles(o, script.bitmaps, "Bitmap");
    WriteVersions(o, script.versions);
    o << "const ResourceTable kTable = {" << Quote(scriptName) << ", "
      << TableEntry(script.dialogs.empty(), "kDialogs", script.dialogs.size()) << ", "
      << TableEntry(script.strings.empty(), "kStrings", script.strings.size()) << ", "
      << TableEntry(script.icons.empty(), "kIcons", script.icons.size()) << ", "
      << TableEntry(script.bitmaps.empty(), "kBitmaps", script.bitmaps.size()) << ", "
      << TableEntry(script.versions.empty(), "kVersions", script.versions.size()) << "};\n\n"
      << "struct Registrar {\n    Registrar() { AfxRegisterResources(&kTable); }\n} registrar;\n\n"
      << "}  // namespace\n";
    if (!moduleFunction.empty())
        o << "\nHINSTANCE " << moduleFunction
          << "() { return reinterpret_cast<HINSTANCE>(const_cast<ResourceTable*>(&kTable)); }\n";
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
