// CDesktop: what Core asks of the desktop around it: file dialogs and opening a page or file
// in the program the user chose for it. Core holds one; tests give it another that answers
// from a script instead of showing a dialog.
#pragma once

#include <QString>
#include <QUrl>

class CDesktop
{
public:
    virtual ~CDesktop() = default;

    // The chosen file's path, empty when the user cancelled.
    virtual QString openFileName(const QString &strTitle, const QString &strFolder,
                                 const QString &strFilter);
    virtual QString saveFileName(const QString &strTitle, const QString &strProposed,
                                 const QString &strFilter);
    virtual bool openUrl(const QUrl &url);
};
