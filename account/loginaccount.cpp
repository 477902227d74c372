#include "loginaccount.h"

#include "loginfo.h"

#include <QNetworkReply>

LoginAccount::LoginAccount(QObject* parent, const QString& baseAddress) : KVAccountManage(parent, baseAddress), m_identity(this)
{
    connect(this, &KVAccountManage::sigFinished, this, &LoginAccount::slots_onSigFinished);
}

void LoginAccount::KvPostLoginJson(QString emailAccount, QString passwd)
{
    m_email = emailAccount;
    postJson(KindLogin, compactJson({{QStringLiteral("email"), emailAccount},
                                     {QStringLiteral("password"), passwd}}));
}

void LoginAccount::slots_onSigFinished(QNetworkReply* reply)
{
    // A login reply without a result code is no login.
    const ServerReply result = readReply(reply, 10);
    QString message;
    if (result.networkError)
        message = tr("Network Error, please try again later");
    else if (!result.parsed)
        message = tr("Server error, please try again later");
    else if (result.code != 0)
        message = result.root.value(QLatin1String("msg")).toString();
    else
        message = result.dataString("nickname");

    // The identity is stored only for a login the server accepted: a token that came with a
    // refusal or with an unreadable reply would make the user look logged in, and the refusal
    // text would be kept as the nickname. The header name is compared exactly, letter case
    // included.
    if (result.parsed && result.code == 0) {
        for (const QNetworkReply::RawHeaderPair& header : reply->rawHeaderPairs()) {
            if (header.first != QByteArrayLiteral("Authorization"))
                continue;
            m_identity.SetToken(QString::fromUtf8(header.second));
            m_identity.SetEmail(m_email);
            m_identity.SetNickName(message);
        }
    }
    emit sigLoginRet(result.code, message);
}
