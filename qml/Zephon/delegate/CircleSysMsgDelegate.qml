import QtQuick
import Zephon.Codes
import "../components"
import "RichText.js" as RichText

// Row of the circle requests and notices. The caption's links name the person, the circle or
// the recommended person; open join requests and recommendations get "同意" and "拒绝",
// which answer through the root's applyCircleReply.
Rectangle {
    id: notice

    required property var modelData
    required property int index
    // The window's root item, whose applyCircleReply Core forwards to the server.
    property var root: null
    property string agreeLabel: qsTr("同意")
    property string refuseLabel: qsTr("拒绝")
    property string agreedText: qsTr("已同意")
    property string refusedText: qsTr("已拒绝")
    property string handledText: qsTr("已处理")

    // An application and a recommendation wait for the user's answer.
    readonly property bool open: notice.modelData.bSend !== true
                                 && (notice.modelData.iMsgState === Codes.CircleApplication
                                     || notice.modelData.iMsgState === Codes.CircleRecommended)

    signal nameClicked(string strZpid)
    signal circleNameClicked(string strCircleId)
    signal userPicClicked(string strCard, int iType)

    function stateText() {
        switch (notice.modelData.iMsgState) {
        case Codes.CircleApplicationAgreed:
        case Codes.CircleRecommendedAgreed:
            return notice.agreedText;
        case Codes.CircleApplicationRefused:
        case Codes.CircleRecommendedRefused:
            return notice.refusedText;
        case Codes.CircleOwnAccepted:
        case Codes.CircleOwnRefused:
            return notice.handledText;
        }
        return "";
    }

    function reply(iReply) {
        if (!notice.root)
            return;
        notice.root.applyCircleReply(notice.modelData.strCircleId, notice.modelData.strZpid, iReply, "");
    }

    width: ListView.view ? ListView.view.width : 280
    // A time separator (a copy of the notice that follows it) is a line with the time only.
    readonly property bool separator: notice.modelData.bSeparator === true
    height: notice.separator ? 30 : Math.max(64, column.height + 16)
    color: "white"

    UserPic {
        id: pic
        visible: !notice.separator
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.top: parent.top
        anchors.topMargin: 10
        iType: 7
        iSubType: notice.modelData.iSubType
        strName: notice.modelData.strCircleName
        onClicked: notice.userPicClicked(notice.modelData.strContent, notice.modelData.iType)
    }

    Column {
        id: column
        visible: !notice.separator
        anchors.left: pic.right
        anchors.leftMargin: 10
        anchors.right: actions.left
        anchors.rightMargin: 8
        anchors.top: pic.top
        spacing: 3

        Text {
            objectName: "name"
            width: parent.width
            text: notice.modelData.strName
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "#333333"
            font.pixelSize: 15
            MouseArea {
                anchors.fill: parent
                onClicked: notice.nameClicked(notice.modelData.strZpid)
            }
        }
        Text {
            objectName: "caption"
            width: parent.width
            text: RichText.caption(notice.modelData.strCaption, [notice.modelData.strCircleName, notice.modelData.strName])
            textFormat: Text.StyledText
            wrapMode: Text.Wrap
            linkColor: "#2b7de9"
            color: "#8a94a6"
            font.pixelSize: 12
            onLinkActivated: function (link) {
                if (link === "circlename")
                    notice.circleNameClicked(notice.modelData.strCircleId);
                else if (link === "name")
                    notice.nameClicked(notice.modelData.strZpid);
                else if (link === "userpic")
                    notice.userPicClicked(notice.modelData.strContent, notice.modelData.iType);
            }
        }
    }

    Column {
        id: actions
        visible: !notice.separator
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        width: 56
        spacing: 4

        Button {
            objectName: "btnAgree"
            visible: notice.open
            width: parent.width
            height: 26
            fontSize: 12
            label: notice.agreeLabel
            onClicked: notice.reply(0)
        }
        Button {
            objectName: "btnRefuse"
            visible: notice.open
            width: parent.width
            height: 26
            fontSize: 12
            color: "#8a94a6"
            label: notice.refuseLabel
            onClicked: notice.reply(1)
        }
        Text {
            objectName: "state"
            visible: !notice.open
            width: parent.width
            horizontalAlignment: Text.AlignHCenter
            text: notice.stateText()
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }

    Rectangle {
        visible: !notice.separator
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: "#eceff3"
    }

    Text {
        objectName: "separator"
        visible: notice.separator
        anchors.centerIn: parent
        text: notice.modelData.strTime
        textFormat: Text.PlainText
        color: "#a0a8b5"
        font.pixelSize: 11
    }
}
