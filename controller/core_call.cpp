// Core's calls: the call-state reports of the packet layer, the ring tones, the voice path of
// the call under way, the push before an outgoing call, and the call log.
//
// Core keeps the record of the call under way (who, which direction, when the talk began) and
// writes it once, when the call ends, whichever way it ends: refused, busy, hung up by either
// side, unreachable, given up, silent for too long, or cut by logout. The phase and peer belong
// to the session manager's call session; Core only reads them.
#include "core.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSoundEffect>
#include <QUrl>
#include <QVariantMap>

#include <optional>

#include "caudiomanager.h"
#include "caudiooutput.h"
#include "ccallsession.h"
#include "cdatabase.h"
#include "cnetwork.h"
#include "codes.h"
#include "csessionstate.h"
#include "csetting.h"
#include "ctrace.h"
#include "publishedlist.h"

namespace {

// Kinds of a call record.
enum RecordKind
{
    KindOutgoing = 0,
    KindAnswered = 1,
    KindMissed = 2, // incoming and not answered: missed, or refused by the user
};

} // namespace

struct Core::Call
{
    explicit Call(ListPublisher &lists)
        : callRecord(lists, "callrecordModel"), call(lists, "callModel")
    {}

    // The call under way as its record will say.
    struct Track
    {
        QString strPeer;
        bool bOutgoing = false;
        bool bAnswered = false;
        QElapsedTimer talk;
    };

    PublishedList callRecord;
    PublishedList call;
    std::unique_ptr<QSoundEffect> pRing;
    std::unique_ptr<CAudioManager> pAudio;
    std::optional<Track> track;
    bool bMute = false;
    int iKeepAliveMs = 5000;
    int iSilenceMs = 10000;
    int iCheckMs = 1000;
};

void Core::AreaDeleter::operator()(Call *pArea) const
{
    delete pArea;
}

void Core::makeCall()
{
    m_pCall.reset(new Call(lists()));
}

void Core::playRing(QString strPath, int iCount)
{
    stopRing();
    // A child of Core under a name of its own, so that it can be told from the message sound.
    auto pRing = std::make_unique<QSoundEffect>(CAudioOutput::device(), this);
    pRing->setObjectName(QStringLiteral("ring"));
    // A missing file leaves the call silent; QSoundEffect reports it only through its status.
    pRing->setSource(QUrl::fromLocalFile(QDir::current().absoluteFilePath(strPath)));
    pRing->setLoopCount(iCount);
    pRing->play();
    m_pCall->pRing = std::move(pRing);
}

void Core::stopRing()
{
    if (m_pCall->pRing) {
        m_pCall->pRing->stop();
        m_pCall->pRing.reset();
    }
}

bool Core::isRinging() const
{
    return m_pCall->pRing != nullptr;
}

bool Core::hasAudio() const
{
    return m_pCall->pAudio != nullptr;
}

void Core::setVoiceTimings(int iKeepAliveMs, int iSilenceMs, int iCheckMs)
{
    m_pCall->iKeepAliveMs = iKeepAliveMs;
    m_pCall->iSilenceMs = iSilenceMs;
    m_pCall->iCheckMs = iCheckMs;
}

void Core::startAudio()
{
    Call &call = *m_pCall;
    const quint32 iPeer = callSession().peer();
    CNetwork *pNetwork = network();
    if (call.pAudio || iPeer == 0 || !pNetwork)
        return;
    auto pAudio = std::make_unique<CAudioManager>();
    pAudio->setKeepAliveInterval(call.iKeepAliveMs);
    pAudio->setSilenceTimeout(call.iSilenceMs);
    pAudio->setCheckInterval(call.iCheckMs);
    pAudio->setMuted(call.bMute);
    connect(pAudio.get(), &CAudioManager::audioStop, this, &Core::slot_onAudioStop);
    pAudio->setPeer(pNetwork->socket(SOCKET_UDP), iPeer);
    call.pAudio = std::move(pAudio);
    if (call.track && !call.track->bAnswered) {
        call.track->bAnswered = true;
        call.track->talk.start();
    }
}

void Core::stopAudio()
{
    if (!m_pCall->pAudio)
        return;
    disconnect(m_pCall->pAudio.get(), nullptr, this, nullptr);
    m_pCall->pAudio.reset();
}

void Core::setMute(bool bMute)
{
    m_pCall->bMute = bMute;
    if (m_pCall->pAudio)
        m_pCall->pAudio->setMuted(bMute);
}

void Core::sendPush(QString strZpid)
{
    CNetwork *pNetwork = network();
    if (!pNetwork)
        return;
    Call &call = *m_pCall;
    // A call already under way keeps its record, and the session turns the push down; a
    // number that is nobody else's is turned down at once and leaves no record.
    bool bOk = false;
    const quint32 iPeer = strZpid.toUInt(&bOk);
    if (bOk && iPeer != 0 && iPeer != sessionState().iZpid && callSession().peer() == 0 &&
        callSession().phase() == Codes::PhaseIdle) {
        call.track.emplace();
        call.track->strPeer = strZpid;
        call.track->bOutgoing = true;
        // The picture cache lives for the session, so a peer already shown needs no request.
        if (!hasUserPic(strZpid))
            pNetwork->slot_onGetCard(strZpid, 1);
    }
    pNetwork->slot_onSendPush(strZpid);
}

QVariant Core::getCallPeer(QString strZpid)
{
    QVariantMap peer;
    QString strName;
    QString strPhone;
    if (QSharedPointer<CDatabase> pDatabase = database()) {
        strName = pDatabase->getContactNameByZpid(strZpid.toUInt());
        strPhone = pDatabase->getContactPhoneByZpid(strZpid.toUInt());
    }
    peer.insert(QStringLiteral("strName"), strName);
    peer.insert(QStringLiteral("strPhone"), strPhone);
    return peer;
}

void Core::addCallRecord(QString strZpid, QString strName, QString strPhone, bool bRead,
                         int iCallTime, int iType)
{
    if (QSharedPointer<CDatabase> pDatabase = database())
        pDatabase->addCallRecord(sessionState().iZpid, strZpid, strName, strPhone, bRead, iCallTime,
                                 iType);
}

void Core::getCallRecord(QString strKey)
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    PublishedList &list = strKey.isEmpty() ? m_pCall->callRecord : m_pCall->call;
    list.replace(pDatabase->getCallRecord(strKey));
}

void Core::updateCallRecord(QString strKey)
{
    if (QSharedPointer<CDatabase> pDatabase = database())
        pDatabase->updateCallRecord(strKey);
}

void Core::delCallRecord(QString strKey)
{
    QSharedPointer<CDatabase> pDatabase = database();
    if (!pDatabase)
        return;
    // The screens delete by person: a short Zpid must not be taken for a row Id.
    if (strKey.isEmpty())
        pDatabase->delCallRecord(strKey);
    else
        pDatabase->delPeerCallRecord(strKey);
}

int Core::getUnReadCallRecord()
{
    QSharedPointer<CDatabase> pDatabase = database();
    return pDatabase ? pDatabase->getUnReadCallRecord(QString()) : 0;
}

namespace {

struct CallEnd
{
    int iKind;
    bool bRead;
    int iSeconds;
};

CallEnd recordOf(bool bOutgoing, bool bAnswered, qint64 iTalkMs, bool bRefusedHere)
{
    const int iSeconds = bAnswered ? int(iTalkMs / 1000) : 0;
    if (bOutgoing)
        return {KindOutgoing, true, iSeconds};
    if (bAnswered)
        return {KindAnswered, true, iSeconds};
    // Refused here the user has seen it; otherwise it counts as missed until looked at.
    return {KindMissed, bRefusedHere, 0};
}

} // namespace

void Core::endCall(int iState, QString strZpid, bool bRefusedHere)
{
    Call &call = *m_pCall;
    stopRing();
    stopAudio();
    call.bMute = false;
    if (call.track && (strZpid.isEmpty() || call.track->strPeer == strZpid)) {
        const Call::Track track = *call.track;
        call.track.reset();
        const CallEnd end = recordOf(track.bOutgoing, track.bAnswered,
                                     track.bAnswered ? track.talk.elapsed() : 0, bRefusedHere);
        const QVariantMap peer = getCallPeer(track.strPeer).toMap();
        addCallRecord(track.strPeer, peer.value(QStringLiteral("strName")).toString(),
                      peer.value(QStringLiteral("strPhone")).toString(), end.bRead, end.iSeconds,
                      end.iKind);
        strZpid = track.strPeer;
    }
    Q_EMIT sig_updateCall(iState, strZpid);
}

void Core::slot_onParseCallState(int iState, QString strZpid, QByteArray arBuff)
{
    Call &call = *m_pCall;
    if (iState != Codes::CallVoice)
        trace().traceText(QStringLiteral("call state %1").arg(iState), strZpid);
    switch (iState) {
    case Codes::CallOffered:
        if (CSetting::instance()->callPrompt())
            playRing(QStringLiteral("ring.wav"), 60);
        call.track.emplace();
        call.track->strPeer = strZpid;
        call.bMute = false;
        if (CNetwork *pNetwork = network(); pNetwork && !hasUserPic(strZpid))
            pNetwork->slot_onGetCard(strZpid, 1);
        Q_EMIT sig_updateCall(iState, strZpid);
        break;
    case Codes::CallAnswered:
        stopRing();
        startAudio();
        Q_EMIT sig_updateCall(iState, strZpid);
        break;
    case Codes::CallRefused:
    case Codes::CallBusy:
    case Codes::CallHungUp:
    case Codes::CallUnreachable:
        endCall(iState, strZpid, false);
        break;
    case Codes::CallVoice:
        if (call.pAudio)
            call.pAudio->recvAudio(arBuff);
        break;
    case Codes::CallRinging:
        playRing(QStringLiteral("call.wav"), 60);
        break;
    case Codes::CallConfirmed:
        stopRing();
        stopAudio();
        break;
    case Codes::CallPushReached:
        Q_EMIT sig_call(strZpid);
        Q_EMIT sig_updateCall(iState, strZpid);
        break;
    default:
        break;
    }
}

void Core::slot_onAudioStop()
{
    Call &call = *m_pCall;
    // Called from the manager's own timer: it goes when control is back in the event loop.
    if (call.pAudio) {
        disconnect(call.pAudio.get(), nullptr, this, nullptr);
        call.pAudio.release()->deleteLater();
    }
    const quint32 iPeer = callSession().peer();
    const QString strPeer = iPeer != 0   ? QString::number(iPeer)
                            : call.track ? call.track->strPeer
                                         : QString();
    if (CNetwork *pNetwork = network(); pNetwork && iPeer != 0)
        pNetwork->slot_onHangup(strPeer);
    trace().trace(QStringLiteral("voice silent too long: call ended"));
    endCall(Codes::CallHungUp, strPeer, false);
}

void Core::slot_onCallHangup(QString strZpid)
{
    // Only once the session has taken the hang-up, that is, the call is no longer its own.
    if (m_pCall->track && m_pCall->track->strPeer == strZpid &&
        QString::number(callSession().peer()) != strZpid)
        endCall(Codes::CallHungUp, strZpid, false);
}

void Core::slot_onCallRefuse(QString strZpid)
{
    if (m_pCall->track && m_pCall->track->strPeer == strZpid &&
        QString::number(callSession().peer()) != strZpid)
        endCall(Codes::CallHungUp, strZpid, true);
}

void Core::endCallForLogout()
{
    const quint32 iPeer = callSession().peer();
    if (iPeer != 0 && network())
        network()->slot_onHangup(QString::number(iPeer));
    if (m_pCall->track || m_pCall->pAudio)
        endCall(Codes::CallHungUp, m_pCall->track ? m_pCall->track->strPeer : QString(), false);
}
