import QtQuick
import NativeQuickWidgets 1.0
import "../components"

// Row of the cloud address book: name, number and group.
RowBase {
    id: netContact

    signal userPicClicked
    signal menu1Clicked
    signal menu2Clicked

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iType: 3
        strName: netContact.modelData.strName
        onClicked: netContact.userPicClicked()
    }

    Column {
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: group.left
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            objectName: "name"
            width: parent.width
            text: netContact.modelData.strName
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#333333"
            font.pixelSize: 15
        }
        Text {
            objectName: "phone"
            width: parent.width
            text: netContact.modelData.strPhone
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }
    Text {
        id: group
        objectName: "group"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: Math.min(implicitWidth, 80)
        text: netContact.modelData.strGroup
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: "#8a94a6"
        font.pixelSize: 12
    }

    ContextMenu {
        onRightClicked: netContact.rightClick()

        MenuAction {
            text: qsTr("编辑成员")
            onTriggered: netContact.menu1Clicked()
        }
        MenuAction {
            text: qsTr("删除成员")
            onTriggered: netContact.menu2Clicked()
        }
    }
}
