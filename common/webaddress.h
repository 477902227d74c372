// Addresses that come from the account server (the update page, firmware and archive downloads)
// are used only when they are web addresses. The network manager would also fetch file: and
// data: addresses, and the desktop would open anything, so a server's answer never gets that far.
#pragma once

#include <QString>
#include <QUrl>

inline bool isWebAddress(const QString& address)
{
    const QUrl url(address, QUrl::StrictMode);
    return url.isValid() && (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https"))
           && !url.host().isEmpty();
}
