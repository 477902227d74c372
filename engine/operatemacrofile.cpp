#include "operatemacrofile.h"

#include "apppaths.h"
#include "loginfo.h"
#include "wholefile.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonValue>
#include <cmath>
#include <limits>

namespace {
// An integer of the file, or `fallback` for anything else (strings, fractions, huge numbers).
int strictInt(const QJsonValue& value, int fallback)
{
    if (!value.isDouble())
        return fallback;
    const double d = value.toDouble();
    if (!std::isfinite(d) || d != std::floor(d) || d < std::numeric_limits<int>::min()
        || d > std::numeric_limits<int>::max())
        return fallback;
    return static_cast<int>(d);
}

// Reads the file without ever creating it.
OperateMacroFile::Parse readRoot(const QString& path, QJsonObject& root)
{
    if (!QFileInfo::exists(path))
        return OperateMacroFile::Parse::Missing;
    QByteArray content;
    if (!readWholeFile(path, content, ReadLimit::MacroFile))
        return OperateMacroFile::Parse::Unreadable;  // a FIFO or a huge file included: left alone
    return OperateMacroFile::parse(content, root);
}

bool writeRoot(const QString& path, const QJsonObject& root)
{
    return writeWholeFile(path, QJsonDocument(root).toJson(QJsonDocument::Compact));
}
}  // namespace

OperateMacroFile::Parse OperateMacroFile::parse(const QByteArray& content, QJsonObject& root)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(content, &error);
    if (error.error != QJsonParseError::NoError || document.isNull())
        return Parse::Broken;
    if (!document.isObject())
        return Parse::NotAnObject;
    root = document.object();
    return Parse::Object;
}

QString OperateMacroFile::getName(const QString& path) const
{
    QJsonObject root;
    if (readRoot(path, root) != Parse::Object || !root.value(Name).isString())
        return QStringLiteral("ErrorName");
    return root.value(Name).toString();
}

QList<MacroNode> OperateMacroFile::nodesOf(const QJsonObject& root) const
{
    QList<MacroNode> nodes;
    if (!root.contains(Macro))
        return nodes;
    const QJsonValue macro = root.value(Macro);
    if (!macro.isArray()) {
        qCDebug(zr540Engine) << "isn't array";
        return nodes;
    }
    for (const QJsonValue& element : macro.toArray()) {
        if (!element.isObject())
            continue;
        const QJsonObject event = element.toObject();
        MacroNode node;
        const struct {
            const QString& key;
            int& field;
        } ints[] = {{ValueType, node.ValueType},     {MouseValue, node.MouseValue}, {KeyValue, node.KeyValue},
                    {TimeLapse, node.TimeLapse},     {CoordinateX, node.CoordinateX},
                    {CoordinateY, node.CoordinateY}, {State, node.State}};
        for (const auto& i : ints) {
            if (event.contains(i.key))
                i.field = strictInt(event.value(i.key), 0);
        }
        if (event.contains(Text))
            node.Text = event.value(Text).toString();
        nodes.append(node);
    }
    return nodes;
}

QList<MacroNode> OperateMacroFile::getMacroNodeList(const QString& path) const
{
    QJsonObject root;
    if (readRoot(path, root) != Parse::Object)
        return {};
    return nodesOf(root);
}

MacroFileContent OperateMacroFile::contentOf(const QJsonObject& root) const
{
    MacroFileContent content;
    content.nodes = nodesOf(root);
    content.repeatTimes = intOf(root, RepeatTimes, content.repeatTimes);
    content.ignoreDelayTime = intOf(root, IgnoreDelayTime, content.ignoreDelayTime);
    content.macroType = intOf(root, MacroType, content.macroType);
    return content;
}

bool OperateMacroFile::read(const QString& path, MacroFileContent& out) const
{
    QJsonObject root;
    if (readRoot(path, root) != Parse::Object) {
        out = MacroFileContent();
        return false;
    }
    out = contentOf(root);
    return true;
}

// A root key as an integer: `absent` when the key is not there, 0 when it is no integer.
int OperateMacroFile::intOf(const QJsonObject& root, const QString& key, int absent)
{
    return root.contains(key) ? strictInt(root.value(key), 0) : absent;
}

int OperateMacroFile::intKey(const QString& path, const QString& key, int absent) const
{
    QJsonObject root;
    if (readRoot(path, root) != Parse::Object)
        return absent;
    return intOf(root, key, absent);
}

int OperateMacroFile::getRepeatTimes(const QString& path) const { return intKey(path, RepeatTimes, 1); }

int OperateMacroFile::getIgnoreDelayTime(const QString& path) const { return intKey(path, IgnoreDelayTime, 0); }

int OperateMacroFile::getMacroType(const QString& path) const { return intKey(path, MacroType, 0); }

bool OperateMacroFile::setRootKey(const QString& path, const QString& key, const QJsonValue& value) const
{
    QJsonObject root;
    switch (readRoot(path, root)) {
    case Parse::Object:
        root.insert(key, value);
        return writeRoot(path, root);
    case Parse::Missing:
    case Parse::Broken:
        // Missing, empty or broken: the file starts over with this key alone.
        qCDebug(zr540Engine) << "no this";
        return writeRoot(path, QJsonObject{{key, value}});
    case Parse::Unreadable:
        // It may hold a whole macro we could not see: replacing it would lose its events.
        loginfo(QStringLiteral("macro file %1 exists but cannot be read, %2 not written").arg(path, key));
        break;
    case Parse::NotAnObject:
        break;  // someone else's JSON: left alone
    }
    return false;
}

bool OperateMacroFile::setName(const QString& path, const QString& name) const { return setRootKey(path, Name, name); }

bool OperateMacroFile::setRepeatTimes(const QString& path, int n) const { return setRootKey(path, RepeatTimes, n); }

bool OperateMacroFile::setIgnoreDelayTime(const QString& path, int v) const { return setRootKey(path, IgnoreDelayTime, v); }

bool OperateMacroFile::setMacroType(const QString& path, int v) const { return setRootKey(path, MacroType, v); }

QJsonArray OperateMacroFile::eventsOf(const QList<MacroNode>& nodes) const
{
    QJsonArray events;
    for (const MacroNode& node : nodes) {
        events.append(QJsonObject{{TimeLapse, node.TimeLapse},
                                  {ValueType, node.ValueType},
                                  {MouseValue, node.MouseValue},
                                  {KeyValue, node.KeyValue},
                                  {CoordinateX, node.CoordinateX},
                                  {CoordinateY, node.CoordinateY},
                                  {State, node.State},
                                  {Text, node.Text}});
    }
    return events;
}

bool OperateMacroFile::setMacroNodeList(const QString& path, const QList<MacroNode>& nodes) const
{
    QJsonObject root;
    if (readRoot(path, root) != Parse::Object)
        return false;
    root.insert(Macro, eventsOf(nodes));
    return writeRoot(path, root);
}

bool OperateMacroFile::saveMacro(const QString& path, const QList<MacroNode>& nodes, int repeatTimes,
                                 int macroType) const
{
    QJsonObject root;
    switch (readRoot(path, root)) {
    case Parse::Object:
        root.insert(Macro, eventsOf(nodes));
        break;
    case Parse::Missing:
    case Parse::Broken:
        qCDebug(zr540Engine) << "no this";  // events go only into a valid file; the numbers start it over
        root = QJsonObject();
        break;
    case Parse::Unreadable:
        loginfo(QStringLiteral("macro file %1 exists but cannot be read, %2 not written").arg(path, Macro));
        return false;
    case Parse::NotAnObject:
        return false;
    }
    root.insert(RepeatTimes, repeatTimes);
    if (macroType >= 0)
        root.insert(MacroType, macroType);
    return writeRoot(path, root);
}

bool OperateMacroFile::deleteMacroFile(const QString& path) const
{
    return !QFile::exists(path) || QFile::remove(path);
}

QString OperateMacroFile::macroRoot() { return AppPaths::macroFilesDir(); }

QStringList OperateMacroFile::titleFolders()
{
    return QDir(macroRoot()).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
}

QStringList OperateMacroFile::macroFiles(const QString& title)
{
    const QDir folder(macroRoot() + QLatin1Char('/') + title);
    QStringList paths;
    const QFileInfoList files =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files)
        paths << file.absoluteFilePath();
    return paths;
}

QString OperateMacroFile::newMacroFilePath(const QString& title, const QDateTime& created)
{
    return macroRoot() + QLatin1Char('/') + title + QLatin1Char('/')
        + created.toString(QStringLiteral("yyyyMMddhhmmsszzz")) + QStringLiteral(".json");
}
