pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// The current circle's members ("circlememberModel", asked of Core when the screen opens).
// The creator adds members by name and phone, from the contacts or from a workbook, edits
// their names, companies and phones, and removes them; the creator and administrators are
// not removed. The list is read again once the server has taken a change.
FocusScope {
    id: members

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strCircleId: members.mainInterface.strCircleId
    readonly property bool bCreator: members.mainInterface.iUserType === Codes.CircleRoleCreator
    // The member row being edited; empty while adding one.
    property string strEditId: ""
    property string strEditPhone: ""
    property string strDeleteId: ""
    // What the confirmation box is asking about: "delete" or "import".
    property string confirmAction: ""
    readonly property alias list: list
    readonly property alias editDialog: editDialog
    readonly property alias confirmDialog: confirmDialog
    readonly property alias busy: busy
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: members.closed()

    function refresh() {
        published.controller.getCircleMember(members.strCircleId);
    }

    function startAdd() {
        members.strEditId = "";
        members.strEditPhone = "";
        editDialog.input1 = "";
        editDialog.input2 = "";
        editDialog.input3 = "";
        editDialog.visible = true;
    }

    function startEdit(row) {
        if (!members.bCreator)
            return;
        members.strEditId = row.strId;
        members.strEditPhone = row.strPhone;
        editDialog.input1 = row.strName;
        editDialog.input2 = row.strPhone;
        editDialog.input3 = row.strCompany;
        editDialog.visible = true;
    }

    // Adds a member, or edits one: a changed phone is a change of its own kind.
    function saveEdit() {
        const strName = editDialog.input1.trim();
        const strPhone = editDialog.input2.trim();
        const strCompany = editDialog.input3.trim();
        if (strName === "") {
            members.background.showAlert(members.resource.textMemberNameEmpty);
            return;
        }
        // A member's phone left as it was is not checked again: one added by Zpid may have none.
        const bPhoneKept = members.strEditId !== "" && strPhone === members.strEditPhone;
        if (!bPhoneKept && published.controller.getInputType(strPhone) !== Codes.InputPhone) {
            members.background.showAlert(members.resource.textNumberInvalid);
            return;
        }
        editDialog.visible = false;
        if (members.strEditId === "") {
            published.controller.modifyCircleMember(Codes.MemberAdd, members.strCircleId, "", strName, strPhone, strCompany);
        } else {
            const iKind = strPhone === members.strEditPhone ? Codes.MemberEdit : Codes.MemberEditPhone;
            published.controller.modifyCircleMember(iKind, members.strCircleId, members.strEditId, strName, strPhone, strCompany);
        }
    }

    // The creator and administrators stay in the circle.
    function startDelete(row) {
        if (!members.bCreator)
            return;
        if (row.iType === Codes.CircleRoleCreator || row.iType === Codes.CircleRoleAdmin) {
            members.background.showAlert(members.resource.textAdminUndeletable);
            return;
        }
        members.strDeleteId = row.strId;
        members.ask("delete", members.resource.textConfirmDelete, 2);
    }

    function addFromContacts() {
        published.controller.getSelect(1, members.strCircleId);
        stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
            "mode": "member",
            "strCircleId": members.strCircleId
        });
    }

    function ask(strAction, strMessage, iButtons) {
        members.confirmAction = strAction;
        confirmDialog.message = strMessage;
        confirmDialog.btnCount = iButtons;
        confirmDialog.visible = true;
    }

    function confirmed() {
        confirmDialog.visible = false;
        if (members.confirmAction === "delete")
            published.controller.modifyCircleMember(Codes.MemberRemove, members.strCircleId, members.strDeleteId, "", "", "");
        else if (members.confirmAction === "import")
            published.controller.importCircleMember(members.strCircleId);
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
        title: members.resource.textCircleMembers
        btnRight: members.bCreator
        titleRight: members.resource.textAddMember
        onBtnLeftClicked: members.closed()
        onBtnRightClicked: members.startAdd()
    }

    ListView {
        id: list
        // One stop of Tab for the list: the focus goes to the current row, Up and Down go
        // through the rows.
        activeFocusOnTab: list.count > 0
        Accessible.role: Accessible.List
        Accessible.name: title.title
        onActiveFocusChanged: {
            if (list.activeFocus && list.currentIndex < 0 && list.count > 0)
                list.currentIndex = 0;
        }
        objectName: "memberList"
        anchors.top: title.bottom
        anchors.bottom: buttons.visible ? buttons.top : parent.bottom
        anchors.bottomMargin: 6
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.circleMembers
        delegate: CircleMemberDelegate {
            id: row
            onDoubleClicked: members.startEdit(row.modelData)
            onMenu1Clicked: members.startEdit(row.modelData)
            onMenu2Clicked: members.startDelete(row.modelData)
        }

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    Row {
        id: buttons
        objectName: "creatorButtons"
        visible: members.bCreator
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12

        Button {
            objectName: "btnAddFromContacts"
            width: 120
            height: 34
            label: members.resource.textAddFromContacts
            onClicked: members.addFromContacts()
        }
        Button {
            objectName: "btnImport"
            width: 120
            height: 34
            label: members.resource.textImportMembers
            onClicked: members.ask("import", members.resource.textImportMembers, 3)
        }
    }

    DialogInput {
        id: editDialog
        objectName: "editDialog"
        visible: false
        z: 45
        type: 3
        title: members.resource.textCircleMembers
        title1: members.resource.textName
        title2: members.resource.textMobile
        title3: members.resource.textCompany
        btnOkLabel: members.resource.textOk
        btnCancelLabel: members.resource.textCancel
        onBtnOKClicked: members.saveEdit()
        onBtnCancelClicked: editDialog.visible = false
    }

    DialogMessage {
        id: confirmDialog
        objectName: "confirmDialog"
        visible: false
        z: 45
        btnOkLabel: members.resource.textOk
        btnMiddleLabel: members.resource.textTemplate
        btnCancelLabel: members.resource.textCancel
        onBtnOKClicked: members.confirmed()
        onBtnMiddleClicked: {
            confirmDialog.visible = false;
            published.controller.openCircleMemberTemplate();
        }
        onBtnCancelClicked: confirmDialog.visible = false
    }

    DialogBusy {
        id: busy
        objectName: "busy"
    }

    ScreenStack {
        id: stack
        background: members.background
        resource: members.resource
        mainInterface: members.mainInterface
    }

    Connections {
        target: published.controller
        function onSig_modifyCircleMember(iType, iRet, strCircleId) {
            if (strCircleId !== members.strCircleId)
                return;
            if (iRet !== Codes.ReplyOk)
                members.background.showAlert(members.resource.textOperationFailed);
            else
                members.refresh();
        }
        function onSig_importCircleMemberStart() {
            busy.title = members.resource.textImporting;
            busy.show = true;
        }
        function onSig_importCircleMemberFinish() {
            busy.show = false;
            members.background.showAlert(members.resource.textImportOk);
        }
        function onSig_importFailed(iKind, strInfo) {
            if (iKind !== Codes.SheetContact)
                return;
            busy.show = false;
            members.background.showAlert(strInfo);
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: members.refresh()
}
