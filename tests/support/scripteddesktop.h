// ScriptedDesktop: the desktop a test gives Core: its file dialogs answer from a list the test
// fills (an empty answer, or none left, is the user cancelling), and what Core asked to open is
// kept instead of opened.
#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

#include "cdesktop.h"

class ScriptedDesktop : public CDesktop
{
public:
    QStringList answers;
    // Each dialog as "title|filter" (open) or "title|proposed name|filter" (save).
    QStringList asked;
    QList<QUrl> opened;

    QString openFileName(const QString &strTitle, const QString &,
                         const QString &strFilter) override
    {
        asked << strTitle + QLatin1Char('|') + strFilter;
        return next();
    }
    QString saveFileName(const QString &strTitle, const QString &strProposed,
                         const QString &strFilter) override
    {
        asked << strTitle + QLatin1Char('|') + strProposed + QLatin1Char('|') + strFilter;
        return next();
    }
    bool openUrl(const QUrl &url) override
    {
        opened << url;
        return true;
    }

private:
    QString next() { return answers.isEmpty() ? QString() : answers.takeFirst(); }
};
