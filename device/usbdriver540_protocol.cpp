// The protocol half of USBDriver_540: the requests, replies and bulk writes the mouse knows.
//
// Requests go out on the command channel (6 bytes); the mouse's answer is fetched with a
// get-feature on the data channel (1032 bytes) and carries report id 6 whichever channel asked.
// Bulk writes go out on the data channel; 50 ms later the status reply says whether the mouse
// took them (0 is success).
#include "devicelog.h"
#include "usbdriver540.h"

#include <QThread>
#include <algorithm>
#include <cstring>
#include <vector>

using namespace MouseProtocol;

int USBDriver_540::QueryStatus(std::uint8_t* out, int index)
{
    if (!out || index < 0 || index >= StatusReplyLength - 1)
        return 0;
    const std::uint8_t request[] = {StatusRequest};
    if (!SendFeature(&commandChannel, request, sizeof request))
        return 0;
    std::uint8_t reply[StatusReplyLength] = {};
    if (!ReceiveFeature(&dataChannel, reply, StatusReplyLength))
        return 0;
    if (reply[0] != ReplyReportId || reply[ReplyCommand] != StatusRequest)
        return 0;
    *out = reply[1 + index];
    return 1;
}

int USBDriver_540::writeAndConfirm(int statusIndex)
{
    QThread::msleep(static_cast<unsigned long>(m_confirmPause.count()));
    std::uint8_t status = 0xFF;
    return QueryStatus(&status, statusIndex) && status == 0 ? 1 : 0;
}

// Fetches a whole reply from the data channel. The channel must carry the mouse's 1032-byte
// report; anything shorter would leave part of the reply unread.
int USBDriver_540::fetchReply(std::uint8_t* reply, const char* operation)
{
    if (dataChannel.featureReportLength < DataReportLength) {
        deviceLog(QStringLiteral("%1: the data channel carries %2 bytes, %3 needed")
                      .arg(QLatin1String(operation)).arg(dataChannel.featureReportLength).arg(DataReportLength));
        return 0;
    }
    return ReceiveFeature(&dataChannel, reply, DataReportLength);
}

int USBDriver_540::GetProfileData(DeviceProfileBlock* out)
{
    if (!out)
        return 0;
    const std::uint8_t request[] = {ReadProfile, ProfileAddress};
    if (!SendFeature(&commandChannel, request, sizeof request))
        return 0;
    deviceLog(QStringLiteral("GetProfileData len: %1 1").arg(dataChannel.featureReportLength));
    std::uint8_t reply[DataReportLength];
    if (!fetchReply(reply, "GetProfileData"))
        return 0;
    // Either mark will do: the mouse is not always strict about both.
    if (reply[0] != ReplyReportId && reply[ReplyCommand] != ReadProfile)
        return 0;
    std::memcpy(profileCache, reply + ReplyData, ProfileCacheSize);
    std::memcpy(out->bytes.data(), profileCache, DeviceProfileBlock::Size);
    return 1;
}

// One bulk write on the data channel: the head, `dataLength` bytes, zeros up to `payloadLength`;
// then the pause and the status byte of its kind.
int USBDriver_540::sendBulkWrite(const BulkHeader& header, const std::uint8_t* data, int dataLength,
                                 int payloadLength, int statusIndex)
{
    std::vector<std::uint8_t> payload(static_cast<std::size_t>(payloadLength), 0);
    std::memcpy(payload.data(), &header, sizeof header);
    std::copy(data, data + dataLength, payload.begin() + sizeof header);
    if (!SendFeature(&dataChannel, payload.data(), payloadLength))
        return 0;
    return writeAndConfirm(statusIndex);
}

int USBDriver_540::SetProfileData(const DeviceProfileBlock* in)
{
    if (!in)
        return 0;
    // Bytes 476… of the cache keep what the last read left there (zeros before any read).
    std::memcpy(profileCache, in->bytes.data(), DeviceProfileBlock::Size);
    // 504 cache bytes after the 7-byte head, and one 0 to close the 512 bytes.
    return sendBulkWrite(BulkHeader(WriteProfile, ProfileAddress, ProfileWriteLength), profileCache,
                         ProfileWritePayload - int(sizeof(BulkHeader)) - 1, ProfileWritePayload, ProfileStatus);
}

int USBDriver_540::SetMacroData(const MacroStruct* block, std::uint8_t address)
{
    if (!block)
        return 0;
    if (block->items.size() > MacroStruct::MaxItems) {
        deviceLog(QStringLiteral("SetMacroData: %1 items, a block holds %2").arg(block->items.size()).arg(MacroStruct::MaxItems));
        return 0;
    }
    std::vector<std::uint8_t> data;
    data.reserve(2 + 2 * static_cast<std::size_t>(block->items.size()));
    data.push_back(block->header0);
    data.push_back(block->header1);
    for (const MacroItem& item : block->items) {
        deviceLog(QString::asprintf("item: %x %x", item.first, item.second));
        data.push_back(item.first);
        data.push_back(item.second);
    }
    return sendBulkWrite(BulkHeader(WriteMacro, address, BulkWriteLength), data.data(), int(data.size()),
                         BulkWritePayload, MacroStatus);
}

int USBDriver_540::SetPictureData(const std::uint8_t* data)
{
    if (!data)
        return 0;
    return sendBulkWrite(BulkHeader(WritePicture, PictureAddress, BulkWriteLength), data, PictureSize,
                         BulkWritePayload, PictureStatus);
}

int USBDriver_540::GetPictureData(std::uint8_t* out)
{
    if (!out)
        return 0;
    const std::uint8_t request[] = {ReadPicture, PictureAddress};
    if (!SendFeature(&commandChannel, request, sizeof request))
        return 0;
    std::uint8_t reply[DataReportLength];
    if (!fetchReply(reply, "GetPictureData"))
        return 0;
    if (reply[0] != ReplyReportId && reply[ReplyCommand] != ReadPicture && reply[ReplyAddress] != PictureAddress)
        return 0;
    std::memcpy(out, reply + ReplyData, PictureSize);
    return 1;
}

// Asks for the macro block at `address` and fetches the reply. Any one of its marks will do.
int USBDriver_540::readMacroReply(std::uint8_t address, std::uint8_t* reply)
{
    const std::uint8_t request[] = {ReadMacro, address, 0x00};
    if (!SendFeature(&commandChannel, request, sizeof request) || !fetchReply(reply, "GetMacroData"))
        return 0;
    return reply[0] == ReplyReportId || reply[ReplyCommand] == ReadMacro || reply[ReplyAddress] == address
        || reply[ReplyZero] == 0;
}

int USBDriver_540::GetMacroData(std::uint8_t address, MacroStruct* out)
{
    std::uint8_t reply[DataReportLength];
    if (!out || !readMacroReply(address, reply) || !ParseMacroBlock(reply, out))
        return 0;
    return writeAndConfirm(MacroStatus);
}

int USBDriver_540::GetAllMacroData(QList<MacroStruct>* out)
{
    if (!out)
        return 0;
    for (int i = 0; i < MacroBlocksRead && i < macroReadAddressList.size(); ++i) {
        std::uint8_t reply[DataReportLength];
        if (!readMacroReply(macroReadAddressList.at(i), reply))
            return 0;
        MacroStruct block;
        if (ParseMacroBlock(reply, &block))
            out->append(block);  // empty blocks are skipped
        if (!writeAndConfirm(MacroStatus))
            return 0;
    }
    return 1;
}

int USBDriver_540::ParseMacroBlock(const std::uint8_t* reply, MacroStruct* out, int length)
{
    if (!reply || !out || length < MacroItemsAt)
        return 0;
    if (reply[ReplyData] == 0 && reply[ReplyData + 1] == 0)
        return 0;  // nothing stored at this address
    MacroStruct block;
    block.header0 = reply[ReplyData];
    block.header1 = reply[ReplyData + 1];
    for (int at = MacroItemsAt; at + 1 < length && block.items.size() < MacroStruct::MaxItems; at += 2) {
        const MacroItem item{reply[at], reply[at + 1]};
        if (item.first == 0 && item.second == 0)
            break;
        block.items.append(item);
    }
    if (block.items.isEmpty())
        return 0;
    *out = block;
    return 1;
}
