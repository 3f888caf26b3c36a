// Core's user pictures: the picture cache behind the "userpic" image provider, the own picture
// cut out of the window, and the placeholder pictures of people without one.
#include "core.h"

#include <QBuffer>
#include <QImage>
#include <QQuickWindow>
#include <QScreen>
#include <QWindow>

#include "cnetwork.h"
#include "csessionstate.h"
#include "ctrace.h"
#include "cuserpiccache.h"
#include "rules.h"

namespace {
constexpr int kPictureSide = 173;
}

QString Core::getUserPic(int iType, int iSubType, QString strName, QString strType)
{
    return Rules::userPicPath(iType, iSubType, strName, strType);
}

bool Core::hasUserPic(QString strZpid)
{
    return userPicCache().contains(strZpid);
}

void Core::slot_onParseCardPic(quint32 iZpid, QByteArray arBuff)
{
    if (arBuff.isEmpty() || iZpid == 0)
        return;
    const QString strZpid = QString::number(iZpid);
    if (!userPicCache().insert(strZpid, arBuff)) {
        trace().traceNumber(QStringLiteral("picture not kept"), int(arBuff.size()));
        return;
    }
    Q_EMIT sig_updateCardPic(strZpid);
}

void Core::grabImage(int x, int y)
{
    if (!checkMainWindow())
        return;
    QWindow *pWindow = mainWindow();
    QImage image;
    if (auto *pQuick = qobject_cast<QQuickWindow *>(pWindow))
        image = pQuick->grabWindow();
    else if (QScreen *pScreen = pWindow->screen())
        image = pScreen->grabWindow(pWindow->winId()).toImage();
    saveOwnPicture(image.copy(x, y, kPictureSide, kPictureSide));
}

void Core::saveOwnPicture(const QImage &image)
{
    const QString &strOwn = sessionState().strZpid;
    if (image.isNull() || strOwn.isEmpty()) {
        trace().traceError(QStringLiteral("own picture not saved"));
        return;
    }
    QByteArray arPicture;
    QBuffer buffer(&arPicture);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "JPG") ||
        !userPicCache().insert(strOwn, arPicture)) {
        trace().traceError(QStringLiteral("own picture not encoded"));
        return;
    }
    Q_EMIT sig_updateCardPic(strOwn);
    if (network())
        network()->slot_onSaveCardPic(arPicture);
}
