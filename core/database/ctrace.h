// CTrace: the diagnostic trace every major class carries, tagged with the class name.
// Output goes to the Qt logging category "zephon.<tag>", which is off unless enabled with
// QT_LOGGING_RULES (for example "zephon.*=true"); nothing in the client reads it back.
#pragma once

#include <QLoggingCategory>
#include <QString>

class CTrace
{
public:
    explicit CTrace(const char *tag);

    void trace(const QString &strMessage) const;
    void traceText(const QString &strKey, const QString &strValue) const;
    void traceNumber(const QString &strKey, qint64 iValue) const;
    void traceError(const QString &strMessage) const;

    const QLoggingCategory &category() const { return *m_pCategory; }

private:
    const QLoggingCategory *m_pCategory;
};
