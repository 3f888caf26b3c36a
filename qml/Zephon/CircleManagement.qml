pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate/RichText.js" as RichText

// The current circle's facts: name, number, creator, profile and member count. The creator
// edits the name and the profile and dissolves the circle; another member leaves it; a user
// outside the circle applies to join. Texts over the length rules are refused here with a
// notice and nothing is sent; every change waits for the server's answer.
FocusScope {
    id: circleInfo

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strCircleId: circleInfo.mainInterface.strCircleId
    readonly property bool bMember: circleInfo.mainInterface.isMember(circleInfo.strCircleId)
    readonly property bool bCreator: circleInfo.bMember && circleInfo.mainInterface.iUserType === Codes.CircleRoleCreator
    property int iMemberCount: 0
    // The texts sent for a change of the name or the profile, until the server answers.
    property string strSentName: ""
    property string strSentProfile: ""
    property bool waitingApply: false
    // What the confirmation box is asking about: "dismiss", "exit" or "clear".
    property string confirmAction: ""
    readonly property alias editPage: editPage
    readonly property alias confirmDialog: confirmDialog
    readonly property alias applyDialog: applyDialog
    readonly property alias stack: stack

    // Display widths as the controller counts them: a Chinese character is 1.
    readonly property real maxNameLength: 8
    readonly property real maxProfileLength: 30
    // The application's text travels encrypted behind a one-byte count: 50 counted characters
    // stay within it whatever they are.
    readonly property real maxApplyLength: 50

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: circleInfo.closed()
    signal completed

    function refreshCount() {
        const iStored = published.controller.getCircleMemberCount(circleInfo.strCircleId);
        circleInfo.iMemberCount = iStored > 0 ? iStored : Number(circleInfo.mainInterface.strUserCount);
    }

    function startEdit(iKind) {
        editPage.iKind = iKind;
        editPage.title = iKind === Codes.CircleInfoName ? circleInfo.resource.textCircleName : circleInfo.resource.textCircleProfile;
        editPage.text = iKind === Codes.CircleInfoName ? circleInfo.mainInterface.strCircleName : circleInfo.mainInterface.strCircleProfile;
        editPage.visible = true;
    }

    // A refused text keeps the page open with the text, so it can be shortened.
    function saveInfo(iKind, strText) {
        const controller = published.controller;
        if (iKind === Codes.CircleInfoName) {
            const strName = strText.trim();
            if (strName === "") {
                circleInfo.background.showAlert(circleInfo.resource.textCircleNameEmpty);
                return;
            }
            if (controller.getStringLength(strName) > circleInfo.maxNameLength) {
                circleInfo.background.showAlert(circleInfo.resource.textCircleNameTooLong);
                return;
            }
            circleInfo.strSentName = strName;
            circleInfo.background.modifyCircleInfo(iKind, circleInfo.strCircleId, strName);
        } else {
            if (controller.getStringLength(strText) > circleInfo.maxProfileLength) {
                circleInfo.background.showAlert(circleInfo.resource.textCircleProfileTooLong);
                return;
            }
            circleInfo.strSentProfile = strText;
            circleInfo.background.modifyCircleInfo(iKind, circleInfo.strCircleId, strText);
        }
        editPage.visible = false;
    }

    function ask(strAction, strMessage) {
        circleInfo.confirmAction = strAction;
        confirmDialog.message = strMessage;
        confirmDialog.visible = true;
    }

    function confirmed() {
        confirmDialog.visible = false;
        const strId = circleInfo.strCircleId;
        if (circleInfo.confirmAction === "dismiss" && circleInfo.bCreator)
            circleInfo.background.dismissCircle(strId);
        else if (circleInfo.confirmAction === "exit" && circleInfo.bMember && !circleInfo.bCreator)
            circleInfo.background.exitCircle(strId);
        else if (circleInfo.confirmAction === "clear")
            published.controller.delMsgRecord(Codes.MsgCircle, strId);
    }

    function startApply() {
        applyDialog.input1 = "";
        applyDialog.visible = true;
    }

    // A text too long for its field is refused here, with the dialog left open to shorten it.
    function apply() {
        const strText = applyDialog.input1.trim();
        if (published.controller.getStringLength(strText) > circleInfo.maxApplyLength) {
            circleInfo.background.showAlert(circleInfo.resource.textApplyReasonTooLong);
            return;
        }
        applyDialog.visible = false;
        if (circleInfo.bMember)
            return;
        circleInfo.waitingApply = true;
        const main = circleInfo.mainInterface;
        circleInfo.background.applyCircle(main.strCircleId, main.strCircleName, main.iCircleType, strText, Codes.RequestJoin);
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
        title: circleInfo.resource.textCircleInfo
        onBtnLeftClicked: circleInfo.closed()
    }

    component InfoRow: Rectangle {
        id: infoRow
        property string caption: ""
        property string value: ""
        property bool active: false
        signal clicked
        width: parent ? parent.width : 280
        height: Math.max(40, valueText.implicitHeight + 20)
        color: infoMouse.containsMouse && infoRow.active ? "#f4f6f9" : "white"
        // Only a row the user may change is a stop for Tab.
        activeFocusOnTab: infoRow.active
        Accessible.role: infoRow.active ? Accessible.Button : Accessible.StaticText
        Accessible.name: infoRow.caption
        Accessible.description: infoRow.value
        Accessible.onPressAction: infoRow.clicked()
        Keys.onSpacePressed: infoRow.clicked()
        Keys.onReturnPressed: infoRow.clicked()
        Keys.onEnterPressed: infoRow.clicked()
        FocusFrame {}
        Text {
            id: captionText
            x: 12
            width: 70
            anchors.verticalCenter: parent.verticalCenter
            text: infoRow.caption
            color: "#8a94a6"
            font.pixelSize: 13
        }
        Text {
            id: valueText
            objectName: "value"
            anchors.left: captionText.right
            anchors.right: parent.right
            anchors.rightMargin: infoRow.active ? 24 : 12
            anchors.verticalCenter: parent.verticalCenter
            text: infoRow.value
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: "#333333"
            font.pixelSize: 14
        }
        Text {
            visible: infoRow.active
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            text: "\u203a"
            color: "#a0a8b5"
            font.pixelSize: 18
        }
        MouseArea {
            id: infoMouse
            anchors.fill: parent
            hoverEnabled: true
            enabled: infoRow.active
            onClicked: infoRow.clicked()
        }
    }

    Flickable {
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        contentHeight: column.height + 24
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        Column {
            id: column
            y: 12
            width: parent.width
            spacing: 1

            InfoRow {
                objectName: "nameRow"
                caption: circleInfo.resource.textCircleName
                value: circleInfo.mainInterface.strCircleName
                active: circleInfo.bCreator
                onClicked: circleInfo.startEdit(Codes.CircleInfoName)
            }
            InfoRow {
                objectName: "numberRow"
                caption: circleInfo.resource.textCircleNumber
                value: circleInfo.strCircleId
            }
            InfoRow {
                objectName: "creatorRow"
                caption: circleInfo.resource.textCircleCreator
                value: RichText.cardName(circleInfo.mainInterface.strCreateName)
            }
            InfoRow {
                objectName: "profileRow"
                caption: circleInfo.resource.textCircleProfile
                value: circleInfo.mainInterface.strCircleProfile
                active: circleInfo.bCreator
                onClicked: circleInfo.startEdit(Codes.CircleInfoProfile)
            }
            InfoRow {
                objectName: "countRow"
                caption: circleInfo.resource.textMemberCount
                value: String(circleInfo.iMemberCount)
                active: circleInfo.bMember
                onClicked: circleInfo.stack.open(Qt.resolvedUrl("MemberInterface.qml"))
            }

            Item {
                width: parent.width
                height: 16
            }

            Button {
                objectName: "btnClearHistory"
                visible: circleInfo.bMember
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width - 24
                height: 36
                color: "#8a94a6"
                label: circleInfo.resource.textClearHistory
                onClicked: circleInfo.ask("clear", circleInfo.resource.textConfirmClearHistory)
            }
            Item {
                width: parent.width
                height: 10
            }
            Button {
                objectName: "btnDismiss"
                visible: circleInfo.bCreator
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width - 24
                height: 36
                color: "#e5534b"
                label: circleInfo.resource.textDismissCircle
                onClicked: circleInfo.ask("dismiss", circleInfo.resource.textConfirmDismiss)
            }
            Button {
                objectName: "btnExit"
                visible: circleInfo.bMember && !circleInfo.bCreator
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width - 24
                height: 36
                color: "#e5534b"
                label: circleInfo.resource.textExitCircle
                onClicked: circleInfo.ask("exit", circleInfo.resource.textConfirmExit)
            }
            Button {
                objectName: "btnApply"
                visible: !circleInfo.bMember
                anchors.horizontalCenter: parent.horizontalCenter
                width: parent.width - 24
                height: 36
                label: circleInfo.resource.textApplyCircle
                onClicked: circleInfo.startApply()
            }
        }
    }

    Change {
        id: editPage
        objectName: "editPage"
        property int iKind: Codes.CircleInfoName
        visible: false
        z: 40
        anchors.fill: parent
        saveLabel: circleInfo.resource.textSave
        onClosed: editPage.visible = false
        onCompleted: function (strText) {
            circleInfo.saveInfo(editPage.iKind, strText);
        }
    }

    DialogMessage {
        id: confirmDialog
        objectName: "confirmDialog"
        visible: false
        z: 45
        btnOkLabel: circleInfo.resource.textOk
        btnCancelLabel: circleInfo.resource.textCancel
        onBtnOKClicked: circleInfo.confirmed()
        onBtnCancelClicked: confirmDialog.visible = false
    }

    DialogInput {
        id: applyDialog
        objectName: "applyDialog"
        visible: false
        z: 45
        type: 1
        title: circleInfo.resource.textApplyCircle
        placeholder1: circleInfo.resource.textApplyReason
        btnOkLabel: circleInfo.resource.textOk
        btnCancelLabel: circleInfo.resource.textCancel
        onBtnOKClicked: circleInfo.apply()
        onBtnCancelClicked: applyDialog.visible = false
    }

    ScreenStack {
        id: stack
        background: circleInfo.background
        resource: circleInfo.resource
        mainInterface: circleInfo.mainInterface
        onScreenClosed: circleInfo.refreshCount()
    }

    Connections {
        target: published.controller
        function onSig_modifyCircleInfo(iType, iRet, strCircleId) {
            if (strCircleId !== circleInfo.strCircleId)
                return;
            if (iRet !== Codes.ReplyOk) {
                circleInfo.background.showAlert(circleInfo.resource.textSaveFailed);
                return;
            }
            if (iType === Codes.CircleInfoName && circleInfo.strSentName !== "")
                circleInfo.mainInterface.strCircleName = circleInfo.strSentName;
            else if (iType === Codes.CircleInfoProfile)
                circleInfo.mainInterface.strCircleProfile = circleInfo.strSentProfile;
            circleInfo.background.showAlert(circleInfo.resource.textSaveOk);
        }
        function onSig_dismissCircle(flag, strCircleId) {
            if (strCircleId !== circleInfo.strCircleId)
                return;
            circleInfo.background.showAlert(flag ? circleInfo.resource.textCircleDismissed : circleInfo.resource.textOperationFailed);
            if (flag)
                circleInfo.completed();
        }
        function onSig_exitCircle(flag, strCircleId) {
            if (strCircleId !== circleInfo.strCircleId)
                return;
            circleInfo.background.showAlert(flag ? circleInfo.resource.textCircleExited : circleInfo.resource.textOperationFailed);
            if (flag)
                circleInfo.completed();
        }
        function onSig_applyCircle(iRet, iType) {
            if (!circleInfo.waitingApply || iType !== Codes.RequestJoin)
                return;
            circleInfo.waitingApply = false;
            circleInfo.background.showAlert(iRet === Codes.ReplyOk ? circleInfo.resource.textApplySent : circleInfo.resource.textOperationFailed);
        }
        function onSig_modifyCircleMember(iType, iRet, strCircleId) {
            if (strCircleId === circleInfo.strCircleId)
                circleInfo.refreshCount();
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: circleInfo.refreshCount()
}
