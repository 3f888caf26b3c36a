import QtQuick
import NativeQuickWidgets 1.0
import "../components"

// Row of a circle's member list, with edit and delete in its menu.
PersonRow {
    id: member

    signal menu1Clicked
    signal menu2Clicked

    ContextMenu {
        onRightClicked: member.rightClick()

        MenuAction {
            text: qsTr("编辑成员")
            onTriggered: member.menu1Clicked()
        }
        MenuAction {
            text: qsTr("删除成员")
            onTriggered: member.menu2Clicked()
        }
    }
}
