// Resources of a program: dialog templates, strings, icons, bitmaps and
// version information, as the resource converter generates them from the
// program's resource script, and the conversion of dialog units to pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct DlgItemTemplate {
    const char* className;  // "button", "edit", "static", "SysTreeView32", ...
    const char* text;       // UTF-8
    int id;
    uint32_t style;
    uint32_t exStyle;
    short x, y, cx, cy;  // dialog units
    int imageId;         // text given as a resource number (the picture of a
                         // bitmap static): that number, text empty; else 0
};

struct DlgTemplate {
    int id;
    bool extended;  // DIALOGEX rather than DIALOG
    uint32_t style;
    uint32_t exStyle;
    short x, y, cx, cy;  // dialog units; cx, cy give the client area
    const char* caption;
    int pointSize;  // with DS_SETFONT
    int weight;
    bool italic;
    const char* faceName;
    uint16_t language;
    const DlgItemTemplate* items;  // in tab order
    size_t itemCount;
};

struct StringResource {
    unsigned id;
    uint16_t language;
    const char* text;
};

// An icon group or a bitmap: the bytes of the file the script names (an
// icon file or a .bmp file), checked by the converter.
struct FileResource {
    unsigned id;
    uint16_t language;
    const unsigned char* data;
    size_t size;
};

struct VersionString {
    const char* key;
    const char* value;  // UTF-8
};

// A block of StringFileInfo, named by language and code page ("080404B0").
struct VersionStringBlock {
    const char* name;
    const VersionString* strings;
    size_t count;
};

struct VersionTranslation {
    uint16_t language;
    uint16_t codePage;
};

struct VersionResource {
    unsigned id;
    uint16_t language;
    uint32_t fileVersionMS, fileVersionLS;  // major << 16 | minor, build << 16 | revision
    uint32_t productVersionMS, productVersionLS;
    uint32_t fileFlagsMask, fileFlags, fileOS, fileType, fileSubtype;
    const VersionStringBlock* blocks;
    size_t blockCount;
    const VersionTranslation* translations;
    size_t translationCount;
};

struct ResourceTable {
    const char* name;  // the script it came from
    const DlgTemplate* dialogs;
    size_t dialogCount;
    const StringResource* strings;
    size_t stringCount;
    const FileResource* icons;
    size_t iconCount;
    const FileResource* bitmaps;
    size_t bitmapCount;
    const VersionResource* versions;
    size_t versionCount;
};

// Makes the program's resources known; the generated table calls this during
// static initialisation. A later table is searched before earlier ones.
void AfxRegisterResources(const ResourceTable* table);
const DlgTemplate* AfxFindDialogTemplate(unsigned id);
const StringResource* AfxFindStringResource(unsigned id);
const FileResource* AfxFindIconResource(unsigned id);
const FileResource* AfxFindBitmapResource(unsigned id);
const VersionResource* AfxFindVersionResource(unsigned id);
// The table that holds resource `id` of `type` (5 dialog, 6 string, 14 icon
// group, 2 bitmap, 16 version), or null.
const ResourceTable* AfxFindResourceTable(unsigned id, unsigned type);
// "1.0.0.1": the file version of the fixed part.
std::string AfxVersionText(const VersionResource& version);

// The value of `key` in the version resource's string block of its first
// translation (the first block when no block matches); null if none.
const char* AfxVersionString(const VersionResource& version, const char* key);

// Dialog base units: from the dialog font, the average width of the 52 ASCII
// letters and the font's height, as Windows derives them.
struct DialogBaseUnits {
    int x;
    int y;
};
// alphabetWidth: width in pixels of "A".."Z" followed by "a".."z".
DialogBaseUnits BaseUnitsFromFont(int alphabetWidth, int fontHeight);

// a * b / c rounded to the nearest integer, halves away from zero; -1 when c is 0.
int MulDiv(int a, int b, int c);

struct PixelRect {
    int x, y, width, height;
};
// Where a window of `width` x `height` goes when centred on (cx, cy) inside
// `area` (the screen's work area): centred, but moved so that it stays
// inside; one larger than the area keeps its top-left corner (its caption
// and the controls near it) inside, as the system's dialog manager does.
PixelRect PlaceInside(const PixelRect& area, int width, int height, int cx, int cy);

// Converts a rectangle in dialog units to pixels: x and width by base.x / 4,
// y and height by base.y / 8, each value on its own.
PixelRect DialogUnitsToPixels(int x, int y, int cx, int cy, DialogBaseUnits base);
