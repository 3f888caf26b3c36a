// The parties of the call tests and the phases a call reaches, each brought about from a
// fresh call session through the session's own rules, without the wire.
#pragma once

#include <QTest>

#include <functional>

#include "ccallsession.h"
#include "codes.h"
#include "csessionstate.h"
#include "fakeservice.h"

using Setup = std::function<void()>;
Q_DECLARE_METATYPE(Setup)

constexpr quint32 OWN = 1000;
constexpr quint32 PEER = 2000;  // sorts above the user
constexpr quint32 LOWER = 500;  // sorts below the user
constexpr quint32 THIRD = 3000; // somebody else

// A call packet from iFrom to the user, as the service relays it.
inline QByteArray call(quint32 iFrom, quint8 iSub, const QByteArray &arData = QByteArray())
{
    return FakeService::callPacket(iFrom, OWN, iSub, arData);
}

inline void pushing(quint32 iPeer)
{
    QCOMPARE(callSession().beginPush(iPeer), CCallSession::Start::Started);
}

inline void calling(quint32 iPeer, quint8 iPushType = 1)
{
    pushing(iPeer);
    callSession().pushReply(FakeService::pushReply(iPeer, iPushType));
    QVERIFY(callSession().beginCall(iPeer));
}

inline void ringing(quint32 iPeer)
{
    QCOMPARE(callSession().received(call(iPeer, 1)).iState, int(Codes::CallOffered));
}

inline void talkingOut(quint32 iPeer)
{
    calling(iPeer);
    QCOMPARE(callSession().received(call(iPeer, 2)).iState, int(Codes::CallAnswered));
}

inline void talkingIn(quint32 iPeer)
{
    ringing(iPeer);
    QVERIFY(callSession().agree(iPeer));
}

// The user hung up on a connected call; the quiet period is over.
inline void hungUp(quint32 iPeer)
{
    talkingIn(iPeer);
    QVERIFY(callSession().hangup(iPeer));
    sessionState().pTimerStopCall->stop();
}
