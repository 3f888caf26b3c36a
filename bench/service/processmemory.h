// The resident memory of another process, as the kernel reports it, for the benchmarks that
// watch a zephond they started.
#pragma once

#include <QFile>
#include <QString>

// VmRSS in KiB; -1 when the process is gone or the figure cannot be read.
inline qint64 rssKiB(qint64 iPid)
{
    QFile file(QStringLiteral("/proc/%1/status").arg(iPid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &arLine : file.readAll().split('\n')) {
        if (arLine.startsWith("VmRSS:"))
            return arLine.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}
