import QtQuick
import Zephon.Codes
import "../components"
import "RichText.js" as RichText

// One message of a circle conversation: a time separator, or the sender's picture and name
// with the message, on the right for the user's own messages.
Item {
    id: message

    required property var modelData
    required property int index
    property string selfZpid: ""
    property string selfName: ""

    readonly property bool sent: message.modelData.bSend === true
    readonly property bool location: RichText.isCircleLocation(message.modelData.strContent, message.modelData.strCaption)

    signal userPicClicked(string strZpid)


    // What a screen reader says for the row: the time of a separator, else who wrote and what.
    Accessible.role: Accessible.ListItem
    Accessible.name: message.modelData.bSeparator === true ? String(message.modelData.strTime)
                                                           : message.writer() + ": " + message.spokenBody()
    Accessible.selected: message.ListView.isCurrentItem

    function writer() {
        return message.sent ? message.selfName : String(message.modelData.strName);
    }

    function spokenBody() {
        return message.location ? String(message.modelData.strCaption) : RichText.spoken(message.modelData.strContent);
    }

    width: ListView.view ? ListView.view.width : 280
    height: message.modelData.bSeparator ? 30 : Math.max(pic.height, name.height + bubble.height + 4) + 16

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
        iType: message.modelData.iType
        strZpid: message.sent ? message.selfZpid : message.modelData.strZpid
        strName: message.sent ? message.selfName : message.modelData.strName
        onClicked: message.userPicClicked(message.modelData.strZpid)
    }

    Text {
        id: name
        objectName: "name"
        visible: message.modelData.bSeparator !== true && !message.sent
        x: pic.x + pic.width + 8
        y: 8
        height: visible ? implicitHeight : 0
        text: message.modelData.strName
        textFormat: Text.PlainText
        color: "#8a94a6"
        font.pixelSize: 12
    }

    Rectangle {
        id: bubble
        visible: message.modelData.bSeparator !== true
        x: message.sent ? pic.x - width - 8 : pic.x + pic.width + 8
        y: name.y + name.height + 4
        width: content.width + 20
        height: content.height + 16
        radius: 8
        color: message.sent ? "#d6e8ff" : "white"
        border.color: "#dfe3ea"

        Text {
            id: content
            objectName: "content"
            x: 10
            y: 8
            width: Math.min(implicitWidth, message.width - 130)
            text: RichText.message(message.modelData.strContent, message.location ? Codes.ContentLocation : Codes.ContentText)
            textFormat: Text.StyledText
            wrapMode: Text.Wrap
            color: "#333333"
            font.pixelSize: 14
            linkColor: "#2b7de9"
            onLinkActivated: function (link) {
                // Only a location row carries a place in its caption; a "map" link typed by a
                // member into any other message opens nothing.
                if (link === "map" && message.location && published.pending)
                    published.controller.openMap(message.modelData.strCaption);
            }
        }
    }

    Published {
        id: published
    }
}
