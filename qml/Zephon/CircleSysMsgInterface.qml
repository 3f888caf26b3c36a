pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// Circle requests and notices ("circlesysmsgModel"): read and marked read when the screen
// opens and again when one arrives or an answer is taken. Open applications and
// recommendations are answered from their rows; a row's names open the person's card or the
// circle's facts.
FocusScope {
    id: requests

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property int iKind: Codes.MsgCircleRequest
    readonly property alias list: list
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: requests.closed()

    function refresh() {
        published.controller.getMessage(requests.iKind, "");
        published.controller.updateMessage(requests.iKind, "");
    }

    // A person named in a request is usually not a contact: the card is asked of the server.
    function showPerson(strZpid) {
        requests.mainInterface.strCard = "";
        requests.mainInterface.strCardZpid = strZpid;
        published.controller.getStrangeCard(strZpid);
        stack.open(Qt.resolvedUrl("CardInterface.qml"), {
            "bAsked": true
        });
    }

    function showCard(strCard) {
        requests.mainInterface.strCard = strCard;
        requests.mainInterface.strCardZpid = "";
        stack.open(Qt.resolvedUrl("CardInterface.qml"));
    }

    function showCircle(row) {
        requests.mainInterface.selectCircleById(row.strCircleId, row.strCircleName, row.iSubType);
        stack.open(Qt.resolvedUrl("CircleManagement.qml"));
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: requests.resource.textCircleRequests
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
        model: published.circleSysMsgs
        delegate: CircleSysMsgDelegate {
            id: row
            root: requests.background
            agreeLabel: requests.resource.textAgree
            refuseLabel: requests.resource.textRefuse
            agreedText: requests.resource.textAgreed
            refusedText: requests.resource.textRefused
            onNameClicked: function (strZpid) {
                requests.showPerson(strZpid);
            }
            onCircleNameClicked: function (strCircleId) {
                requests.showCircle(row.modelData);
            }
            onUserPicClicked: function (strCard, iType) {
                requests.showCard(strCard);
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
        // The server's word on an answer given here: taken (0) or not.
        function onSig_handleApply(iRet) {
            if (iRet !== Codes.ReplyOk)
                requests.background.showAlert(requests.resource.textOperationFailed);
            requests.refresh();
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: requests.refresh()
}
