import QtQuick
import "../components"
import "RichText.js" as RichText

// Row of the dial-pad search results: name and number with the matched part highlighted.
RowBase {
    id: contact

    signal userPicClicked

    height: 52

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: 36
        height: 36
        iType: contact.modelData.iType
        strZpid: contact.modelData.strZpid
        strName: contact.modelData.strName
        showPresence: true
        onClicked: contact.userPicClicked()
    }

    Text {
        objectName: "name"
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: phone.left
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        text: RichText.highlight(contact.modelData.strName)
        textFormat: Text.StyledText
        elide: Text.ElideRight
        color: "#333333"
        font.pixelSize: 15
    }
    Text {
        id: phone
        objectName: "phone"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        text: RichText.highlight(contact.modelData.strPhone)
        textFormat: Text.StyledText
        color: "#8a94a6"
        font.pixelSize: 13
    }
}
