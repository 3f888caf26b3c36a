// The one account the client tests sign in with, as the stand-alone fake server offers it
// by default.
#pragma once

#include <QtGlobal>

#include "fakeservice.h"

namespace DemoAccount {

inline constexpr char kId[] = "1000001";
inline constexpr char kPassword[] = "demo1234";
inline constexpr char kPhone[] = "13800138000";

inline FakeService::Account account()
{
    FakeService::Account account;
    account.iZpid = 1000001;
    account.strLoginId = QString::fromLatin1(kId);
    account.strPassword = QString::fromLatin1(kPassword);
    account.strPhone = QString::fromLatin1(kPhone);
    return account;
}

// Starts the service with this account and points the client (ZEPHON_SERVER, read by this
// process and inherited by the clients it starts) at it.
inline bool serve(FakeService &service)
{
    if (!service.start())
        return false;
    qputenv("ZEPHON_SERVER", service.serverText().toUtf8());
    service.serveAccount(account());
    return true;
}

} // namespace DemoAccount
