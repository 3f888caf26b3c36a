// zephond: the service on its own. Without a command it serves (main server, sub-server TCP
// and UDP) until SIGINT or SIGTERM and then prints its counters; SIGUSR1 prints them at any
// time. With a command it administers the store and exits.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <functional>

#include "cadmincommand.h"
#include "cftpserverprocess.h"
#include "cseedfile.h"
#include "cservice.h"
#include "cupdateserver.h"
#include "unixsignalwatcher.h"
#include "zephonversion.h"

namespace {

QString defaultDataDir()
{
    const QByteArray arDir = qgetenv("ZEPHON_SERVICE_DIR");
    if (!arDir.isEmpty())
        return QString::fromLocal8Bit(arDir);
    return QDir::homePath() + QStringLiteral("/.local/share/zephon/service");
}

bool portValue(const QString &strText, bool bZeroAllowed, quint16 &iPort)
{
    bool bOk = false;
    const uint i = strText.toUInt(&bOk);
    if (!bOk || i > 65535 || (i == 0 && !bZeroAllowed))
        return false;
    iPort = quint16(i);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zephond"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Zephon service: main server, sub-server and accounts.\n\n") +
        CAdminCommand::usage());
    parser.addHelpOption();
    const QCommandLineOption listen(
        QStringLiteral("listen"),
        QStringLiteral("Address to listen on (default 127.0.0.1). The field cipher's key is "
                       "fixed and public: bind another address only behind a tunnel."),
        QStringLiteral("address"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringList{QStringLiteral("p"), QStringLiteral("port")},
                                  QStringLiteral("Main server TCP port (default 4666)."),
                                  QStringLiteral("port"),
                                  QString::number(CServiceConfig::DEFAULT_MAIN_PORT));
    const QCommandLineOption subPort(
        QStringLiteral("sub-port"),
        QStringLiteral("Sub-server TCP and UDP port (default 4667; 0 picks a free one)."),
        QStringLiteral("port"), QString::number(CServiceConfig::DEFAULT_SUB_PORT));
    const QCommandLineOption dataDir(
        QStringLiteral("data-dir"),
        QStringLiteral("Folder of the service's database (default $ZEPHON_SERVICE_DIR or "
                       "~/.local/share/zephon/service)."),
        QStringLiteral("folder"));
    const QCommandLineOption timeout(
        QStringLiteral("session-timeout"),
        QStringLiteral("Seconds of silence after which a session ends (default 30)."),
        QStringLiteral("seconds"), QStringLiteral("30"));
    const QCommandLineOption udpTrial(
        QStringLiteral("udp-trial"),
        QStringLiteral("Milliseconds a new session's UDP endpoint is on trial (default 1000): "
                       "a second endpoint claiming the session meanwhile ends it, so that its "
                       "client signs in again. 0 takes the first claimant at once."),
        QStringLiteral("ms"), QString::number(CServiceConfig::DEFAULT_UDP_TRIAL_MS));
    const QCommandLineOption signInDeadline(
        QStringLiteral("sign-in-deadline"),
        QStringLiteral("Seconds a connection may take to sign in before it is closed (default "
                       "10)."),
        QStringLiteral("seconds"),
        QString::number(CServiceConfig::DEFAULT_SIGN_IN_DEADLINE_MS / 1000));
    const QCommandLineOption maxConnections(
        QStringLiteral("max-connections"),
        QStringLiteral("Connections in all (default: as many as the descriptor limit allows, "
                       "after raising the soft limit to the hard one). At the cap the oldest "
                       "connection that has not signed in makes room."),
        QStringLiteral("count"), QStringLiteral("0"));
    const QCommandLineOption maxPerAddress(
        QStringLiteral("max-per-address"),
        QStringLiteral("Connections from one address that have not signed in (default 32); "
                       "the oldest of them makes room for a new one."),
        QStringLiteral("count"), QString::number(CServiceConfig::DEFAULT_MAX_PER_ADDRESS));
    const QCommandLineOption minRequestRate(
        QStringLiteral("min-request-rate"),
        QStringLiteral("Bytes per second an unfinished request must keep up after %1 "
                       "seconds, or its connection is closed (default %2).")
            .arg(CServiceConfig::DEFAULT_REQUEST_GRACE_MS / 1000)
            .arg(CServiceConfig::DEFAULT_MIN_REQUEST_RATE),
        QStringLiteral("bytes"), QString::number(CServiceConfig::DEFAULT_MIN_REQUEST_RATE));
    const QCommandLineOption maxQueued(
        QStringLiteral("max-queued-kib"),
        QStringLiteral("KiB of answers queued for a connection at which it is no longer read "
                       "until half have gone out (default %1); one whose queue grows to %2 "
                       "times that is closed.")
            .arg(CClientConnection::DEFAULT_MAX_QUEUED / 1024)
            .arg(CClientConnection::OVERFLOW_FACTOR),
        QStringLiteral("KiB"), QString::number(CClientConnection::DEFAULT_MAX_QUEUED / 1024));
    const QCommandLineOption hashCost(
        QStringLiteral("hash-cost"),
        QStringLiteral("Cost of new password hashes: interactive (default) or minimal (test "
                       "fixtures only)."),
        QStringLiteral("cost"), QStringLiteral("interactive"));
    const QCommandLineOption packetLog(
        QStringLiteral("packet-log"),
        QStringLiteral("Append every packet in and out to this file, one hex line each; "
                       "password fields are written as a marker."),
        QStringLiteral("file"));
    const QCommandLineOption updatePort(
        QStringLiteral("update-port"),
        QStringLiteral("Port of the update host, which serves %1 and %2 over HTTP (default "
                       "4668; 0 picks a free one).")
            .arg(QLatin1String(CUpdateServer::VERSION_PATH),
                 QLatin1String(CUpdateServer::DOWNLOAD_PATH)),
        QStringLiteral("port"), QStringLiteral("4668"));
    const QCommandLineOption updateVersion(
        QStringLiteral("update-version"),
        QStringLiteral("The newest client version the update host announces (default %1, "
                       "this release's).")
            .arg(QLatin1String(ZEPHON_VERSION_TEXT)),
        QStringLiteral("version"), QStringLiteral(ZEPHON_VERSION_TEXT));
    const QCommandLineOption updateDescription(
        QStringLiteral("update-description"),
        QStringLiteral("The text announced with that version."), QStringLiteral("text"));
    const QCommandLineOption ftpPort(
        QStringLiteral("ftp-port"),
        QStringLiteral("Port of the file store, an FTP server where users keep the files of "
                       "their messages (default %1; 0 picks a free one).")
            .arg(CFtpServerProcess::DEFAULT_PORT),
        QStringLiteral("port"), QString::number(CFtpServerProcess::DEFAULT_PORT));
    const QCommandLineOption noFtp(QStringLiteral("no-ftp"),
                                   QStringLiteral("Serve without the file store."));
    const QCommandLineOption demo(
        QStringLiteral("demo"), QStringLiteral("Create the demo accounts if missing, then serve."));
    parser.addOptions({listen, port, subPort, dataDir, timeout, udpTrial, signInDeadline,
                       maxConnections, maxPerAddress, minRequestRate, maxQueued, hashCost,
                       packetLog, updatePort, updateVersion, updateDescription, ftpPort, noFtp,
                       demo});

    // The limits that keep one user from crowding out the others, each a whole number in a
    // range; held bytes are given in KiB.
    CServiceConfig config;
    struct Limit
    {
        QCommandLineOption option;
        int iMin;
        int iMax;
        std::function<void(int)> set;
    };
    const auto limitOption = [](const char *pName, const QString &strHelp, qint64 iDefault) {
        return QCommandLineOption(QString::fromLatin1(pName),
                                  strHelp + QStringLiteral(" (default %1).").arg(iDefault),
                                  QStringLiteral("n"), QString::number(iDefault));
    };
    const QList<Limit> limits = {
        {limitOption("max-held-per-addressee", QStringLiteral("Messages held for one addressee"),
                     CServiceConfig::DEFAULT_MAX_HELD_PER_ADDRESSEE),
         1, 1 << 24, [&](int i) { config.iMaxHeldPerAddressee = i; }},
        {limitOption("max-held-kib-per-addressee",
                     QStringLiteral("KiB of messages held for one addressee"),
                     CServiceConfig::DEFAULT_MAX_HELD_BYTES_PER_ADDRESSEE / 1024),
         1, 1 << 24, [&](int i) { config.iMaxHeldBytesPerAddressee = qint64(i) * 1024; }},
        {limitOption("max-held-per-sender",
                     QStringLiteral("Messages held for one addressee from one sender"),
                     CServiceConfig::DEFAULT_MAX_HELD_PER_SENDER),
         1, 1 << 24, [&](int i) { config.iMaxHeldPerSender = i; }},
        {limitOption("max-held-kib-per-sender",
                     QStringLiteral("KiB held for one addressee from one sender"),
                     CServiceConfig::DEFAULT_MAX_HELD_BYTES_PER_SENDER / 1024),
         1, 1 << 24, [&](int i) { config.iMaxHeldBytesPerSender = qint64(i) * 1024; }},
        {limitOption("hash-threads",
                     QStringLiteral("Threads that check and make password hashes; 0 takes one "
                                    "per core, at least two"),
                     0),
         0, 256, [&](int i) { config.iHashThreads = i; }},
        {limitOption("max-waiting-password-changes",
                     QStringLiteral("Password changes waiting for their hash; more are refused"),
                     CHashQueue::DEFAULT_MAX_WAITING_CHANGES),
         1, 1 << 20, [&](int i) { config.iMaxWaitingPasswordChanges = i; }},
        {limitOption("password-changes-per-minute",
                     QStringLiteral("Password changes one session may ask for at once, then "
                                    "a minute"),
                     CServiceConfig::DEFAULT_PASSWORD_CHANGES_PER_MINUTE),
         1, 1 << 20, [&](int i) { config.iPasswordChangesPerMinute = i; }},
        {limitOption("max-presence-numbers", QStringLiteral("Numbers one presence query may list"),
                     CServiceConfig::DEFAULT_MAX_PRESENCE_NUMBERS),
         1, 1 << 20, [&](int i) { config.iMaxPresenceNumbers = i; }},
        {limitOption("lookup-burst",
                     QStringLiteral("Look-ups of other accounts one session may make at once"),
                     CServiceConfig::DEFAULT_LOOKUP_BURST),
         1, 1 << 20, [&](int i) { config.iLookupBurst = i; }},
        {limitOption("lookups-per-minute",
                     QStringLiteral("Look-ups of other accounts one session may make a minute "
                                    "after its burst"),
                     CServiceConfig::DEFAULT_LOOKUPS_PER_MINUTE),
         1, 1 << 20, [&](int i) { config.iLookupsPerMinute = i; }},
    };
    for (const Limit &limit : limits)
        parser.addOption(limit.option);
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("An administration command (below)."),
                                 QStringLiteral("[command args...]"));
    parser.process(app);

    auto failWith = [&err](int iCode, const QString &strMessage) {
        err << "zephond: " << strMessage << Qt::endl;
        return iCode;
    };

    config.strDataDir = parser.isSet(dataDir) ? parser.value(dataDir) : defaultDataDir();
    config.strPacketLog = parser.value(packetLog);
    if (!config.address.setAddress(parser.value(listen)))
        return failWith(2, QStringLiteral("not an address: ") + parser.value(listen));
    quint16 iUpdatePort = 0;
    if (!portValue(parser.value(updatePort), true, iUpdatePort))
        return failWith(2, QStringLiteral("the update port is a number from 0 to 65535"));
    quint16 iFtpPort = 0;
    if (!portValue(parser.value(ftpPort), true, iFtpPort))
        return failWith(2, QStringLiteral("the FTP port is a number from 0 to 65535"));
    if (!portValue(parser.value(port), false, config.iMainPort) ||
        !portValue(parser.value(subPort), true, config.iSubPort))
        return failWith(2, QStringLiteral("a port is a number from 1 to 65535"));
    bool bOk = false;
    const int iTimeout = parser.value(timeout).toInt(&bOk);
    if (!bOk || iTimeout <= 0)
        return failWith(2, QStringLiteral("the session timeout is a positive number of seconds"));
    config.iSessionTimeoutMs = iTimeout * 1000;
    // Reads a whole number option within [iMin, iMax], times iScale.
    auto numberOption = [&parser](const QCommandLineOption &option, int iMin, int iMax, int iScale,
                                  int &iValue) {
        bool bNumber = false;
        const int i = parser.value(option).toInt(&bNumber);
        if (!bNumber || i < iMin || i > iMax)
            return false;
        iValue = i * iScale;
        return true;
    };
    if (!numberOption(udpTrial, 0, 60000, 1, config.iUdpTrialMs))
        return failWith(2, QStringLiteral("the UDP trial is 0 to 60000 milliseconds"));
    if (!numberOption(signInDeadline, 1, 3600, 1000, config.iSignInDeadlineMs))
        return failWith(2, QStringLiteral("the sign-in deadline is 1 to 3600 seconds"));
    if (!numberOption(maxConnections, 0, 1 << 20, 1, config.iMaxConnections) ||
        !numberOption(maxPerAddress, 1, 1 << 20, 1, config.iMaxPerAddress))
        return failWith(2, QStringLiteral("connection caps are positive counts"));
    if (!numberOption(minRequestRate, 1, 1 << 30, 1, config.iMinRequestRate))
        return failWith(2, QStringLiteral("the minimum request rate is a positive number"));
    // A whole frame must fit below the cap.
    if (!numberOption(maxQueued, 64, 1 << 20, 1024, config.iMaxQueuedBytes))
        return failWith(2, QStringLiteral("the queue cap is 64 to 1048576 KiB"));
    for (const Limit &limit : limits) {
        int iValue = 0;
        if (!numberOption(limit.option, limit.iMin, limit.iMax, 1, iValue))
            return failWith(2, QStringLiteral("--%1 is a whole number from %2 to %3")
                                   .arg(limit.option.names().constFirst())
                                   .arg(limit.iMin)
                                   .arg(limit.iMax));
        limit.set(iValue);
    }
    if (!CPasswordHash::costFromName(parser.value(hashCost), config.hashCost))
        return failWith(2, QStringLiteral("the hash cost is interactive or minimal"));

    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        if (!CAdminCommand::isCommand(positional.first()))
            return failWith(2, QStringLiteral("unknown command ") + positional.first() +
                                   QLatin1Char('\n') + CAdminCommand::usage());
        CServiceStore store;
        if (!CPasswordHash::initialise() || !store.open(config.strDataDir))
            return failWith(1, QStringLiteral("cannot open the store in %1: %2")
                                   .arg(config.strDataDir, store.errorText()));
        return CAdminCommand(store, config.hashCost, in, out, err).run(positional);
    }

    CService service(config);
    if (!service.start())
        return failWith(1, service.errorText());
    if (parser.isSet(demo)) {
        const CSeedFile::Result result =
            CSeedFile::apply(CSeedFile::demo(), service.store(), config.hashCost);
        if (!result.bOk)
            return failWith(1, QStringLiteral("demo data: ") + result.strError);
        if (result.iAccountsAdded > 0)
            out << "demo accounts created: " << result.iAccountsAdded << Qt::endl;
    }
    CUpdateServer updates;
    updates.announce(parser.value(updateVersion), parser.value(updateDescription));
    if (!updates.listen(config.address, iUpdatePort))
        return failWith(1, QStringLiteral("update host on %1:%2: %3")
                               .arg(config.address.toString())
                               .arg(iUpdatePort)
                               .arg(updates.errorString()));
    // A service without its file store still carries messages: say so and go on.
    CFtpServerProcess ftp;
    if (!parser.isSet(noFtp)) {
        if (ftp.start(CFtpServerProcess::scriptBesideExecutable(), config.strDataDir,
                      config.address, iFtpPort)) {
            out << "ftp: listening on " << config.address.toString() << ":" << ftp.port()
                << Qt::endl;
            QObject::connect(&ftp, &CFtpServerProcess::sig_ended, &app, [&err](QString strWhy) {
                err << "zephond: the file store's FTP server ended (" << strWhy
                    << "); serving without it" << Qt::endl;
            });
        } else {
            err << "zephond: the file store's FTP server did not start (" << ftp.errorText()
                << "); serving without it" << Qt::endl;
        }
    }
    // Watching before the ready line: whoever waits for that line may signal at once.
    UnixSignalWatcher watcher(UnixSignalWatcher::ReportSignal::Usr1);
    QObject::connect(&watcher, &UnixSignalWatcher::reportRequested, &service,
                     [&service, &err] { err << service.counters().report() << Qt::endl; });
    QObject::connect(&watcher, &UnixSignalWatcher::terminationRequested, &app,
                     &QCoreApplication::quit);
    out << "zephond: main server " << config.address.toString() << ":" << service.mainPort()
        << ", sub-server " << service.subPort() << " (TCP and UDP), data in " << config.strDataDir
        << ", up to " << service.connections().maxConnections()
        << " connections, updates at http://" << config.address.toString() << ":" << updates.port()
        << "/ZPQTupdate/" << Qt::endl;
    if (!config.address.isLoopback())
        err << "zephond: warning: listening beyond this machine; the field cipher's key is "
               "public, so use a tunnel across untrusted networks"
            << Qt::endl;

    const int iCode = app.exec();
    err << service.counters().report() << Qt::endl;
    return iCode;
}
