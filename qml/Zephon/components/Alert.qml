import QtQuick

// Short notice near the bottom of the window: fully shown for one second, then faded out.
// A second notice while one is up only replaces the text; the fade keeps the first schedule.
Rectangle {
    id: alert

    property int holdTime: 1000
    property int fadeTime: 500
    property alias text: message.text

    function show(strText) {
        message.text = strText;
        fade.stop();
        alert.opacity = 1.0;
        alert.visible = true;
        hold.start();
    }

    width: Math.min(message.implicitWidth + 32, parent ? parent.width - 40 : 240)
    height: message.implicitHeight + 20
    anchors.horizontalCenter: parent ? parent.horizontalCenter : undefined
    anchors.bottom: parent ? parent.bottom : undefined
    anchors.bottomMargin: 60
    radius: 6
    color: "black"
    visible: false
    opacity: 0.0
    z: 1000

    Text {
        id: message
        anchors.centerIn: parent
        width: alert.width - 32
        color: "white"
        font.pixelSize: 14
        textFormat: Text.PlainText
        wrapMode: Text.Wrap
        horizontalAlignment: Text.AlignHCenter
    }

    Timer {
        id: hold
        objectName: "alertHoldTimer"
        interval: alert.holdTime
        onTriggered: fade.start()
    }

    NumberAnimation {
        id: fade
        target: alert
        property: "opacity"
        to: 0.0
        duration: alert.fadeTime
        onFinished: alert.visible = false
    }
}
