#include "cscreenshotbar.h"

#include <QQmlError>
#include <QQuickItem>
#include <QQuickWidget>

#include "ctrace.h"
#include "screenshot.h"

QQuickWidget *CScreenShotBar::attach(ScreenShot *pShot, const QUrl &source)
{
    static const CTrace trace("CScreenShotBar");
    auto *pBar = new QQuickWidget;
    pBar->setResizeMode(QQuickWidget::SizeViewToRootObject);
    // A local document loads at once; anything still loading is as good as failed here.
    pBar->setSource(source);
    QQuickItem *pRoot = pBar->rootObject();
    if (pBar->status() != QQuickWidget::Ready || !pRoot) {
        for (const QQmlError &error : pBar->errors())
            trace.traceError(QStringLiteral("tool bar: ") + error.toString());
        delete pBar;
        pShot->setToolBar(nullptr);
        return nullptr;
    }
    QObject::connect(pRoot, SIGNAL(btnSaveClicked()), pShot, SLOT(slot_onSave()));
    QObject::connect(pRoot, SIGNAL(btnCancelClicked()), pShot, SLOT(slot_onCancel()));
    QObject::connect(pRoot, SIGNAL(btnOkClicked()), pShot, SLOT(slot_onOK()));
    pShot->setToolBar(pBar);
    return pBar;
}
