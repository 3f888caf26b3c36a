import QtQuick

// Horizontal slider: position runs from 0 to 1, xPos is where the handle sits.
Item {
    id: seekBar

    property real position: 0.0
    readonly property real xPos: Math.max(0, Math.min(1, seekBar.position)) * (seekBar.width - handle.width)

    // What a screen reader says for the bar.
    property string accessibleName: ""

    // The keyboard: Left and Right move by a twentieth, Home and End to the ends.
    activeFocusOnTab: true
    Accessible.role: Accessible.Slider
    Accessible.name: seekBar.accessibleName
    Keys.onPressed: function (event) {
        if (event.key === Qt.Key_Left || event.key === Qt.Key_Down)
            seekBar.position = Math.max(0, seekBar.position - 0.05);
        else if (event.key === Qt.Key_Right || event.key === Qt.Key_Up)
            seekBar.position = Math.min(1, seekBar.position + 0.05);
        else if (event.key === Qt.Key_Home)
            seekBar.position = 0;
        else if (event.key === Qt.Key_End)
            seekBar.position = 1;
        else
            return;
        event.accepted = true;
    }

    implicitWidth: 200
    implicitHeight: 20

    Rectangle {
        anchors.verticalCenter: parent.verticalCenter
        width: parent.width
        height: 4
        radius: 2
        color: "#dfe3ea"

        Rectangle {
            width: seekBar.xPos + handle.width / 2
            height: parent.height
            radius: 2
            color: "#2b7de9"
        }
    }

    function seekTo(mouseX) {
        if (seekBar.width > handle.width)
            seekBar.position = Math.max(0, Math.min(1, (mouseX - handle.width / 2)
                                                    / (seekBar.width - handle.width)));
    }

    Rectangle {
        id: handle
        objectName: "handle"
        x: seekBar.xPos
        anchors.verticalCenter: parent.verticalCenter
        width: 14
        height: 14
        radius: 7
        color: "white"
        border.color: "#2b7de9"
        border.width: 2
    }

    FocusFrame {}

    MouseArea {
        anchors.fill: parent
        onPressed: function (mouse) {
            seekBar.seekTo(mouse.x);
        }
        onPositionChanged: function (mouse) {
            seekBar.seekTo(mouse.x);
        }
    }
}
