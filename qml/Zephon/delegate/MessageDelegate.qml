import QtQuick
import Zephon.Codes
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

    function stateText(iMsgState) {
        switch (iMsgState) {
        case Codes.MsgNew:
            return qsTr("发送中");
        case Codes.MsgAccepted:
            return qsTr("已发送");
        case Codes.MsgDelivered:
            return qsTr("已送达");
        case Codes.MsgFailed:
            return qsTr("发送失败");
        }
        return "";
    }


    // What a screen reader says for the row: the time of a separator, else who wrote and what.
    Accessible.role: Accessible.ListItem
    Accessible.name: message.modelData.bSeparator === true ? String(message.modelData.strTime)
                                                           : message.writer() + ": " + message.spokenBody()
    Accessible.selected: message.ListView.isCurrentItem

    function writer() {
        return message.sent ? message.selfName : String(message.modelData.strName);
    }

    function spokenBody() {
        const content = message.modelData.strContent;
        switch (message.subType) {
        case Codes.ContentCard:
            return qsTr("名片") + " " + RichText.cardName(content);
        case Codes.ContentPicture:
            return qsTr("图片");
        case Codes.ContentFile:
            return qsTr("文件") + " " + RichText.cardField(content, 1);
        }
        return RichText.spoken(content);
    }

    width: ListView.view ? ListView.view.width : 280
    height: message.modelData.bSeparator ? 30 : Math.max(pic.height, bubble.height) + 16

    // The row the arrow keys are on while the list has the focus.
    FocusFrame {
        anchors.margins: 1
        visible: message.ListView.isCurrentItem && message.ListView.view !== null && message.ListView.view.activeFocus
    }

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
            sourceComponent: message.subType === Codes.ContentCard ? cardBody
                           : message.subType === Codes.ContentPicture ? pictureBody
                           : message.subType === Codes.ContentFile ? fileBody : textBody
            // The bodies know only the row they show; what they report is passed on here.
            onLoaded: {
                content.item.row = Qt.binding(function () {
                    return message.modelData;
                });
                if (content.item.maxWidth !== undefined)
                    content.item.maxWidth = Qt.binding(function () {
                        return message.width - 130;
                    });
            }
        }

        Connections {
            target: content.item
            ignoreUnknownSignals: true
            function onCardClicked(strCard) {
                message.cardClicked(strCard);
            }
            function onMapClicked(strCaption) {
                if (published.pending)
                    published.controller.openMap(strCaption);
            }
        }
    }

    // Delivery state beside a sent bubble: on its way, taken by the server, delivered, or
    // not delivered (marked in red). Picture and file bubbles show their transfer instead.
    Text {
        objectName: "state"
        visible: message.sent && message.modelData.bSeparator !== true && message.subType !== Codes.ContentPicture && message.subType !== Codes.ContentFile
        anchors.right: bubble.left
        anchors.rightMargin: 6
        anchors.bottom: bubble.bottom
        text: message.stateText(message.modelData.iMsgState)
        textFormat: Text.PlainText
        color: message.modelData.iMsgState === Codes.MsgFailed ? "#e84a3d" : "#a0a8b5"
        font.pixelSize: 11
    }

    component TextBody: Text {
        id: textView
        property var row: ({})
        property real maxWidth: 150
        signal mapClicked(string strCaption)
        objectName: "content"
        width: Math.min(implicitWidth, textView.maxWidth)
        text: RichText.message(textView.row.strContent, textView.row.iSubType)
        textFormat: Text.StyledText
        wrapMode: Text.Wrap
        color: "#333333"
        font.pixelSize: 14
        linkColor: "#2b7de9"
        // Only a location row carries a place in its caption; a "map" link typed by a peer
        // into any other message opens nothing.
        onLinkActivated: function (link) {
            if (link === "map" && textView.row.iSubType === Codes.ContentLocation)
                textView.mapClicked(textView.row.strCaption);
        }
    }

    component CardBody: Column {
        id: cardView
        property var row: ({})
        signal cardClicked(string strCard)
        spacing: 4
        Text {
            objectName: "cardCaption"
            text: cardView.row.strCaption
            textFormat: Text.PlainText
            color: "#8a94a6"
            font.pixelSize: 12
        }
        Text {
            objectName: "cardName"
            text: RichText.cardName(cardView.row.strContent)
            textFormat: Text.PlainText
            color: "#2b7de9"
            font.pixelSize: 15
            MouseArea {
                anchors.fill: parent
                onClicked: cardView.cardClicked(cardView.row.strContent)
            }
        }
    }

    component PictureBody: Picture {
        id: pictureView
        property var row: ({})
        readonly property bool sent: pictureView.row.bSend === true
        iMsgId: pictureView.row.iMsgId
        iType: pictureView.row.iSubType
        iMsgState: pictureView.row.iMsgState
        bSend: pictureView.sent
        picname: pictureView.row.iMsgState === Codes.TransferDone || pictureView.sent ? pictureView.row.strCaption : ""
        fileinfo: pictureView.row.strContent
        strZpid: pictureView.row.strZpid
    }

    component FileBody: File {
        id: fileView
        property var row: ({})
        iMsgId: fileView.row.iMsgId
        iType: fileView.row.iSubType
        iMsgState: fileView.row.iMsgState
        bSend: fileView.row.bSend === true
        fileinfo: fileView.row.strContent
        filepath: fileView.row.strCaption
        strZpid: fileView.row.strZpid
    }

    Component {
        id: textBody
        TextBody {}
    }

    Component {
        id: cardBody
        CardBody {}
    }

    Component {
        id: pictureBody
        PictureBody {}
    }

    Component {
        id: fileBody
        FileBody {}
    }

    Published {
        id: published
    }
}
