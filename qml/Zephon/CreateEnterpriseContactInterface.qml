pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Creating an organisation (iKind Codes.EntAdd) or maintaining the signed-in one
// (Codes.EntEdit): full name, short name, contact person, fixed phone, mobile and, for a new
// one, the administrator password and the employees' default password. While maintaining,
// everyone may change their own office phone; the organisation's fields are offered to its
// administrators only. What is missing is told at once and nothing is sent; the screen
// closes once the server has taken the change.
FocusScope {
    id: orgScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    property int iKind: Codes.EntAdd
    readonly property bool bCreate: orgScreen.iKind === Codes.EntAdd
    readonly property bool bAdmin: orgScreen.bCreate || orgScreen.mainInterface.bEnAdmin
    // The office phone as it was when the screen opened.
    property string strOwnTel: ""
    // Set while a change is with the server: "org" or "tel".
    property string waiting: ""
    readonly property alias nameInput: nameInput
    readonly property alias shortNameInput: shortNameInput
    readonly property alias contactInput: contactInput
    readonly property alias telInput: telInput
    readonly property alias mobileInput: mobileInput
    readonly property alias adminPasswordInput: adminPasswordInput
    readonly property alias empPasswordInput: empPasswordInput
    readonly property alias ownTelInput: ownTelInput

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: orgScreen.closed()

    // The notice for the first required field left empty, or "".
    function missing() {
        const texts = orgScreen.resource;
        if (nameInput.text.trim() === "")
            return texts.textOrgNameEmpty;
        if (shortNameInput.text.trim() === "")
            return texts.textOrgShortNameEmpty;
        if (contactInput.text.trim() === "")
            return texts.textOrgContactEmpty;
        if (orgScreen.bCreate && adminPasswordInput.text === "")
            return texts.textAdminPasswordEmpty;
        if (orgScreen.bCreate && empPasswordInput.text === "")
            return texts.textEmpPasswordEmpty;
        return "";
    }

    function save() {
        if (orgScreen.waiting !== "")
            return;
        const root = orgScreen.background;
        if (!orgScreen.bAdmin) {
            orgScreen.saveOwnTel();
            return;
        }
        const strMissing = orgScreen.missing();
        if (strMissing !== "") {
            root.showAlert(strMissing);
            return;
        }
        const strMobile = mobileInput.text.trim();
        if (strMobile !== "" && published.controller.getInputType(strMobile) !== Codes.InputPhone) {
            root.showAlert(orgScreen.resource.textNumberInvalid);
            return;
        }
        // The eight values in the order the request takes them.
        const fields = [orgScreen.bCreate ? "0" : root.strOrgId, nameInput.text.trim(), shortNameInput.text.trim(),
                        contactInput.text.trim(), telInput.text.trim(), strMobile,
                        orgScreen.bCreate ? adminPasswordInput.text : "", orgScreen.bCreate ? empPasswordInput.text : ""];
        // The root keeps what is shown again, never the passwords.
        root.varOrgInfo = fields.slice(0, 6).concat(["", ""]);
        orgScreen.waiting = "org";
        published.controller.modifyOrgInfo(fields, orgScreen.iKind);
    }

    // The own office phone, when it changed; otherwise there is nothing to send.
    function saveOwnTel() {
        const strTel = ownTelInput.text.trim();
        if (orgScreen.bCreate || strTel === orgScreen.strOwnTel) {
            if (!orgScreen.bAdmin)
                orgScreen.closed();
            return false;
        }
        orgScreen.waiting = "tel";
        published.controller.modifyEmpInfo(orgScreen.background.strOrgId, strTel);
        return true;
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
        title: orgScreen.bCreate ? orgScreen.resource.textCreateEnterprise : orgScreen.resource.textMaintainEnterprise
        btnRight: true
        titleRight: orgScreen.resource.textSave
        onBtnLeftClicked: orgScreen.closed()
        onBtnRightClicked: orgScreen.save()
    }

    component Field: Column {
        id: field
        property string caption: ""
        property alias text: box.text
        property alias echoMode: box.echoMode
        property alias readOnly: box.readOnly
        width: parent ? parent.width : 0
        spacing: 4
        Text {
            text: field.caption
            color: "#8a94a6"
            font.pixelSize: 13
        }
        InputBox {
            id: box
            width: parent.width
            height: 32
            accessibleName: field.caption
        }
    }

    Flickable {
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        contentHeight: fields.height + 24
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        Column {
            id: fields
            y: 12
            x: 12
            width: parent.width - 24
            spacing: 8

            Field {
                id: nameInput
                objectName: "nameInput"
                visible: orgScreen.bAdmin
                caption: orgScreen.resource.textOrgFullName
            }
            Field {
                id: shortNameInput
                objectName: "shortNameInput"
                visible: orgScreen.bAdmin
                caption: orgScreen.resource.textOrgShortName
            }
            Field {
                id: contactInput
                objectName: "contactInput"
                visible: orgScreen.bAdmin
                caption: orgScreen.resource.textOrgContact
            }
            Field {
                id: telInput
                objectName: "telInput"
                visible: orgScreen.bAdmin
                caption: orgScreen.resource.textOrgTel
            }
            Field {
                id: mobileInput
                objectName: "mobileInput"
                visible: orgScreen.bAdmin
                caption: orgScreen.resource.textMobile
            }
            Field {
                id: adminPasswordInput
                objectName: "adminPasswordInput"
                visible: orgScreen.bCreate
                caption: orgScreen.resource.textAdminPassword
                echoMode: TextInput.Password
            }
            Field {
                id: empPasswordInput
                objectName: "empPasswordInput"
                visible: orgScreen.bCreate
                caption: orgScreen.resource.textEmpPassword
                echoMode: TextInput.Password
            }
            Field {
                id: ownTelInput
                objectName: "ownTelInput"
                visible: !orgScreen.bCreate
                caption: orgScreen.resource.textOwnTel
            }
            Button {
                objectName: "btnSave"
                width: parent.width
                height: 36
                label: orgScreen.resource.textSave
                onClicked: orgScreen.save()
            }
        }
    }

    BusyIndicator {
        objectName: "busy"
        anchors.centerIn: parent
        on: orgScreen.waiting !== ""
    }

    // The main screen tells the outcome; this screen closes once the change is taken. A
    // maintained organisation goes on with the own office phone when that changed too.
    Connections {
        target: published.controller
        function onSig_modifyOrgInfo(flag, iType) {
            if (orgScreen.waiting !== "org")
                return;
            orgScreen.waiting = "";
            if (!flag)
                return;
            if (orgScreen.bCreate || !orgScreen.saveOwnTel())
                orgScreen.closed();
        }
        function onSig_modifyDeptInfo(strOrgId, flag, iType) {
            if (orgScreen.waiting !== "tel")
                return;
            orgScreen.waiting = "";
            if (flag)
                orgScreen.closed();
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: {
        if (orgScreen.bCreate)
            return;
        const root = orgScreen.background;
        nameInput.text = root.strOrgName;
        shortNameInput.text = root.strOrgShortName;
        const fields = root.varOrgInfo;
        if (fields && fields.length > 5 && String(fields[0]) === root.strOrgId) {
            contactInput.text = String(fields[3]);
            telInput.text = String(fields[4]);
            mobileInput.text = String(fields[5]);
        }
        orgScreen.strOwnTel = published.controller.getEmpTel();
        ownTelInput.text = orgScreen.strOwnTel;
    }
}
