// ServiceFixture: the service in the test's process on loopback ports of its own, with its
// store in a temporary folder, the demo accounts hashed at the minimal cost, and short trials
// and deadlines so that a test waits for them no longer than it must.
#pragma once

#include <QTemporaryDir>

#include <functional>
#include <memory>

#include "cseedfile.h"
#include "cservice.h"

class ServiceFixture
{
public:
    static constexpr int UDP_TRIAL_MS = 50;

    explicit ServiceFixture(int iSessionTimeoutMs = CServiceConfig::DEFAULT_SESSION_TIMEOUT_MS)
        : ServiceFixture([iSessionTimeoutMs](CServiceConfig &config) {
              config.iSessionTimeoutMs = iSessionTimeoutMs;
          })
    {}

    // adjust changes the fixture's configuration before the service is made.
    explicit ServiceFixture(const std::function<void(CServiceConfig &)> &adjust)
    {
        CServiceConfig config;
        config.iMainPort = 0;
        config.iSubPort = 0;
        config.strDataDir = m_dir.filePath(QStringLiteral("service"));
        config.hashCost = CPasswordHash::Minimal;
        config.iUdpTrialMs = UDP_TRIAL_MS;
        adjust(config);
        m_pService = std::make_unique<CService>(config);
    }

    // Starts the service and seeds the demo accounts; false with a reason in error().
    bool start()
    {
        if (!m_dir.isValid() || !m_pService->start()) {
            m_strError = m_pService->errorText();
            return false;
        }
        const CSeedFile::Result result =
            CSeedFile::apply(CSeedFile::demo(), m_pService->store(), CPasswordHash::Minimal);
        m_strError = result.strError;
        return result.bOk;
    }

    CService &service() { return *m_pService; }
    quint16 mainPort() const { return m_pService->mainPort(); }
    QString error() const { return m_strError; }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<CService> m_pService;
    QString m_strError;
};
