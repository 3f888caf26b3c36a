import QtQuick

// Status picture: online or offline; blinks while a sign-in is running.
Item {
    id: logo

    property bool online: false
    property int blinkInterval: 500
    readonly property bool blinking: blink.running
    property bool lit: false

    implicitWidth: 24
    implicitHeight: 24

    Image {
        id: picture
        objectName: "logoImage"
        anchors.fill: parent
        source: (logo.blinking ? logo.lit : logo.online) ? "images/logo-online.png"
                                                         : "images/logo-offline.png"
        fillMode: Image.PreserveAspectFit
    }

    Timer {
        id: blink
        objectName: "blinkTimer"
        interval: logo.blinkInterval
        repeat: true
        onTriggered: logo.lit = !logo.lit
    }

    Connections {
        target: published.controller
        function onSig_changeState(start, online) {
            if (start) {
                logo.lit = true;
                blink.start();
            } else {
                blink.stop();
                logo.online = online;
            }
        }
    }

    Published {
        id: published
    }
}
