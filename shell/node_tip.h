// What the tree tells about a node beside its label: the tip shown when the
// pointer rests on its item, and the colours of an item with an anomaly and
// of a phantom.
#pragma once

#include <string>

#include "node_fields.h"
#include "node_hints.h"

// The label of an item whose node has an anomaly is drawn in this dark red
// (0x00BBGGRR).
constexpr unsigned long kAnomalyTextColor = 0x0000008BUL;
// A phantom (data that only looked like an atom) is drawn in grey, whatever
// its figures: it is not part of the file's structure.
constexpr unsigned long kPhantomTextColor = 0x00808080UL;

// The tip, one line each: for a phantom first that it is none of the
// file's atoms, then the offset in hex and decimal, the declared size,
// the header's size, then one line per anomaly and per note, in Chinese:
//   偏移：0x0000002C（44）
//   声明大小：17640 字节
//   头部：8 字节
//   文件在此节点结束前截断，缺少 17596 字节
// After them, what a well-known node holds, when `fields` is given: one
// line per field ("dwRate/dwScale：25 帧/秒", "samplerate：48000 Hz"), or
// why some or all are missing.
struct TipFields {
    enum class Source {
        kRead,     // `fields` were read from the file
        kChanged,  // the file changed after the analysis: no fields
        kGone,     // the file cannot be opened any more: no fields
    };
    Source source = Source::kRead;
    viewer::NodeFields fields;
};
std::string NodeTipText(const viewer::NodeDescription& d, const TipFields* fields = nullptr);

// The most field lines a tip shows; a longer list ends in "……".
constexpr size_t kTipFieldLines = 24;
