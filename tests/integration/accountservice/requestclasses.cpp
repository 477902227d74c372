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
#include <QNetworkReply>
#include <QTest>

namespace {

struct RequestClass {
    QString name;
    std::unique_ptr<KVAccountManage> (*make)(const QString& address);
    const char* method;  // the usual operation; null for the upload
    QStringList args;
    int extraCount;
};

template <class T>
std::unique_ptr<KVAccountManage> create(const QString& address) { return std::make_unique<T>(nullptr, address); }

const QList<RequestClass>& table()
{
    static const QList<RequestClass> classes = {
        {"LoginAccount", create<LoginAccount>, "KvPostLoginJson", {"a@b.cn", "secret1"}, 0},
        {"RegisterAccount", create<RegisterAccount>, "KvPostRegisiterJson", {"nick", "a@b.cn", "secret1", "secret1"}, 0},
        {"UpdatePasswdAccount", create<UpdatePasswdAccount>, "KvUpdatePasswdJson", {"a@b.cn", "secret1", "secret2"}, 0},
        {"FindPasswd", create<FindPasswd>, "KvFindPasswdJson", {"a@b.cn"}, 0},
        {"ValidatePassword", create<ValidatePassword>, "KvValidatePasswordJson", {"a@b.cn", "123456"}, 0},
        {"NewPassword", create<NewPassword>, "KvNewPasswordJson", {"a@b.cn", "123456", "secret3"}, 0},
        {"UploadFile", create<UploadFile>, nullptr, {}, 1},
        {"SaveConfigInfo", create<SaveConfigInfo>, "KvSaveConfigInfoJson", {"f.zip", "zr540", "LocalConfig"}, 0},
        {"GetDownLoadFilePath", create<GetDownLoadFilePath>, "KvDownLoadFilePathJson", {"zr540"}, 1},
        {"LastVersion", create<LastVersion>, "KvLastFirmVersionJson", {"zr540"}, 2},
    };
    return classes;
}

const RequestClass& find(const QString& name)
{
    for (const RequestClass& c : table()) {
        if (c.name == name)
            return c;
    }
    qFatal("no request class %s", qPrintable(name));
}

}  // namespace

QStringList RequestClasses::names()
{
    QStringList names;
    for (const RequestClass& c : table())
        names << c.name;
    return names;
}

std::unique_ptr<KVAccountManage> RequestClasses::make(const QString& name, const QString& address)
{
    return find(name).make(address);
}

int RequestClasses::extraCount(const QString& name) { return find(name).extraCount; }

std::unique_ptr<QSignalSpy> RequestClasses::spyOn(const QObject* object)
{
    const QMetaObject* meta = object->metaObject();
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        if (meta->method(i).methodType() == QMetaMethod::Signal)
            return std::make_unique<QSignalSpy>(object, (QByteArray::number(QSIGNAL_CODE) + meta->method(i).methodSignature()).constData());
    }
    return nullptr;
}

bool RequestClasses::invoke(QObject* object, const char* method, const QStringList& a)
{
    QGenericArgument args[4];
    for (int i = 0; i < a.size() && i < 4; ++i)
        args[i] = Q_ARG(QString, a[i]);
    return a.size() <= 4 && QMetaObject::invokeMethod(object, method, args[0], args[1], args[2], args[3]);
}

void RequestClasses::sendUsual(KVAccountManage* object, const QString& name, const QString& uploadFolder)
{
    const RequestClass& c = find(name);
    if (c.method)
        invoke(object, c.method, c.args);
    else
        static_cast<UploadFile*>(object)->upLoadConfigFile(uploadFolder, false);
}

QVariantList RequestClasses::waitResult(QObject* object, const std::function<void()>& send, int timeoutMs)
{
    auto spy = spyOn(object);
    send();
    if (spy->isEmpty() && !spy->wait(timeoutMs))
        return {};
    // Every reply handled and gone: nothing more can come, and a second signal would be a fault.
    if (!QTest::qWaitFor([object] { return object->findChildren<QNetworkReply*>().isEmpty(); }, timeoutMs))
        return {QStringLiteral("a reply never ended")};
    if (spy->count() != 1)
        return {QStringLiteral("signals: %1").arg(spy->count())};
    return spy->takeFirst();
}
