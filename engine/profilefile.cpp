#include "profilefile.h"

#include "loginfo.h"
#include "wholefile.h"

#include <QDebug>

namespace ProfileFile {
namespace {
constexpr char RecordStart = '\xFF';
// Items of a record traced one by one; the rest of a record is summed up.
constexpr int LoggedItems = 8;
}  // namespace

QByteArray encodeMacroSection(const WholeStruct& record)
{
    QByteArray section;
    for (int slot = 0; slot < WholeStruct::MacroSlots; ++slot) {
        const MacroStruct& macro = record.macros[static_cast<std::size_t>(slot)];
        section.append(RecordStart).append(RecordStart);
        if (macro.items.isEmpty()) {
            section.append('\0').append('\0');
            continue;
        }
        qCDebug(zr540Engine) << "list != 0" << slot;
        section.append(static_cast<char>(macro.header0)).append(static_cast<char>(macro.header1));
        for (const MacroItem& item : macro.items)
            section.append(static_cast<char>(item.first)).append(static_cast<char>(item.second));
    }
    if (section.size() % 2 != 0)
        qCDebug(zr540Engine) << "sumByte error";
    return section;
}

QByteArray encode(const WholeStruct& record)
{
    QByteArray content(reinterpret_cast<const char*>(record.settings.data()), WholeStruct::SettingsSize);
    return content + encodeMacroSection(record);
}

bool decode(const QByteArray& content, WholeStruct& record)
{
    qCDebug(zr540Engine) << "file get:" << content.size() << WholeStruct::SettingsSize;
    if (content.size() < WholeStruct::SettingsSize)
        return false;
    std::copy(content.begin(), content.begin() + WholeStruct::SettingsSize, record.settings.begin());
    const auto* rest = reinterpret_cast<const std::uint8_t*>(content.constData()) + WholeStruct::SettingsSize;
    const int restSize = content.size() - WholeStruct::SettingsSize;
    qCDebug(zr540Engine) << "file getf:" << restSize << WholeStruct::SettingsSize;

    for (MacroStruct& macro : record.macros)
        macro.items.clear();
    if (restSize % 2 != 0)
        qCDebug(zr540Engine) << "get file error";  // the unpaired last byte goes with a 0

    int slot = 0;
    bool headerExpected = true;
    int items = 0;       // of the current record, dropped ones included
    int startsSeen = 0;  // FF FF pairs
    // The items of a record after the first few are summed up in one line when it ends.
    const auto closeRecord = [&] {
        if (items > LoggedItems)
            qCDebug(zr540Engine) << "attcode" << items - LoggedItems << "more items";
        if (items > MacroStruct::MaxItems - 1)
            loginfo(QStringLiteral("profile record %1 holds %2 items, the first %3 are kept")
                        .arg(slot)
                        .arg(items)
                        .arg(MacroStruct::MaxItems - 1));
        items = 0;
    };
    for (int at = 0; at < restSize && slot < WholeStruct::MacroSlots; at += 2) {
        const std::uint8_t b0 = rest[at];
        const std::uint8_t b1 = at + 1 < restSize ? rest[at + 1] : 0;
        MacroStruct& macro = record.macros[static_cast<std::size_t>(slot)];
        if (b0 == 0x00 && b1 == 0x00) {
            if (!macro.items.isEmpty())
                macro.items.append(MacroItem{0, 0});
            closeRecord();
            ++slot;  // records after the sixteenth are ignored
            headerExpected = true;
        } else if (b0 == 0xFF && b1 == 0xFF) {
            if (++startsSeen <= WholeStruct::MacroSlots)
                qCDebug(zr540Engine) << "find start";
        } else if (headerExpected) {
            qCDebug(zr540Engine) << "reapeat " << int(b0) << int(b1);
            macro.items.clear();
            macro.header0 = b0;
            macro.header1 = b1;
            headerExpected = false;
        } else {
            // The end item must still fit into the mouse's block.
            if (++items <= LoggedItems)
                qCDebug(zr540Engine) << "attcode" << int(b0) << int(b1);
            if (macro.items.size() < MacroStruct::MaxItems - 1)
                macro.items.append(MacroItem{b0, b1});
        }
    }
    if (slot < WholeStruct::MacroSlots)
        closeRecord();
    if (startsSeen > WholeStruct::MacroSlots)
        qCDebug(zr540Engine) << "find start" << startsSeen - WholeStruct::MacroSlots << "more times";
    qCDebug(zr540Engine) << "end getLocalGunShootProfileByConfigureNumber";
    return true;
}

bool read(const QString& path, WholeStruct& record)
{
    QByteArray content;
    return readWholeFile(path, content, ReadLimit::ProfileFile) && decode(content, record);
}

}  // namespace ProfileFile
