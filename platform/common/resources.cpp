#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <vector>

#include "dlgtemplate.h"

namespace {
std::vector<const ResourceTable*>& Tables() {
    static std::vector<const ResourceTable*> tables;
    return tables;
}
}  // namespace

void AfxRegisterResources(const ResourceTable* table) { Tables().push_back(table); }

const DlgTemplate* AfxFindDialogTemplate(unsigned id) {
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        for (size_t i = 0; i < (*t)->dialogCount; ++i)
            if (static_cast<unsigned>((*t)->dialogs[i].id) == id) return &(*t)->dialogs[i];
    return nullptr;
}

namespace {
template <typename T>
const T* FindIn(unsigned id, const T* ResourceTable::*list, size_t ResourceTable::*count) {
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        for (size_t i = 0; i < (*t)->*count; ++i)
            if (((*t)->*list)[i].id == id) return &((*t)->*list)[i];
    return nullptr;
}
}  // namespace

const FileResource* AfxFindIconResource(unsigned id) { return FindIn(id, &ResourceTable::icons, &ResourceTable::iconCount); }

const FileResource* AfxFindBitmapResource(unsigned id) {
    return FindIn(id, &ResourceTable::bitmaps, &ResourceTable::bitmapCount);
}

const VersionResource* AfxFindVersionResource(unsigned id) {
    return FindIn(id, &ResourceTable::versions, &ResourceTable::versionCount);
}

namespace {
template <typename T>
bool Holds(const T* list, size_t count, unsigned id) {
    for (size_t i = 0; i < count; ++i)
        if (static_cast<unsigned>(list[i].id) == id) return true;
    return false;
}
}  // namespace

const ResourceTable* AfxFindResourceTable(unsigned id, unsigned type) {
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t) {
        const ResourceTable& r = **t;
        const bool found = type == 2    ? Holds(r.bitmaps, r.bitmapCount, id)
                           : type == 5  ? Holds(r.dialogs, r.dialogCount, id)
                           : type == 6  ? Holds(r.strings, r.stringCount, id)
                           : type == 14 ? Holds(r.icons, r.iconCount, id)
                           : type == 16 ? Holds(r.versions, r.versionCount, id)
                                        : false;
        if (found) return *t;
    }
    return nullptr;
}

std::string AfxVersionText(const VersionResource& v) {
    return std::to_string(v.fileVersionMS >> 16) + "." + std::to_string(v.fileVersionMS & 0xFFFF) + "." +
           std::to_string(v.fileVersionLS >> 16) + "." + std::to_string(v.fileVersionLS & 0xFFFF);
}

const char* AfxVersionString(const VersionResource& version, const char* key) {
    if (version.blockCount == 0) return nullptr;
    const VersionStringBlock* block = &version.blocks[0];
    if (version.translationCount > 0) {
        char name[9];
        std::snprintf(name, sizeof name, "%04X%04X", version.translations[0].language, version.translations[0].codePage);
        for (size_t i = 0; i < version.blockCount; ++i)
            if (strcasecmp(version.blocks[i].name, name) == 0) block = &version.blocks[i];
    }
    for (size_t i = 0; i < block->count; ++i)
        if (std::strcmp(block->strings[i].key, key) == 0) return block->strings[i].value;
    return nullptr;
}

const StringResource* AfxFindStringResource(unsigned id) {
    const auto& tables = Tables();
    for (auto t = tables.rbegin(); t != tables.rend(); ++t)
        for (size_t i = 0; i < (*t)->stringCount; ++i)
            if ((*t)->strings[i].id == id) return &(*t)->strings[i];
    return nullptr;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const int64_t product = static_cast<int64_t>(a) * b;
    const bool negative = (product < 0) != (c < 0);
    const int64_t num = product < 0 ? -product : product;
    const int64_t den = c < 0 ? -static_cast<int64_t>(c) : c;
    const int64_t q = (num + den / 2) / den;
    return static_cast<int>(negative ? -q : q);
}

DialogBaseUnits BaseUnitsFromFont(int alphabetWidth, int fontHeight) {
    // The average of the 52 letters, rounded: (width / 26 + 1) / 2.
    return DialogBaseUnits{(alphabetWidth / 26 + 1) / 2, fontHeight};
}

PixelRect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits base) {
    return PixelRect{MulDiv(x, base.x, 4), MulDiv(y, base.y, 8), MulDiv(cx, base.x, 4),
                     MulDiv(cy, base.y, 8)};
}
