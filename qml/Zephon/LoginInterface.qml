import QtQuick
import Zephon.Codes
import "components"

// The sign-in screen: saved accounts with their remembered passwords, the checks on what was
// typed, the login request and its answer. A successful sign-in stores the user on the root
// and closes the screen, which makes the root load the main screen.
FocusScope {
    id: loginInterface

    // The window's root item and its texts, handed over by the root when it loads the screen.
    required property var background
    required property Resource resource
    property bool busy: false
    property string status: ""
    property var accounts: []
    // Where the help link leads.
    property string helpUrl: "https://zephon.example.org/help"
    readonly property alias accountBox: accountBox
    readonly property alias passwordBox: passwordBox
    readonly property alias rememberBox: rememberBox
    readonly property alias loginButton: loginButton
    // The text field of the editable account box.
    readonly property alias accountInput: accountBox.input

    signal closed

    function loadAccounts() {
        const list = published.controller.getAccount();
        loginInterface.accounts = list ? list : [];
        if (loginInterface.accounts.length > 0)
            accountBox.select(0);
    }

    function showAccount(index) {
        const strId = accountBox.itemText(index);
        const strPassword = published.controller.getPassword(strId);
        passwordBox.text = strPassword;
        rememberBox.checked = strPassword !== "";
    }

    function focusAccount() {
        accountBox.input.forceActiveFocus();
    }

    function focusPassword() {
        passwordBox.input.forceActiveFocus();
    }

    // With an account already offered, the next thing to type is its password.
    function focusFirstEmpty() {
        if (accountBox.selectedItem.trim() !== "")
            loginInterface.focusPassword();
        else
            loginInterface.focusAccount();
    }

    function press() {
        if (loginInterface.busy)
            return;
        const strId = accountBox.selectedItem.trim();
        const strPassword = passwordBox.text;
        if (strId === "") {
            loginInterface.status = loginInterface.resource.textAccountEmpty;
            return;
        }
        if (strPassword === "") {
            loginInterface.status = loginInterface.resource.textPasswordEmpty;
            return;
        }
        const iType = published.controller.getInputType(strId);
        if (iType === Codes.InputInvalid) {
            loginInterface.status = loginInterface.resource.textAccountInvalid;
            return;
        }
        loginInterface.status = loginInterface.resource.textLoggingIn;
        loginInterface.busy = true;
        loginInterface.background.login(strId, strPassword, iType);
    }

    function loginAnswered(iState, strLoginId, strLoginPassword, strZpid, strPhone) {
        if (iState === Codes.LoginOk) {
            // An empty id is the session coming back by itself; this screen is not involved.
            if (strLoginId === "")
                return;
            published.controller.addAccount(strLoginId, rememberBox.checked ? strLoginPassword : "");
            loginInterface.background.strLoginPassword = strLoginPassword;
            loginInterface.background.strSelfZpid = strZpid;
            loginInterface.background.strSelfPhone = strPhone;
            loginInterface.busy = false;
            loginInterface.closed();
            return;
        }
        loginInterface.busy = false;
        if (iState === Codes.LoginUnknownAccount)
            loginInterface.status = loginInterface.resource.textAccountUnknown;
        else if (iState === Codes.LoginWrongPassword)
            loginInterface.status = loginInterface.resource.textPasswordWrong;
        else
            loginInterface.status = "";
    }

    focus: true
    Keys.onReturnPressed: loginInterface.press()
    Keys.onEnterPressed: loginInterface.press()
    Published {
        id: published
    }

    Connections {
        target: published.controller
        function onSig_setAccount(varAccount) {
            loginInterface.loadAccounts();
            if (!loginInterface.busy)
                loginInterface.focusFirstEmpty();
        }
        function onSig_loginState(iState, strLoginId, strLoginPassword, strZpid, strPhone) {
            loginInterface.loginAnswered(iState, strLoginId, strLoginPassword, strZpid, strPhone);
        }
        function onSig_netState(varState) {
            if (varState === Codes.NetLost)
                loginInterface.status = loginInterface.resource.textNetError;
            else if (varState === Codes.NetLoginTimeout)
                loginInterface.status = loginInterface.resource.textServerTimeout;
            else
                return;
            loginInterface.busy = false;
        }
    }

    Rectangle {
        anchors.fill: parent
        gradient: Gradient {
            GradientStop {
                position: 0.0
                color: "#ffffff"
            }
            GradientStop {
                position: 1.0
                color: "#eef3fb"
            }
        }
    }

    Column {
        id: brand
        anchors.horizontalCenter: parent.horizontalCenter
        y: 48
        spacing: 10

        Rectangle {
            anchors.horizontalCenter: parent.horizontalCenter
            width: 72
            height: 72
            radius: 18
            color: "#2b7de9"

            Text {
                anchors.centerIn: parent
                text: "Z"
                color: "white"
                font.pixelSize: 42
                font.bold: true
            }
        }

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: loginInterface.resource.textAppName
            color: "#1f2d3d"
            font.family: loginInterface.resource.fontFamily
            font.pixelSize: 22
            font.bold: true
        }
    }

    Column {
        id: form
        anchors.horizontalCenter: parent.horizontalCenter
        y: 200
        width: 232
        spacing: 12

        ComboBox {
            id: accountBox
            objectName: "accountBox"
            width: parent.width
            height: 36
            z: 10
            editable: true
            showBorder: true
            items: loginInterface.accounts
            placeholderText: loginInterface.resource.textAccountHint
            onComboClicked: function (index) {
                loginInterface.showAccount(index);
            }
        }

        InputBox {
            id: passwordBox
            objectName: "passwordBox"
            width: parent.width
            height: 36
            echoMode: TextInput.Password
            placeholderText: loginInterface.resource.textPasswordHint
        }

        Item {
            width: parent.width
            height: 22

            CheckBox {
                id: rememberBox
                objectName: "rememberBox"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                label: loginInterface.resource.textRememberPassword
                textColor: "#556070"
            }

            Text {
                objectName: "helpLink"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: loginInterface.resource.textHelp
                color: helpMouse.containsMouse ? "#1a5fc0" : "#2b7de9"
                font.family: loginInterface.resource.fontFamily
                font.pixelSize: 14
                font.underline: helpMouse.containsMouse || activeFocus
                activeFocusOnTab: true
                Accessible.role: Accessible.Link
                Accessible.name: text
                Accessible.onPressAction: Qt.openUrlExternally(loginInterface.helpUrl)
                Keys.onReturnPressed: Qt.openUrlExternally(loginInterface.helpUrl)
                Keys.onEnterPressed: Qt.openUrlExternally(loginInterface.helpUrl)
                Keys.onSpacePressed: Qt.openUrlExternally(loginInterface.helpUrl)

                MouseArea {
                    id: helpMouse
                    anchors.fill: parent
                    hoverEnabled: true
                    cursorShape: Qt.PointingHandCursor
                    onClicked: Qt.openUrlExternally(loginInterface.helpUrl)
                }
            }
        }

        Button {
            id: loginButton
            objectName: "loginButton"
            width: parent.width
            height: 40
            fontSize: 16
            enabled: !loginInterface.busy
            label: loginInterface.resource.textLogin
            onClicked: loginInterface.press()
        }

        Item {
            width: parent.width
            height: 28

            BusyIndicator {
                id: busyIndicator
                objectName: "busyIndicator"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                width: 20
                height: 20
                on: loginInterface.busy
            }

            Text {
                id: statusLine
                objectName: "statusLine"
                anchors.left: busyIndicator.visible ? busyIndicator.right : parent.left
                anchors.leftMargin: busyIndicator.visible ? 8 : 0
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                horizontalAlignment: busyIndicator.visible ? Text.AlignLeft : Text.AlignHCenter
                text: loginInterface.status
                textFormat: Text.PlainText
                elide: Text.ElideRight
                color: loginInterface.busy ? "#556070" : "#e5534b"
                font.family: loginInterface.resource.fontFamily
                font.pixelSize: 13
            }
        }
    }

    Component.onCompleted: {
        if (loginInterface.background.bInit)
            loginInterface.loadAccounts();
        loginInterface.focusFirstEmpty();
    }
}
