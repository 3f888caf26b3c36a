pragma ComponentBehavior: Bound

import QtQuick

// Row of function buttons under the message input (card, picture, file, screenshot by default).
Rectangle {
    id: funcPanel

    property var labels: [qsTr("名片"), qsTr("图片"), qsTr("文件"), qsTr("截屏")]
    property var glyphs: ["\u2637", "\u25a3", "\u2750", "\u2702"]

    signal clicked(int index)

    implicitWidth: 280
    implicitHeight: 80
    color: "#f4f6f9"

    Row {
        anchors.centerIn: parent
        spacing: 14

        Repeater {
            model: funcPanel.labels.length

            delegate: Column {
                id: func
                required property int index
                objectName: "func_" + index
                spacing: 4

                Rectangle {
                    width: 44
                    height: 44
                    radius: 8
                    color: mouse.pressed ? "#dfe3ea" : "white"
                    border.color: "#dfe3ea"
                    activeFocusOnTab: true
                    Accessible.role: Accessible.Button
                    Accessible.name: funcPanel.labels[func.index] || ""
                    Accessible.onPressAction: funcPanel.clicked(func.index)
                    Keys.onSpacePressed: funcPanel.clicked(func.index)
                    Keys.onReturnPressed: funcPanel.clicked(func.index)
                    Keys.onEnterPressed: funcPanel.clicked(func.index)

                    FocusFrame {}

                    Text {
                        anchors.centerIn: parent
                        text: funcPanel.glyphs[func.index] || ""
                        color: "#2b7de9"
                        font.pixelSize: 20
                    }
                    MouseArea {
                        id: mouse
                        anchors.fill: parent
                        onClicked: funcPanel.clicked(func.index)
                    }
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    text: funcPanel.labels[func.index]
                    textFormat: Text.PlainText
                    color: "#666666"
                    font.pixelSize: 12
                }
            }
        }
    }
}
