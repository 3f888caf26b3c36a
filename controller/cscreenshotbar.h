// CScreenShotBar: the screenshot tool's tool bar, a QML document in a Quick widget whose save,
// cancel and send buttons reach the tool's slots of the same meaning.
#pragma once

#include <QString>
#include <QUrl>

class QQuickWidget;
class ScreenShot;

class CScreenShotBar
{
public:
    static QUrl defaultSource()
    {
        return QUrl(QStringLiteral("qrc:/qml/Zephon/components/ScreenShotMenu.qml"));
    }

    // Gives pShot the tool bar loaded from source, connected to its slots. Null, with the
    // reasons traced, when the document does not load: the tool then works without one.
    static QQuickWidget *attach(ScreenShot *pShot, const QUrl &source = defaultSource());
};
