// USBDriver_540: the ZR540 on the HID seam. Its lower half finds the mouse's two vendor
// collections and moves one report at a time; its upper half is the mouse's report protocol.
//
// The mouse has two vendor collections (usage page 0xFF00, usage 0x0001): a 6-byte feature
// report that carries short requests (the command channel) and a 1032-byte one that carries the
// mouse's replies and our bulk writes (the data channel). Every reply comes back with report id 6
// on the data channel; after every bulk write we wait 50 ms and ask for the status bytes.
#pragma once

#include "deviceprofileblock.h"
#include "hid.h"
#include "hidchannel.h"
#include "macrostruct.h"
#include "mouseprotocol.h"

#include <QList>
#include <QObject>
#include <QString>
#include <chrono>
#include <cstdint>
#include <memory>

class USBDriver_540 : public QObject {
    Q_OBJECT
public:
    static constexpr int ProfileCacheSize = MouseProtocol::ProfileMemorySize;
    static constexpr int PictureSize = MouseProtocol::PictureSize;
    // The pause between a bulk write and its status query: the mouse needs 50 ms.
    static constexpr std::chrono::milliseconds MouseConfirmPause{50};

    // The driver talks to the mouse through `hid` and waits `confirmPause` after every bulk write.
    explicit USBDriver_540(std::shared_ptr<hid::Backend> hid,
                           std::chrono::milliseconds confirmPause = MouseConfirmPause, QObject* parent = nullptr);
    ~USBDriver_540() override;

    // Protocol
    virtual int GetProfileData(DeviceProfileBlock* out);
    virtual int SetProfileData(const DeviceProfileBlock* in);
    virtual int GetAllMacroData(QList<MacroStruct>* out);
    virtual int GetMacroData(std::uint8_t address, MacroStruct* out);
    virtual int SetPictureData(const std::uint8_t* data);  // PictureSize bytes
    virtual int GetPictureData(std::uint8_t* out);         // PictureSize bytes

    // Transport
    virtual void SetDeviceIds(std::uint16_t productId, std::uint16_t vendorId);  // product first
    virtual int OpenDevice();
    virtual std::uint16_t GetVersionNumber() const;
    virtual int SendFeature(HidChannel* channel, const std::uint8_t* data, int length);
    virtual int ReceiveFeature(HidChannel* channel, std::uint8_t* out, int length);
    virtual int SetFeatureReport(HidChannel* channel, const std::uint8_t* data, int length);
    virtual int GetFeatureReport(HidChannel* channel, std::uint8_t* out, int length);
    virtual int WriteOutputReport(HidChannel* channel, const std::uint8_t* data, int length);
    virtual int ReadInputReport(HidChannel* channel, std::uint8_t* buffer, int length);
    virtual void CloseDevice();

    int SetMacroData(const MacroStruct* block, std::uint8_t address);
    int QueryStatus(std::uint8_t* out, int index);
    // Decodes a macro block reply of `length` bytes (a whole data report by default).
    // Leaves `out` untouched when the block is empty or holds no item.
    static int ParseMacroBlock(const std::uint8_t* reply, MacroStruct* out,
                               int length = MouseProtocol::DataReportLength);

    HidChannel commandChannel;
    HidChannel dataChannel;
    std::uint8_t profileCache[ProfileCacheSize] = {};
    // The 24 macro block addresses 140, 144, …, 232.
    const QList<std::uint8_t> macroReadAddressList;

private:
    int writeAndConfirm(int statusIndex);
    int sendBulkWrite(const MouseProtocol::BulkHeader& header, const std::uint8_t* data, int dataLength,
                      int payloadLength, int statusIndex);
    int fetchReply(std::uint8_t* reply, const char* operation);
    int readMacroReply(std::uint8_t address, std::uint8_t* reply);
    void closeChannel(HidChannel& channel);

    std::shared_ptr<hid::Backend> m_hid;
    std::chrono::milliseconds m_confirmPause;
    std::uint16_t m_vendorId = 0;
    std::uint16_t m_productId = 0;
    std::uint16_t m_releaseNumber = 0;
};
