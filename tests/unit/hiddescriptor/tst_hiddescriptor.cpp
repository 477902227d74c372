// The report-descriptor parser: against what Windows made of twenty real collections, against
// the mouse's own descriptors, and against hand-made descriptors for each kind of item and each
// way a descriptor can be broken.
#include "hiddescriptor.h"
#include "simulatedmouse.h"
#include "windowscapsfiles.h"
#include "testhelpers.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <memory>

using hid::HidDescriptor;
using hid::TopLevelCollection;

namespace {

QString hex4(unsigned v) { return QString("%1").arg(v, 4, 16, QChar('0')).toUpper(); }

// Value caps as "report id:usage page:usage x report count", in order.
template <class CapsList>
QString capsText(const CapsList& caps)
{
    QStringList parts;
    for (const auto& c : caps)
        parts << QString("%1:%2:%3x%4").arg(c.reportId).arg(hex4(c.usagePage), hex4(c.usage)).arg(c.reportCount);
    return parts.join(',');
}

// One collection in one line: "FF00:0001 in=0 out=0 feat=6 fvc=5:FF00:0001x5" (ivc, ovc and fvc
// only where the collection has value caps of that kind).
QString describe(const TopLevelCollection& c)
{
    QString text = QString("%1:%2 in=%3 out=%4 feat=%5")
                       .arg(hex4(c.caps.usagePage), hex4(c.caps.usage))
                       .arg(c.caps.inputReportByteLength)
                       .arg(c.caps.outputReportByteLength)
                       .arg(c.caps.featureReportByteLength);
    if (!c.inputValueCaps.empty())
        text += " ivc=" + capsText(c.inputValueCaps);
    if (!c.outputValueCaps.empty())
        text += " ovc=" + capsText(c.outputValueCaps);
    if (!c.featureValueCaps.empty())
        text += " fvc=" + capsText(c.featureValueCaps);
    return text;
}

QString describe(const HidDescriptor& d)
{
    QStringList parts;
    for (const TopLevelCollection& c : d.collections())
        parts << describe(c);
    return parts.join(" | ");
}

QByteArray fromHex(const char* text) { return QByteArray::fromHex(QByteArray(text).replace(' ', "")); }

// Parses from a heap block of exactly the descriptor's size, so a read past its end is caught
// by the address sanitizer.
bool parseExact(const QByteArray& bytes, HidDescriptor& out, std::string& error)
{
    std::unique_ptr<std::uint8_t[]> block(new std::uint8_t[std::size_t(bytes.size())]);
    std::memcpy(block.get(), bytes.constData(), std::size_t(bytes.size()));
    return HidDescriptor::parse(block.get(), std::size_t(bytes.size()), out, error);
}

QString windowsCapsDir() { return QStringLiteral(ZR540_SHARED_TESTDATA_DIR "/hid-windows-caps"); }

QByteArray readDescriptorFile(const QString& name)
{
    QFile file(QStringLiteral(ZR540_TEST_DATA_DIR "/descriptors/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TestHidDescriptor : public QObject {
    Q_OBJECT

private slots:
    void windowsCollections_data();
    void windowsCollections();
    void mouseDescriptorsWholeAndCut_data();
    void mouseDescriptorsWholeAndCut();
    void recorderDumps_data();
    void recorderDumps();
    void recorderDumpIsTheSimulatedMouse();
    void items_data();
    void items();
    void malformed_data();
    void malformed();
    void reportLookup();
};

void TestHidDescriptor::windowsCollections_data()
{
    QTest::addColumn<QString>("name");
    const QDir dir(windowsCapsDir());
    const QStringList captures = dir.entryList({"*.pp_data"}, QDir::Files, QDir::Name);
    if (captures.isEmpty())
        QSKIP(qPrintable("the Windows HID captures are not there: " + dir.absolutePath()));
    for (const QString& capture : captures) {
        const QString name = capture.chopped(int(sizeof(".pp_data") - 1));
        QTest::newRow(qPrintable(name)) << name;
    }
}

void TestHidDescriptor::windowsCollections()
{
    QFETCH(QString, name);
    const QDir dir(windowsCapsDir());
    WindowsCollection windows;
    QByteArray bytes;
    QString why;
    QVERIFY2(readPreparsedDump(dir.filePath(name + ".pp_data"), windows, why), qPrintable(why));
    QVERIFY2(readDescriptorDump(dir.filePath(name + "_real.rpt_desc"), bytes, why), qPrintable(why));
    HidDescriptor descriptor;
    std::string error;
    QVERIFY2(parseExact(bytes, descriptor, error), error.c_str());

    // The collection with Windows' usage; where a device has two alike, the one Windows numbered.
    QVector<int> candidates;
    for (int i = 0; i < int(descriptor.collections().size()); ++i) {
        const hid::Caps& caps = descriptor.collections()[std::size_t(i)].caps;
        if (caps.usagePage == windows.usagePage && caps.usage == windows.usage)
            candidates << i;
    }
    QVERIFY2(!candidates.isEmpty(), qPrintable("no collection " + hex4(windows.usagePage) + ":" + hex4(windows.usage)
                                               + " among " + describe(descriptor)));
    QVERIFY2(candidates.size() == 1 || candidates.contains(windows.collectionIndex),
             "several alike collections and no index to tell");
    const TopLevelCollection& c =
        descriptor.collections()[std::size_t(candidates.size() == 1 ? candidates.first() : windows.collectionIndex)];
    QCOMPARE(c.caps.inputReportByteLength, windows.reportByteLength[0]);
    QCOMPARE(c.caps.outputReportByteLength, windows.reportByteLength[1]);
    QCOMPARE(c.caps.featureReportByteLength, windows.reportByteLength[2]);
    QCOMPARE(capsText(c.inputValueCaps), capsText(windows.valueCaps[0]));
    QCOMPARE(capsText(c.outputValueCaps), capsText(windows.valueCaps[1]));
    QCOMPARE(capsText(c.featureValueCaps), capsText(windows.valueCaps[2]));
    QCOMPARE(int(c.caps.numberInputValueCaps), windows.valueCaps[0].size());
    QCOMPARE(int(c.caps.numberFeatureValueCaps), windows.valueCaps[2].size());
}

void TestHidDescriptor::mouseDescriptorsWholeAndCut_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("vendor interface") << "zr540-vendor";
    QTest::newRow("pointer interface") << "zr540-pointer";
}

void TestHidDescriptor::mouseDescriptorsWholeAndCut()
{
    QFETCH(QString, name);
    const QByteArray bytes = readDescriptorFile(name + ".bin");
    QVERIFY(!bytes.isEmpty());
    HidDescriptor full;
    std::string error;
    QVERIFY2(parseExact(bytes, full, error), error.c_str());
    QStringList collections, expected;
    for (const TopLevelCollection& c : full.collections())
        collections << describe(c);
    for (const QByteArray& line : readDescriptorFile(name + ".expected").split('\n')) {
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            expected << QString::fromUtf8(line.trimmed());
    }
    QCOMPARE(collections, expected);

    // Each descriptor ends by closing its last collection, so a shorter piece is broken (cut
    // inside an item, or with a collection left open) unless it stops after a whole top-level
    // collection: then it holds exactly the collections before the cut.
    for (int size = 0; size < bytes.size(); ++size) {
        HidDescriptor cut;
        error.clear();
        if (parseExact(bytes.left(size), cut, error)) {
            const int k = int(cut.collections().size());
            QVERIFY(k >= 1 && k < collections.size());
            QCOMPARE(describe(cut), QStringList(collections.mid(0, k)).join(" | "));
        } else {
            QVERIFY(!error.empty());
            QVERIFY(cut.collections().empty());
        }
    }
    QVERIFY(!parseExact(bytes.left(bytes.size() - 1), full, error));
}

void TestHidDescriptor::recorderDumps_data()
{
    QTest::addColumn<QString>("change");  // to the mouse's dump as hid-recorder writes it
    QTest::addColumn<bool>("read");
    QTest::newRow("as recorded: the R: line alone") << "" << true;
    QTest::newRow("without the R: line: the comments") << "no R" << true;
    QTest::newRow("R: announces another length") << "length" << false;
    QTest::newRow("two devices in one file") << "twice" << false;
}

void TestHidDescriptor::recorderDumps()
{
    QFETCH(QString, change);
    QFETCH(bool, read);
    QString dump = QString::fromUtf8(readDescriptorFile("zr540-vendor.hid"));
    QVERIFY(dump.contains("\nR: 47 "));
    if (change == "no R")
        dump.remove(QRegularExpression("^R:.*\n", QRegularExpression::MultilineOption));
    else if (change == "length")
        dump.replace("\nR: 47 ", "\nR: 48 ");
    else if (change == "twice")
        dump += dump;
    QTemporaryDir dir;
    QFile file(dir.filePath("dump.hid"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(dump.toUtf8()) > 0);
    file.close();
    QByteArray bytes;
    QString why;
    QCOMPARE(readDescriptorDump(file.fileName(), bytes, why), read);
    if (read)
        QCOMPARE(bytes, readDescriptorFile("zr540-vendor.bin"));
}

// The dump describes the mouse the simulator plays: its two vendor collections and its ids.
void TestHidDescriptor::recorderDumpIsTheSimulatedMouse()
{
    using Sim = hid::SimulatedMouse;
    QByteArray bytes;
    QString why;
    QVERIFY2(readDescriptorDump(QStringLiteral(ZR540_TEST_DATA_DIR "/descriptors/zr540-vendor.hid"), bytes, why),
             qPrintable(why));
    HidDescriptor descriptor;
    std::string error;
    QVERIFY2(parseExact(bytes, descriptor, error), error.c_str());
    const Sim::Collection simulated[] = {Sim::commandCollection(), Sim::dataCollection()};
    QCOMPARE(descriptor.collections().size(), std::size_t(2));
    for (std::size_t i = 0; i < 2; ++i) {
        const TopLevelCollection& c = descriptor.collections()[i];
        QCOMPARE(c.caps.usagePage, simulated[i].caps.usagePage);
        QCOMPARE(c.caps.usage, simulated[i].caps.usage);
        QCOMPARE(c.caps.featureReportByteLength, simulated[i].caps.featureReportByteLength);
        QCOMPARE(capsText(c.featureValueCaps), capsText(simulated[i].featureCaps));
    }
    const QString ids
        = QString("\nI: 3 %1 %2\n").arg(Sim::VendorId, 4, 16, QChar('0')).arg(Sim::ProductId, 4, 16, QChar('0'));
    QVERIFY(readDescriptorFile("zr540-vendor.hid").contains(ids.toLatin1()));
}

void TestHidDescriptor::items_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("reportIds");

    // A vendor collection around the items of a row: 06 00 FF 09 01 A1 01 … C0.
    auto vendor = [](const char* inner) { return fromHex("0600FF 0901 A101") + fromHex(inner) + fromHex("C0"); };

    QTest::newRow("no report ids: one byte counted for the id anyway")
        << vendor("7508 9503 8102") << "FF00:0001 in=4 out=0 feat=0 ivc=0:FF00:0000x3" << false;
    QTest::newRow("bits rounded up to whole bytes")
        << vendor("7501 9503 8102 7501 9503 9102") << "FF00:0001 in=2 out=2 feat=0" << false;
    QTest::newRow("several report ids: the longest counts")
        << vendor("8501 7508 9502 B102 8502 9510 B102 8503 9504 8102")
        << "FF00:0001 in=5 out=0 feat=17 ivc=3:FF00:0000x4 fvc=1:FF00:0000x2,2:FF00:0000x16" << true;
    QTest::newRow("push and pop restore size and count")
        << vendor("7508 9502 A4 7510 9504 8102 B4 8102") << "FF00:0001 in=11 out=0 feat=0 ivc=0:FF00:0000x4,0:FF00:0000x2"
        << false;
    QTest::newRow("pop restores the report id")
        << vendor("8501 7508 9501 A4 8502 9503 B102 B4 B102") << "FF00:0001 in=0 out=0 feat=4 fvc=2:FF00:0000x3,1:FF00:0000x1"
        << true;
    QTest::newRow("push and pop restore the usage page")
        << fromHex("0501 0902 A101 7508 9501 A4 0600FF 0901 B102 B4 0930 8102 C0")
        << "0001:0002 in=2 out=0 feat=2 ivc=0:0001:0030x1 fvc=0:FF00:0001x1" << false;
    QTest::newRow("long items are skipped")
        << vendor("FE0310AABBCC 7508 FE00FF 9501 8102") << "FF00:0001 in=2 out=0 feat=0 ivc=0:FF00:0000x1" << false;
    QTest::newRow("extended usage names its own page")
        << fromHex("0600FF 0B02000100 A101 0BE9000C00 7508 9501 8102 C0")
        << "0001:0002 in=2 out=0 feat=0 ivc=0:000C:00E9x1" << false;
    QTest::newRow("usage page declared after the usage applies")
        << fromHex("0901 0600FF A101 7508 9501 0902 0501 B102 C0") << "FF00:0001 in=0 out=0 feat=2 fvc=0:0001:0002x1"
        << false;
    QTest::newRow("nested collections count toward their top-level collection")
        << fromHex("0501 0902 A101 0901 A100 0930 7508 9501 8106 A102 0931 8106 C0 C0 0938 8106 C0")
        << "0001:0002 in=4 out=0 feat=0 ivc=0:0001:0030x1,0:0001:0031x1,0:0001:0038x1" << false;
    QTest::newRow("each top-level collection on its own")
        << fromHex("050C 0901 A101 8503 7510 9501 0AE900 8100 C0 0600FF 0902 A101 8504 7508 9513 0902 B102 C0")
        << "000C:0001 in=3 out=0 feat=0 | FF00:0002 in=0 out=0 feat=20 fvc=4:FF00:0002x19" << true;
    QTest::newRow("usages of one item listed in reverse, the last one takes the rest")
        << fromHex("0501 0904 A101 0930 0931 0932 7508 9505 8102 C0")
        << "0001:0004 in=6 out=0 feat=0 ivc=0:0001:0032x3,0:0001:0031x1,0:0001:0030x1" << false;
    QTest::newRow("a usage range is one cap")
        << fromHex("0600FF 0901 A101 1910 2913 7508 9504 B102 C0") << "FF00:0001 in=0 out=0 feat=5 fvc=0:FF00:0010x4"
        << false;
    QTest::newRow("arrays and one-bit fields are no value caps")
        << fromHex("0509 0901 A101 1901 2908 7501 9508 8102 7508 9502 1901 2908 8100 C0") << "0009:0001 in=4 out=0 feat=0"
        << false;
    QTest::newRow("padding makes no cap, a constant with a usage does")
        << vendor("7508 9501 B103 0905 B103 0906 B102") << "FF00:0001 in=0 out=0 feat=4 fvc=0:FF00:0005x1,0:FF00:0006x1"
        << false;
    QTest::newRow("only the first usage of a delimiter set counts")
        << fromHex("0501 A901 0902 0901 A900 A101 0930 A901 0931 0932 A900 7508 9502 8106 C0")
        << "0001:0002 in=3 out=0 feat=0 ivc=0:0001:0031x1,0:0001:0030x1" << false;
    QTest::newRow("reserved item types and tags are skipped")
        << vendor("7508 9501 0C 1C 2C 3C F0 D0 8102") << "FF00:0001 in=2 out=0 feat=0 ivc=0:FF00:0000x1" << false;
    QTest::newRow("a collection without a usage takes the page alone")
        << fromHex("050C A101 7508 9501 8102 C0") << "000C:0000 in=2 out=0 feat=0 ivc=0:000C:0000x1" << false;
}

void TestHidDescriptor::items()
{
    HidDescriptor descriptor;
    std::string error;
    QVERIFY2(parseExact(fetched<QByteArray>("bytes"), descriptor, error), error.c_str());
    QCOMPARE(describe(descriptor), fetched<QString>("expected"));
    QCOMPARE(descriptor.usesReportIds(), fetched<bool>("reportIds"));
}

void TestHidDescriptor::malformed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    QTest::newRow("empty") << QByteArray() << "no top-level collection";
    QTest::newRow("only global items") << fromHex("0501 7508") << "no top-level collection";
    QTest::newRow("item cut short") << fromHex("0501 0902 A101 0600") << "truncated item";
    QTest::newRow("four-byte item cut short") << fromHex("0501 A101 C0 0B0100") << "truncated item";
    QTest::newRow("long item cut in its header") << fromHex("0501 A101 C0 FE05") << "truncated long item";
    QTest::newRow("long item cut in its data") << fromHex("0501 A101 C0 FE0510AABB") << "truncated long item";
    QTest::newRow("end collection without collection") << fromHex("0501 A101 C0 C0") << "end collection without";
    QTest::newRow("collection left open") << fromHex("0501 0902 A101 A100 C0") << "collection not closed";
    QTest::newRow("pop without push") << fromHex("0501 A4 B4 B4 A101 C0") << "pop without push";
    QTest::newRow("report id 0") << fromHex("0501 A101 8500 C0") << "report id outside";
    QTest::newRow("report id 256") << fromHex("0501 A101 860001 C0") << "report id outside";
    QTest::newRow("input outside every collection") << fromHex("7508 9501 8102 0501 A101 C0") << "outside every collection";
    QTest::newRow("feature after the last collection") << fromHex("0501 A101 C0 7508 9501 B102") << "outside every collection";
    QTest::newRow("report longer than 65535 bytes")
        << fromHex("0600FF A101 77FFFF0000 96FF00 B102 C0") << "report longer than 65535 bytes";
    QTest::newRow("report growing past 65535 bytes")
        << fromHex("0600FF A101 7508 96FEFF B102 960200 B102 C0") << "report longer than 65535 bytes";
    QTest::newRow("report count above 65535") << fromHex("0600FF A101 7508 9700000100 B102 C0") << "report count above";
    QTest::newRow("usage page above 0xFFFF") << fromHex("0700000100 A101 C0") << "usage page above";
    QTest::newRow("usage minimum above maximum") << fromHex("0501 1905 2901 A101 C0") << "minimum above";
    QTest::newRow("usage range across pages") << fromHex("0501 1B01000100 2B05000200 A101 C0") << "across two usage pages";
    QTest::newRow("usage minimum without maximum") << fromHex("0501 1901 A101 C0") << "unpaired usage";
    QTest::newRow("two minimums") << fromHex("0501 1901 1902 2905 A101 C0") << "usage minimum without maximum";
    QTest::newRow("delimiter close without open") << fromHex("0501 A900 A101 C0") << "delimiter close without open";
    QTest::newRow("nested delimiter") << fromHex("0501 A901 A901") << "nested delimiter";
    QTest::newRow("delimiter left open at a main item") << fromHex("0501 A901 0902 A101 C0") << "inside a delimiter set";
    QTest::newRow("delimiter left open at the end") << fromHex("0501 A101 C0 A901") << "delimiter set not closed";
    QTest::newRow("odd delimiter") << fromHex("0501 A902") << "delimiter other than";
    QTest::newRow("too many pushes") << QByteArray(33, char(0xA4)) << "too many pushes";
    QTest::newRow("collections nested too deep")
        << fromHex("0501") + fromHex("A100").repeated(256) << "nested too deep";
}

void TestHidDescriptor::malformed()
{
    HidDescriptor descriptor;
    std::string message;
    QVERIFY(!parseExact(fetched<QByteArray>("bytes"), descriptor, message));
    QVERIFY2(QString::fromStdString(message).contains(fetched<QString>("error")), message.c_str());
    QVERIFY(descriptor.collections().empty());
}

void TestHidDescriptor::reportLookup()
{
    HidDescriptor descriptor;
    std::string error;
    QVERIFY2(parseExact(readDescriptorFile("zr540-vendor.bin"), descriptor, error), error.c_str());
    QCOMPARE(descriptor.collections().size(), std::size_t(2));
    const TopLevelCollection& command = descriptor.collections()[0];
    QVERIFY(command.report(5) != nullptr);
    QCOMPARE(command.report(5)->feature, std::uint16_t(6));
    QCOMPARE(command.report(6), nullptr);  // the data collection's id is not the command collection's
    QCOMPARE(command.report(0), nullptr);
    QCOMPARE(descriptor.collections()[1].report(6)->feature, std::uint16_t(1032));
}

QTEST_GUILESS_MAIN(TestHidDescriptor)
#include "tst_hiddescriptor.moc"
