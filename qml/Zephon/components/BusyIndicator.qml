pragma ComponentBehavior: Bound

import QtQuick

// Spinner; a non-zero progress also shows the transfer percentage in its middle.
Item {
    id: busy

    property bool on: false
    property int progress: 0
    // 0 dark dots for light grounds, 1 white dots for dark grounds.
    property int style: 0

    implicitWidth: 32
    implicitHeight: 32
    visible: on

    Item {
        id: wheel
        anchors.fill: parent

        Repeater {
            model: 8
            delegate: Rectangle {
                required property int index
                width: busy.width / 6
                height: width
                radius: width / 2
                color: busy.style === 0 ? "#2b7de9" : "white"
                opacity: 0.25 + 0.75 * index / 7
                x: busy.width / 2 - width / 2 + Math.cos(index * Math.PI / 4) * (busy.width / 2 - width / 2)
                y: busy.height / 2 - height / 2 + Math.sin(index * Math.PI / 4) * (busy.height / 2 - height / 2)
            }
        }

        RotationAnimation on rotation {
            running: busy.on && busy.visible
            from: 0
            to: 360
            duration: 1000
            loops: Animation.Infinite
        }
    }

    Text {
        objectName: "progressText"
        anchors.centerIn: parent
        visible: busy.progress > 0
        text: busy.progress + "%"
        font.pixelSize: Math.max(8, busy.height / 4)
        color: busy.style === 0 ? "#333333" : "white"
    }
}
