// CorePeer: a client in a process of its own (zephon_corepeer), for tests that need several
// signed-in clients at once. The test signs it in, calls Core's methods and the root item's
// signals by name, waits for Core's signals and reads its published lists, each a request
// answered on the peer's standard output.
#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class CorePeer
{
public:
    CorePeer() = default;
    CorePeer(const CorePeer &) = delete;
    CorePeer &operator=(const CorePeer &) = delete;
    ~CorePeer();

    // A peer started with its store in strFolder and signed in as strId; when bAwaitContacts,
    // once its address book has come, as a user sees it. Null, with a warning that holds the
    // peer's trace, when it did not come up.
    static std::unique_ptr<CorePeer> signedIn(const QString &strFolder, const QString &strServer,
                                              const QString &strId, const QString &strPassword,
                                              bool bAwaitContacts = true);
    // The first of the rows whose field strKey reads strValue; empty when none does.
    static QJsonObject rowWith(const QJsonArray &rows, const QString &strKey,
                               const QString &strValue);
    // Field strKey of each row, as text.
    static QStringList column(const QJsonArray &rows, const QString &strKey);

    // Starts the peer with its store in strFolder, talking to the service at strServer
    // ("host:port"); false when it did not come up. It draws nowhere, unless the variable
    // ZEPHON_PEER_DISPLAY names an X display for its windows.
    bool start(const QString &strFolder, const QString &strServer);
    // Signs out and ends the peer; its store stays for the next start.
    void stop();
    // Ends the peer at once, as a crash would: no sign-out, its connections cut by the system.
    void kill();
    qint64 processId() const { return m_process.processId(); }

    bool signIn(const QString &strId, const QString &strPassword);
    // A Core method's return value as text; empty with errorText() set when the call failed.
    QString invoke(const QString &strMethod, const QStringList &args = {});
    // Calls a slot of the peer's session manager directly: what a client would send if its own
    // checks let it. A QVariant argument written as a JSON array is passed as a list.
    bool invokeNetwork(const QString &strSlot, const QStringList &args = {});
    bool emitRoot(const QString &strSignal, const QStringList &args = {});
    // What the peer's next file dialog answers (empty: the user cancels); the URLs it was asked
    // to open in the desktop's programs.
    bool answerDialog(const QString &strPath);
    QStringList openedUrls();
    // The arguments of the first emission of the Core signal not taken yet whose argument i
    // reads conditions' value (conditions "i=value"); empty on timeout.
    QStringList wait(const QString &strSignal, const QStringList &conditions = {},
                     int iTimeoutMs = 10000);
    // Whether such an emission came in time; for signals without arguments, whose wait() has
    // nothing to return.
    bool waitFor(const QString &strSignal, const QStringList &conditions = {},
                 int iTimeoutMs = 10000);
    // The rows Core last published under strName, each a JSON object of its properties.
    QJsonArray list(const QString &strName);

    bool ok() const { return m_strError.isEmpty(); }
    QString errorText() const { return m_strError; }
    // What the peer wrote to stderr so far (its trace).
    QByteArray trace() const { return m_arTrace; }

private:
    QStringList request(const QStringList &fields, int iTimeoutMs = 30000);

    QProcess m_process;
    QByteArray m_arTrace;
    QString m_strError;
};
