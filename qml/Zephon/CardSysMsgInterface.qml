pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// Card-exchange requests ("cardsysmsgModel"): read and marked read when the screen opens and
// again when a new one arrives; a request opens the requester's card.
FocusScope {
    id: requests

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property int iKind: Codes.MsgCardRequest
    readonly property alias list: list
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: requests.closed()

    function refresh() {
        published.controller.getMessage(requests.iKind, "");
        published.controller.updateMessage(requests.iKind, "");
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: requests.resource.textCardRequests
        onBtnLeftClicked: requests.closed()
    }

    ListView {
        id: list
        objectName: "requestList"
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.cardSysMsgs
        delegate: CardSysMsgDelegate {
            agreeLabel: requests.resource.textAgree
            agreedText: requests.resource.textAgreed
            onCardClicked: function (strCard, strZpid) {
                requests.mainInterface.strCard = strCard;
                requests.mainInterface.strCardZpid = strZpid;
                stack.open(Qt.resolvedUrl("CardInterface.qml"));
            }
        }

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    ScreenStack {
        id: stack
        background: requests.background
        resource: requests.resource
        mainInterface: requests.mainInterface
    }

    Connections {
        target: published.controller
        function onSig_addMsgRecord() {
            requests.refresh();
        }
        function onSig_updateMsgRecord(iType, strZpid, strCircleId) {
            if (iType === requests.iKind)
                requests.refresh();
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: requests.refresh()
}
