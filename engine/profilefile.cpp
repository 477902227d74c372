#include "profilefile.h"

#include "loginfo.h"

#include <QDebug>

namespace ProfileFile {
namespace {
constexpr char RecordStart = '\xFF';
}

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
        qDebug() << "list != 0" << slot;
        section.append(static_cast<char>(macro.header0)).append(static_cast<char>(macro.header1));
        for (const MacroItem& item : macro.items)
            section.append(static_cast<char>(item.first)).append(static_cast<char>(item.second));
    }
    if (section.size() % 2 != 0)
        qDebug() << "sumByte error";
    return section;
}

QByteArray encode(const WholeStruct& record)
{
    QByteArray content(reinterpret_cast<const char*>(record.settings.data()), WholeStruct::SettingsSize);
    return content + encodeMacroSection(record);
}

bool decode(const QByteArray& content, WholeStruct& record)
{
    qDebug() << "file get:" << content.size() << WholeStruct::SettingsSize;
    if (content.size() < WholeStruct::SettingsSize)
        return false;
    std::copy(content.begin(), content.begin() + WholeStruct::SettingsSize, record.settings.begin());
    QByteArray rest = content.mid(WholeStruct::SettingsSize);
    qDebug() << "file getf:" << rest.size() << WholeStruct::SettingsSize;

    for (MacroStruct& macro : record.macros)
        macro.items.clear();
    if (rest.size() % 2 != 0) {
        qDebug() << "get file error";
        rest.append('\0');  // the unpaired last byte goes with a 0
    }

    int slot = 0;
    bool headerExpected = true;
    for (int at = 0; at + 1 < rest.size() && slot < WholeStruct::MacroSlots; at += 2) {
        const auto b0 = static_cast<std::uint8_t>(rest[at]);
        const auto b1 = static_cast<std::uint8_t>(rest[at + 1]);
        MacroStruct& macro = record.macros[static_cast<std::size_t>(slot)];
        if (b0 == 0x00 && b1 == 0x00) {
            if (!macro.items.isEmpty())
                macro.items.append(MacroItem{0, 0});
            ++slot;  // records after the sixteenth are ignored
            headerExpected = true;
        } else if (b0 == 0xFF && b1 == 0xFF) {
            qDebug() << "find start";
        } else if (headerExpected) {
            qDebug() << "reapeat " << int(b0) << int(b1);
            macro.items.clear();
            macro.header0 = b0;
            macro.header1 = b1;
            headerExpected = false;
        } else {
            qDebug() << "attcode" << int(b0) << int(b1);
            macro.items.append(MacroItem{b0, b1});
        }
    }
    qDebug() << "end getLocalGunShootProfileByConfigureNumber";
    return true;
}

}  // namespace ProfileFile
