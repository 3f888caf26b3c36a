// Arbitrary directory lists through the worker that stores them, against a real store file:
// whatever the bytes and the count, the worker ends and either replaces the table with whole
// entries or leaves it as it was. The first byte chooses the kind (departments or employees),
// the second the count; the rest is the entries.
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

#include "cdatabase.h"
#include "cparsedirectorythread.h"
#include "fuzzstore.h"

extern "C" int LLVMFuzzerInitialize(int *pArgc, char ***pArgv)
{
    static QCoreApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    static FuzzStore store;
    if (iSize < 2)
        return 0;
    const auto kind =
        (pData[0] & 1) == 0 ? CParseDirectoryThread::Departments : CParseDirectoryThread::Employees;
    const QByteArray arEntries(reinterpret_cast<const char *>(pData) + 2, int(iSize - 2));
    CParseDirectoryThread worker(kind, 77001, arEntries, int(pData[1]), store.pDatabase);
    worker.start();
    worker.wait();
    for (QObject *pRow : store.pDatabase->getDept())
        delete pRow;
    for (QObject *pRow : store.pDatabase->getEmp(QString()))
        delete pRow;
    return 0;
}
