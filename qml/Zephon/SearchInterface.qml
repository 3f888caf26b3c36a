pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Searching for users (by Zpid or mobile number) and for circles (by name); the results open
// on their own screen, which Core fills as the server answers.
FocusScope {
    id: search

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property alias input: input
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: search.closed()

    function findUser() {
        const strText = input.text.trim();
        if (published.controller.getInputType(strText) === Codes.InputInvalid) {
            search.background.showAlert(search.resource.textNumberInvalid);
            return;
        }
        published.controller.searchCircleUser(strText);
        stack.open(Qt.resolvedUrl("SearchResultInterface.qml"));
    }

    function findCircle() {
        const strText = input.text.trim();
        if (strText === "")
            return;
        published.controller.searchCircle(strText);
        stack.open(Qt.resolvedUrl("SearchResultInterface.qml"));
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: search.resource.textSearch
        onBtnLeftClicked: search.closed()
    }

    InputBox {
        id: input
        objectName: "searchInput"
        anchors.top: title.bottom
        anchors.topMargin: 12
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 24
        height: 32
        focus: true
        bShowSearch: true
        bShowClear: true
        placeholderText: search.resource.textSearchHint
        onAccepted: search.findUser()
    }

    Row {
        anchors.top: input.bottom
        anchors.topMargin: 12
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12

        Button {
            objectName: "btnFindUser"
            width: 110
            height: 34
            label: search.resource.textFindUser
            onClicked: search.findUser()
        }
        Button {
            objectName: "btnFindCircle"
            width: 110
            height: 34
            label: search.resource.textFindCircle
            onClicked: search.findCircle()
        }
    }

    ScreenStack {
        id: stack
        background: search.background
        resource: search.resource
        mainInterface: search.mainInterface
    }

    Published {
        id: published
    }
}
