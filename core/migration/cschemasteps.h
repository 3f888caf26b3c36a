// CSchemaSteps: the schema version of one SQLite file (PRAGMA user_version) and the
// append-only list of steps that upgrade it. Step N takes the file from version N-1 to N;
// steps are never edited or removed once released, only new ones appended. A file written
// before versions were recorded reads as version 0 and takes every step, so the steps that
// re-create what such a file already has must tolerate it (IF NOT EXISTS).
#pragma once

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>

class CSchemaSteps
{
public:
    // A step runs inside the upgrade's transaction; on failure it says why in strError.
    using Step = std::function<bool(QSqlDatabase &db, QString &strError)>;

    // A step made of SQL statements run in order.
    static Step statements(const QStringList &sql);

    enum Result
    {
        Current,  // the file was at the newest version already
        Upgraded, // one or more steps ran and were committed
        Newer,    // the file was written by a later program; nothing was changed
        Failed    // a step or the version could not be written; everything was rolled back
    };

    explicit CSchemaSteps(QList<Step> steps) : m_steps(std::move(steps)) {}

    int latestVersion() const { return int(m_steps.size()); }

    // The file's recorded version, or -1 when it cannot be read.
    static int version(QSqlDatabase &db);

    // Refuses a newer file before anything touches it; run this before pragmas that rewrite
    // the file's header (the journal mode).
    Result check(QSqlDatabase &db, QString *pError = nullptr) const;

    // Runs the missing steps and records the new version in one transaction.
    Result upgrade(QSqlDatabase &db, QString *pError = nullptr) const;

private:
    QList<Step> m_steps;
};
