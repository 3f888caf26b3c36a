#include "corepeer.h"

#include <QDeadlineTimer>
#include <QDebug>
#include <QJsonDocument>

CorePeer::~CorePeer()
{
    stop();
}

std::unique_ptr<CorePeer> CorePeer::signedIn(const QString &strFolder, const QString &strServer,
                                             const QString &strId, const QString &strPassword,
                                             bool bAwaitContacts)
{
    auto peer = std::make_unique<CorePeer>();
    if (!peer->start(strFolder, strServer) || !peer->signIn(strId, strPassword)) {
        qWarning() << "peer" << strId << peer->errorText() << peer->trace().right(2000);
        return nullptr;
    }
    if (bAwaitContacts)
        peer->wait(QStringLiteral("sig_updateContact"), {}, 15000);
    return peer;
}

QJsonObject CorePeer::rowWith(const QJsonArray &rows, const QString &strKey,
                              const QString &strValue)
{
    for (const QJsonValue &row : rows)
        if (row.toObject().value(strKey).toVariant().toString() == strValue)
            return row.toObject();
    return {};
}

QStringList CorePeer::column(const QJsonArray &rows, const QString &strKey)
{
    QStringList list;
    for (const QJsonValue &row : rows)
        list << row.toObject().value(strKey).toVariant().toString();
    return list;
}

bool CorePeer::start(const QString &strFolder, const QString &strServer)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZEPHON_SERVER"), strServer);
    // A peer whose windows a test looks at opens them on the display the test names.
    const QString strDisplay = env.value(QStringLiteral("ZEPHON_PEER_DISPLAY"));
    if (strDisplay.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), strDisplay);
    }
    m_process.setProcessEnvironment(env);
    QObject::connect(&m_process, &QProcess::readyReadStandardError, &m_process,
                     [this] { m_arTrace += m_process.readAllStandardError(); });
    m_process.start(QStringLiteral(ZEPHON_COREPEER_EXECUTABLE), {strFolder});
    const QStringList ready = request({}, 30000);
    if (ready.value(0) != QLatin1String("ready")) {
        m_strError = QStringLiteral("the peer did not start: %1").arg(m_strError);
        return false;
    }
    return true;
}

void CorePeer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void CorePeer::kill()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

QStringList CorePeer::request(const QStringList &fields, int iTimeoutMs)
{
    m_strError.clear();
    if (!fields.isEmpty())
        m_process.write(fields.join(QLatin1Char('\t')).toUtf8() + '\n');
    const QDeadlineTimer deadline(iTimeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired() ||
            !m_process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())))) {
            if (!m_process.canReadLine()) {
                m_strError = m_process.state() == QProcess::NotRunning
                                 ? QStringLiteral("the peer ended")
                                 : QStringLiteral("no answer to %1").arg(fields.value(0));
                return {};
            }
        }
    }
    const QStringList answer =
        QString::fromUtf8(m_process.readLine()).chopped(1).split(QLatin1Char('\t'));
    if (answer.value(0) == QLatin1String("error"))
        m_strError = answer.value(1, QStringLiteral("failed"));
    return answer;
}

bool CorePeer::signIn(const QString &strId, const QString &strPassword)
{
    return request({QStringLiteral("signin"), strId, strPassword}).value(0) == QLatin1String("ok");
}

QString CorePeer::invoke(const QString &strMethod, const QStringList &args)
{
    return request(QStringList{QStringLiteral("invoke"), strMethod} + args).value(1);
}

bool CorePeer::invokeNetwork(const QString &strSlot, const QStringList &args)
{
    return request(QStringList{QStringLiteral("network"), strSlot} + args).value(0) ==
           QLatin1String("ok");
}

bool CorePeer::answerDialog(const QString &strPath)
{
    return request({QStringLiteral("dialog"), strPath}).value(0) == QLatin1String("ok");
}

QStringList CorePeer::openedUrls()
{
    const QString strOpened = request({QStringLiteral("opened")}).value(1);
    return strOpened.isEmpty() ? QStringList() : strOpened.split(QLatin1Char(','));
}

bool CorePeer::emitRoot(const QString &strSignal, const QStringList &args)
{
    return request(QStringList{QStringLiteral("emit"), strSignal} + args).value(0) ==
           QLatin1String("ok");
}

QStringList CorePeer::wait(const QString &strSignal, const QStringList &conditions, int iTimeoutMs)
{
    const QStringList answer = request(
        QStringList{QStringLiteral("wait"), strSignal, QString::number(iTimeoutMs)} + conditions,
        iTimeoutMs + 10000);
    if (answer.value(0) != QLatin1String("ok")) {
        if (m_strError.isEmpty())
            m_strError = QStringLiteral("no %1").arg(strSignal);
        return {};
    }
    return answer.mid(1);
}

bool CorePeer::waitFor(const QString &strSignal, const QStringList &conditions, int iTimeoutMs)
{
    return request(QStringList{QStringLiteral("wait"), strSignal, QString::number(iTimeoutMs)} +
                       conditions,
                   iTimeoutMs + 10000)
               .value(0) == QLatin1String("ok");
}

QJsonArray CorePeer::list(const QString &strName)
{
    return QJsonDocument::fromJson(request({QStringLiteral("list"), strName}).value(1).toUtf8())
        .array();
}
