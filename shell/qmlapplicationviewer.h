// QmlApplicationViewer: the main window, a Qt Quick view whose root item follows the
// window's size and which closes when the QML engine asks to quit.
#pragma once

#include <QQuickView>

class QmlApplicationViewer : public QQuickView
{
    Q_OBJECT

public:
    explicit QmlApplicationViewer(QWindow *parent = nullptr);
    ~QmlApplicationViewer() override;
};
