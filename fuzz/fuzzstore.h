// FuzzStore: the real store file the workers' fuzz targets write to, signed in as one account,
// in memory where the system offers it (every input commits a transaction).
#pragma once

#include <QDir>
#include <QSharedPointer>
#include <QTemporaryDir>

#include "cdatabase.h"

struct FuzzStore
{
    FuzzStore()
    {
        QDir::setCurrent(dir.path());
        pDatabase = QSharedPointer<CDatabase>::create(QStringLiteral("Zephon.db"),
                                                      QStringLiteral("common.db"));
        pDatabase->setLoginZpid(0x01020304);
    }
    QTemporaryDir dir{QDir(QStringLiteral("/dev/shm")).exists()
                          ? QStringLiteral("/dev/shm/zephon-fuzz-XXXXXX")
                          : QDir::tempPath() + QStringLiteral("/zephon-fuzz-XXXXXX")};
    QSharedPointer<CDatabase> pDatabase;
};
