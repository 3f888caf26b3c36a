pragma ComponentBehavior: Bound

import QtQuick
import "components"

// The client's version and the user agreement, which opens over this screen.
FocusScope {
    id: about

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: about.closed()

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: about.resource.textAbout
        onBtnLeftClicked: about.closed()
    }

    Column {
        anchors.top: title.bottom
        anchors.topMargin: 40
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 16

        Text {
            anchors.horizontalCenter: parent.horizontalCenter
            text: about.resource.textAppName
            color: "#2b7de9"
            font.family: about.resource.fontFamily
            font.pixelSize: 32
            font.bold: true
        }

        Text {
            objectName: "versionText"
            anchors.horizontalCenter: parent.horizontalCenter
            text: about.resource.textVersion + ":" + published.versionText
            textFormat: Text.PlainText
            color: "#333333"
            font.pixelSize: 14
        }

        Text {
            objectName: "agreementLink"
            anchors.horizontalCenter: parent.horizontalCenter
            text: about.resource.textUserProtocol
            textFormat: Text.PlainText
            color: "#2b7de9"
            font.pixelSize: 14
            font.underline: true
            activeFocusOnTab: true
            Accessible.role: Accessible.Link
            Accessible.name: text
            Accessible.onPressAction: stack.open(Qt.resolvedUrl("UserProtocolInterface.qml"))
            Keys.onSpacePressed: stack.open(Qt.resolvedUrl("UserProtocolInterface.qml"))
            Keys.onReturnPressed: stack.open(Qt.resolvedUrl("UserProtocolInterface.qml"))
            Keys.onEnterPressed: stack.open(Qt.resolvedUrl("UserProtocolInterface.qml"))

            FocusFrame {}

            MouseArea {
                anchors.fill: parent
                cursorShape: Qt.PointingHandCursor
                onClicked: stack.open(Qt.resolvedUrl("UserProtocolInterface.qml"))
            }
        }
    }

    ScreenStack {
        id: stack
        background: about.background
        resource: about.resource
        mainInterface: about.mainInterface
    }

    Published {
        id: published
    }
}
