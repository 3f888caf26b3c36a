import QtQuick
import "../components"
import "RichText.js" as RichText

// One message of a one-to-one conversation: a time separator, or a bubble on the left
// (received) or right (sent) holding text, a card, a picture, a file or a location.
Item {
    id: message

    required property var modelData
    required property int index
    // The signed-in user, for the picture beside sent messages.
    property string selfZpid: ""
    property string selfName: ""

    readonly property bool sent: message.modelData.bSend === true
    readonly property int subType: message.modelData.iSubType

    signal userPicClicked(string strZpid)
    signal cardClicked(string strCard)

    width: ListView.view ? ListView.view.width : 280
    height: message.modelData.bSeparator ? 30 : Math.max(pic.height, bubble.height) + 16

    Text {
        objectName: "separator"
        visible: message.modelData.bSeparator === true
        anchors.centerIn: parent
        text: message.modelData.strTime
        textFormat: Text.PlainText
        color: "#a0a8b5"
        font.pixelSize: 11
    }

    UserPic {
        id: pic
        visible: message.modelData.bSeparator !== true
        x: message.sent ? message.width - width - 8 : 8
        y: 8
        width: 36
        height: 36
        iType: message.sent ? 0 : message.modelData.iType
        strZpid: message.sent ? message.selfZpid : message.modelData.strZpid
        strName: message.sent ? message.selfName : message.modelData.strName
        onClicked: message.userPicClicked(pic.strZpid)
    }

    Rectangle {
        id: bubble
        objectName: "bubble"
        visible: message.modelData.bSeparator !== true
        x: message.sent ? pic.x - width - 8 : pic.x + pic.width + 8
        y: 8
        width: content.width + 20
        height: content.height + 16
        radius: 8
        color: message.sent ? "#d6e8ff" : "white"
        border.color: "#dfe3ea"

        Loader {
            id: content
            x: 10
            y: 8
            sourceComponent: message.subType === 1 ? cardBody
                           : message.subType === 2 ? pictureBody
                           : message.subType === 3 ? fileBody : textBody
        }
    }

    Text {
        objectName: "failed"
        visible: message.sent && message.modelData.iMsgState === 3 && message.modelData.bSeparator !== true
        anchors.right: bubble.left
        anchors.rightMargin: 6
        anchors.verticalCenter: bubble.verticalCenter
        text: "\u2757"
        color: "#e84a3d"
        font.pixelSize: 14
    }

    Component {
        id: textBody
        Text {
            objectName: "content"
            width: Math.min(implicitWidth, message.width - 130)
            text: RichText.message(message.modelData.strContent)
            textFormat: Text.StyledText
            wrapMode: Text.Wrap
            color: "#333333"
            font.pixelSize: 14
            linkColor: "#2b7de9"
            onLinkActivated: function (link) {
                if (link === "map" && typeof core !== "undefined")
                    core.openMap(message.modelData.strCaption);
            }
        }
    }

    Component {
        id: cardBody
        Column {
            spacing: 4
            Text {
                objectName: "cardCaption"
                text: message.modelData.strCaption
                textFormat: Text.PlainText
                color: "#8a94a6"
                font.pixelSize: 12
            }
            Text {
                objectName: "cardName"
                text: RichText.cardName(message.modelData.strContent)
                textFormat: Text.PlainText
                color: "#2b7de9"
                font.pixelSize: 15
                MouseArea {
                    anchors.fill: parent
                    onClicked: message.cardClicked(message.modelData.strContent)
                }
            }
        }
    }

    Component {
        id: pictureBody
        Picture {
            iMsgId: message.modelData.iMsgId
            iType: message.subType
            iMsgState: message.modelData.iMsgState
            bSend: message.sent
            picname: message.modelData.iMsgState === 1 || message.sent ? message.modelData.strCaption : ""
        }
    }

    Component {
        id: fileBody
        File {
            iMsgId: message.modelData.iMsgId
            iType: message.subType
            iMsgState: message.modelData.iMsgState
            bSend: message.sent
            fileinfo: message.modelData.strContent
            filepath: message.modelData.strCaption
            strZpid: message.modelData.strZpid
        }
    }
}
