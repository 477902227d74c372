#include "pcactionstore.h"

#include "apppaths.h"
#include "inifile.h"
#include "loginfo.h"
#include "wholefile.h"

#include <QFile>
#include <QSettings>

namespace {

QString stateKey(const QString& group) { return group + QStringLiteral("/state"); }
QString functionKey(const QString& group) { return group + QStringLiteral("/function"); }
QString pathKey(const QString& group) { return group + QStringLiteral("/path"); }

bool isKnownFunction(int function)
{
    return function >= PcActionStore::PlaySound && function <= PcActionStore::OpenFolder;
}

}  // namespace

QString PcActionStore::groupName(int button)
{
    // The file's Custom1 and Custom2 groups belong to custom buttons 2 and 1: files already
    // written keep their meaning.
    switch (button) {
    case Button::Left: return QStringLiteral("LeftKey");
    case Button::Middle: return QStringLiteral("MidKey");
    case Button::Right: return QStringLiteral("RightKey");
    case Button::Forward: return QStringLiteral("FowardKey");
    case Button::Back: return QStringLiteral("BackKey");
    case Button::WheelForward: return QStringLiteral("WheelFoward");
    case Button::WheelBack: return QStringLiteral("WheelBack");
    case Button::DpiUp: return QStringLiteral("DPIAdd");
    case Button::DpiDown: return QStringLiteral("DPIReduce");
    case Button::Custom2: return QStringLiteral("Custom1");
    case Button::Custom1: return QStringLiteral("Custom2");
    case Button::Custom3: return QStringLiteral("Custom3");
    default: return QString();
    }
}

PcActionStore::Entries PcActionStore::readEntries()
{
    QByteArray content;
    if (!readWholeFile(AppPaths::pcFunctionFile(), content, ReadLimit::IniFile) || content.isEmpty())
        return {};  // no file means no function anywhere; asking never creates it

    // Parsed through a private copy: QSettings' own cache could serve a replaced file stale.
    Entries entries;
    const bool parsed = IniFile::parse(content, [&entries](const QSettings& settings) {
        for (int button = Button::First; button <= Button::Last; ++button) {
            const QString group = groupName(button);
            Entry& e = entries[std::size_t(Button::indexOf(button))];
            e.active = settings.value(stateKey(group), 0).toInt() != 0;
            if (e.active) {
                e.function = settings.value(functionKey(group), 0).toInt();
                e.path = settings.value(pathKey(group), QString()).toString();
            }
        }
    });
    return parsed ? entries : Entries{};
}

bool PcActionStore::lookupFunction(int button, int& function, QString& path)
{
    function = 0;
    path.clear();
    if (!Button::isButton(button))
        return false;
    const Entry entry = readEntries()[std::size_t(Button::indexOf(button))];
    function = entry.function;
    path = entry.path;
    return entry.active;
}

bool PcActionStore::writeFunction(int button, bool enabled, const int& function, const QString& path)
{
    const QString group = groupName(button);
    if (group.isEmpty()) {
        loginfo(QStringLiteral("writeFunction: no group for button %1").arg(button));
        return false;
    }
    if (enabled && (!isKnownFunction(function) || path.isEmpty())) {
        loginfo(QStringLiteral("writeFunction: refusing function %1 with path \"%2\" for %3")
                    .arg(function)
                    .arg(path, group));
        return false;
    }

    // The file is read whole, edited in a private copy and replaced whole; an unreadable file is
    // left alone, since rewriting it would drop the entries of the other buttons.
    return IniFile::update(AppPaths::pcFunctionFile(), [&](QSettings& settings) {
        settings.setValue(stateKey(group), enabled ? 1 : 0);
        settings.setValue(functionKey(group), enabled ? function : 0);
        settings.setValue(pathKey(group), enabled ? path : QString());
    });
}

bool PcActionStore::deleteHighestFile()
{
    loginfo(QStringLiteral("deleteHighestFile"));
    QFile file(AppPaths::pcFunctionFile());
    if (!file.exists())
        return true;
    if (!file.remove()) {
        loginfo(QStringLiteral("deleteHighestFile failed: %1").arg(file.errorString()));
        return false;
    }
    loginfo(QStringLiteral("deleteHighestFile ok"));
    return true;
}
