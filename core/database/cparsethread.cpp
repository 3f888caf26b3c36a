#include "cparsethread.h"

#include "cstorebatch.h"

CParseThread::CParseThread(const char *pClassName, QSharedPointer<CDatabase> pDatabase)
    : m_pDatabase(std::move(pDatabase)), m_trace(pClassName), m_pClassName(pClassName),
      m_iLoginZpid(m_pDatabase->loginZpid()), m_strOwnPhone(m_pDatabase->loginPhone().right(11))
{}

CParseThread::~CParseThread()
{
    // Deleting a running QThread aborts the process; an owner that deletes early waits.
    wait();
    m_trace.trace(QLatin1String(m_pClassName) + QLatin1String(" stop"));
}

void CParseThread::run()
{
    m_trace.trace(QLatin1String(m_pClassName) + QLatin1String(" run"));
    parse();
}

bool CParseThread::accountCurrent() const
{
    return m_iLoginZpid != 0 && m_pDatabase->loginZpid() == m_iLoginZpid;
}

bool CParseThread::writeBatch(const std::function<void()> &write)
{
    if (!accountCurrent()) {
        m_trace.traceNumber(QStringLiteral("account no longer signed in, payload dropped"),
                            m_iLoginZpid);
        return false;
    }
    CStoreBatch batch(*m_pDatabase);
    write();
    if (batch.commitForAccount(m_iLoginZpid))
        return true;
    m_trace.traceNumber(accountCurrent() ? QStringLiteral("batch not committed")
                                         : QStringLiteral("account signed out during the batch, "
                                                          "rolled back"),
                        m_iLoginZpid);
    return false;
}

bool CParseThread::isOwnPhone(const QString &strPhone) const
{
    return !m_strOwnPhone.isEmpty() && strPhone.right(11) == m_strOwnPhone;
}

QList<QStringView> CParseThread::usableFields(QStringView record, int iUsed)
{
    const QList<QStringView> fields = record.split(u';');
    if (fields.size() < iUsed)
        return {};
    for (int i = 0; i < iUsed; ++i) {
        if (!fieldFits(fields.at(i)))
            return {};
    }
    return fields;
}
