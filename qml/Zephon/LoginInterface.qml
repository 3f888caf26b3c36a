import QtQuick
import "components"

// The sign-in screen: saved accounts with their remembered passwords, the checks on what was
// typed, the login request and its answer. A successful sign-in stores the user on the root
// and closes the screen, which makes the root load the main screen.
FocusScope {
    id: loginInterface

    property bool busy: false
    property string status: ""
    property var accounts: []
    // Where the help link leads.
    property string helpUrl: "https://zephon.example.org/help"
    readonly property alias accountBox: accountBox
    readonly property alias passwordBox: passwordBox
    readonly property alias rememberBox: rememberBox
    readonly property alias loginButton: loginButton
    // The typed text of the editable account box.
    readonly property var accountInput: loginInterface.editorOf(accountBox)

    signal closed

    // The account box keeps its text field to itself; it is the child that has an input.
    function editorOf(combo) {
        for (let i = 0; i < combo.children.length; ++i) {
            const candidate = combo.children[i];
            if (candidate.input !== undefined && candidate.hint !== undefined)
                return candidate.input;
        }
        return null;
    }

    function loadAccounts() {
        const list = core.getAccount();
        loginInterface.accounts = list ? list : [];
        if (loginInterface.accounts.length > 0)
            accountBox.select(0);
    }

    function showAccount(index) {
        const strId = accountBox.itemText(index);
        const strPassword = core.getPassword(strId);
        passwordBox.text = strPassword;
        rememberBox.checked = strPassword !== "";
    }

    function focusAccount() {
        if (loginInterface.accountInput)
            loginInterface.accountInput.forceActiveFocus();
    }

    function focusPassword() {
        passwordBox.input.forceActiveFocus();
    }

    function press() {
        if (loginInterface.busy)
            return;
        const strId = accountBox.selectedItem.trim();
        const strPassword = passwordBox.text;
        if (strId === "") {
            loginInterface.status = resource.textAccountEmpty;
            return;
        }
        if (strPassword === "") {
            loginInterface.status = resource.textPasswordEmpty;
            return;
        }
        const iType = core.getInputType(strId);
        if (iType < 0) {
            loginInterface.status = resource.textAccountInvalid;
            return;
        }
        loginInterface.status = resource.textLoggingIn;
        loginInterface.busy = true;
        background.login(strId, strPassword, iType);
    }

    function loginAnswered(iState, strLoginId, strLoginPassword, strZpid, strPhone) {
        if (iState === 0) {
            // An empty id is the session coming back by itself; this screen is not involved.
            if (strLoginId === "")
                return;
            core.addAccount(strLoginId, rememberBox.checked ? strLoginPassword : "");
            background.strLoginPassword = strLoginPassword;
            background.strSelfZpid = strZpid;
            background.strSelfPhone = strPhone;
            loginInterface.busy = false;
            loginInterface.closed();
            return;
        }
        loginInterface.busy = false;
        if (iState === 1)
            loginInterface.status = resource.textAccountUnknown;
        else if (iState === 2)
            loginInterface.status = resource.textPasswordWrong;
        else
            loginInterface.status = "";
    }

    focus: true
    Keys.onReturnPressed: loginInterface.press()
    Keys.onEnterPressed: loginInterface.press()
    Keys.onTabPressed: {
        if (passwordBox.input.activeFocus)
            loginInterface.focusAccount();
        else
            loginInterface.focusPassword();
    }
    Keys.onBacktabPressed: {
        if (passwordBox.input.activeFocus)
            loginInterface.focusAccount();
        else
            loginInterface.focusPassword();
    }

    Connections {
        target: core
        function onSig_setAccount(varAccount) {
            loginInterface.loadAccounts();
        }
        function onSig_loginState(iState, strLoginId, strLoginPassword, strZpid, strPhone) {
            loginInterface.loginAnswered(iState, strLoginId, strLoginPassword, strZpid, strPhone);
        }
        function onSig_netState(varState) {
            if (varState === -1)
                loginInterface.status = resource.textNetError;
            else if (varState === 1)
                loginInterface.status = resource.textServerTimeout;
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
            text: resource.textAppName
            color: "#1f2d3d"
            font.family: resource.fontFamily
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
            placeholderText: resource.textAccountHint
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
            placeholderText: resource.textPasswordHint
        }

        Item {
            width: parent.width
            height: 22

            CheckBox {
                id: rememberBox
                objectName: "rememberBox"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                label: resource.textRememberPassword
                textColor: "#556070"
            }

            Text {
                objectName: "helpLink"
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                text: resource.textHelp
                color: helpMouse.containsMouse ? "#1a5fc0" : "#2b7de9"
                font.family: resource.fontFamily
                font.pixelSize: 14
                font.underline: helpMouse.containsMouse

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
            label: resource.textLogin
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
                font.family: resource.fontFamily
                font.pixelSize: 13
            }
        }
    }

    Component.onCompleted: {
        if (background.bInit)
            loginInterface.loadAccounts();
        loginInterface.focusAccount();
    }
}
