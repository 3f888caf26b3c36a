pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Creating a circle: its type and its name. A name that is empty or longer than the rule
// allows is refused here with a notice and nothing is sent; once the server has made the
// circle it becomes the current circle and its member list opens, for the creator to fill.
FocusScope {
    id: newCircle

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    property int iCircleType: 0
    // The name sent, until the server answers.
    property string strSentName: ""
    property bool waiting: false
    readonly property alias nameInput: nameInput
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: newCircle.closed()
    signal completed

    // Name display width counted as the controller counts it: a Chinese character is 1.
    readonly property real maxNameLength: 8

    function create() {
        const strName = nameInput.text.trim();
        if (strName === "") {
            newCircle.background.showAlert(newCircle.resource.textCircleNameEmpty);
            return;
        }
        if (published.controller.getStringLength(strName) > newCircle.maxNameLength) {
            newCircle.background.showAlert(newCircle.resource.textCircleNameTooLong);
            return;
        }
        if (newCircle.waiting)
            return;
        newCircle.strSentName = strName;
        newCircle.waiting = true;
        published.controller.newCircle(strName, newCircle.iCircleType);
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: newCircle.resource.textNewCircle
        btnRight: true
        titleRight: newCircle.resource.textCreateCircle
        onBtnLeftClicked: newCircle.closed()
        onBtnRightClicked: newCircle.create()
    }

    Column {
        anchors.top: title.bottom
        anchors.topMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 24
        spacing: 12

        Text {
            text: newCircle.resource.textCircleType
            color: "#8a94a6"
            font.pixelSize: 13
        }

        Row {
            spacing: 12

            Repeater {
                model: [[0, newCircle.resource.textCircleTypeLife], [1, newCircle.resource.textCircleTypeWork]]
                delegate: Button {
                    id: typeButton
                    required property var modelData
                    required property int index
                    objectName: "type" + typeButton.index
                    width: 116
                    height: 30
                    label: typeButton.modelData[1]
                    readonly property bool chosen: newCircle.iCircleType === typeButton.modelData[0]
                    color: typeButton.chosen ? "#2b7de9" : "white"
                    textColor: typeButton.chosen ? "white" : "#2b7de9"
                    onClicked: newCircle.iCircleType = typeButton.modelData[0]
                }
            }
        }

        Text {
            text: newCircle.resource.textCircleName
            color: "#8a94a6"
            font.pixelSize: 13
        }

        InputBox {
            id: nameInput
            objectName: "nameInput"
            width: parent.width
            height: 34
            focus: true
            bShowClear: true
            placeholderText: newCircle.resource.textCircleNameHint
            onAccepted: newCircle.create()
        }
    }

    BusyIndicator {
        objectName: "busy"
        anchors.centerIn: parent
        on: newCircle.waiting
    }

    ScreenStack {
        id: stack
        background: newCircle.background
        resource: newCircle.resource
        mainInterface: newCircle.mainInterface
        // Leaving the new circle's members leaves the creation too.
        onScreenClosed: newCircle.completed()
    }

    Connections {
        target: published.controller
        function onSig_newCircle(iRet, strCircleId) {
            if (!newCircle.waiting)
                return;
            newCircle.waiting = false;
            if (iRet !== Codes.ReplyOk) {
                newCircle.background.showAlert(newCircle.resource.textOperationFailed);
                return;
            }
            newCircle.background.showAlert(newCircle.resource.textCircleCreated);
            const main = newCircle.mainInterface;
            main.strCircleId = strCircleId;
            main.strCircleName = newCircle.strSentName;
            main.strCircleProfile = "";
            main.strCreateZpid = newCircle.background.strSelfZpid;
            main.strCreateName = "";
            main.strUserCount = "1";
            main.iCircleType = newCircle.iCircleType;
            main.iUserType = Codes.CircleRoleCreator;
            stack.open(Qt.resolvedUrl("MemberInterface.qml"));
        }
    }

    Published {
        id: published
    }
}
