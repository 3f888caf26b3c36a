pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// A message to several people at once: the recipients ("masscontactModel", chosen from the
// contacts or typed as a number) and the input bar. A typed phone number that is not in the
// address book is asked of the server first and added once the server names its Zpid.
// The recipient list is emptied when the screen opens, so nothing goes to an earlier choice.
FocusScope {
    id: newMsg

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    // The phone number waiting for the server's answer.
    property string strPendingPhone: ""
    readonly property alias numberBox: numberBox
    readonly property alias bottomBar: bottomBar
    readonly property alias stack: stack
    readonly property int recipientCount: published.massContacts ? published.massContacts.length : 0

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: newMsg.closed()

    function add(strZpid, strName) {
        if (!published.controller.addMassContact(strZpid, strName))
            newMsg.background.showAlert(newMsg.resource.textAlreadyRecipient);
        numberBox.text = "";
    }

    // A number typed in the box: a Zpid is added at once; a phone number through the address
    // book, or else through the server.
    function addNumber() {
        const strNumber = numberBox.text.trim();
        const iType = published.controller.getInputType(strNumber);
        if (iType === Codes.InputInvalid) {
            newMsg.background.showAlert(newMsg.resource.textNumberInvalid);
            return;
        }
        if (iType === Codes.InputZpid) {
            newMsg.add(strNumber, published.controller.getContactNameByZpid(strNumber));
            return;
        }
        const strZpid = published.controller.getContactZpidByPhone(strNumber);
        if (strZpid !== "" && strZpid !== "0") {
            newMsg.add(strZpid, published.controller.getContactNameByPhone(strNumber));
            return;
        }
        newMsg.strPendingPhone = strNumber;
        newMsg.background.getUserState(strNumber);
    }

    function hasRecipients() {
        if (newMsg.recipientCount > 0)
            return true;
        newMsg.background.showAlert(newMsg.resource.textNoRecipient);
        return false;
    }

    function sendChosen(strFile, iSubType) {
        if (strFile.length > 8)
            published.controller.uploadFile(strFile, "list", iSubType);
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: newMsg.resource.textNewMessage
        onBtnLeftClicked: newMsg.closed()
    }

    Row {
        id: entry
        anchors.top: title.bottom
        anchors.topMargin: 8
        x: 8
        spacing: 6

        InputBox {
            id: numberBox
            objectName: "numberBox"
            width: newMsg.width - 16 - 2 * 56 - 12
            height: 30
            placeholderText: newMsg.resource.textRecipientHint
            onAccepted: newMsg.addNumber()
        }
        Button {
            objectName: "btnAddNumber"
            width: 56
            height: 30
            label: newMsg.resource.textAdd
            onClicked: newMsg.addNumber()
        }
        Button {
            objectName: "btnChoose"
            width: 56
            height: 30
            label: "+"
            accessibleName: newMsg.resource.textRecipients
            onClicked: {
                published.controller.getSelect(0, "");
                stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
                    "mode": "recipient"
                });
            }
        }
    }

    Flickable {
        anchors.top: entry.bottom
        anchors.topMargin: 8
        anchors.bottom: bottomBar.top
        width: parent.width
        contentHeight: recipients.height
        clip: true

        Flow {
            id: recipients
            objectName: "recipients"
            x: 8
            width: parent.width - 16
            spacing: 6

            Repeater {
                model: published.massContacts
                delegate: Rectangle {
                    id: chip
                    required property var modelData
                    width: chipText.width + 30
                    height: 26
                    radius: 13
                    color: "#d6e8ff"

                    Text {
                        id: chipText
                        objectName: "recipient"
                        x: 10
                        anchors.verticalCenter: parent.verticalCenter
                        text: chip.modelData.strName
                        textFormat: Text.PlainText
                        color: "#333333"
                        font.pixelSize: 13
                    }
                    Text {
                        anchors.right: parent.right
                        anchors.rightMargin: 8
                        anchors.verticalCenter: parent.verticalCenter
                        text: "\u00d7"
                        color: "#8a94a6"
                        activeFocusOnTab: true
                        Accessible.role: Accessible.Button
                        Accessible.name: chip.modelData.strName
                        Accessible.onPressAction: published.controller.delMassContact(chip.modelData.strZpid)
                        Keys.onSpacePressed: published.controller.delMassContact(chip.modelData.strZpid)
                        Keys.onReturnPressed: published.controller.delMassContact(chip.modelData.strZpid)
                        Keys.onEnterPressed: published.controller.delMassContact(chip.modelData.strZpid)
                        Accessible.description: qsTr("删除")
                        FocusFrame {}
                        MouseArea {
                            anchors.fill: parent
                            anchors.margins: -4
                            onClicked: published.controller.delMassContact(chip.modelData.strZpid)
                        }
                    }
                }
            }
        }
    }

    BottomBar {
        id: bottomBar
        objectName: "bottomBar"
        anchors.bottom: parent.bottom
        width: parent.width
        sendLabel: newMsg.resource.textSend
        onBtnSendClicked: function (strMsg) {
            if (!newMsg.hasRecipients()) {
                bottomBar.text = strMsg;
                return;
            }
            published.controller.sendMassMsg(strMsg);
            newMsg.closed();
        }
        onBtnCardClicked: {
            if (!newMsg.hasRecipients())
                return;
            published.controller.getSelect(2, "");
            stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
                "mode": "massCard"
            });
        }
        onBtnPicClicked: {
            if (newMsg.hasRecipients())
                newMsg.sendChosen(published.controller.chooseImage(), Codes.ContentPicture);
        }
        onBtnFileClicked: {
            if (newMsg.hasRecipients())
                newMsg.sendChosen(published.controller.chooseFile(), Codes.ContentFile);
        }
        onBtnScreenClicked: published.controller.screenshot("", Codes.ContentPicture)
    }

    ScreenStack {
        id: stack
        background: newMsg.background
        resource: newMsg.resource
        mainInterface: newMsg.mainInterface
    }

    Connections {
        target: published.controller
        // Presence changes of contacts arrive the same way; only the answer about the
        // number asked for (or the empty answer for an unknown one) is taken.
        function onSig_updateUserState(strZpid, strPhone) {
            const strNumber = newMsg.strPendingPhone;
            if (strNumber === "")
                return;
            const bAnswer = (strZpid === "" && strPhone === "") || strPhone.slice(-11) === strNumber.slice(-11);
            if (!bAnswer)
                return;
            newMsg.strPendingPhone = "";
            if (strZpid === "" || strZpid === "0")
                newMsg.background.showAlert(newMsg.resource.textNotUser);
            else
                newMsg.add(strZpid, strNumber);
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: published.controller.delMassContact("")
}
