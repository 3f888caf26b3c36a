import QtQuick
import Zephon.Codes
import NativeQuickWidgets 1.0
import "../components"
import "CallKind.js" as CallKind

// Row of the call log: who, which way the call went (missed calls in red) and when.
RowBase {
    id: record

    signal menu1Clicked
    signal menu2Clicked
    signal menu3Clicked
    signal menu4Clicked
    signal menu5Clicked

    readonly property string shownName: record.modelData.strName !== "" ? record.modelData.strName
                                                                        : record.modelData.strPhone

    UserPic {
        id: pic
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iType: published.controller ? published.controller.getZpidType(record.modelData.strZpid)
                                         : Codes.ZpidRegistered
        strZpid: record.modelData.strZpid
        strName: record.modelData.strName
        enabled: false
    }

    Column {
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: time.left
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            objectName: "name"
            width: parent.width
            text: record.shownName
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: record.modelData.iType === Codes.RecordMissed ? "#e84a3d" : "#333333"
            font.pixelSize: 15
        }
        Row {
            spacing: 4
            Text {
                objectName: "kind"
                text: CallKind.glyph(record.modelData.iType)
                color: CallKind.colour(record.modelData.iType)
                font.pixelSize: 12
            }
            Text {
                objectName: "phone"
                text: record.modelData.strPhone
                textFormat: Text.PlainText
                color: "#8a94a6"
                font.pixelSize: 12
            }
        }
    }
    Text {
        id: time
        objectName: "time"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        text: record.modelData.strTime
        textFormat: Text.PlainText
        color: "#8a94a6"
        font.pixelSize: 12
    }

    ContextMenu {
        onRightClicked: record.rightClick()

        MenuAction {
            text: qsTr("通话详情")
            onTriggered: record.menu1Clicked()
        }
        MenuAction {
            text: qsTr("拨打电话")
            onTriggered: record.menu2Clicked()
        }
        MenuAction {
            text: qsTr("发送消息")
            onTriggered: record.menu3Clicked()
        }
        MenuAction {
            text: qsTr("删除本条")
            onTriggered: record.menu4Clicked()
        }
        MenuAction {
            text: qsTr("删除全部")
            onTriggered: record.menu5Clicked()
        }
    }

    Published {
        id: published
    }
}
