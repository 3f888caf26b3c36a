pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// The cloud address book ("netcontactModel"): adding, editing and deleting entries on the
// server, backing the book up to a workbook and importing one. The book is asked of the
// server when the screen opens; every change is confirmed by the server before the list
// changes.
FocusScope {
    id: netScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    // The entry being edited; empty while adding one.
    property string strEditId: ""
    property bool loading: true
    readonly property alias list: list
    readonly property alias editDialog: editDialog
    readonly property alias confirmDialog: confirmDialog
    readonly property alias resultDialog: resultDialog
    readonly property alias busy: busy

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: netScreen.closed()

    function startAdd() {
        netScreen.strEditId = "";
        editDialog.input1 = "";
        editDialog.input2 = "";
        editDialog.input3 = "";
        editDialog.visible = true;
    }

    function startEdit(row) {
        netScreen.strEditId = row.strId;
        editDialog.input1 = row.strName;
        editDialog.input2 = row.strPhone;
        editDialog.input3 = row.strGroup;
        editDialog.visible = true;
    }

    // Kinds of change: 0 add, 1 delete, 2 edit.
    function saveEdit() {
        const strName = editDialog.input1.trim();
        const strPhone = editDialog.input2.trim();
        if (strPhone === "") {
            netScreen.background.showAlert(netScreen.resource.textNumberInvalid);
            return;
        }
        editDialog.visible = false;
        published.controller.modifyNetContact(netScreen.strEditId === "" ? 0 : 2, netScreen.strEditId,
                                              strName, strPhone, editDialog.input3.trim());
    }

    // One confirmation box serves deleting, backing up and importing.
    property string confirmAction: ""
    property string strDeleteId: ""

    function ask(strAction, strMessage, iButtons) {
        netScreen.confirmAction = strAction;
        confirmDialog.message = strMessage;
        confirmDialog.btnCount = iButtons;
        confirmDialog.visible = true;
    }

    function confirmed() {
        confirmDialog.visible = false;
        if (netScreen.confirmAction === "delete")
            published.controller.modifyNetContact(1, netScreen.strDeleteId, "", "", "");
        else if (netScreen.confirmAction === "backup")
            published.controller.backupNetContact();
        else if (netScreen.confirmAction === "import")
            published.controller.importNetContact();
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: netScreen.resource.textNetContact
        btnRight: true
        titleRight: netScreen.resource.textAdd
        onBtnLeftClicked: netScreen.closed()
        onBtnRightClicked: netScreen.startAdd()
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
        objectName: "netContactList"
        anchors.top: title.bottom
        anchors.bottom: buttons.top
        anchors.bottomMargin: 6
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.netContacts
        delegate: NetContactDelegate {
            id: row
            onDoubleClicked: netScreen.startEdit(row.modelData)
            onMenu1Clicked: netScreen.startEdit(row.modelData)
            onMenu2Clicked: {
                netScreen.strDeleteId = row.modelData.strId;
                netScreen.ask("delete", netScreen.resource.textConfirmDelete, 2);
            }
        }

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    BusyIndicator {
        objectName: "loading"
        anchors.centerIn: list
        on: netScreen.loading
    }

    Row {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12

        Button {
            objectName: "btnBackup"
            width: 110
            height: 34
            label: netScreen.resource.textBackup
            onClicked: netScreen.ask("backup", netScreen.resource.textOverwriteBackup, 2)
        }
        Button {
            objectName: "btnImport"
            width: 110
            height: 34
            label: netScreen.resource.textImport
            onClicked: netScreen.ask("import", netScreen.resource.textImport, 3)
        }
    }

    DialogInput {
        id: editDialog
        objectName: "editDialog"
        visible: false
        type: 3
        title: netScreen.resource.textNetContact
        title1: netScreen.resource.textName
        title2: netScreen.resource.textMobile
        title3: netScreen.resource.textGroup
        btnOkLabel: netScreen.resource.textOk
        btnCancelLabel: netScreen.resource.textCancel
        onBtnOKClicked: netScreen.saveEdit()
        onBtnCancelClicked: editDialog.visible = false
    }

    DialogMessage {
        id: confirmDialog
        objectName: "confirmDialog"
        visible: false
        btnOkLabel: netScreen.resource.textOk
        btnMiddleLabel: netScreen.resource.textTemplate
        btnCancelLabel: netScreen.resource.textCancel
        onBtnOKClicked: netScreen.confirmed()
        onBtnMiddleClicked: {
            confirmDialog.visible = false;
            published.controller.openNetContactTemplate();
        }
        onBtnCancelClicked: confirmDialog.visible = false
    }

    // The finished backup: its result text and a button that opens the workbook.
    DialogMessage {
        id: resultDialog
        objectName: "resultDialog"
        property url strFile
        visible: false
        title: netScreen.resource.textOpenFile
        // A failed backup has no workbook to open.
        btnCount: String(resultDialog.strFile) === "" ? 1 : 2
        btnOkLabel: String(resultDialog.strFile) === "" ? netScreen.resource.textOk
                                                           : netScreen.resource.textOpen
        btnCancelLabel: netScreen.resource.textCancel
        onBtnOKClicked: {
            resultDialog.visible = false;
            if (String(resultDialog.strFile) !== "")
                Qt.openUrlExternally(resultDialog.strFile);
        }
        onBtnCancelClicked: resultDialog.visible = false
    }

    DialogBusy {
        id: busy
        objectName: "busy"
    }

    Connections {
        target: published.controller
        function onSig_updateNetContact(iCount) {
            netScreen.loading = false;
        }
        function onSig_modifyNetContact(iRet) {
            if (iRet !== Codes.ReplyOk)
                netScreen.background.showAlert(netScreen.resource.textOperationFailed);
        }
        function onSig_backupNetContactStart() {
            busy.title = netScreen.resource.textBackingUp;
            busy.show = true;
        }
        function onSig_backupNetContactFinish(strInfo, strFile) {
            busy.show = false;
            resultDialog.message = strInfo;
            resultDialog.strFile = strFile;
            resultDialog.visible = true;
        }
        function onSig_importNetContactStart() {
            busy.title = netScreen.resource.textImporting;
            busy.show = true;
        }
        function onSig_importFailed(iKind, strInfo) {
            if (iKind !== Codes.SheetNetContact)
                return;
            busy.show = false;
            netScreen.background.showAlert(strInfo);
        }
        function onSig_uploadNetContact(iRet) {
            busy.show = false;
            netScreen.background.showAlert(iRet === Codes.ReplyOk ? netScreen.resource.textImportOk
                                                      : netScreen.resource.textImportFailed);
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: {
        published.controller.getNetContact();
        netScreen.background.getNetContact();
    }
}
