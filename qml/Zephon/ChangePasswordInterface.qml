pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Changing the login password: the old one, checked against the one the user signed in with,
// and the new one twice. What is refused here (a wrong old password, two different new ones,
// an empty one, one too long to be sent) is told at once and nothing is sent. Once the server
// has taken the new password the user is signed out and signs in again with it.
// Opened with an enterprise kind (iPasswordType from Codes.PasswordEnterpriseFirst to
// Codes.PasswordEnterpriseLast) it changes one of the signed-in organisation's passwords
// instead: the kind is chosen here, no old password is asked, the answer names the password
// that changed and the user stays signed in.
FocusScope {
    id: passwordScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    property int iPasswordType: Codes.PasswordLogin
    readonly property bool bEnterprise: passwordScreen.iPasswordType >= Codes.PasswordEnterpriseFirst
                                        && passwordScreen.iPasswordType <= Codes.PasswordEnterpriseLast
    // The enterprise kinds' names, in the order of their codes.
    readonly property var enterpriseKinds: [passwordScreen.resource.textEnPasswordOrg,
        passwordScreen.resource.textAdminPassword, passwordScreen.resource.textEmpPassword]
    property bool waiting: false
    // The kind and password sent, until the answer.
    property int iSentType: Codes.PasswordLogin
    property string strSent: ""
    readonly property alias oldInput: oldInput
    readonly property alias newInput: newInput
    readonly property alias confirmInput: confirmInput

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: passwordScreen.closed()

    function kindName(iType) {
        const index = iType - Codes.PasswordEnterpriseFirst;
        return index >= 0 && index < passwordScreen.enterpriseKinds.length ? passwordScreen.enterpriseKinds[index] : "";
    }

    function chooseKind(index) {
        if (index < 0 || index >= passwordScreen.enterpriseKinds.length)
            return;
        passwordScreen.iPasswordType = Codes.PasswordEnterpriseFirst + index;
    }

    function submit() {
        if (passwordScreen.waiting)
            return;
        const root = passwordScreen.background;
        const texts = passwordScreen.resource;
        if (!passwordScreen.bEnterprise && oldInput.text !== root.strLoginPassword) {
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
        passwordScreen.iSentType = passwordScreen.iPasswordType;
        if (passwordScreen.bEnterprise) {
            passwordScreen.strSent = newInput.text;
            root.changePassword(passwordScreen.iPasswordType, 0, [root.strOrgId, root.strSelfPhone, newInput.text]);
        } else {
            root.changePassword(Codes.PasswordLogin, 0, newInput.text);
        }
    }

    // The answer about an enterprise password: it names the password, and a remembered
    // sign-in password follows the new one.
    function enterpriseAnswered(iType, iRet) {
        const root = passwordScreen.background;
        const texts = passwordScreen.resource;
        const strKind = passwordScreen.kindName(iType);
        if (iRet !== Codes.ReplyOk) {
            root.showAlert(texts.textEnPasswordChangeFailed.arg(strKind));
            return;
        }
        if (iType === Codes.PasswordEnterpriseFirst && published.controller.getEnPassword(root.strOrgId) !== "")
            published.controller.addEnAccount(root.strOrgId, passwordScreen.strSent);
        passwordScreen.strSent = "";
        root.showAlert(texts.textEnPasswordChanged.arg(strKind));
        passwordScreen.closed();
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: passwordScreen.bEnterprise ? passwordScreen.resource.textChangeEnPassword : passwordScreen.resource.textChangePassword
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
            visible: passwordScreen.bEnterprise
            text: passwordScreen.resource.textEnPasswordKind
            color: "#8a94a6"
            font.pixelSize: 13
        }
        ComboBox {
            id: kindCombo
            objectName: "kindCombo"
            visible: passwordScreen.bEnterprise
            width: parent.width
            showBorder: true
            items: passwordScreen.enterpriseKinds
            selectedIndex: passwordScreen.iPasswordType - Codes.PasswordEnterpriseFirst
            selectedItem: passwordScreen.kindName(passwordScreen.iPasswordType)
            onComboClicked: function (index) {
                passwordScreen.chooseKind(index);
            }
        }
        Text {
            visible: !passwordScreen.bEnterprise
            text: passwordScreen.resource.textOldPassword
            color: "#8a94a6"
            font.pixelSize: 13
        }
        InputBox {
            id: oldInput
            objectName: "oldInput"
            visible: !passwordScreen.bEnterprise
            width: parent.width
            height: 34
            focus: !passwordScreen.bEnterprise
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
            label: passwordScreen.bEnterprise ? passwordScreen.resource.textChangeEnPassword : passwordScreen.resource.textChangePassword
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
            if (!passwordScreen.waiting)
                return;
            if (passwordScreen.bEnterprise) {
                if (iType < Codes.PasswordEnterpriseFirst || iType > Codes.PasswordEnterpriseLast)
                    return;
                passwordScreen.waiting = false;
                passwordScreen.enterpriseAnswered(iType, iRet);
                return;
            }
            if (iType !== Codes.PasswordLogin)
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
