// The report-descriptor parser: against the mouse's own descriptors, and against hand-made
// descriptors for each kind of item and each way a descriptor can be broken. (Descriptors cut
// anywhere: the parser's fuzz target.)
#include "hiddescriptor.h"
#include "testhelpers.h"

#include <QtTest>

#include <cstring>
#include <memory>

using hid::HidDescriptor;
using hid::TopLevelCollection;

namespace {
QString hex4(unsigned v) { return QString("%1").arg(v, 4, 16, QChar('0')).toUpper(); }

// Value caps as "report id:usage page:usage x report count", in order.
template <class CapsList> QString capsText(const CapsList& caps)
{
    QStringList parts;
    for (const auto& c : caps)
        parts << QString("%1:%2:%3x%4").arg(c.reportId).arg(hex4(c.usagePage), hex4(c.usage)).arg(c.reportCount);
    return parts.join(',');
}

// The collections as in tests/data/descriptors/*.expected, " | " between them.
QString describe(const HidDescriptor& d)
{
    QStringList parts;
    for (const TopLevelCollection& c : d.collections()) {
        QString text = QString("%1:%2 in=%3 out=%4 feat=%5")
                           .arg(hex4(c.caps.usagePage), hex4(c.caps.usage))
                           .arg(c.caps.inputReportByteLength)
                           .arg(c.caps.outputReportByteLength)
                           .arg(c.caps.featureReportByteLength);
        const char* kinds[] = {" ivc=", " ovc=", " fvc="};
        const std::vector<hid::ValueCaps>* lists[] = {&c.inputValueCaps, &c.outputValueCaps, &c.featureValueCaps};
        for (int k = 0; k < 3; ++k)
            text += lists[k]->empty() ? QString() : kinds[k] + capsText(*lists[k]);
        parts << text;
    }
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

QByteArray descriptorFile(const QString& name) { return fileContent(ZR540_TEST_DATA_DIR "/descriptors/" + name); }
}  // namespace

class TestHidDescriptor : public QObject {
    Q_OBJECT
private slots:
    void mouseDescriptors_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("vendor interface") << "zr540-vendor";
        QTest::newRow("pointer interface") << "zr540-pointer";
    }

    void mouseDescriptors()
    {
        QFETCH(QString, name);
        const QByteArray bytes = descriptorFile(name + ".bin");
        HidDescriptor full;
        std::string error;
        QVERIFY2(parseExact(bytes, full, error), error.c_str());
        QStringList expected;
        for (const QByteArray& line : descriptorFile(name + ".expected").split('\n')) {
            if (!line.trimmed().isEmpty() && !line.startsWith('#'))
                expected << QString::fromUtf8(line.trimmed());
        }
        QCOMPARE(describe(full), expected.join(" | "));
    }

    void items_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("reportIds");
        // A vendor collection around the items of a row: 06 00 FF 09 01 A1 01 … C0.
        auto vendor = [](const char* inner) { return fromHex("0600FF 0901 A101") + fromHex(inner) + fromHex("C0"); };
        QTest::newRow("no report ids: one byte counted for the id anyway")
            << vendor("7508 9503 8102") << "FF00:0001 in=4 out=0 feat=0 ivc=0:FF00:0000x3" << false;
        QTest::newRow("several report ids: the longest counts")
            << vendor("8501 7508 9502 B102 8502 9510 B102 8503 9504 8102")
            << "FF00:0001 in=5 out=0 feat=17 ivc=3:FF00:0000x4 fvc=1:FF00:0000x2,2:FF00:0000x16" << true;
        QTest::newRow("push and pop restore size, count and report id")
            << vendor("8501 7508 9501 A4 8502 9503 B102 B4 B102") << "FF00:0001 in=0 out=0 feat=4 fvc=2:FF00:0000x3,1:FF00:0000x1"
            << true;
        QTest::newRow("extended usage names its own page")
            << fromHex("0600FF 0B02000100 A101 0BE9000C00 7508 9501 8102 C0")
            << "0001:0002 in=2 out=0 feat=0 ivc=0:000C:00E9x1" << false;
        QTest::newRow("nested collections count toward their top-level collection")
            << fromHex("0501 0902 A101 0901 A100 0930 7508 9501 8106 A102 0931 8106 C0 C0 0938 8106 C0")
            << "0001:0002 in=4 out=0 feat=0 ivc=0:0001:0030x1,0:0001:0031x1,0:0001:0038x1" << false;
        QTest::newRow("usages of one item listed in reverse, the last one takes the rest")
            << fromHex("0501 0904 A101 0930 0931 0932 7508 9505 8102 C0")
            << "0001:0004 in=6 out=0 feat=0 ivc=0:0001:0032x3,0:0001:0031x1,0:0001:0030x1" << false;
        QTest::newRow("padding makes no cap, a constant with a usage does")
            << vendor("7508 9501 B103 0905 B103 0906 B102")
            << "FF00:0001 in=0 out=0 feat=4 fvc=0:FF00:0005x1,0:FF00:0006x1" << false;
    }

    void items()
    {
        HidDescriptor descriptor;
        std::string error;
        QVERIFY2(parseExact(fetched<QByteArray>("bytes"), descriptor, error), error.c_str());
        QCOMPARE(describe(descriptor), fetched<QString>("expected"));
        QCOMPARE(descriptor.usesReportIds(), fetched<bool>("reportIds"));
    }

    // One row per kind of fault; the message names it.
    void malformed_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::newRow("only global items") << fromHex("0501 7508") << "no top-level collection";
        QTest::newRow("long item cut in its data") << fromHex("0501 A101 C0 FE0510AABB") << "truncated long item";
        QTest::newRow("end collection without collection") << fromHex("0501 A101 C0 C0") << "end collection without";
        QTest::newRow("collection left open") << fromHex("0501 0902 A101 A100 C0") << "collection not closed";
        QTest::newRow("report id 256") << fromHex("0501 A101 860001 C0") << "report id outside";
        QTest::newRow("feature after the last collection") << fromHex("0501 A101 C0 7508 9501 B102") << "outside every collection";
        QTest::newRow("report growing past 65535 bytes")
            << fromHex("0600FF A101 7508 96FEFF B102 960200 B102 C0") << "report longer than 65535 bytes";
        QTest::newRow("usage range across pages") << fromHex("0501 1B01000100 2B05000200 A101 C0") << "across two usage pages";
        QTest::newRow("two minimums") << fromHex("0501 1901 1902 2905 A101 C0") << "usage minimum without maximum";
        QTest::newRow("delimiter left open at the end") << fromHex("0501 A101 C0 A901") << "delimiter set not closed";
        QTest::newRow("collections nested too deep") << fromHex("0501") + fromHex("A100").repeated(256) << "nested too deep";
    }

    void malformed()
    {
        HidDescriptor descriptor;
        std::string message;
        QVERIFY(!parseExact(fetched<QByteArray>("bytes"), descriptor, message));
        QVERIFY2(QString::fromStdString(message).contains(fetched<QString>("error")), message.c_str());
        QVERIFY(descriptor.collections().empty());
    }
};

QTEST_GUILESS_MAIN(TestHidDescriptor)
#include "tst_hiddescriptor.moc"
