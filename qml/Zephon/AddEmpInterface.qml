pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Adding an employee (iKind Codes.EntAdd) or editing one (Codes.EntEdit) of the signed-in
// organisation: name, employee number, sort number, mobile, phone, position and the
// department, chosen from the departments Core lists. The employee number names the employee
// on the server, so it is fixed while editing. A required field left empty or a mobile that
// is not one is told at once and nothing is sent; the screen completes once the server has
// taken the change (the main screen tells the outcome).
FocusScope {
    id: empScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    property int iKind: Codes.EntAdd
    readonly property bool bAdd: empScreen.iKind === Codes.EntAdd
    // The employee as it was, while editing; strDeptNo is also the department preset for a
    // new employee.
    property string strZpid: ""
    property string strNo: ""
    property string strName: ""
    property string strSNo: ""
    property string strPhone: ""
    property string strTel: ""
    property string strPost: ""
    property string strDeptNo: ""
    // The departments: numbers and names in the same order.
    property var deptNos: []
    property var deptNames: []
    property string strChosenDept: ""
    property bool waiting: false
    readonly property alias nameInput: nameInput
    readonly property alias noInput: noInput
    readonly property alias sortInput: sortInput
    readonly property alias mobileInput: mobileInput
    readonly property alias telInput: telInput
    readonly property alias postInput: postInput
    readonly property alias deptCombo: deptCombo

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: empScreen.closed()
    signal completed

    function onSetDeptInfo(varDeptIndex, varDeptInfo) {
        const nos = varDeptIndex ? Array.from(varDeptIndex) : [];
        const names = varDeptInfo ? Array.from(varDeptInfo) : [];
        const count = Math.min(nos.length, names.length);
        empScreen.deptNos = nos.slice(0, count).map(String);
        empScreen.deptNames = names.slice(0, count).map(String);
        empScreen.chooseDept(empScreen.deptNos.indexOf(empScreen.strChosenDept));
    }

    function chooseDept(index) {
        if (index < 0 || index >= empScreen.deptNos.length) {
            empScreen.strChosenDept = "";
            deptCombo.selectedIndex = -1;
            deptCombo.selectedItem = "";
            return;
        }
        empScreen.strChosenDept = empScreen.deptNos[index];
        deptCombo.selectedIndex = index;
        deptCombo.selectedItem = empScreen.deptNames[index];
    }

    // The notice for the first required field left empty or wrong, or "".
    function refusal() {
        const texts = empScreen.resource;
        if (nameInput.text.trim() === "")
            return texts.textEmpNameEmpty;
        if (noInput.text.trim() === "")
            return texts.textEmpNoEmpty;
        const strMobile = mobileInput.text.trim();
        if (strMobile === "")
            return texts.textEmpMobileEmpty;
        if (published.controller.getInputType(strMobile) !== Codes.InputPhone)
            return texts.textNumberInvalid;
        if (empScreen.strChosenDept === "")
            return texts.textChooseDept;
        return "";
    }

    function save() {
        if (empScreen.waiting)
            return;
        const strRefusal = empScreen.refusal();
        if (strRefusal !== "") {
            empScreen.background.showAlert(strRefusal);
            return;
        }
        empScreen.waiting = true;
        published.controller.modifyEmpInfo(empScreen.bAdd ? "0" : empScreen.strZpid, empScreen.background.strOrgId,
                                           empScreen.strChosenDept, noInput.text.trim(), sortInput.text.trim(),
                                           nameInput.text.trim(), mobileInput.text.trim(), telInput.text.trim(),
                                           postInput.text.trim(), empScreen.iKind);
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
        title: empScreen.bAdd ? empScreen.resource.textAddEmp : empScreen.resource.textEditEmp
        btnRight: true
        titleRight: empScreen.resource.textSave
        onBtnLeftClicked: empScreen.closed()
        onBtnRightClicked: empScreen.save()
    }

    component Field: Column {
        id: field
        property string caption: ""
        property alias text: box.text
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
                caption: empScreen.resource.textName
                text: empScreen.strName
            }
            Field {
                id: noInput
                objectName: "noInput"
                caption: empScreen.resource.textEmpNo
                text: empScreen.strNo
                readOnly: !empScreen.bAdd
            }
            Field {
                id: sortInput
                objectName: "sortInput"
                caption: empScreen.resource.textSortNo
                text: empScreen.strSNo
            }
            Field {
                id: mobileInput
                objectName: "mobileInput"
                caption: empScreen.resource.textMobile
                text: empScreen.strPhone
            }
            Field {
                id: telInput
                objectName: "telInput"
                caption: empScreen.resource.textTel
                text: empScreen.strTel
            }
            Field {
                id: postInput
                objectName: "postInput"
                caption: empScreen.resource.textPost
                text: empScreen.strPost
            }
            Text {
                text: empScreen.resource.textDept
                color: "#8a94a6"
                font.pixelSize: 13
            }
            ComboBox {
                id: deptCombo
                objectName: "deptCombo"
                width: parent.width
                showBorder: true
                placeholderText: empScreen.resource.textChooseDept
                items: empScreen.deptNames
                onComboClicked: function (index) {
                    empScreen.chooseDept(index);
                }
            }
            Button {
                objectName: "btnSave"
                width: parent.width
                height: 36
                label: empScreen.resource.textSave
                onClicked: empScreen.save()
            }
        }
    }

    BusyIndicator {
        objectName: "busy"
        anchors.centerIn: parent
        on: empScreen.waiting
    }

    Connections {
        target: published.controller
        function onSig_setDeptInfo(varDeptIndex, varDeptInfo) {
            empScreen.onSetDeptInfo(varDeptIndex, varDeptInfo);
        }
        // A refused change leaves the form as it is, for another try.
        function onSig_modifyDeptInfo(strOrgId, flag, iType) {
            if (!empScreen.waiting)
                return;
            empScreen.waiting = false;
            if (flag)
                empScreen.completed();
        }
    }

    Published {
        id: published
    }

    // Core answers at once; asked from the event loop once the screen is complete, the answer
    // finds the handler.
    Timer {
        id: deptAsker
        interval: 0
        onTriggered: published.controller.getDeptInfo()
    }

    Component.onCompleted: {
        empScreen.strChosenDept = empScreen.strDeptNo;
        deptAsker.start();
    }
}
