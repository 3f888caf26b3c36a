// CImageProvider: serves users' pictures to the screens as image://userpic/<zpid>, from the
// picture cache, drawn at the size the screen asks for. A Zpid without a picture gets a
// transparent square (the screens show their placeholder instead).
#pragma once

#include <QQuickImageProvider>

class CImageProvider : public QQuickImageProvider
{
public:
    // Largest side handed out; a larger request (a screen's size binding gone wrong) is cut
    // to it rather than allocate without bound.
    static constexpr int kMaxSide = 1024;

    CImageProvider();

    QPixmap requestPixmap(const QString &id, QSize *size, const QSize &requestedSize) override;

private:
    static int side(int iRequested);
};
