// OperateMacroFile: reads and writes single keys of a macro file, and knows where the macro
// library lives.
//
// A macro file is one compact UTF-8 JSON object: "Name", "Macro" (the events), "RepeatTimes",
// "IgnoreDelayTime" (2 = ignore the delays) and "MacroType" (how the mouse plays it, a PlayMode).
// Files come from users and from the cloud: every value is type-checked, a missing or broken file
// reads as the defaults, and reading never creates a file. Writes replace the whole file
// (temporary file, then rename).
//
// The library: <data root>/ConfigFiles/MacroFiles/<title folder>/<yyyyMMddhhmmsszzz>.json.
#pragma once

#include "macroencoder.h"
#include "macronode.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

class OperateMacroFile {
public:
    const QString Name = QStringLiteral("Name");
    const QString Macro = QStringLiteral("Macro");
    const QString Unused;
    const QString ValueType = QStringLiteral("ValueType");
    const QString MouseValue = QStringLiteral("MouseValue");
    const QString KeyValue = QStringLiteral("KeyValue");
    const QString TimeLapse = QStringLiteral("TimeLapse");
    const QString CoordinateX = QStringLiteral("CoordinateX");
    const QString CoordinateY = QStringLiteral("CoordinateY");
    const QString State = QStringLiteral("State");
    const QString Text = QStringLiteral("Text");
    const QString RepeatTimes = QStringLiteral("RepeatTimes");
    const QString IgnoreDelayTime = QStringLiteral("IgnoreDelayTime");
    const QString MacroType = QStringLiteral("MacroType");

    static constexpr int IgnoreDelays = MacroEncoder::IgnoreDelays;

    // The whole file in one read: events, repeat count, delay setting and play mode. The defaults
    // (and false) when the file is missing, unreadable or not a macro file.
    bool read(const QString& path, MacroFileContent& out) const;

    QString getName(const QString& path) const;           // "ErrorName" when unreadable
    QList<MacroNode> getMacroNodeList(const QString& path) const;
    int getRepeatTimes(const QString& path) const;         // 1 when absent
    int getIgnoreDelayTime(const QString& path) const;     // 0 when absent
    int getMacroType(const QString& path) const;           // 0 when absent

    // False when nothing was written. A missing or broken file starts over with the one key; a
    // file that exists but cannot be read is left alone.
    bool setName(const QString& path, const QString& name) const;
    bool setMacroNodeList(const QString& path, const QList<MacroNode>& nodes) const;
    bool setRepeatTimes(const QString& path, int n) const;
    bool setIgnoreDelayTime(const QString& path, int v) const;
    bool setMacroType(const QString& path, int v) const;
    // What the macro editor saves after every change, in one write: the events, the repeat count
    // and, unless `macroType` is negative, the play mode, so a crash or a full disk never leaves
    // new events with an old repeat count. On a missing or broken file only the two numbers are
    // written, as the single setters would.
    bool saveMacro(const QString& path, const QList<MacroNode>& nodes, int repeatTimes, int macroType) const;
    bool deleteMacroFile(const QString& path) const;

    // The library.
    static QString macroRoot();
    static QStringList titleFolders();                     // names, sorted case-insensitively
    static QStringList macroFiles(const QString& title);   // full paths, sorted by file name
    static QString newMacroFilePath(const QString& title, const QDateTime& created = QDateTime::currentDateTime());

    // The parsing steps, for the fuzzer: `content` as a macro file.
    // Missing and Unreadable come only from reading a file: the first has nothing to lose, the
    // second may hold a macro we could not see.
    enum class Parse { Object, NotAnObject, Broken, Missing, Unreadable };
    static Parse parse(const QByteArray& content, QJsonObject& root);
    QList<MacroNode> nodesOf(const QJsonObject& root) const;
    MacroFileContent contentOf(const QJsonObject& root) const;

private:
    int intKey(const QString& path, const QString& key, int absent) const;
    static int intOf(const QJsonObject& root, const QString& key, int absent);
    bool setRootKey(const QString& path, const QString& key, const QJsonValue& value) const;
    QJsonArray eventsOf(const QList<MacroNode>& nodes) const;
};
