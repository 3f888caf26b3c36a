// Core's files area: choosing files and pictures, sending them as messages through the file
// transfer, receiving them (pictures by themselves into the temp folder, files where the user
// says), the screenshot tool and the map page of a shared location.
//
// Everything a peer sends here is untrusted: its file names only ever name a file inside the
// folder we chose, its digests only ever name a remote file when they are one, and its place
// texts reach the map page escaped while its coordinates are written by us.
#include "core.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QUrl>

#include <cmath>
#include <memory>

#include "cdatabase.h"
#include "cdesktop.h"
#include "cftp.h"
#include "cnetwork.h"
#include "codes.h"
#include "cscreenshotbar.h"
#include "csessionstate.h"
#include "ctrace.h"
#include "protocol.h"
#include "screenshot.h"
#include "updater.h"
#include "utility.h"

namespace {

const QString kFilePrefix = QStringLiteral("file:///");
const QString kImageFilter = QStringLiteral("Image Files(*.jpg *.jpeg *.bmp *.png)");

// Longest name we write; leaves room for the digest prefix within a file system's 255 bytes.
constexpr int kMaxNameChars = 120;

// "file:///path" → "/path". The screens hand paths around in this form.
QString localPathOf(const QString &strFileName)
{
    if (!strFileName.startsWith(kFilePrefix))
        return QString();
    QString strPath = strFileName.mid(kFilePrefix.size());
    // "file:///" + "/home/x" is how a native absolute path arrives; "file:///home/x" as well.
    if (!strPath.startsWith(QLatin1Char('/')))
        strPath.prepend(QLatin1Char('/'));
    return QDir::cleanPath(strPath);
}

// The form in which the screens hold a local path: "file:///" and the path from its root.
QString fileText(const QString &strPath)
{
    return strPath.startsWith(QLatin1Char('/')) ? QStringLiteral("file://") + strPath
                                                : kFilePrefix + strPath;
}

// A field of the file message content: ":" separates the fields.
QString fieldSafe(QString strText)
{
    strText.replace(QLatin1Char(':'), QLatin1Char('_'));
    return strText;
}

// The map page's loader address: configured, or the local service's web host. Only an
// http(s) address is used, with a key of letters and digits.
QString mapLoader()
{
    QString strApi = qEnvironmentVariable("ZEPHON_MAP_API");
    if (strApi.isEmpty())
        strApi = Updater::localServiceHost() + QStringLiteral("/api");
    const QUrl api(strApi, QUrl::StrictMode);
    if (!api.isValid() ||
        (api.scheme() != QLatin1String("http") && api.scheme() != QLatin1String("https")))
        return QString();
    QString strKey = qEnvironmentVariable("ZEPHON_MAP_KEY");
    static const QRegularExpression keyForm(QStringLiteral("^[A-Za-z0-9]{0,64}$"));
    if (!keyForm.match(strKey).hasMatch())
        strKey.clear();
    QUrl loader = api;
    loader.setQuery(QStringLiteral("v=1.5&ak=") + strKey);
    return loader.toString(QUrl::FullyEncoded);
}

// A coordinate as the page's script reads it: a finite number within its range.
bool coordinate(const QString &strText, double dLimit, double *pValue)
{
    bool bOk = false;
    const double dValue = strText.trimmed().toDouble(&bOk);
    if (!bOk || !std::isfinite(dValue) || std::fabs(dValue) > dLimit)
        return false;
    *pValue = dValue;
    return true;
}

// The newest free name for a screenshot taken now: the time, then a counter when that second
// already has one (a file still uploading must never be overwritten).
QString freeScreenshotPath(const QDir &folder)
{
    const QString strStem = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMddhhmmss"));
    QString strPath = folder.filePath(strStem + QStringLiteral(".jpg"));
    for (int i = 1; QFileInfo::exists(strPath); ++i)
        strPath = folder.filePath(QStringLiteral("%1-%2.jpg").arg(strStem).arg(i));
    return strPath;
}

} // namespace

struct Core::File
{
    CFtp ftp;
    std::unique_ptr<CDesktop> pDesktop{new CDesktop};
    // Made on first use: it is a window, and some processes that hold Core have no widgets.
    std::unique_ptr<ScreenShot> pShot;
    // Who the next screenshot goes to; empty: only saved.
    QString strShotZpid;
    int iShotSubType = 0;
};

void Core::AreaDeleter::operator()(File *pArea) const
{
    delete pArea;
}

void Core::makeFile()
{
    m_pFile.reset(new File);
    CFtp &ftp = m_pFile->ftp;
    // Taken afresh for every transfer: the sub-server of the current session, signed in as
    // the user with the phone the sign-in reported.
    ftp.setAccountSource([] {
        const CSessionState &session = sessionState();
        CFtpAccount account;
        account.strHost = session.g_strSubServerIp;
        bool bOk = false;
        const uint iPort = qEnvironmentVariable("ZEPHON_FTP_PORT").toUInt(&bOk);
        account.iPort = bOk && iPort > 0 && iPort <= 65535 ? quint16(iPort) : quint16(21);
        account.strUser = session.strZpid;
        account.strPassword = session.strPhone;
        return account;
    });
    connect(this, &Core::sig_append, &ftp, &CFtp::slot_onAppend);
    connect(&ftp, &CFtp::sig_progress, this, &Core::sig_progress);
    connect(&ftp, &CFtp::sig_success, this, &Core::slot_onSuccess);
    connect(&ftp, &CFtp::sig_failed, this, &Core::slot_onFailed);
}

void Core::setDesktop(std::unique_ptr<CDesktop> pDesktop)
{
    if (pDesktop)
        m_pFile->pDesktop = std::move(pDesktop);
}

CDesktop &Core::desktop() const
{
    return *m_pFile->pDesktop;
}

CFtp *Core::ftp() const
{
    return &m_pFile->ftp;
}

ScreenShot *Core::screenShot() const
{
    return m_pFile->pShot.get();
}

QString Core::chooseFile()
{
    return fileText(m_pFile->pDesktop->openFileName(tr("请选择一个文件"),
                                                    QDir::toNativeSeparators(QStringLiteral(".")),
                                                    QStringLiteral("*.*")));
}

QString Core::chooseImage()
{
    return fileText(m_pFile->pDesktop->openFileName(
        tr("请选择一张图片"), QDir::toNativeSeparators(QStringLiteral(".")), kImageFilter));
}

QString Core::chooseDir(QString strFileName, QString strSuffix)
{
    QString strSafeSuffix = safeFileName(strSuffix);
    strSafeSuffix.remove(QLatin1Char('.'));
    const QString strFilter =
        QStringLiteral("%1 Files(*.%2)")
            .arg(strSafeSuffix.isEmpty() ? QStringLiteral("*") : strSafeSuffix,
                 strSafeSuffix.isEmpty() ? QStringLiteral("*") : strSafeSuffix);
    return m_pFile->pDesktop->saveFileName(tr("保存文件"), safeFileName(strFileName), strFilter);
}

void Core::uploadFile(QString strFileName, QString strZpid, int iSubType)
{
    const QString strPath = localPathOf(strFileName);
    if (strPath.isEmpty() || strPath == QLatin1String("/") || !database())
        return;
    const QFileInfo info(strPath);
    const QString strMd5 = info.isFile() ? getFileMd5(strPath) : QString();
    if (strMd5.isEmpty()) {
        // Nothing to send: a file that cannot be read would travel as an empty digest.
        trace().traceText("file not sent: cannot read", strPath);
        Q_EMIT sig_failed(strZpid, false, 0, iSubType);
        return;
    }
    QDateTime created = info.birthTime();
    if (!created.isValid())
        created = info.lastModified();
    const QString strContent =
        QStringList{strMd5, fieldSafe(info.fileName()), fieldSafe(formatSize(info.size())),
                    created.toString(QStringLiteral("yyyy-MM-dd")), fieldSafe(info.suffix())}
            .join(QLatin1Char(':'));

    // One recipient leaves the mass-message recipients as they are: they are what the new
    // message screen shows and sends to.
    const QStringList recipients =
        strZpid == QLatin1String("list") ? massContacts() : QStringList{strZpid};
    for (const QString &strRecipient : recipients) {
        bool bOk = false;
        const quint32 iZpid = strRecipient.toUInt(&bOk);
        if (!bOk || iZpid == 0)
            continue;
        QString strName;
        QString strPhone;
        peerOf(iZpid, &strName, &strPhone);
        const int iMsgId = nextMsgId();
        storeMessage(0, QString(), iZpid, strName, strPhone, true, true, strFileName, strContent,
                     iMsgId, Codes::TransferQueued, getZpidType(strRecipient), iSubType,
                     QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        Q_EMIT sig_addMsgRecord();
        Q_EMIT sig_append(strMd5, strPath, strRecipient, false, iMsgId, iSubType);
    }
}

void Core::downloadFile(QString strMd5, QString strPath, QString strZpid, int iMsgId, int iSubType)
{
    if (!CFtp::isRemoteName(strMd5)) {
        trace().traceText("download refused: not a digest", strMd5);
        Q_EMIT sig_failed(strZpid, true, iMsgId, iSubType);
        return;
    }
    if (iSubType == Codes::ContentPicture)
        strPath = receivedPicturePath(strMd5, QFileInfo(strPath).fileName());
    if (strPath.isEmpty()) {
        Q_EMIT sig_failed(strZpid, true, iMsgId, iSubType);
        return;
    }
    Q_EMIT sig_append(strMd5, strPath, strZpid, true, iMsgId, iSubType);
}

void Core::cancelRecvFile(QString strPath, QString strZpid, bool download, int iMsgId)
{
    m_pFile->ftp.slot_onCancel(strZpid, download, iMsgId);
    if (!database())
        return;
    database()->setMsgState(iMsgId, Codes::TransferCancelled, !download, strPath);
    getMessage(getZpidType(strZpid), strZpid);
}

void Core::slot_onSuccess(QString filename, QString strZpid, bool download, int iMsgId, int iType)
{
    const QString strLocal = localPathOf(filename);
    if (!strLocal.isEmpty())
        filename = fileText(strLocal);
    if (database()) {
        database()->setMsgState(iMsgId, Codes::TransferDone, !download, filename);
        getMessage(getZpidType(strZpid), strZpid);
    }
    Q_EMIT sig_success(filename, strZpid, download, iMsgId, iType);
    if (download || !database() || !network())
        return;
    // The peer hears of the file only now that it can be fetched.
    const QString strContent = database()->getSentContent(iMsgId);
    if (!strContent.isEmpty())
        network()->slot_onSendRichMsg(strZpid, strContent.split(QLatin1Char(':')), iType);
}

void Core::slot_onFailed(QString strZpid, bool download, int iMsgId, int iType)
{
    // A failed download stays as it was, to be asked for again.
    if (!download && database()) {
        database()->setSentMsgState(iMsgId, Codes::TransferFailed);
        getMessage(getZpidType(strZpid), strZpid);
    }
    Q_EMIT sig_failed(strZpid, download, iMsgId, iType);
}

QString Core::safeFileName(const QString &strName)
{
    QString strFile = strName;
    strFile.replace(QLatin1Char('\\'), QLatin1Char('/'));
    strFile = strFile.mid(strFile.lastIndexOf(QLatin1Char('/')) + 1);
    QString strClean;
    strClean.reserve(strFile.size());
    for (const QChar ch : std::as_const(strFile)) {
        if (ch.category() == QChar::Other_Control || ch.category() == QChar::Other_Format ||
            ch == QLatin1Char(':') || ch == QChar(0))
            continue;
        strClean.append(ch);
    }
    strClean = strClean.trimmed();
    // A leading dot would hide the file, and "." and ".." are no names.
    while (strClean.startsWith(QLatin1Char('.')))
        strClean.remove(0, 1);
    if (strClean.size() > kMaxNameChars) {
        const QString strSuffix = QFileInfo(strClean).suffix().left(16);
        strClean =
            strClean.left(kMaxNameChars - strSuffix.size() - 1) + QLatin1Char('.') + strSuffix;
    }
    return strClean;
}

QString Core::receivedPicturePath(const QString &strMd5, const QString &strName)
{
    if (!CFtp::isRemoteName(strMd5))
        return QString();
    QString strFile = safeFileName(strName);
    strFile = strFile.isEmpty() ? strMd5 : strMd5.left(8) + QLatin1Char('-') + strFile;
    const QDir temp(QCoreApplication::applicationDirPath() + QStringLiteral("/temp"));
    const QString strPath = QDir::cleanPath(temp.absoluteFilePath(strFile));
    // Whatever the name held, the file lies directly in the temp folder.
    if (QFileInfo(strPath).absolutePath() != QDir::cleanPath(temp.absolutePath()))
        return QString();
    return strPath;
}

void Core::screenshot(QString strZpid, int iSubType)
{
    File &area = *m_pFile;
    if (!area.pShot) {
        area.pShot = std::make_unique<ScreenShot>();
        CScreenShotBar::attach(area.pShot.get());
        connect(area.pShot.get(), &ScreenShot::finish, this, &Core::slot_onFinishScreenShot);
        connect(area.pShot.get(), &ScreenShot::save, this, &Core::slot_onSaveScreenShot);
    } else if (area.pShot->isVisible()) {
        // One selection at a time: the open tool keeps its target.
        return;
    }
    area.strShotZpid = strZpid;
    area.iShotSubType = iSubType;
    const QPixmap desktop = area.pShot->grabDesktop();
    area.pShot->show();
    area.pShot->loadBgPixmap(desktop);
}

void Core::slot_onScreenShot()
{
    screenshot(QString(), 0);
}

void Core::slot_onFinishScreenShot(QPixmap pixmap)
{
    if (pixmap.isNull())
        return;
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshot"));
    const QString strPath = freeScreenshotPath(folder);
    if (!pixmap.save(strPath, "JPG")) {
        trace().traceText("screenshot not saved", strPath);
        return;
    }
    const File &area = *m_pFile;
    if (!area.strShotZpid.isEmpty())
        uploadFile(fileText(strPath), area.strShotZpid, area.iShotSubType);
}

void Core::slot_onSaveScreenShot(QPixmap pixmap)
{
    if (pixmap.isNull())
        return;
    const QDir folder(QCoreApplication::applicationDirPath() + QStringLiteral("/screenshot"));
    QString strPath =
        m_pFile->pDesktop->saveFileName(tr("保存文件"), freeScreenshotPath(folder), kImageFilter);
    if (strPath.isEmpty())
        return;
    // The format follows the chosen name; a name without a known picture suffix gets ".jpg".
    QByteArray arFormat = QFileInfo(strPath).suffix().toLower().toLatin1();
    if (arFormat == "jpeg")
        arFormat = "jpg";
    if (arFormat != "jpg" && arFormat != "png" && arFormat != "bmp") {
        strPath += QStringLiteral(".jpg");
        arFormat = "jpg";
    }
    if (!pixmap.save(strPath, arFormat.constData())) {
        trace().traceText("screenshot not saved", strPath);
        return;
    }
    if (m_pFile->pShot)
        m_pFile->pShot->hide();
}

QString Core::mapPage(const QString &strAddress, const QString &strLoader)
{
    const QStringList parts = strAddress.split(QLatin1Char(':'));
    double dLatitude = 0;
    double dLongitude = 0;
    if (parts.size() < 3 || !coordinate(parts.at(1), 90, &dLatitude) ||
        !coordinate(parts.at(2), 180, &dLongitude))
        return QString();
    const QString strLoaderLine =
        strLoader.isEmpty()
            ? QString()
            : QStringLiteral("<script type=\"text/javascript\" src=\"%1\"></script>")
                  .arg(strLoader.toHtmlEscaped());
    const QStringList lines{
        QStringLiteral("<!DOCTYPE html>"),
        QStringLiteral("<html>"),
        QStringLiteral("<head>"),
        QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\" />"),
        QStringLiteral("<style type=\"text/css\">"),
        QStringLiteral("body, html,#allmap {width: 100%;height: "
                       "100%;overflow: hidden;margin:0;}"),
        QStringLiteral("#l-map{height:100%;width:78%;float:left;border-right:2px solid #bcbcbc;}"),
        QStringLiteral("#r-result{height:100%;width:20%;float:left;}"),
        QStringLiteral("</style>"),
        strLoaderLine,
        QStringLiteral("<title>%1</title>").arg(parts.at(0).toHtmlEscaped()),
        QStringLiteral("</head>"),
        QStringLiteral("<body>"),
        QStringLiteral("<div id=\"allmap\"></div>"),
        QStringLiteral("</body>"),
        QStringLiteral("</html>"),
        QStringLiteral("<script type=\"text/javascript\">"),
        QStringLiteral("var map = new BMap.Map(\"allmap\");"),
        QStringLiteral("var point = new BMap.Point(%1,%2);")
            .arg(QString::number(dLongitude, 'g', 12), QString::number(dLatitude, 'g', 12)),
        QStringLiteral("map.centerAndZoom(point,16);"),
        QStringLiteral("var marker = new BMap.Marker(point);"),
        QStringLiteral("map.addOverlay(marker);"),
        QStringLiteral("map.addControl(new BMap.NavigationControl());"),
        QStringLiteral("map.addControl(new BMap.ScaleControl());"),
        QStringLiteral("map.addControl(new BMap.OverviewMapControl());"),
        QStringLiteral("map.enableScrollWheelZoom();"),
        QStringLiteral("map.addControl(new BMap.MapTypeControl());"),
        QStringLiteral("</script>"),
    };
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void Core::openMap(QString strAddress)
{
    const QString strPage = mapPage(strAddress, mapLoader());
    if (strPage.isEmpty()) {
        trace().traceText("no map for", strAddress);
        return;
    }
    QSaveFile file(QDir::current().absoluteFilePath(QStringLiteral("map.html")));
    if (!file.open(QIODevice::WriteOnly) || file.write(strPage.toUtf8()) < 0 || !file.commit()) {
        trace().traceText("map page not written", file.errorString());
        return;
    }
    m_pFile->pDesktop->openUrl(QUrl::fromLocalFile(file.fileName()));
}
