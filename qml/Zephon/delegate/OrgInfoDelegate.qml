import QtQuick
import NativeQuickWidgets 1.0
import Zephon.Codes
import "../components"

// Row of the enterprise directory tree: a department (no parent number), which opens and
// closes its employees, or an employee. Administrators get the edit menus; the
// selected employee with a Zpid gets call and message buttons.
RowBase {
    id: org

    readonly property bool isDept: org.modelData.strPNo === ""
    // Whether the edit menus are offered; the list that shows the rows sets it from the
    // signed-in user's role.
    property bool bAdmin: org.modelData.iUserType === Codes.RoleAdmin
    readonly property bool reachable: org.modelData.strZpid !== "" && org.modelData.strZpid !== "0"
    property string membersText: qsTr("人")

    signal menu1Clicked(string strPNo, string strNo, string strName, string strSNo)
    signal menu2Clicked(string strPNo, string strNo, string strName, string strSNo)
    signal menu3Clicked(string strPNo, string strNo, string strName)
    signal menu4Clicked(string strPNo, string strNo, string strSNo)
    signal menu5Clicked(string strPNo, string strNo, string strSNo)
    signal userPicClicked
    signal btnCallClicked
    signal btnMsgClicked

    function toggleExpand() {
        if (!published.controller)
            return;
        const expanded = org.modelData.bExpand === true;
        if (expanded)
            published.controller.shrinkList(org.modelData.strNo);
        else
            published.controller.expandList(org.index, org.modelData.strNo);
        org.modelData.bExpand = !expanded;
    }

    height: org.isDept ? 44 : 56
    color: org.isDept ? (org.isCurrent ? "#e8f1fd" : "#f7f8fa") : (org.isCurrent ? "#e8f1fd" : "white")
    onLeftClicked: {
        if (org.isDept)
            org.toggleExpand();
    }

    Text {
        id: arrow
        objectName: "arrow"
        visible: org.isDept
        anchors.left: parent.left
        anchors.leftMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        text: org.modelData.bExpand === true ? "\u25be" : "\u25b8"
        color: "#8a94a6"
        font.pixelSize: 14
    }

    UserPic {
        id: pic
        visible: !org.isDept
        anchors.left: parent.left
        anchors.leftMargin: 24
        anchors.verticalCenter: parent.verticalCenter
        width: 36
        height: 36
        iType: 2
        strZpid: org.reachable ? org.modelData.strZpid : ""
        strName: org.modelData.strName
        onClicked: org.userPicClicked()
    }

    Column {
        anchors.left: org.isDept ? arrow.right : pic.right
        anchors.leftMargin: 10
        anchors.right: buttons.visible ? buttons.left : parent.right
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        spacing: 2

        Text {
            objectName: "name"
            width: parent.width
            text: org.isDept ? org.modelData.strName + " (" + org.modelData.iUserCount + org.membersText + ")"
                             : org.modelData.strName
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#333333"
            font.pixelSize: org.isDept ? 14 : 15
            font.bold: org.isDept
        }
        Text {
            objectName: "detail"
            visible: !org.isDept
            width: parent.width
            text: [org.modelData.strPost, org.modelData.strPhone]
                      .filter(function (part) { return part !== undefined && part !== ""; }).join("  ")
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }

    Row {
        id: buttons
        objectName: "buttons"
        visible: !org.isDept && org.isCurrent && org.reachable
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
            onClicked: org.btnCallClicked()
        }
        Button {
            objectName: "btnMsg"
            width: 30
            height: 30
            radius: 15
            label: "\u2709"
            onClicked: org.btnMsgClicked()
        }
    }

    ContextMenu {
        objectName: "deptMenu"
        enabled: org.isDept && org.bAdmin
        visible: enabled
        onRightClicked: org.rightClick()

        MenuAction {
            text: qsTr("编辑部门")
            onTriggered: org.menu1Clicked(org.modelData.strPNo, org.modelData.strNo,
                                          org.modelData.strName, org.modelData.strSNo)
        }
        MenuAction {
            text: qsTr("删除部门")
            onTriggered: org.menu2Clicked(org.modelData.strPNo, org.modelData.strNo,
                                          org.modelData.strName, org.modelData.strSNo)
        }
        MenuAction {
            text: qsTr("员工管理")
            onTriggered: org.menu3Clicked(org.modelData.strPNo, org.modelData.strNo, org.modelData.strName)
        }
    }

    ContextMenu {
        objectName: "empMenu"
        enabled: !org.isDept && org.bAdmin
        visible: enabled
        onRightClicked: org.rightClick()

        MenuAction {
            text: qsTr("编辑员工")
            onTriggered: org.menu4Clicked(org.modelData.strPNo, org.modelData.strNo, org.modelData.strSNo)
        }
        MenuAction {
            text: qsTr("删除员工")
            onTriggered: org.menu5Clicked(org.modelData.strPNo, org.modelData.strNo, org.modelData.strSNo)
        }
    }

    Published {
        id: published
    }
}
