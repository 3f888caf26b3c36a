pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// A one-to-one conversation with the person chosen on the main screen: the messages of
// "messageModel" as bubbles, the input bar (Enter sends), and cards, pictures, files and
// screenshots. The conversation is read again, and marked read, whenever Core reports a new
// message or a changed delivery state for this person.
FocusScope {
    id: chat

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strZpid: chat.mainInterface.msg_strZpid
    // Kind the conversation is stored under: the assistant or a registered user.
    readonly property int iKind: published.controller ? published.controller.getZpidType(chat.strZpid)
                                                      : Codes.ZpidRegistered
    readonly property alias messageList: messageList
    readonly property alias bottomBar: bottomBar
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: chat.closed()

    function refresh() {
        published.controller.getMessage(chat.iKind, chat.strZpid);
        published.controller.updateMessage(chat.iKind, chat.strZpid);
    }

    // Sub-kinds of what is sent: 2 a picture, 3 a file.
    function sendChosen(strFile, iSubType) {
        // A cancelled dialog gives the bare "file:///".
        if (strFile.length > 8)
            published.controller.uploadFile(strFile, chat.strZpid, iSubType);
    }

    function showCard(strCard) {
        chat.mainInterface.strCard = strCard;
        chat.mainInterface.strCardZpid = "";
        stack.open(Qt.resolvedUrl("CardInterface.qml"));
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        objectName: "titleBar"
        width: parent.width
        title: chat.mainInterface.msg_strName !== "" ? chat.mainInterface.msg_strName : chat.strZpid
        onBtnLeftClicked: chat.closed()

        PresenceMark {
            objectName: "titlePresence"
            anchors.verticalCenter: parent.verticalCenter
            anchors.right: parent.right
            anchors.rightMargin: 44
            strZpid: chat.strZpid
        }
    }

    ListView {
        id: messageList
        objectName: "messageList"
        anchors.top: title.bottom
        anchors.bottom: bottomBar.top
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.messages
        // The keyboard reads the conversation: Tab comes to the newest message, Up and Down go
        // through the others.
        activeFocusOnTab: true
        Accessible.role: Accessible.List
        Accessible.name: chat.resource.textTabMessage
        Accessible.description: title.title
        onActiveFocusChanged: {
            if (messageList.activeFocus)
                messageList.currentIndex = messageList.count - 1;
        }
        delegate: MessageDelegate {
            id: bubble
            selfZpid: chat.background.strSelfZpid
            selfName: chat.background.strSelfName
            onCardClicked: function (strCard) {
                chat.showCard(strCard);
            }
            onUserPicClicked: function (strZpid) {
                chat.mainInterface.strCard = "";
                chat.mainInterface.strCardZpid = strZpid;
                stack.open(Qt.resolvedUrl("CardInterface.qml"));
            }
        }
        onCountChanged: messageList.positionViewAtEnd()

        FocusFrame {
            parent: messageList
            target: messageList
        }

        ScrollBar {
            scrollArea: messageList
            anchors.right: parent.right
            height: parent.height
        }
    }

    BottomBar {
        id: bottomBar
        objectName: "bottomBar"
        anchors.bottom: parent.bottom
        width: parent.width
        focus: true
        sendLabel: chat.resource.textSend
        onBtnSendClicked: function (strMsg) {
            chat.background.sendMsg(strMsg, chat.strZpid);
        }
        onBtnCardClicked: {
            published.controller.getSelect(2, "");
            stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
                "mode": "card",
                "strZpid": chat.strZpid
            });
        }
        onBtnPicClicked: chat.sendChosen(published.controller.chooseImage(), Codes.ContentPicture)
        onBtnFileClicked: chat.sendChosen(published.controller.chooseFile(), Codes.ContentFile)
        onBtnScreenClicked: published.controller.screenshot(chat.strZpid, Codes.ContentPicture)
    }

    ScreenStack {
        id: stack
        background: chat.background
        resource: chat.resource
        mainInterface: chat.mainInterface
        onScreenClosed: bottomBar.textInput.forceActiveFocus()
    }

    Connections {
        target: published.controller
        function onSig_updateMessage() {
            messageList.positionViewAtEnd();
        }
        function onSig_addMsgRecord() {
            chat.refresh();
        }
        function onSig_updateMsgRecord(iType, strZpid, strCircleId) {
            if (strZpid === chat.strZpid)
                chat.refresh();
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: {
        chat.refresh();
        bottomBar.textInput.forceActiveFocus();
    }
}
