#include "saveconfiginfo.h"

SaveConfigInfo::SaveConfigInfo(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress)
{
    connect(this, &KVAccountManage::sigFinished, this, &SaveConfigInfo::slots_onSigFinished);
}

void SaveConfigInfo::KvSaveConfigInfoJson(QString filePath, QString mouseType, QString type)
{
    RequestKind kind;
    if (type == QLatin1String("LocalConfig"))
        kind = KindLocalConfigSave;
    else if (type == QLatin1String("MacroConfig"))
        kind = KindMacroConfigSave;
    else
        return;  // no other kind of record exists: nothing is sent, nothing reported

    postJson(kind, compactJson({{QStringLiteral("filePath"), filePath},
                                {QStringLiteral("configContent"), QString()},
                                {QStringLiteral("configType"), mouseType}}));
}

void SaveConfigInfo::slots_onSigFinished(QNetworkReply* reply)
{
    const ServerReply result = readReply(reply, 0);
    emit sigSaveConfRet(result.code, messageOf(result));
}
