import QtQuick
import NativeQuickWidgets 1.0
import Zephon.Codes
import "../components"
import "CallKind.js" as CallKind

// Row of one person's calls: direction, when, and how long the call lasted.
RowBase {
    id: call

    signal menu1Clicked
    signal menu2Clicked

    property string outgoingText: qsTr("呼出")
    property string incomingText: qsTr("呼入")
    property string missedText: qsTr("未接")

    height: 48

    Text {
        id: kind
        objectName: "kind"
        anchors.left: parent.left
        anchors.leftMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        text: CallKind.glyph(call.modelData.iType) + " " + (call.modelData.iType === Codes.RecordOutgoing
                  ? call.outgoingText : call.modelData.iType === Codes.RecordMissed ? call.missedText : call.incomingText)
        color: CallKind.colour(call.modelData.iType)
        font.pixelSize: 14
    }
    Text {
        objectName: "time"
        anchors.left: kind.right
        anchors.leftMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        text: call.modelData.strTime
        textFormat: Text.PlainText
        color: "#555555"
        font.pixelSize: 13
    }
    Text {
        objectName: "duration"
        anchors.right: parent.right
        anchors.rightMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        visible: call.modelData.iType !== Codes.RecordMissed
        text: published.controller ? published.controller.formatTime(call.modelData.iCallTime) : ""
        color: "#8a94a6"
        font.pixelSize: 13
    }

    ContextMenu {
        onRightClicked: call.rightClick()

        MenuAction {
            text: qsTr("删除本条")
            onTriggered: call.menu1Clicked()
        }
        MenuAction {
            text: qsTr("删除全部")
            onTriggered: call.menu2Clicked()
        }
    }

    Published {
        id: published
    }
}
