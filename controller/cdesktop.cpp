#include "cdesktop.h"

#include <QDesktopServices>
#include <QFileDialog>

QString CDesktop::openFileName(const QString &strTitle, const QString &strFolder,
                               const QString &strFilter)
{
    return QFileDialog::getOpenFileName(nullptr, strTitle, strFolder, strFilter);
}

QString CDesktop::saveFileName(const QString &strTitle, const QString &strProposed,
                               const QString &strFilter)
{
    return QFileDialog::getSaveFileName(nullptr, strTitle, strProposed, strFilter);
}

bool CDesktop::openUrl(const QUrl &url)
{
    return QDesktopServices::openUrl(url);
}
