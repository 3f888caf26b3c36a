// Core's window, tray and auto-start operations: the screens draw their own frame, so
// moving, sizing, minimising and closing go through these.
#include "core.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

bool Core::checkMainWindow() const
{
    if (m_pMainWindow)
        return true;
    m_trace.traceError(QStringLiteral("m_pMainWindow is NULL"));
    return false;
}

void Core::createTray()
{
    m_pMinimizeAction = new QAction(tr("Mi&nimize"), this);
    connect(m_pMinimizeAction, &QAction::triggered, this, &Core::slot_onMinimize);
    m_pRestoreAction = new QAction(tr("&Restore"), this);
    connect(m_pRestoreAction, &QAction::triggered, this, &Core::slot_onShowNormal);
    m_pQuitAction = new QAction(QIcon(QStringLiteral(":/quit.png")), tr("&Quit"), this);
    connect(m_pQuitAction, &QAction::triggered, this, &Core::slot_onQuit);

    m_pTrayMenu = new QMenu();
    m_pTrayMenu->addAction(m_pRestoreAction);
    m_pTrayMenu->addAction(m_pMinimizeAction);
    m_pTrayMenu->addSeparator();
    m_pTrayMenu->addAction(m_pQuitAction);

    m_pTrayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/Zephon.ico")), this);
    m_pTrayIcon->setContextMenu(m_pTrayMenu);
    m_pTrayIcon->setToolTip(tr("Zephon"));
    connect(m_pTrayIcon, &QSystemTrayIcon::activated, this, &Core::slot_onActivated);
    m_pTrayIcon->setVisible(true);
    updateTrayActions();
}

void Core::updateTrayActions()
{
    if (!m_pMinimizeAction)
        return;
    const bool bVisible = m_pMainWindow && m_pMainWindow->isVisible();
    m_pMinimizeAction->setEnabled(bVisible);
    m_pRestoreAction->setEnabled(!bVisible);
}

void Core::setMainWindowSize(double dWidth, double dHeight)
{
    m_dWindowWidth = dWidth;
    m_dWindowHeight = dHeight;
}

void Core::setMainWindowFlag(bool flag)
{
    if (!checkMainWindow())
        return;
    const int iWidth = int(m_dWindowWidth);
    const int iHeight = int(m_dWindowHeight);
    if (flag) {
        m_pMainWindow->setFlags(Qt::FramelessWindowHint);
    } else {
        m_pMainWindow->setFlags(Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                                Qt::WindowMaximizeButtonHint);
        m_pMainWindow->setMinimumSize(QSize(iWidth, iHeight));
    }
    m_pMainWindow->setMaximumWidth(iWidth);
    m_pMainWindow->resize(iWidth, iHeight);
    centerWindow(0, 0);
    m_pMainWindow->show();
}

void Core::setStaysOnTop(bool flag)
{
    if (!checkMainWindow())
        return;
    m_pMainWindow->hide();
    m_pMainWindow->setFlag(Qt::WindowStaysOnTopHint, flag);
    m_pMainWindow->show();
}

void Core::minimize()
{
    slot_onMinimize();
}

void Core::moveWindow(int iOffsetX, int iOffsetY)
{
    if (!checkMainWindow())
        return;
    m_pMainWindow->setPosition(QCursor::pos() - QPoint(iOffsetX, iOffsetY));
}

void Core::centerWindow(int x, int y)
{
    if (!checkMainWindow())
        return;
    if (x != 0 || y != 0) {
        m_pMainWindow->setPosition(x, y);
        return;
    }
    QScreen *pScreen =
        m_pMainWindow->screen() ? m_pMainWindow->screen() : QGuiApplication::primaryScreen();
    if (!pScreen)
        return;
    const QSize desktop = pScreen->size();
    // The left edge, not the centre, goes to the middle of the desktop.
    m_pMainWindow->setPosition(desktop.width() / 2,
                               int((desktop.height() - m_pMainWindow->height()) * 0.5));
}

void Core::slot_onMinimize()
{
    if (!checkMainWindow())
        return;
    m_pMainWindow->hide();
    updateTrayActions();
}

void Core::slot_onShowNormal()
{
    if (!checkMainWindow())
        return;
    m_pMainWindow->showNormal();
    updateTrayActions();
}

void Core::slot_onActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
        return;
    if (!checkMainWindow())
        return;
    if (m_pMainWindow->isVisible())
        m_pMainWindow->requestActivate();
    else
        m_pMainWindow->showNormal();
    updateTrayActions();
}

QString Core::autoStartupEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/zephon.desktop");
}

void Core::setAutoStartup(bool flag)
{
#ifdef Q_OS_WIN
    Q_UNUSED(flag);
#else
    // The desktop session starts the client at log-on from an XDG autostart entry.
    const QString strPath = autoStartupEntryPath();
    if (!flag) {
        QFile::remove(strPath);
        return;
    }
    QDir().mkpath(QFileInfo(strPath).absolutePath());
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly)) {
        m_trace.traceError(QStringLiteral("cannot write ") + strPath);
        return;
    }
    const QString strEntry =
        QStringLiteral("[Desktop Entry]\nType=Application\nName=Zephon\n"
                       "Exec=\"%1\"\nPath=%2\nX-GNOME-Autostart-enabled=true\n")
            .arg(QCoreApplication::applicationFilePath(), QDir::currentPath());
    file.write(strEntry.toUtf8());
    if (!file.commit())
        m_trace.traceError(QStringLiteral("cannot write ") + strPath);
#endif
}
