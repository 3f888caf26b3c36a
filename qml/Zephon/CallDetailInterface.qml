pragma ComponentBehavior: Bound

import QtQuick
import "components"
import "delegate"

// One person's calls ("callModel"), opened from the call tab: the person, buttons to call
// and to write, and the calls newest first. Opening it marks the person's calls seen.
Rectangle {
    id: callDetail

    required property var background
    required property Resource resource
    required property var mainInterface

    signal closed

    color: "white"
    focus: true

    readonly property string strZpid: callDetail.mainInterface.strMainZpid

    function refresh() {
        if (!published.controller)
            return;
        published.controller.getCallRecord(callDetail.strZpid);
        published.controller.getCallRecord("");
    }

    function deleteRecords(strKey) {
        if (!published.controller)
            return;
        published.controller.delCallRecord(strKey);
        // Both menus leave nothing of this person to show.
        callDetail.refresh();
        callDetail.closed();
    }

    Published {
        id: published
    }

    TitleBar {
        id: title
        objectName: "title"
        width: parent.width
        title: callDetail.resource.textCallDetail
        onBtnLeftClicked: callDetail.closed()
    }

    Item {
        id: person
        anchors.top: title.bottom
        width: parent.width
        height: 84

        UserPic {
            id: pic
            anchors.left: parent.left
            anchors.leftMargin: 14
            anchors.verticalCenter: parent.verticalCenter
            iType: published.controller ? published.controller.getZpidType(callDetail.strZpid) : 2
            strZpid: callDetail.strZpid
            strName: callDetail.mainInterface.strMainName
            enabled: false
        }
        Column {
            anchors.left: pic.right
            anchors.leftMargin: 12
            anchors.right: actions.left
            anchors.verticalCenter: parent.verticalCenter
            spacing: 4
            Text {
                objectName: "name"
                width: parent.width
                text: callDetail.mainInterface.strMainName !== "" ? callDetail.mainInterface.strMainName
                                                                  : callDetail.resource.textUnknownContact
                textFormat: Text.PlainText
                elide: Text.ElideRight
                font.pixelSize: 16
                color: "#333333"
            }
            Text {
                objectName: "phone"
                text: callDetail.mainInterface.strMainPhone
                textFormat: Text.PlainText
                font.pixelSize: 13
                color: "#8a94a6"
            }
        }
        Column {
            id: actions
            anchors.right: parent.right
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            spacing: 6
            Button {
                objectName: "dial"
                width: 80
                height: 28
                label: callDetail.resource.textDial
                onClicked: callDetail.mainInterface.placeCall(callDetail.strZpid,
                                                         callDetail.mainInterface.strMainPhone,
                                                         callDetail.mainInterface.strMainName)
            }
            Button {
                objectName: "message"
                width: 80
                height: 28
                label: callDetail.resource.textSendMessage
                onClicked: callDetail.mainInterface.openChat(callDetail.strZpid,
                                                             callDetail.mainInterface.strMainPhone,
                                                             callDetail.mainInterface.strMainName,
                                                             callDetail.mainInterface.iMainType)
            }
        }
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
        objectName: "calls"
        anchors.top: person.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.calls
        delegate: CallDelegate {
            width: list.width
            outgoingText: callDetail.resource.textOutgoing
            incomingText: callDetail.resource.textIncoming
            missedText: callDetail.resource.textMissed
            onMenu1Clicked: callDetail.deleteRecords(callDetail.strZpid)
            onMenu2Clicked: callDetail.deleteRecords("")
        }
    }

    Keys.onEscapePressed: callDetail.closed()

    Component.onCompleted: {
        if (published.controller)
            published.controller.updateCallRecord(callDetail.strZpid);
        callDetail.refresh();
    }
}
