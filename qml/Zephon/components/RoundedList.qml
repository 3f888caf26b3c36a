pragma ComponentBehavior: Bound

import QtQuick

// Grouped list in a rounded box, 44 pixels per entry (ListEntry children); an entry either
// opens something (clicked) or carries a check box (toggled).
Rectangle {
    id: roundedList

    default property list<QtObject> entries
    property int entryHeight: 44

    signal clicked(int index)
    signal toggled(bool checked, int index)

    width: 260
    height: column.height
    radius: 8
    color: "white"
    border.color: "#dfe3ea"
    clip: true

    Column {
        id: column
        width: parent.width

        Repeater {
            model: roundedList.entries

            delegate: Item {
                id: row
                required property var modelData
                required property int index
                objectName: "entry_" + index
                width: column.width
                height: modelData.visible === false ? 0 : roundedList.entryHeight
                visible: modelData.visible !== false
                // An entry with a check box is reached through the box.
                activeFocusOnTab: row.modelData.showCheckBox !== true
                Accessible.role: Accessible.Button
                Accessible.name: row.modelData.title || ""
                Accessible.onPressAction: roundedList.clicked(row.index)
                Keys.onSpacePressed: roundedList.clicked(row.index)
                Keys.onReturnPressed: roundedList.clicked(row.index)
                Keys.onEnterPressed: roundedList.clicked(row.index)

                FocusFrame {}

                Rectangle {
                    anchors.fill: parent
                    anchors.margins: 1
                    radius: roundedList.radius
                    color: mouse.pressed ? "#e8f1fd" : "transparent"
                }
                Image {
                    id: icon
                    anchors.left: parent.left
                    anchors.leftMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    width: row.modelData.icon ? 24 : 0
                    height: 24
                    source: row.modelData.icon || ""
                    fillMode: Image.PreserveAspectFit
                }
                Text {
                    anchors.left: icon.right
                    anchors.leftMargin: 10
                    anchors.right: check.visible ? check.left : chevron.left
                    anchors.verticalCenter: parent.verticalCenter
                    text: row.modelData.title || ""
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: "#333333"
                    font.pixelSize: 15
                }
                Text {
                    id: chevron
                    anchors.right: parent.right
                    anchors.rightMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    visible: !row.modelData.showCheckBox
                    text: "\u203a"
                    color: "#b0b8c5"
                    font.pixelSize: 22
                }
                CheckBox {
                    id: check
                    objectName: "check"
                    anchors.right: parent.right
                    anchors.rightMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    visible: row.modelData.showCheckBox === true
                    checked: row.modelData.checked === true
                    accessibleName: row.modelData.title || ""
                    onToggled: function (checked) {
                        row.modelData.checked = checked;
                        roundedList.toggled(checked, row.index);
                    }
                }
                MouseArea {
                    id: mouse
                    anchors.fill: parent
                    enabled: !row.modelData.showCheckBox
                    onClicked: roundedList.clicked(row.index)
                }
                Rectangle {
                    anchors.bottom: parent.bottom
                    anchors.left: parent.left
                    anchors.leftMargin: 12
                    anchors.right: parent.right
                    height: 1
                    color: "#eceff3"
                    visible: row.index < roundedList.entries.length - 1
                }
            }
        }
    }
}
