pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// The employees of one department ("empinfoModel", asked of Core when the screen opens; the
// department is the root's strDeptId). Everyone sees the cards and can call or write; the
// organisation's administrators add employees (one by one or from the contacts), edit and
// delete them, and change the enterprise passwords. Core lists the department again once a
// change is taken.
FocusScope {
    id: empManage

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strDeptNo: empManage.background.strDeptId
    property string strDeptName: ""
    readonly property bool bAdmin: empManage.mainInterface.bEnAdmin
    property var deleteRow: null
    readonly property alias list: list
    readonly property alias confirmDialog: confirmDialog
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: empManage.closed()

    function addEmployee() {
        if (!empManage.bAdmin)
            return;
        stack.open(Qt.resolvedUrl("AddEmpInterface.qml"), {
            "iKind": Codes.EntAdd,
            "strDeptNo": empManage.strDeptNo
        });
    }

    function editEmployee(row) {
        if (!empManage.bAdmin || !row)
            return;
        stack.open(Qt.resolvedUrl("AddEmpInterface.qml"), {
            "iKind": Codes.EntEdit,
            "strZpid": row.strZpid,
            "strNo": row.strNo,
            "strName": row.strName,
            "strSNo": row.strSNo,
            "strPhone": row.strPhone,
            "strTel": row.strTel,
            "strPost": row.strPost,
            "strDeptNo": row.strPNo
        });
    }

    function deleteEmployee(row) {
        if (!empManage.bAdmin || !row)
            return;
        empManage.deleteRow = row;
        confirmDialog.visible = true;
    }

    function confirmed() {
        confirmDialog.visible = false;
        const row = empManage.deleteRow;
        empManage.deleteRow = null;
        if (!row)
            return;
        published.controller.modifyEmpInfo(row.strZpid, empManage.background.strOrgId, row.strPNo, row.strNo, row.strSNo,
                                           row.strName, row.strPhone, row.strTel, row.strPost, Codes.EntDelete);
    }

    function addFromContacts() {
        if (!empManage.bAdmin)
            return;
        published.controller.getSelect(5, "");
        stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
            "mode": "employee",
            "strOrgId": empManage.background.strOrgId,
            "strDeptNo": empManage.strDeptNo
        });
    }

    function changePassword() {
        if (!empManage.bAdmin)
            return;
        stack.open(Qt.resolvedUrl("ChangePasswordInterface.qml"), {
            "iPasswordType": Codes.PasswordEnterpriseFirst
        });
    }

    function openCard(row) {
        empManage.mainInterface.strCardZpid = row.strZpid;
        empManage.mainInterface.strCard = published.controller.getEmpCard(row.strNo, row.strPNo);
        stack.open(Qt.resolvedUrl("CardInterface.qml"));
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
        title: empManage.strDeptName !== "" ? empManage.strDeptName : empManage.resource.textManageEmp
        btnRight: empManage.bAdmin
        titleRight: empManage.resource.textAddEmp
        onBtnLeftClicked: empManage.closed()
        onBtnRightClicked: empManage.addEmployee()
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
        objectName: "empList"
        anchors.top: title.bottom
        anchors.bottom: buttons.visible ? buttons.top : parent.bottom
        anchors.bottomMargin: 6
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        currentIndex: -1
        model: published.empInfo
        delegate: EmpInfoDelegate {
            id: row
            bAdmin: empManage.bAdmin
            onDoubleClicked: empManage.openCard(row.modelData)
            onUserPicClicked: empManage.openCard(row.modelData)
            onMenu1Clicked: empManage.editEmployee(row.modelData)
            onMenu2Clicked: empManage.deleteEmployee(row.modelData)
            onBtnCallClicked: empManage.mainInterface.startCall(row.modelData.strZpid, row.modelData.strPhone)
            onBtnMsgClicked: empManage.mainInterface.openChat(row.modelData.strZpid, row.modelData.strPhone, row.modelData.strName,
                                                              published.controller.getZpidType(row.modelData.strZpid))
        }

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    Row {
        id: buttons
        objectName: "adminButtons"
        visible: empManage.bAdmin
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12

        Button {
            objectName: "btnAddFromContacts"
            width: 120
            height: 34
            label: empManage.resource.textAddFromContacts
            onClicked: empManage.addFromContacts()
        }
        Button {
            objectName: "btnChangePassword"
            width: 120
            height: 34
            label: empManage.resource.textChangeEnPassword
            onClicked: empManage.changePassword()
        }
    }

    DialogMessage {
        id: confirmDialog
        objectName: "confirmDialog"
        visible: false
        z: 45
        message: empManage.resource.textConfirmDelete
        btnOkLabel: empManage.resource.textOk
        btnCancelLabel: empManage.resource.textCancel
        onBtnOKClicked: empManage.confirmed()
        onBtnCancelClicked: {
            confirmDialog.visible = false;
            empManage.deleteRow = null;
        }
    }

    ScreenStack {
        id: stack
        background: empManage.background
        resource: empManage.resource
        mainInterface: empManage.mainInterface
    }

    Published {
        id: published
    }

    Component.onCompleted: published.controller.getEmpList(empManage.strDeptNo)
}
