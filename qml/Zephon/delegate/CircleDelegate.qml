import QtQuick
import "../components"

// Row of the circle list: circle picture (by circle type), name, member count and profile.
RowBase {
    id: circle

    signal userPicClicked

    property string membersText: qsTr("人")

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iType: 7
        iSubType: circle.modelData.iType
        strName: circle.modelData.strName
        onClicked: circle.userPicClicked()
    }

    Text {
        id: name
        objectName: "name"
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: count.left
        anchors.rightMargin: 8
        anchors.top: pic.top
        text: circle.modelData.strName
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: "#333333"
        font.pixelSize: 15
    }
    Text {
        id: count
        objectName: "count"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.top: pic.top
        text: circle.modelData.iUserCount + circle.membersText
        color: "#a0a8b5"
        font.pixelSize: 12
    }
    Text {
        objectName: "profile"
        anchors.left: name.left
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.bottom: pic.bottom
        text: circle.modelData.strProfile
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: "#8a94a6"
        font.pixelSize: 12
    }
}
