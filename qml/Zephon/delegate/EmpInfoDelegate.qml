import QtQuick
import NativeQuickWidgets 1.0
import Zephon.Codes
import "../components"

// Row of one department's employee list, with edit and delete in its menu and call and
// message buttons on the selected employee who has a Zpid.
PersonRow {
    id: emp

    readonly property bool reachable: emp.modelData.strZpid !== "" && emp.modelData.strZpid !== "0"
    // Whether the edit menu is offered; the list that shows the rows sets it from the
    // signed-in user's role.
    property bool bAdmin: emp.modelData.iUserType === Codes.RoleAdmin

    signal menu1Clicked(string strPNo, string strNo)
    signal menu2Clicked(string strPNo, string strNo)
    signal btnCallClicked
    signal btnMsgClicked

    detail: [emp.modelData.strPost, emp.modelData.strPhone]
                .filter(function (part) { return part !== undefined && part !== ""; }).join("  ")
    picture.iType: 2
    picture.strZpid: emp.reachable ? emp.modelData.strZpid : ""

    Row {
        objectName: "buttons"
        visible: emp.isCurrent && emp.reachable
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 8

        Button {
            objectName: "btnCall"
            width: 30
            height: 30
            radius: 15
            color: "#2fbf71"
            label: "\u260e"
            onClicked: emp.btnCallClicked()
        }
        Button {
            objectName: "btnMsg"
            width: 30
            height: 30
            radius: 15
            label: "\u2709"
            onClicked: emp.btnMsgClicked()
        }
    }

    ContextMenu {
        objectName: "empMenu"
        enabled: emp.bAdmin
        visible: enabled
        onRightClicked: emp.rightClick()

        MenuAction {
            text: qsTr("编辑员工")
            onTriggered: emp.menu1Clicked(emp.modelData.strPNo, emp.modelData.strNo)
        }
        MenuAction {
            text: qsTr("删除员工")
            onTriggered: emp.menu2Clicked(emp.modelData.strPNo, emp.modelData.strNo)
        }
    }
}
