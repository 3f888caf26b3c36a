// scenarioSize: how large a whole-client scenario runs: a positive number from the variable
// pName (scripts/soak sets the long forms), otherwise the size the tests run in CI.
#pragma once

#include <QtGlobal>

inline int scenarioSize(const char *pName, int iDefault)
{
    bool bOk = false;
    const int iValue = qEnvironmentVariableIntValue(pName, &bOk);
    return bOk && iValue > 0 ? iValue : iDefault;
}
