// zephon_fakeserver: the fake service on its own, with one demo account, for trying the
// client by hand and for the screenshot script. It listens on 127.0.0.1 only. The service
// picks its own ports, so a small relay on the fixed main port passes each connection on to
// its main server; the sub-server address it hands out is its own.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTextStream>

#include "demoaccount.h"
#include "fakeservice.h"

namespace {

// Joins one accepted connection to a fresh connection to the target port, both ways.
void relay(QTcpSocket *pClient, quint16 iTargetPort)
{
    auto *pUpstream = new QTcpSocket(pClient);
    QPointer<QTcpSocket> client(pClient);
    QObject::connect(pClient, &QTcpSocket::readyRead, pUpstream, [pClient, pUpstream] {
        if (pUpstream->state() == QAbstractSocket::ConnectedState)
            pUpstream->write(pClient->readAll());
    });
    QObject::connect(pUpstream, &QTcpSocket::connected, pClient,
                     [pClient, pUpstream] { pUpstream->write(pClient->readAll()); });
    QObject::connect(pUpstream, &QTcpSocket::readyRead, pClient,
                     [pClient, pUpstream] { pClient->write(pUpstream->readAll()); });
    QObject::connect(pUpstream, &QTcpSocket::disconnected, pClient,
                     [pClient] { pClient->disconnectFromHost(); });
    QObject::connect(pUpstream, &QTcpSocket::errorOccurred, pClient,
                     [pClient] { pClient->disconnectFromHost(); });
    QObject::connect(pClient, &QTcpSocket::disconnected, pClient, [client, pUpstream] {
        pUpstream->disconnectFromHost();
        if (client)
            client->deleteLater();
    });
    pUpstream->connectToHost(QHostAddress::LocalHost, iTargetPort);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zephon_fakeserver"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Runs the fake service on 127.0.0.1 with one demo account."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringList{"p", "port"},
                                        QStringLiteral("Main server port (default 4666)."),
                                        QStringLiteral("port"), QStringLiteral("4666"));
    const QCommandLineOption idOption(
        QStringLiteral("id"), QStringLiteral("Demo account id (default %1).").arg(DemoAccount::kId),
        QStringLiteral("id"), QString::fromLatin1(DemoAccount::kId));
    const QCommandLineOption passwordOption(
        QStringLiteral("password"),
        QStringLiteral("Demo password (default %1).").arg(DemoAccount::kPassword),
        QStringLiteral("password"), QString::fromLatin1(DemoAccount::kPassword));
    const QCommandLineOption phoneOption(
        QStringLiteral("phone"),
        QStringLiteral("Demo phone number (default %1).").arg(DemoAccount::kPhone),
        QStringLiteral("phone"), QString::fromLatin1(DemoAccount::kPhone));
    parser.addOptions({portOption, idOption, passwordOption, phoneOption});
    parser.process(app);

    QTextStream err(stderr);
    bool bPortOk = false;
    const uint iPort = parser.value(portOption).toUInt(&bPortOk);
    if (!bPortOk || iPort == 0 || iPort > 65535) {
        err << "invalid port: " << parser.value(portOption) << Qt::endl;
        return 2;
    }
    bool bIdOk = false;
    const quint32 iZpid = parser.value(idOption).toUInt(&bIdOk);
    if (!bIdOk || iZpid == 0) {
        err << "the account id must be a non-zero number: " << parser.value(idOption) << Qt::endl;
        return 2;
    }

    FakeService service;
    if (!service.start()) {
        err << "cannot start the fake service on 127.0.0.1" << Qt::endl;
        return 1;
    }
    FakeService::Account account;
    account.iZpid = iZpid;
    account.strLoginId = QString::number(iZpid);
    account.strPassword = parser.value(passwordOption);
    account.strPhone = parser.value(phoneOption);
    service.serveAccount(account);

    QTcpServer front;
    if (!front.listen(QHostAddress::LocalHost, quint16(iPort))) {
        err << "cannot listen on 127.0.0.1:" << iPort << ": " << front.errorString() << Qt::endl;
        return 1;
    }
    const quint16 iMainPort = service.mainPort();
    QObject::connect(&front, &QTcpServer::newConnection, &front, [&front, iMainPort] {
        while (QTcpSocket *pClient = front.nextPendingConnection())
            relay(pClient, iMainPort);
    });

    QTextStream out(stdout);
    out << "Fake service on 127.0.0.1:" << iPort << " (sub-server 127.0.0.1:" << service.subPort()
        << ")" << Qt::endl;
    out << "Demo account: id " << account.strLoginId << ", password " << account.strPassword
        << ", phone " << account.strPhone << Qt::endl;
    out << "Start the client with ZEPHON_SERVER=127.0.0.1:" << iPort << Qt::endl;
    return app.exec();
}
