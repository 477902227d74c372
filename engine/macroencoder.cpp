#include "macroencoder.h"

#include "keyusagetable.h"
#include "loginfo.h"

#include <QDebug>
#include <QString>
#include <algorithm>

namespace {
constexpr int ShortDelayLimit = 127;
constexpr int ReleaseBit = 0x80;
constexpr int LongDelayUnit = 100;
// The longest delay the 16-bit count of 100 ms units carries. 0xFFFF itself would make an FF FF
// pair, which a profile file cannot keep, so the count stops one short of it.
constexpr int MaxLongDelayUnits = 0xFFFE;
constexpr int MaxMove = 127;
// The repeat count travels in the two header bytes; 0 or 0xFFFF would read back from a profile
// file as a record end or be dropped.
constexpr int MaxRepeat = 0xFFFE;

std::uint8_t byteOf(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

void appendMove(QList<MacroItem>& items, int x, int y)
{
    items << MacroItem{0x00, 0x02} << MacroItem{byteOf(x), byteOf(y)};
}

void appendKey(QList<MacroItem>& items, const MacroNode& node, bool ignoreDelays)
{
    const std::uint8_t key = KeyUsageTable::usageOf(static_cast<unsigned>(node.KeyValue));
    // A negative delay is no delay; a delay beyond the longest count is cut to it.
    const int t = std::clamp(node.TimeLapse, 0, MaxLongDelayUnits * LongDelayUnit + LongDelayUnit - 1);
    const bool longDelay = !ignoreDelays && t > ShortDelayLimit;
    int d = 1;
    int units = 0;
    if (longDelay) {
        units = t / LongDelayUnit;
        d = t % LongDelayUnit == 0 ? 1 : t % LongDelayUnit;
        qCDebug(zr540Engine).noquote() << QString::asprintf("valueSplit2BYTE:low %x high%x", units & 0xFF, (units >> 8) & 0xFF);
    } else if (!ignoreDelays && t != 0) {
        d = t;
    }
    if (node.State == 1)
        d += ReleaseBit;
    items << MacroItem{byteOf(d), key};
    if (longDelay)
        items << MacroItem{0x00, 0x01} << MacroItem{byteOf(units >> 8), byteOf(units)};
}

void appendMovement(QList<MacroItem>& items, const MacroNode& node)
{
    qCDebug(zr540Engine) << "SpecialCoordinate";
    const int x = std::clamp(node.CoordinateX, -MaxMove, MaxMove);
    const int y = -std::clamp(node.CoordinateY, -MaxMove, MaxMove);
    if (x == 0 && y == 0)
        return;  // moves nowhere, and {0,0} would end the macro
    if (x == -1 && y == -1) {
        // {FF, FF} is skipped by the profile file reader: the same move in two steps.
        appendMove(items, -1, 0);
        appendMove(items, 0, -1);
        return;
    }
    appendMove(items, x, y);
}
}  // namespace

QList<MacroItem> MacroEncoder::encodeEvents(const QList<MacroNode>& nodes, bool ignoreDelays)
{
    QList<MacroItem> items;
    for (const MacroNode& node : nodes) {
        if (node.ValueType == MacroNode::Key)
            appendKey(items, node, ignoreDelays);
        else if (node.ValueType == MacroNode::Movement)
            appendMovement(items, node);
    }
    items << MacroItem{0x00, 0x00};
    return items;
}

bool MacroEncoder::encode(const MacroFileContent& content, MacroStruct& block)
{
    const int count = std::clamp(content.repeatTimes, 1, MaxRepeat);
    block.items = encodeEvents(content.nodes, content.ignoreDelayTime == IgnoreDelays);
    qCDebug(zr540Engine).noquote() << QString::asprintf("valueSplit2BYTE:low %x high%x", count & 0xFF, (count >> 8) & 0xFF);
    block.header0 = byteOf(count >> 8);
    block.header1 = byteOf(count);
    return block.items.size() <= MacroStruct::MaxItems;
}
