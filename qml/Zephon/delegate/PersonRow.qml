import QtQuick
import "../components"

// Row showing one person (a ContactModel): picture, name and one line of detail.
RowBase {
    id: person

    property string detail: person.modelData.strPhone
    property alias picture: pic

    signal userPicClicked

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iType: person.modelData.iType
        strZpid: person.modelData.strZpid
        strName: person.modelData.strName
        onClicked: person.userPicClicked()
    }

    Column {
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 48
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            objectName: "name"
            width: parent.width
            text: person.modelData.strName
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#333333"
            font.pixelSize: 15
        }
        Text {
            objectName: "detail"
            width: parent.width
            visible: text !== ""
            text: person.detail
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }
}
