pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Changing the login password: the old one, checked against the one the user signed in with,
// and the new one twice. What is refused here (a wrong old password, two different new ones,
// an empty one, one too long to be sent) is told at once and nothing is sent. Once the server
// has taken the new password the user is signed out and signs in again with it.
FocusScope {
    id: passwordScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    property bool waiting: false
    readonly property alias oldInput: oldInput
    readonly property alias newInput: newInput
    readonly property alias confirmInput: confirmInput

    signal closed

    function submit() {
        if (passwordScreen.waiting)
            return;
        const root = passwordScreen.background;
        const texts = passwordScreen.resource;
        if (oldInput.text !== root.strLoginPassword) {
            root.showAlert(texts.textOldPasswordWrong);
            return;
        }
        if (newInput.text === "") {
            root.showAlert(texts.textNewPasswordEmpty);
            return;
        }
        if (newInput.text !== confirmInput.text) {
            root.showAlert(texts.textPasswordMismatch);
            return;
        }
        if (!published.controller.passwordFits(newInput.text)) {
            root.showAlert(texts.textPasswordTooLong);
            return;
        }
        passwordScreen.waiting = true;
        root.changePassword(0, 0, newInput.text);
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: passwordScreen.resource.textChangePassword
        btnRight: true
        titleRight: passwordScreen.resource.textSave
        onBtnLeftClicked: passwordScreen.closed()
        onBtnRightClicked: passwordScreen.submit()
    }

    Column {
        anchors.top: title.bottom
        anchors.topMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 24
        spacing: 10

        Text {
            text: passwordScreen.resource.textOldPassword
            color: "#8a94a6"
            font.pixelSize: 13
        }
        InputBox {
            id: oldInput
            objectName: "oldInput"
            width: parent.width
            height: 34
            focus: true
            echoMode: TextInput.Password
            placeholderText: passwordScreen.resource.textOldPasswordHint
            onAccepted: newInput.forceActiveFocus()
        }
        Text {
            text: passwordScreen.resource.textNewPassword
            color: "#8a94a6"
            font.pixelSize: 13
        }
        InputBox {
            id: newInput
            objectName: "newInput"
            width: parent.width
            height: 34
            echoMode: TextInput.Password
            placeholderText: passwordScreen.resource.textNewPasswordHint
            onAccepted: confirmInput.forceActiveFocus()
        }
        Text {
            text: passwordScreen.resource.textConfirmPassword
            color: "#8a94a6"
            font.pixelSize: 13
        }
        InputBox {
            id: confirmInput
            objectName: "confirmInput"
            width: parent.width
            height: 34
            echoMode: TextInput.Password
            placeholderText: passwordScreen.resource.textConfirmPasswordHint
            onAccepted: passwordScreen.submit()
        }
        Button {
            objectName: "btnSubmit"
            width: parent.width
            height: 36
            label: passwordScreen.resource.textChangePassword
            onClicked: passwordScreen.submit()
        }
    }

    BusyIndicator {
        objectName: "busy"
        anchors.centerIn: parent
        on: passwordScreen.waiting
    }

    Connections {
        target: published.controller
        function onSig_changePassword(iType, iSubType, iRet) {
            if (!passwordScreen.waiting || iType !== Codes.PasswordLogin)
                return;
            passwordScreen.waiting = false;
            const root = passwordScreen.background;
            if (iRet !== Codes.ReplyOk) {
                root.showAlert(passwordScreen.resource.textPasswordChangeFailed);
                return;
            }
            root.showAlert(passwordScreen.resource.textPasswordChanged);
            published.controller.logout();
            root.showLogin();
        }
    }

    Published {
        id: published
    }
}
