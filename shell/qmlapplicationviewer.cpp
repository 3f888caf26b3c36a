#include "qmlapplicationviewer.h"

#include <QQmlEngine>

QmlApplicationViewer::QmlApplicationViewer(QWindow *parent) : QQuickView(parent)
{
    connect(engine(), &QQmlEngine::quit, this, &QWindow::close);
    setResizeMode(QQuickView::SizeRootObjectToView);
}

QmlApplicationViewer::~QmlApplicationViewer() = default;
