import QtQuick
import NativeQuickWidgets 1.0
import Zephon.Codes
import "../components"
import "RichText.js" as RichText

// Row of the contact list: picture, name and number (with the search highlights).
RowBase {
    id: contact

    signal menu1Clicked
    signal menu2Clicked
    signal menu3Clicked
    signal userPicClicked

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iType: contact.modelData.iType
        strZpid: contact.modelData.strZpid
        strName: contact.modelData.strName
        showPresence: true
        onClicked: contact.userPicClicked()
    }

    Column {
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            objectName: "name"
            width: parent.width
            text: RichText.highlight(contact.modelData.strName)
            textFormat: Text.StyledText
            elide: Text.ElideRight
            color: "#333333"
            font.pixelSize: 15
        }
        Text {
            objectName: "phone"
            width: parent.width
            text: RichText.highlight(contact.modelData.strPhone)
            textFormat: Text.StyledText
            elide: Text.ElideRight
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }

    ContextMenu {
        onRightClicked: contact.rightClick()

        MenuAction {
            text: contact.modelData.iType === Codes.ContactOwn ? qsTr("个人名片") : qsTr("名片")
            onTriggered: contact.menu1Clicked()
        }
        MenuAction {
            separator: true
        }
        MenuAction {
            text: qsTr("拨打电话")
            enabled: contact.modelData.iType !== Codes.ContactNotUser
            onTriggered: contact.menu2Clicked()
        }
        MenuAction {
            text: qsTr("发送消息")
            enabled: contact.modelData.iType !== Codes.ContactNotUser
            onTriggered: contact.menu3Clicked()
        }
    }
}
