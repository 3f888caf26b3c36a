// RecordingSocket: a UDP socket stand-in that keeps every write with its host and port.
#pragma once

#include <QByteArray>
#include <QList>

#include "csocket.h"

class RecordingSocket : public CSocket
{
public:
    struct Write
    {
        QByteArray arData;
        QString strHost;
        quint16 iPort;
    };
    QList<Write> writes;

    void write(const char *pData, int iLength, QString &strHost, quint16 iPort) override
    {
        writes << Write{QByteArray(pData, iLength), strHost, iPort};
    }
    void connectToHost(const QString &, quint16) override {}
    bool isConnected() override { return true; }
    bool flush() override { return true; }
    void write(const QString &) override {}
    bool read(QByteArray &) override { return false; }
    QString readAllText() override { return QString(); }
    QHostAddress localAddress() override { return QHostAddress(); }
    quint16 localPort() override { return 0; }
    QString peerName() override { return QString(); }
    void close() override {}
};
