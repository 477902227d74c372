// MacroEncoder: a macro file's content becomes the compact block the mouse plays. No file, no
// device, no engine: the macro download reads the file once and hands its content here.
//
// Items (first byte, second byte):
//   {d, k}                     key event: k the key code, d the delay after it (1–127 ms), bit 7 = release
//   {d, k} {0,1} {h, l}        the same with a long delay: d = delay mod 100, then delay / 100 (big-endian)
//   {0,2} {x, y}               mouse movement; the mouse counts y downwards
//   {0,0}                      end of the macro
// The header is the repeat count, big-endian.
#pragma once

#include "macronode.h"
#include "macrostruct.h"

#include <QList>

namespace MacroEncoder {

constexpr int IgnoreDelays = 2;  // "IgnoreDelayTime" value that drops every delay

// The items of the events, end item included.
QList<MacroItem> encodeEvents(const QList<MacroNode>& nodes, bool ignoreDelays);

// The whole block: repeat count and items. False when it holds more items than a macro block
// takes; `block` is filled all the same.
bool encode(const MacroFileContent& content, MacroStruct& block);

}  // namespace MacroEncoder
