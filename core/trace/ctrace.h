// CTrace: the diagnostic trace every major class carries, tagged with the class name.
// Output goes to the Qt logging category "zephon.<tag>". traceError writes a warning, shown by
// default; the other calls write debug messages, off unless enabled with QT_LOGGING_RULES (for
// example "zephon.*=true"). "zephon.*.warning=false" silences the errors too. Nothing in the
// client reads the trace back.
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
