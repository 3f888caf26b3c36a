#include "xvfbclient.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

namespace {

// Where the places of the skinned window lie, from the screens' own numbers; a change there
// is a change here.
// Resource.qml: the inner window the screens are loaded into (windowX, windowY,
// windowWidth) and the minimise button's corner (minimizeX, minimizeY).
constexpr int kWindowX = 11;
constexpr int kWindowY = 58;
constexpr int kWindowWidth = 280;
constexpr int kMinimizeX = 192;
constexpr int kMinimizeY = 8;
// main.qml: the window buttons are FrameButtons, 26 pixels square; close sits 12 pixels right
// of minimise.
constexpr int kFrameButton = 26;
constexpr int kFrameButtonGap = 12;
// MainInterface.qml: the header row of "tabs" is 52 high and its five buttons share the inner
// window's width. The contact page opens with a HeaderBar 40 high; "contactSearch" follows 6
// below it, 30 high and 8 in from either side, and "contactList" 6 below that.
constexpr int kTabHeader = 52;
constexpr int kTabs = 5;
constexpr int kHeaderBar = 40;
constexpr int kSearchGap = 6;
constexpr int kSearchHeight = 30;
constexpr int kSearchInset = 8;
constexpr int kListGap = 6;
// RowBase.qml: rows are 60 high. ContactDelegate.qml: the picture (UserPic "small", 40
// square) sits 10 in from the left, centred in the row.
constexpr int kRowHeight = 60;
constexpr int kRowPicture = 40;
constexpr int kRowPictureLeft = 10;
// CardInterface.qml: a card opens over the tab's page, below a TitleBar 40 high; its column
// starts 12 in and 10 down with the picture (UserPic "middle", 56 square).
constexpr int kTitleBar = 40;
constexpr int kCardColumnX = 12;
constexpr int kCardColumnY = 10;
constexpr int kCardPicture = 56;

// Each client gets single-instance keys of its own: a killed run may leave its keys behind,
// and two clients of one test must not take each other for a running copy.
int g_iClients = 0;

} // namespace

XvfbClient::XvfbClient(const XvfbDisplay &display) : m_display(display)
{
    m_process.setEnvironment(
        QStringLiteral("ZEPHON_INSTANCE_SUFFIX"),
        QStringLiteral("-x%1-%2").arg(++g_iClients).arg(QCoreApplication::applicationPid()));
    // The trace says when the client started signing in, what the service answered and how
    // calls went.
    m_process.setEnvironment(QStringLiteral("QT_LOGGING_RULES"),
                             QStringLiteral("zephon.Core.debug=true\nzephon.Protocol.debug=true\n"
                                            "zephon.CNetwork.debug=true"));
}

void XvfbClient::setEnvironment(const QString &strName, const QString &strValue)
{
    m_process.setEnvironment(strName, strValue);
}

bool XvfbClient::start(const QString &strWorkDir)
{
    const QStringList before = windows(m_display);
    if (!QDir().mkpath(strWorkDir)) {
        m_strError = QStringLiteral("cannot make ") + strWorkDir;
        return false;
    }
    m_process.start(strWorkDir, &m_display);
    if (!m_process.waitStarted()) {
        m_strError = QStringLiteral("the client did not start: ") +
                     QString::fromLocal8Bit(m_process.output().right(2000));
        return false;
    }
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 10000) {
        for (const QString &strCandidate : windows(m_display)) {
            if (!before.contains(strCandidate)) {
                m_strWindow = strCandidate;
                return true;
            }
        }
        QTest::qWait(100);
    }
    m_strError = QStringLiteral("the client showed no window");
    return false;
}

bool XvfbClient::focus() const
{
    if (!m_display.xdotoolSucceeds({QStringLiteral("windowraise"), m_strWindow}) ||
        !m_display.xdotoolSucceeds(
            {QStringLiteral("windowfocus"), QStringLiteral("--sync"), m_strWindow}))
        return false;
    QTest::qWait(300);
    return true;
}

bool XvfbClient::type(const QString &strText, int iDelayMs) const
{
    return m_display.xdotoolSucceeds(
        {QStringLiteral("type"), QStringLiteral("--delay"), QString::number(iDelayMs), strText});
}

bool XvfbClient::key(const QString &strKeys) const
{
    return m_display.xdotoolSucceeds({QStringLiteral("key"), strKeys});
}

bool XvfbClient::signIn(const QString &strId, const QString &strPassword)
{
    // The session layer traces "main server" as it starts signing in.
    const QByteArray arStarted("main server");
    const qsizetype iBefore = output().count(arStarted);
    const auto started = [&] { return output().count(arStarted) > iBefore; };
    const QString strSelectAll = QStringLiteral("ctrl+a");
    for (int iAttempt = 0; iAttempt < 3 && !started(); ++iAttempt) {
        if (!focus() || !key(strSelectAll) || !type(strId) || !key(QStringLiteral("Tab")) ||
            !key(strSelectAll) || !type(strPassword) || !key(QStringLiteral("Return")))
            return false;
        QElapsedTimer timer;
        timer.start();
        while (!started() && timer.elapsed() < 5000)
            QTest::qWait(100);
    }
    return started();
}

QPoint XvfbClient::position() const
{
    const QString strShell = m_display.xdotool(
        {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), m_strWindow});
    static const QRegularExpression x(QStringLiteral("^X=(-?\\d+)$"),
                                      QRegularExpression::MultilineOption);
    static const QRegularExpression y(QStringLiteral("^Y=(-?\\d+)$"),
                                      QRegularExpression::MultilineOption);
    return QPoint(x.match(strShell).captured(1).toInt(), y.match(strShell).captured(1).toInt());
}

bool XvfbClient::click(QPoint point, int iClicks) const
{
    return m_display.xdotoolSucceeds(
        {QStringLiteral("mousemove"), QStringLiteral("--window"), m_strWindow,
         QString::number(point.x()), QString::number(point.y()), QStringLiteral("click"),
         QStringLiteral("--repeat"), QString::number(iClicks), QStringLiteral("--delay"),
         QStringLiteral("80"), QStringLiteral("1")});
}

bool XvfbClient::click(Place place, int iClicks) const
{
    return click(area(place).center(), iClicks);
}

QRect XvfbClient::area(Place place)
{
    const int iTabWidth = kWindowWidth / kTabs;
    const int iPageTop = kWindowY + kTabHeader;
    const int iSearchTop = iPageTop + kHeaderBar + kSearchGap;
    const int iListTop = iSearchTop + kSearchHeight + kListGap;
    switch (place) {
    case Place::MinimizeButton:
        return QRect(kMinimizeX, kMinimizeY, kFrameButton, kFrameButton);
    case Place::CloseButton:
        return QRect(kMinimizeX + kFrameButton + kFrameButtonGap, kMinimizeY, kFrameButton,
                     kFrameButton);
    case Place::TitleStrip:
        return QRect(0, 0, kMinimizeX, kWindowY);
    case Place::ContactTab:
        return QRect(kWindowX + iTabWidth, kWindowY, iTabWidth, kTabHeader);
    case Place::ContactSearch:
        return QRect(kWindowX + kSearchInset, iSearchTop, kWindowWidth - 2 * kSearchInset,
                     kSearchHeight);
    case Place::FirstContact:
        return QRect(kWindowX, iListTop, kWindowWidth, kRowHeight);
    case Place::FirstContactPicture:
        return QRect(kWindowX + kRowPictureLeft, iListTop + (kRowHeight - kRowPicture) / 2,
                     kRowPicture, kRowPicture);
    case Place::CardPicture:
        return QRect(kWindowX + kCardColumnX, iPageTop + kTitleBar + kCardColumnY, kCardPicture,
                     kCardPicture);
    }
    return QRect();
}

bool XvfbClient::canGrab()
{
    return !QStandardPaths::findExecutable(QStringLiteral("import")).isEmpty();
}

QImage XvfbClient::grab() const
{
    QProcess grab;
    grab.setProcessEnvironment(m_display.environment());
    grab.start(QStringLiteral("import"),
               {QStringLiteral("-window"), m_strWindow, QStringLiteral("png:-")});
    if (!grab.waitForFinished(10000) || grab.exitCode() != 0)
        return QImage();
    return QImage::fromData(grab.readAllStandardOutput(), "PNG");
}

QStringList XvfbClient::windows(const XvfbDisplay &display)
{
    return display
        .xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                  QStringLiteral("--name"), QStringLiteral("^Zephon$")})
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
