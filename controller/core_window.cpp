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
#include <QPointer>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QWindow>

#include <memory>

#include "ctrace.h"
#include "globalshortcut.h"

struct Core::Window
{
    QPointer<QWindow> pMainWindow;
    double dWidth = 0;
    double dHeight = 0;

    // The system-wide hot key of the screenshot tool; owned by Core.
    GlobalShortcut *pShortcut = nullptr;

    // Made by initialize(). The actions are Core's children; the menu has no parent.
    QSystemTrayIcon *pTrayIcon = nullptr;
    std::unique_ptr<QMenu> pTrayMenu;
    QAction *pMinimizeAction = nullptr;
    QAction *pRestoreAction = nullptr;
    QAction *pQuitAction = nullptr;
};

void Core::AreaDeleter::operator()(Window *pArea) const
{
    delete pArea->pTrayIcon;
    delete pArea;
}

void Core::makeWindow()
{
    m_pWindow.reset(new Window);
    m_pWindow->pShortcut = new GlobalShortcut(this);
    m_pWindow->pShortcut->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+D")));
    connect(m_pWindow->pShortcut, &GlobalShortcut::activated, this, &Core::slot_onScreenShot);
}

void Core::setMainWindow(QWindow *pWindow)
{
    m_pWindow->pMainWindow = pWindow;
}

QWindow *Core::mainWindow() const
{
    return m_pWindow->pMainWindow;
}

bool Core::checkMainWindow() const
{
    if (m_pWindow->pMainWindow)
        return true;
    trace().traceError(QStringLiteral("m_pMainWindow is NULL"));
    return false;
}

void Core::createTray()
{
    Window &w = *m_pWindow;
    w.pMinimizeAction = new QAction(tr("Mi&nimize"), this);
    connect(w.pMinimizeAction, &QAction::triggered, this, &Core::slot_onMinimize);
    w.pRestoreAction = new QAction(tr("&Restore"), this);
    connect(w.pRestoreAction, &QAction::triggered, this, &Core::slot_onShowNormal);
    w.pQuitAction = new QAction(QIcon(QStringLiteral(":/quit.png")), tr("&Quit"), this);
    connect(w.pQuitAction, &QAction::triggered, this, &Core::slot_onQuit);

    w.pTrayMenu = std::make_unique<QMenu>();
    w.pTrayMenu->addAction(w.pRestoreAction);
    w.pTrayMenu->addAction(w.pMinimizeAction);
    w.pTrayMenu->addSeparator();
    w.pTrayMenu->addAction(w.pQuitAction);

    w.pTrayIcon = new QSystemTrayIcon(QIcon(QStringLiteral(":/Zephon.ico")), this);
    w.pTrayIcon->setContextMenu(w.pTrayMenu.get());
    w.pTrayIcon->setToolTip(tr("Zephon"));
    connect(w.pTrayIcon, &QSystemTrayIcon::activated, this, &Core::slot_onActivated);
    w.pTrayIcon->setVisible(true);
    updateTrayActions();
}

void Core::updateTrayActions()
{
    const Window &w = *m_pWindow;
    if (!w.pMinimizeAction)
        return;
    const bool bVisible = w.pMainWindow && w.pMainWindow->isVisible();
    w.pMinimizeAction->setEnabled(bVisible);
    w.pRestoreAction->setEnabled(!bVisible);
}

void Core::setMainWindowSize(double dWidth, double dHeight)
{
    m_pWindow->dWidth = dWidth;
    m_pWindow->dHeight = dHeight;
}

void Core::setMainWindowFlag(bool flag)
{
    if (!checkMainWindow())
        return;
    QWindow *pMainWindow = m_pWindow->pMainWindow;
    const int iWidth = int(m_pWindow->dWidth);
    const int iHeight = int(m_pWindow->dHeight);
    if (flag) {
        pMainWindow->setFlags(Qt::FramelessWindowHint);
    } else {
        pMainWindow->setFlags(Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowMaximizeButtonHint);
        pMainWindow->setMinimumSize(QSize(iWidth, iHeight));
    }
    pMainWindow->setMaximumWidth(iWidth);
    pMainWindow->resize(iWidth, iHeight);
    centerWindow(0, 0);
    pMainWindow->show();
}

void Core::setStaysOnTop(bool flag)
{
    if (!checkMainWindow())
        return;
    QWindow *pMainWindow = m_pWindow->pMainWindow;
    pMainWindow->hide();
    pMainWindow->setFlag(Qt::WindowStaysOnTopHint, flag);
    pMainWindow->show();
}

void Core::minimize()
{
    slot_onMinimize();
}

void Core::moveWindow(int iOffsetX, int iOffsetY)
{
    if (!checkMainWindow())
        return;
    m_pWindow->pMainWindow->setPosition(QCursor::pos() - QPoint(iOffsetX, iOffsetY));
}

void Core::centerWindow(int x, int y)
{
    if (!checkMainWindow())
        return;
    QWindow *pMainWindow = m_pWindow->pMainWindow;
    if (x != 0 || y != 0) {
        pMainWindow->setPosition(x, y);
        return;
    }
    QScreen *pScreen =
        pMainWindow->screen() ? pMainWindow->screen() : QGuiApplication::primaryScreen();
    if (!pScreen)
        return;
    const QSize desktop = pScreen->size();
    // The left edge, not the centre, goes to the middle of the desktop.
    pMainWindow->setPosition(desktop.width() / 2,
                             int((desktop.height() - pMainWindow->height()) * 0.5));
}

void Core::slot_onMinimize()
{
    if (!checkMainWindow())
        return;
    m_pWindow->pMainWindow->hide();
    updateTrayActions();
}

void Core::slot_onShowNormal()
{
    if (!checkMainWindow())
        return;
    m_pWindow->pMainWindow->showNormal();
    updateTrayActions();
}

void Core::slot_onActivated(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick && reason != QSystemTrayIcon::Trigger)
        return;
    if (!checkMainWindow())
        return;
    QWindow *pMainWindow = m_pWindow->pMainWindow;
    if (pMainWindow->isVisible())
        pMainWindow->requestActivate();
    else
        pMainWindow->showNormal();
    updateTrayActions();
}

QString Core::autoStartupEntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/zephon.desktop");
}

namespace {

// The escapes every string value of a desktop entry takes; a leading space would be trimmed
// by the reader without its own escape.
QString escapeEntryString(const QString &strValue)
{
    QString str;
    for (qsizetype i = 0; i < strValue.size(); ++i) {
        const QChar c = strValue.at(i);
        if (c == QLatin1Char('\\'))
            str += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            str += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            str += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            str += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && i == 0)
            str += QStringLiteral("\\s");
        else
            str += c;
    }
    return str;
}

// One argument of an Exec value: always quoted, with the characters the quoting reserves
// escaped and a percent sign doubled so it is not read as a field code; the string escapes
// come on top.
QString execArgument(const QString &strArgument)
{
    QString strQuoted = QStringLiteral("\"");
    for (const QChar c : strArgument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            strQuoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            strQuoted += QLatin1Char('%');
        strQuoted += c;
    }
    strQuoted += QLatin1Char('"');
    return escapeEntryString(strQuoted);
}

} // namespace

QString Core::autoStartupEntry(const QString &strProgram, const QString &strFolder)
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Zephon\n") +
           QStringLiteral("Exec=") + execArgument(strProgram) + QStringLiteral("\nPath=") +
           escapeEntryString(strFolder) + QStringLiteral("\nX-GNOME-Autostart-enabled=true\n");
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
        trace().traceError(QStringLiteral("cannot write ") + strPath);
        return;
    }
    file.write(
        autoStartupEntry(QCoreApplication::applicationFilePath(), QDir::currentPath()).toUtf8());
    if (!file.commit())
        trace().traceError(QStringLiteral("cannot write ") + strPath);
#endif
}
