// CRequestLayout: where each client request ends. Client packets reach the service without a
// frame, so the TCP stream is split by walking each request's fields; the same walk tells
// whether a UDP datagram holds every field its command needs.
#pragma once

#include <QByteArray>

class CRequestLayout
{
public:
    enum Result
    {
        Complete,   // the request's length is known and every byte of it is present
        Incomplete, // more bytes are needed
        Unknown     // the protocol defines no client request with this code
    };

    // Measures the request at the start of arBuffer; on Complete, iLength is its byte count.
    static Result measure(const QByteArray &arBuffer, int &iLength);
    static bool isKnown(quint8 iCode);
};
