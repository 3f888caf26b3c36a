pragma ComponentBehavior: Bound

import QtQuick

// Tool bar under a screen selection: save to a file, cancel, or take the selection.
Rectangle {
    id: menu

    property string saveLabel: qsTr("保存")
    property string cancelLabel: qsTr("取消")
    property string okLabel: qsTr("发送")

    signal btnSaveClicked
    signal btnCancelClicked
    signal btnOkClicked

    width: 126
    height: 27
    radius: 3
    color: "#f4f6f9"
    border.color: "#b0b8c5"

    Row {
        anchors.fill: parent
        anchors.margins: 1

        Repeater {
            model: [menu.saveLabel, menu.cancelLabel, menu.okLabel]

            delegate: Rectangle {
                id: tool
                required property string modelData
                required property int index
                objectName: ["btnSave", "btnCancel", "btnOk"][index]
                width: (menu.width - 2) / 3
                height: menu.height - 2
                radius: 2
                color: mouse.pressed ? "#dfe3ea" : mouse.containsMouse ? "#e8f1fd" : "transparent"
                activeFocusOnTab: true
                Accessible.role: Accessible.Button
                Accessible.name: tool.modelData
                Accessible.onPressAction: tool.press()
                Keys.onSpacePressed: tool.press()
                Keys.onReturnPressed: tool.press()
                Keys.onEnterPressed: tool.press()

                function press() {
                    if (tool.index === 0)
                        menu.btnSaveClicked();
                    else if (tool.index === 1)
                        menu.btnCancelClicked();
                    else
                        menu.btnOkClicked();
                }

                FocusFrame {}

                Text {
                    anchors.centerIn: parent
                    text: tool.modelData
                    color: tool.index === 2 ? "#2b7de9" : "#333333"
                    font.pixelSize: 12
                }
                MouseArea {
                    id: mouse
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: tool.press()
                }
            }
        }
    }
}
