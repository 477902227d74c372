#include "windowscapsfiles.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>

namespace {

bool readLines(const QString& path, QStringList& lines, QString& why)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        why = "cannot read " + path;
        return false;
    }
    lines = QString::fromUtf8(file.readAll()).split('\n');
    return true;
}

void appendPairs(const QString& text, QByteArray& bytes)
{
    static const QRegularExpression pair("\\b([0-9A-Fa-f]{2})\\b");
    auto it = pair.globalMatch(text);
    while (it.hasNext())
        bytes.append(char(it.next().captured(1).toUInt(nullptr, 16)));
}

}  // namespace

bool readDescriptorDump(const QString& path, QByteArray& bytes, QString& why)
{
    QStringList lines;
    if (!readLines(path, lines, why))
        return false;
    static const QRegularExpression pairRow("^\\s*([0-9A-Fa-f]{2}\\s+)*[0-9A-Fa-f]{2}\\s*$");
    static const QRegularExpression byteCount("^\\((\\d+) bytes\\)$");
    static const QRegularExpression rawRow("Raw Descriptor \\(hex\\)\\s+[0-9A-Fa-f]{4}:(.*)$");
    static const QRegularExpression rawLength("Length \\(and contents\\):\\s+(\\d+)");
    static const QRegularExpression cByte("\\b0x([0-9A-Fa-f]{2})\\b");
    static const QRegularExpression parserOutput("parser output", QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression hexToken("^[0-9A-Fa-f]{2}$");

    // hid-recorder's files hold the bytes twice: decoded in "# 0x.., 0x.., // item" comments
    // and as "R: <length> <bytes>". The R: line is what the recorder read from the device and
    // says how long it is, so it is the one source when present; the comments are for people.
    // Other record lines ("N: <name>", "I: <bus> <vendor> <product>", "E: <event bytes>") never
    // count.
    static const QRegularExpression recorderRow("^R:\\s*(\\d+)((?:\\s+[0-9A-Fa-f]{2})*)\\s*$");
    static const QRegularExpression recorderComment("^#\\s*0x");

    bytes.clear();
    int declared = -1;
    const int descriptorLine = lines.indexOf(QRegularExpression("^\\s*DESCRIPTOR:\\s*$"));
    const bool rawRows = lines.filter(rawRow).size() > 0;
    const QStringList recorded = lines.filter(QRegularExpression("^R:"));
    if (!recorded.isEmpty()) {
        if (recorded.size() > 1) {
            why = path + " holds the descriptors of several devices";
            return false;
        }
        const auto row = recorderRow.match(recorded.first().trimmed());
        if (!row.hasMatch()) {
            why = "unexpected R: line: " + recorded.first();
            return false;
        }
        declared = row.captured(1).toInt();
        appendPairs(row.captured(2), bytes);
    } else if (!lines.filter(recorderComment).isEmpty()) {
        for (const QString& line : lines.filter(recorderComment)) {
            auto it = cByte.globalMatch(line.left(line.indexOf("//")));
            while (it.hasNext())
                bytes.append(char(it.next().captured(1).toUInt(nullptr, 16)));
        }
    } else if (descriptorLine >= 0) {
        for (int i = descriptorLine + 1; i < lines.size() && declared < 0; ++i) {
            const QString line = lines[i].trimmed();
            const auto count = byteCount.match(line);
            if (count.hasMatch())
                declared = count.captured(1).toInt();
            else if (pairRow.match(line).hasMatch())
                appendPairs(line, bytes);
            else {
                why = "unexpected line in the DESCRIPTOR block: " + line;
                return false;
            }
        }
    } else if (rawRows) {
        for (const QString& line : lines) {
            const auto row = rawRow.match(line);
            if (row.hasMatch())
                appendPairs(row.captured(1), bytes);
            const auto length = rawLength.match(line);
            if (length.hasMatch())
                declared = length.captured(1).toInt();
        }
    } else {
        for (QString line : lines) {
            if (parserOutput.match(line).hasMatch())
                break;
            const int comment = line.indexOf("//");
            if (comment >= 0)
                line.truncate(comment);
            if (line.contains("0x")) {
                auto it = cByte.globalMatch(line);
                while (it.hasNext())
                    bytes.append(char(it.next().captured(1).toUInt(nullptr, 16)));
            } else if (pairRow.match(line).hasMatch()) {
                appendPairs(line, bytes);
            } else {
                // "Usage Page (Vendor-Defined 1) 06 00 FF": the item's bytes end the line.
                const int paren = line.lastIndexOf(')');
                const QStringList tokens = line.mid(paren + 1).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
                int first = tokens.size();
                while (first > 0 && hexToken.match(tokens[first - 1]).hasMatch())
                    --first;
                for (int i = first; i < tokens.size(); ++i)
                    bytes.append(char(tokens[i].toUInt(nullptr, 16)));
            }
        }
    }
    if (bytes.isEmpty()) {
        why = "no descriptor bytes found in " + path;
        return false;
    }
    if (declared >= 0 && declared != bytes.size()) {
        why = QString("%1 announces %2 bytes, %3 read").arg(path).arg(declared).arg(bytes.size());
        return false;
    }
    return true;
}

bool readPreparsedDump(const QString& path, WindowsCollection& out, QString& why)
{
    QStringList lines;
    if (!readLines(path, lines, why))
        return false;
    static const QRegularExpression field("^pp_data->(\\S+)\\s*=\\s*(\\S+)");
    static const QRegularExpression collection("&col(\\d\\d)", QRegularExpression::CaseInsensitiveOption);
    QHash<QString, QString> values;
    for (const QString& line : lines) {
        const auto m = field.match(line.trimmed());
        if (m.hasMatch())
            values.insert(m.captured(1), m.captured(2));
        if (line.trimmed().startsWith("dev->path")) {
            const auto col = collection.match(line);
            if (col.hasMatch())
                out.collectionIndex = col.captured(1).toInt() - 1;
        }
    }
    bool ok = true;
    auto number = [&](const QString& key) -> unsigned {
        if (!values.contains(key)) {
            ok = false;
            why = path + " lacks " + key;
            return 0;
        }
        bool converted = false;
        const unsigned v = values.value(key).toUInt(&converted, 0);
        if (!converted) {
            ok = false;
            why = path + ": " + key + " is not a number";
        }
        return v;
    };
    out.usagePage = std::uint16_t(number("UsagePage"));
    out.usage = std::uint16_t(number("Usage"));
    for (int kind = 0; kind < 3 && ok; ++kind) {
        const QString info = QString("caps_info[%1]->").arg(kind);
        out.reportByteLength[kind] = std::uint16_t(number(info + "ReportByteLength"));
        const unsigned first = number(info + "FirstCap");
        const unsigned last = number(info + "LastCap");
        for (unsigned i = first; i < last && ok; ++i) {
            const QString cap = QString("cap[%1]->").arg(i);
            if (number(cap + "IsButtonCap") != 0)
                continue;
            WindowsValueCap v;
            v.reportId = std::uint8_t(number(cap + "ReportID"));
            v.usagePage = std::uint16_t(number(cap + "UsagePage"));
            v.usage = std::uint16_t(number(number(cap + "IsRange") ? cap + "Range.UsageMin" : cap + "NotRange.Usage"));
            v.reportCount = std::uint16_t(number(cap + "ReportCount"));
            out.valueCaps[kind].append(v);
        }
    }
    return ok;
}
