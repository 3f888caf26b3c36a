import QtQuick

// Modal "please wait" box for long operations; nothing underneath takes input while shown.
Rectangle {
    id: dialog

    property string title: ""
    property bool show: false

    anchors.fill: parent
    color: "#66000000"
    visible: dialog.show
    z: 900

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        onWheel: function (wheel) {
            wheel.accepted = true;
        }
    }

    Rectangle {
        anchors.centerIn: parent
        width: 200
        height: 110
        radius: 8
        color: "white"

        BusyIndicator {
            anchors.horizontalCenter: parent.horizontalCenter
            anchors.top: parent.top
            anchors.topMargin: 18
            on: dialog.show
        }

        Text {
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 16
            width: parent.width - 20
            anchors.horizontalCenter: parent.horizontalCenter
            horizontalAlignment: Text.AlignHCenter
            text: dialog.title
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#333333"
            font.pixelSize: 14
        }
    }
}
