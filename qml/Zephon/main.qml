import QtQuick

// The root of the window: the frame, the shared window state and the root signals that
// Core forwards to the session manager.
Rectangle {
    id: background

    property bool flag: true
    property bool bInit: false
    property bool bContactChecked: true
    property bool loginenterprise: false
    property bool displayTree: true
    property string strOrgId: ""
    property string strOrgName: ""
    property string strOrgShortName: ""
    property int iEnUserType: 0
    property var varOrgInfo
    property string strDeptId: ""
    property string strLoginPassword: ""
    property string strSelfZpid: ""
    property string strSelfName: ""
    property string strSelfPhone: ""
    property int skin: 1
    property int currentSource: 1

    signal login(string strLoginId, string strLoginPassword, int iLoginType)
    signal getContact(bool flag, string strKey)
    signal getNetContact()
    signal searchContact(string strkey)
    signal sendMsg(string strMsg, string strZpid)
    signal sendCircleMsg(string strMsg, string strCircleId)
    signal hangup(string strZpid)
    signal agree(string strZpid)
    signal refuse(string strZpid)
    signal getCircle()
    signal modifyCircleInfo(int iType, string strCircleId, string strInfo)
    signal dismissCircle(string strCircleId)
    signal exitCircle(string strCircleId)
    signal applyCircle(string strCircleId, string strCircleName, int iCircleType, string strText, int iType)
    signal applyCircleReply(string strCircleId, string strZpid, int iReply, string strText)
    signal getUserState(string strPhone)
    signal getUserPhone(string strZpid)
    signal savePersonalCard(string strCard)
    signal changePassword(int iType, int iSubType, var strPassword)

    // Called by Core once contacts and presence are stored.
    function onUpdateContact() {
        background.getContact(background.bContactChecked, "")
    }

    width: 302
    height: 660
    radius: 8
    color: "#f4f6fa"
    border.color: "#c8d0dc"

    Rectangle {
        id: titleBar
        anchors { left: parent.left; right: parent.right; top: parent.top }
        height: 48
        radius: 8
        color: "#2a7de1"

        Text {
            anchors { left: parent.left; leftMargin: 14; verticalCenter: parent.verticalCenter }
            text: "Zephon"
            color: "white"
            font.pixelSize: 18
            font.bold: true
        }

        Rectangle {
            id: closeButton
            objectName: "closeButton"
            anchors { right: parent.right; rightMargin: 10; verticalCenter: parent.verticalCenter }
            width: 26; height: 26; radius: 13
            color: closeArea.containsMouse ? "#e74c3c" : "transparent"
            Text { anchors.centerIn: parent; text: "×"; color: "white"; font.pixelSize: 18 }
            MouseArea {
                id: closeArea
                anchors.fill: parent
                hoverEnabled: true
                onClicked: core.quit()
            }
        }
    }

    Text {
        anchors.centerIn: parent
        text: "版本 " + version
        color: "#6b7785"
    }

    Component.onCompleted: {
        core.setMainWindowSize(width, height)
        ctranslator.load("Zephon_zh_CN.qm")
    }
}
