#include "ctrace.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

#include <memory>

namespace {

// Categories are registered once per tag and live for the process: QLoggingCategory keeps
// the name pointer, and the logging registry expects categories not to come and go with
// every object that traces.
const QLoggingCategory *categoryForTag(const char *tag)
{
    struct Entry
    {
        QByteArray name;
        std::unique_ptr<QLoggingCategory> category;
    };
    static QMutex mutex;
    static QHash<QByteArray, Entry *> categories;

    const QByteArray key(tag);
    QMutexLocker locker(&mutex);
    auto it = categories.constFind(key);
    if (it != categories.constEnd())
        return it.value()->category.get();
    auto *entry = new Entry{QByteArrayLiteral("zephon.") + key, nullptr};
    // Warnings (traceError) are shown unless the rules turn them off; the rest is off by default.
    entry->category = std::make_unique<QLoggingCategory>(entry->name.constData(), QtWarningMsg);
    categories.insert(key, entry);
    return entry->category.get();
}

} // namespace

CTrace::CTrace(const char *tag) : m_pCategory(categoryForTag(tag)) {}

void CTrace::trace(const QString &strMessage) const
{
    qCDebug((*m_pCategory)).noquote() << strMessage;
}

void CTrace::traceText(const QString &strKey, const QString &strValue) const
{
    qCDebug((*m_pCategory)).noquote() << strKey << "=" << strValue;
}

void CTrace::traceNumber(const QString &strKey, qint64 iValue) const
{
    qCDebug((*m_pCategory)).noquote() << strKey << "=" << iValue;
}

void CTrace::traceError(const QString &strMessage) const
{
    qCWarning((*m_pCategory)).noquote() << strMessage;
}
