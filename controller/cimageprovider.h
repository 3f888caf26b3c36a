// CImageProvider: serves users' pictures to the screens as image://userpic/<zpid>.
#pragma once

#include <QQuickImageProvider>

class CImageProvider : public QQuickImageProvider
{
public:
    CImageProvider();

    QPixmap requestPixmap(const QString &id, QSize *size, const QSize &requestedSize) override;
};
