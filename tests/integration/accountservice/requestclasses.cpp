#include "requestclasses.h"

#include "findpasswd.h"
#include "getdownloadfilepath.h"
#include "lastversion.h"
#include "loginaccount.h"
#include "newpassword.h"
#include "registeraccount.h"
#include "saveconfiginfo.h"
#include "updatepasswdaccount.h"
#include "uploadfile.h"
#include "validatepassword.h"

#include <QMetaMethod>
#include <QTest>

QStringList RequestClasses::names()
{
    return {"LoginAccount",   "RegisterAccount", "UpdatePasswdAccount", "FindPasswd",
            "ValidatePassword", "NewPassword",   "UploadFile",          "SaveConfigInfo",
            "GetDownLoadFilePath", "LastVersion"};
}

std::unique_ptr<KVAccountManage> RequestClasses::make(const QString& name)
{
    if (name == "LoginAccount") return std::make_unique<LoginAccount>();
    if (name == "RegisterAccount") return std::make_unique<RegisterAccount>();
    if (name == "UpdatePasswdAccount") return std::make_unique<UpdatePasswdAccount>();
    if (name == "FindPasswd") return std::make_unique<FindPasswd>();
    if (name == "ValidatePassword") return std::make_unique<ValidatePassword>();
    if (name == "NewPassword") return std::make_unique<NewPassword>();
    if (name == "UploadFile") return std::make_unique<UploadFile>();
    if (name == "SaveConfigInfo") return std::make_unique<SaveConfigInfo>();
    if (name == "GetDownLoadFilePath") return std::make_unique<GetDownLoadFilePath>();
    if (name == "LastVersion") return std::make_unique<LastVersion>();
    return nullptr;
}

QByteArray RequestClasses::resultSignal(const QObject* object)
{
    const QMetaObject* meta = object->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal)
            return QByteArray::number(QSIGNAL_CODE) + method.methodSignature();
    }
    return QByteArray();
}

std::unique_ptr<QSignalSpy> RequestClasses::spyOn(const QObject* object)
{
    return std::make_unique<QSignalSpy>(object, resultSignal(object).constData());
}

bool RequestClasses::invoke(QObject* object, const char* method, const QStringList& a)
{
    switch (a.size()) {
    case 1:
        return QMetaObject::invokeMethod(object, method, Q_ARG(QString, a[0]));
    case 2:
        return QMetaObject::invokeMethod(object, method, Q_ARG(QString, a[0]), Q_ARG(QString, a[1]));
    case 3:
        return QMetaObject::invokeMethod(object, method, Q_ARG(QString, a[0]), Q_ARG(QString, a[1]),
                                         Q_ARG(QString, a[2]));
    case 4:
        return QMetaObject::invokeMethod(object, method, Q_ARG(QString, a[0]), Q_ARG(QString, a[1]),
                                         Q_ARG(QString, a[2]), Q_ARG(QString, a[3]));
    default:
        return false;
    }
}

void RequestClasses::sendUsual(KVAccountManage* object, const QString& name, const QString& uploadFolder)
{
    if (name == "LoginAccount") invoke(object, "KvPostLoginJson", {"a@b.cn", "secret1"});
    if (name == "RegisterAccount") invoke(object, "KvPostRegisiterJson", {"nick", "a@b.cn", "secret1", "secret1"});
    if (name == "UpdatePasswdAccount") invoke(object, "KvUpdatePasswdJson", {"a@b.cn", "secret1", "secret2"});
    if (name == "FindPasswd") invoke(object, "KvFindPasswdJson", {"a@b.cn"});
    if (name == "ValidatePassword") invoke(object, "KvValidatePasswordJson", {"a@b.cn", "123456"});
    if (name == "NewPassword") invoke(object, "KvNewPasswordJson", {"a@b.cn", "123456", "secret3"});
    if (name == "UploadFile") static_cast<UploadFile*>(object)->upLoadConfigFile(uploadFolder, false);
    if (name == "SaveConfigInfo") invoke(object, "KvSaveConfigInfoJson", {"f.zip", "zr540", "LocalConfig"});
    if (name == "GetDownLoadFilePath") invoke(object, "KvDownLoadFilePathJson", {"zr540"});
    if (name == "LastVersion") invoke(object, "KvLastFirmVersionJson", {"zr540"});
}

int RequestClasses::extraCount(const QString& name)
{
    if (name == "LastVersion") return 2;
    if (name == "UploadFile" || name == "GetDownLoadFilePath") return 1;
    return 0;
}

QVariantList RequestClasses::waitResult(QObject* object, const std::function<void()>& send, int timeoutMs)
{
    auto spy = spyOn(object);
    send();
    if (!spy->wait(timeoutMs))
        return {};
    QTest::qWait(50);  // a second signal would be a fault
    if (spy->count() != 1)
        return {QStringLiteral("signals: %1").arg(spy->count())};
    return spy->takeFirst();
}
