pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// The current circle's conversation: its messages ("messageModel") with each sender's picture
// and name, the input bar (Enter sends to the circle), the member list ("circlememberModel")
// and recommending contacts to the circle. The conversation is read again, and marked read,
// whenever Core reports a new message or a changed delivery state in this circle; the screen
// closes when the circle is dissolved or left.
FocusScope {
    id: chat

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strCircleId: chat.mainInterface.strCircleId
    readonly property bool bMember: chat.mainInterface.isMember(chat.strCircleId)
    property bool showMembers: false
    readonly property alias messageList: messageList
    readonly property alias memberList: memberList
    readonly property alias bottomBar: bottomBar
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: chat.closed()

    function refresh() {
        published.controller.getMessage(Codes.MsgCircle, chat.strCircleId);
        published.controller.updateMessage(Codes.MsgCircle, chat.strCircleId);
    }

    function toggleMembers() {
        chat.showMembers = !chat.showMembers;
        if (chat.showMembers)
            published.controller.getCircleMember(chat.strCircleId);
    }

    // A member's card as the circle holds it; a sender no longer in the circle by Zpid.
    function showMember(strKey, strZpid) {
        chat.mainInterface.strCard = published.controller.getCircleMemberCard(strKey, chat.strCircleId);
        chat.mainInterface.strCardZpid = strZpid;
        stack.open(Qt.resolvedUrl("CardInterface.qml"));
    }

    function recommend() {
        published.controller.getSelect(4, chat.strCircleId);
        stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
            "mode": "recommend",
            "strCircleId": chat.strCircleId,
            "strCircleName": chat.mainInterface.strCircleName,
            "iCircleType": chat.mainInterface.iCircleType
        });
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
        title: chat.mainInterface.strCircleName !== "" ? chat.mainInterface.strCircleName : chat.strCircleId
        btnRight: true
        titleRight: chat.resource.textCircleInfo
        onBtnLeftClicked: chat.closed()
        onBtnRightClicked: stack.open(Qt.resolvedUrl("CircleManagement.qml"))
    }

    Row {
        id: tools
        anchors.top: title.bottom
        anchors.topMargin: 4
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 10

        Button {
            objectName: "btnMembers"
            width: 110
            height: 26
            fontSize: 12
            checkable: true
            checked: chat.showMembers
            color: chat.showMembers ? "#2b7de9" : "white"
            textColor: chat.showMembers ? "white" : "#2b7de9"
            label: chat.resource.textCircleMembers
            onClicked: chat.toggleMembers()
        }
        Button {
            objectName: "btnRecommend"
            visible: chat.bMember
            width: 110
            height: 26
            fontSize: 12
            color: "white"
            textColor: "#2b7de9"
            label: chat.resource.textRecommend
            onClicked: chat.recommend()
        }
    }

    ListView {
        id: memberList
        // One stop of Tab for the list: the focus goes to the current row, Up and Down go
        // through the rows.
        activeFocusOnTab: memberList.count > 0
        Accessible.role: Accessible.List
        Accessible.name: chat.resource.textCircleMembers
        onActiveFocusChanged: {
            if (memberList.activeFocus && memberList.currentIndex < 0 && memberList.count > 0)
                memberList.currentIndex = 0;
        }
        objectName: "memberList"
        visible: chat.showMembers
        anchors.top: tools.bottom
        anchors.topMargin: 4
        width: parent.width
        height: chat.showMembers ? Math.min(memberList.contentHeight, 180) : 0
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.circleMembers
        delegate: PersonRow {
            id: member
            onDoubleClicked: chat.showMember(member.modelData.strId, member.modelData.strZpid)
            onUserPicClicked: chat.showMember(member.modelData.strId, member.modelData.strZpid)
        }
    }

    ListView {
        id: messageList
        objectName: "messageList"
        anchors.top: memberList.bottom
        anchors.topMargin: 4
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
        delegate: CircleMessageDelegate {
            selfZpid: chat.background.strSelfZpid
            selfName: chat.background.strSelfName
            onUserPicClicked: function (strZpid) {
                chat.showMember(strZpid, strZpid);
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
        showBtnAdd: false
        sendLabel: chat.resource.textSend
        onBtnSendClicked: function (strMsg) {
            chat.background.sendCircleMsg(strMsg, chat.strCircleId);
        }
    }

    ScreenStack {
        id: stack
        background: chat.background
        resource: chat.resource
        mainInterface: chat.mainInterface
        onScreenClosed: bottomBar.textInput.forceActiveFocus()
    }

    Timer {
        id: closer
        interval: 0
        onTriggered: chat.closed()
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
            if (iType === Codes.MsgCircle && strCircleId === chat.strCircleId)
                chat.refresh();
        }
        function onSig_applyCircle(iRet, iType) {
            if (iType === Codes.RequestRecommend)
                chat.background.showAlert(iRet === Codes.ReplyOk ? chat.resource.textRecommendSent : chat.resource.textOperationFailed);
        }
        // Closed once every screen has taken the answer: the circle's facts, open over this
        // screen, say what happened.
        function onSig_dismissCircle(flag, strCircleId) {
            if (flag && strCircleId === chat.strCircleId)
                closer.start();
        }
        function onSig_exitCircle(flag, strCircleId) {
            if (flag && strCircleId === chat.strCircleId)
                closer.start();
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
