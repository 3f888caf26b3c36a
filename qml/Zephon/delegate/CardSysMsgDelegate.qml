import QtQuick
import Zephon.Codes
import "../components"
import "RichText.js" as RichText

// Row of the card-exchange requests: who asks, the request text, and "同意" while the
// request is still open.
Rectangle {
    id: request

    required property var modelData
    required property int index
    property string agreeLabel: qsTr("同意")
    property string agreedText: qsTr("已同意")

    readonly property bool open: request.modelData.iSubType === Codes.CardRequestOpen && request.modelData.bSend !== true

    signal cardClicked(string strCard, string strZpid)

    width: ListView.view ? ListView.view.width : 280
    // A time separator (a copy of the request that follows it) is a line with the time only.
    readonly property bool separator: request.modelData.bSeparator === true
    height: request.separator ? 30 : 64
    color: "white"

    UserPic {
        id: pic
        visible: !request.separator
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        strZpid: request.modelData.strZpid
        strName: request.modelData.strName
        onClicked: request.cardClicked(request.modelData.strContent, request.modelData.strZpid)
    }

    Column {
        visible: !request.separator
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: action.left
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 3

        Text {
            objectName: "name"
            width: parent.width
            text: request.modelData.strName !== "" ? request.modelData.strName
                                                   : RichText.cardName(request.modelData.strContent)
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#2b7de9"
            font.pixelSize: 15
            MouseArea {
                anchors.fill: parent
                onClicked: request.cardClicked(request.modelData.strContent, request.modelData.strZpid)
            }
        }
        Text {
            objectName: "caption"
            width: parent.width
            text: request.modelData.strCaption
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }

    Item {
        id: action
        visible: !request.separator
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: 60
        height: 28

        Button {
            objectName: "btnAgree"
            anchors.fill: parent
            visible: request.open
            label: request.agreeLabel
            onClicked: {
                if (published.controller)
                    published.controller.exchangeCardReply(request.modelData.strZpid, "0");
            }
        }
        Text {
            objectName: "state"
            anchors.centerIn: parent
            visible: request.modelData.iSubType === Codes.CardRequestAgreed
            text: request.agreedText
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }

    Rectangle {
        visible: !request.separator
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: "#eceff3"
    }

    Text {
        objectName: "separator"
        visible: request.separator
        anchors.centerIn: parent
        text: request.modelData.strTime
        textFormat: Text.PlainText
        color: "#a0a8b5"
        font.pixelSize: 11
    }

    Published {
        id: published
    }
}
