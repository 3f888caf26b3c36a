import QtQuick

// Loader for the screens that a screen opens over itself: each gets the root item, the texts
// and the main screen handed over, and is unloaded when it closes or completes. Callers pass
// a resolved address (Qt.resolvedUrl), since a relative one would resolve against this folder.
ScreenLoader {
    id: stack

    property var background
    property var resource
    property var mainInterface

    signal screenClosed

    function open(url, extra) {
        const properties = {
            "background": stack.background,
            "resource": stack.resource,
            "mainInterface": stack.mainInterface
        };
        if (extra)
            Object.assign(properties, extra);
        stack.setSource(url, properties);
    }

    function close() {
        stack.source = "";
        stack.screenClosed();
    }

    anchors.fill: parent
    z: 50
    focus: stack.status === Loader.Ready

    Connections {
        target: stack.item
        ignoreUnknownSignals: true
        function onClosed() {
            stack.close();
        }
        function onCompleted() {
            stack.close();
        }
    }
}
