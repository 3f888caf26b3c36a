// Arbitrary circle lists and member lists through the two workers that store them, against a
// real store file: whatever the bytes, a worker ends, stores whole records only and leaves the
// store usable. The first byte chooses the worker; for the member worker the rest is the
// payload of one of the circles the list before it left.
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

#include "cdatabase.h"
#include "cparsecirclememberthread.h"
#include "cparsecirclethread.h"
#include "fuzzstore.h"

extern "C" int LLVMFuzzerInitialize(int *pArgc, char ***pArgv)
{
    static QCoreApplication app(*pArgc, *pArgv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t iSize)
{
    static FuzzStore store;
    if (iSize == 0)
        return 0;
    const QByteArray arPayload(reinterpret_cast<const char *>(pData) + 1, int(iSize - 1));
    if ((pData[0] & 1) == 0) {
        CParseCircleThread worker(arPayload, store.pDatabase);
        worker.start();
        worker.wait();
    } else {
        // Circle ids the list stores are small numbers in the seeds; the byte picks one.
        CParseCircleMemberThread worker({{quint32(pData[0] >> 1), arPayload}}, store.pDatabase);
        worker.start();
        worker.wait();
    }
    for (QObject *pRow : store.pDatabase->getCircle())
        delete pRow;
    return 0;
}
