import QtQuick
import NativeQuickWidgets 1.0
import Zephon.Codes
import "../components"
import "RichText.js" as RichText

// Row of the recent conversations: picture, name, preview of the last message, time and the
// number of unread messages.
RowBase {
    id: record

    signal menu1Clicked
    signal menu2Clicked

    // One-to-one conversations carry the peer's Zpid kind (the own one shows as a person's),
    // the others their message kind; a circle conversation's sub-kind is the circle's type.
    readonly property int picType: record.modelData.iType === Codes.ZpidOwn ? Codes.ZpidRegistered
                                                                           : record.modelData.iType

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iType: record.picType
        iSubType: record.modelData.iSubType
        strZpid: record.modelData.iType <= Codes.ZpidRegistered ? record.modelData.strZpid : ""
        strName: record.modelData.strName
        enabled: false

        Rectangle {
            objectName: "unread"
            anchors.right: parent.right
            anchors.rightMargin: -5
            anchors.top: parent.top
            anchors.topMargin: -5
            width: Math.max(18, count.implicitWidth + 8)
            height: 18
            radius: 9
            color: "#e84a3d"
            visible: record.modelData.iUnRead > 0
            Text {
                id: count
                anchors.centerIn: parent
                text: record.modelData.iUnRead > 99 ? "99+" : String(record.modelData.iUnRead)
                color: "white"
                font.pixelSize: 11
            }
        }
    }

    Text {
        objectName: "name"
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: time.left
        anchors.rightMargin: 8
        anchors.top: pic.top
        text: record.modelData.strName
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: "#333333"
        font.pixelSize: 15
    }
    Text {
        objectName: "message"
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.bottom: pic.bottom
        text: RichText.preview(record.modelData.strMsg)
        textFormat: Text.StyledText
        maximumLineCount: 1
        elide: Text.ElideRight
        color: "#8a94a6"
        font.pixelSize: 12
    }
    Text {
        id: time
        objectName: "time"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.top: pic.top
        text: record.modelData.strTime
        textFormat: Text.PlainText
        color: "#a0a8b5"
        font.pixelSize: 11
    }

    ContextMenu {
        onRightClicked: record.rightClick()

        MenuAction {
            text: qsTr("删除本条")
            onTriggered: record.menu1Clicked()
        }
        MenuAction {
            text: qsTr("删除全部")
            onTriggered: record.menu2Clicked()
        }
    }
}
