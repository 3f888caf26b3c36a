#include "cimageprovider.h"

#include "cuserpiccache.h"

#include <QPainter>

namespace {
constexpr int kPictureSide = 173;
}

CImageProvider::CImageProvider() : QQuickImageProvider(QQuickImageProvider::Pixmap) {}

int CImageProvider::side(int iRequested)
{
    if (iRequested < 1)
        return kPictureSide;
    return qMin(iRequested, kMaxSide);
}

QPixmap CImageProvider::requestPixmap(const QString &id, QSize *size, const QSize &requestedSize)
{
    if (size)
        *size = QSize(kPictureSide, kPictureSide);
    const QSize target(side(requestedSize.width()), side(requestedSize.height()));
    QPixmap pixmap(target);
    pixmap.fill(Qt::transparent);
    const QByteArray arPicture = userPicCache().value(id);
    QPixmap picture;
    if (arPicture.isEmpty() || !picture.loadFromData(arPicture))
        return pixmap;
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(QRect(QPoint(0, 0), target), picture);
    return pixmap;
}
