#include "cimageprovider.h"

namespace {
constexpr int kPictureSide = 173;
}

CImageProvider::CImageProvider() : QQuickImageProvider(QQuickImageProvider::Pixmap) {}

QPixmap CImageProvider::requestPixmap(const QString &id, QSize *size, const QSize &requestedSize)
{
    Q_UNUSED(id);
    if (size)
        *size = QSize(kPictureSide, kPictureSide);
    const int iWidth = requestedSize.width() < 1 ? kPictureSide : requestedSize.width();
    const int iHeight = requestedSize.height() < 1 ? kPictureSide : requestedSize.height();
    QPixmap pixmap(iWidth, iHeight);
    pixmap.fill(Qt::transparent);
    return pixmap;
}
