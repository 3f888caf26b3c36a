import QtQuick
import "FocusChain.js" as FocusChain

// Enterprise sign-in: pick an organisation from the list the server sent, enter its password
// (a saved one is filled in), or go on to create an organisation.
Rectangle {
    id: dialog

    property alias input: password.text
    property alias checked: remember.checked
    property string strOrgId: ""
    property string strOrgName: ""
    property var orgIds: []
    property var orgNames: []

    property string titleText: qsTr("登录企业")
    property string orgHint: qsTr("请选择企业")
    property string passwordHint: qsTr("请输入密码")
    property string rememberLabel: qsTr("记住密码")
    property string createLabel: qsTr("创建企业通讯录")
    property string okLabel: qsTr("登录")
    property string cancelLabel: qsTr("取消")

    signal btnOKClicked(string strOrgId, string strOrgName, string strPassword)
    signal btnCancelClicked
    signal createContact

    // Takes the organisation list: ids and names, two lists in the same order.
    function onSetOrgInfo(varOrgIndex, varOrgInfo) {
        const ids = varOrgIndex ? Array.from(varOrgIndex) : [];
        const names = varOrgInfo ? Array.from(varOrgInfo) : [];
        const count = Math.min(ids.length, names.length);
        dialog.orgIds = ids.slice(0, count);
        dialog.orgNames = names.slice(0, count);
        if (count > 0)
            dialog.chooseOrg(0);
        else
            dialog.chooseOrg(-1);
    }

    function chooseOrg(index) {
        if (index < 0 || index >= dialog.orgIds.length) {
            dialog.strOrgId = "";
            dialog.strOrgName = "";
            combo.selectedIndex = -1;
            combo.selectedItem = "";
            password.text = "";
            return;
        }
        dialog.strOrgId = String(dialog.orgIds[index]);
        dialog.strOrgName = String(dialog.orgNames[index]);
        combo.selectedIndex = index;
        combo.selectedItem = dialog.strOrgName;
        const saved = published.controller ? published.controller.getEnPassword(dialog.strOrgId) : "";
        password.text = saved;
        remember.checked = saved !== "";
    }

    function accept() {
        if (dialog.strOrgId === "")
            return;
        dialog.btnOKClicked(dialog.strOrgId, dialog.strOrgName, password.text);
    }

    // The keyboard works in the box while it is up: it takes the focus when shown, Tab goes
    // round its own stops, Escape cancels, and the focus goes back when it is hidden.
    property Item returnFocus: null
    property Item focusInside: null
    Connections {
        target: dialog.visible ? dialog.Window.window : null
        function onActiveFocusItemChanged() {
            dialog.focusInside = FocusChain.keep(dialog, dialog.focusInside, dialog.Window.activeFocusItem);
        }
    }
    onVisibleChanged: {
        if (dialog.visible) {
            dialog.returnFocus = dialog.Window.activeFocusItem;
            combo.forceActiveFocus();
        } else {
            dialog.focusInside = null;
            if (dialog.returnFocus)
                dialog.returnFocus.forceActiveFocus();
            dialog.returnFocus = null;
        }
    }
    Component.onCompleted: {
        if (dialog.visible)
            combo.forceActiveFocus();
    }
    Keys.onEscapePressed: dialog.btnCancelClicked()
    Accessible.role: Accessible.Dialog
    Accessible.name: dialog.titleText
    anchors.fill: parent
    color: "#66000000"
    z: 900

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
    }

    Rectangle {
        anchors.centerIn: parent
        width: 250
        height: column.height + 32
        radius: 8
        color: "white"

        Column {
            id: column
            anchors.top: parent.top
            anchors.topMargin: 16
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width - 30
            spacing: 10

            Text {
                width: parent.width
                text: dialog.titleText
                horizontalAlignment: Text.AlignHCenter
                color: "#333333"
                font.pixelSize: 16
                font.bold: true
            }
            ComboBox {
                id: combo
                objectName: "orgCombo"
                width: parent.width
                showBorder: true
                placeholderText: dialog.orgHint
                items: dialog.orgNames
                onComboClicked: function (index) {
                    dialog.chooseOrg(index);
                }
            }
            InputBox {
                id: password
                objectName: "password"
                width: parent.width
                placeholderText: dialog.passwordHint
                echoMode: TextInput.Password
                onAccepted: dialog.accept()
            }
            Item {
                width: parent.width
                height: remember.height
                CheckBox {
                    id: remember
                    label: dialog.rememberLabel
                }
                Text {
                    objectName: "btnCreate"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    text: dialog.createLabel
                    color: "#2b7de9"
                    font.pixelSize: 13
                    font.underline: true
                    activeFocusOnTab: true
                    Accessible.role: Accessible.Link
                    Accessible.name: text
                    Accessible.onPressAction: dialog.createContact()
                    Keys.onSpacePressed: dialog.createContact()
                    Keys.onReturnPressed: dialog.createContact()
                    Keys.onEnterPressed: dialog.createContact()
                    FocusFrame {}
                    MouseArea {
                        anchors.fill: parent
                        onClicked: dialog.createContact()
                    }
                }
            }
            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 10
                Button {
                    objectName: "btnOk"
                    width: 95
                    label: dialog.okLabel
                    enabled: dialog.strOrgId !== ""
                    onClicked: dialog.accept()
                }
                Button {
                    objectName: "btnCancel"
                    width: 95
                    label: dialog.cancelLabel
                    color: "#8a94a6"
                    onClicked: dialog.btnCancelClicked()
                }
            }
        }
    }

    Connections {
        target: published.controller
        function onSig_setOrgInfo(varOrgIndex, varOrgInfo) {
            dialog.onSetOrgInfo(varOrgIndex, varOrgInfo);
        }
    }

    Published {
        id: published
    }
}
