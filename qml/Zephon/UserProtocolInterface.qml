pragma ComponentBehavior: Bound

import QtQuick
import "components"

// The user agreement, one paragraph per row ("textModel").
FocusScope {
    id: agreement

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property var textModel: agreement.resource.textUserAgreement.split("\n\n")
    readonly property alias list: list

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: agreement.closed()

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "white"
    }

    TitleBar {
        id: title
        width: parent.width
        title: agreement.resource.textUserProtocol
        onBtnLeftClicked: agreement.closed()
    }

    ListView {
        id: list
        objectName: "agreementList"
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        anchors.margins: 12
        width: parent.width - 24
        anchors.horizontalCenter: parent.horizontalCenter
        clip: true
        spacing: 10
        boundsBehavior: Flickable.StopAtBounds
        model: agreement.textModel
        delegate: Text {
            required property string modelData
            width: list.width
            text: modelData
            textFormat: Text.PlainText
            wrapMode: Text.Wrap
            color: "#333333"
            font.pixelSize: 13
        }

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }
}
