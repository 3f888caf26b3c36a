import QtQuick

// One-line edit with an optional search icon in front and a clear button behind.
FocusScope {
    id: box

    property bool bShowClear: false
    property bool bShowSearch: false
    property bool bShowBorder: true
    property alias placeholderText: field.hint
    property alias accessibleName: field.accessibleName
    property alias text: field.text
    property alias validator: field.validator
    property alias echoMode: field.echoMode
    property alias maximumLength: field.maximumLength
    property alias readOnly: field.readOnly
    property alias input: field.input

    // Every edit shows as textChanged, the change signal of `text`.
    signal accepted

    implicitWidth: 240
    implicitHeight: 32

    Rectangle {
        anchors.fill: parent
        radius: 4
        color: "white"
        border.width: field.input.activeFocus ? 2 : box.bShowBorder ? 1 : 0
        border.color: field.input.activeFocus ? "#f5a623" : "#dfe3ea"
    }

    Text {
        id: searchIcon
        visible: box.bShowSearch
        anchors.left: parent.left
        anchors.leftMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        text: "\u2315"
        color: "#8a94a6"
        font.pixelSize: 16
    }

    TextInputWithHint {
        id: field
        focus: true
        showFocusFrame: false
        anchors.left: box.bShowSearch ? searchIcon.right : parent.left
        anchors.leftMargin: 8
        anchors.right: clear.visible ? clear.left : parent.right
        anchors.rightMargin: 6
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        onAccepted: box.accepted()
    }

    // Scrolls the box into view when Tab lands in it; the border above shows the focus.
    FocusFrame {
        target: field.input
        visible: false
    }

    Rectangle {
        id: clear
        objectName: "btnClear"
        visible: box.bShowClear && field.text.length > 0
        anchors.right: parent.right
        anchors.rightMargin: 8
        anchors.verticalCenter: parent.verticalCenter
        width: 16
        height: 16
        radius: 8
        color: "#c5ccd8"

        Text {
            anchors.centerIn: parent
            text: "\u00d7"
            color: "white"
            font.pixelSize: 13
        }
        MouseArea {
            anchors.fill: parent
            onClicked: {
                field.text = "";
                field.forceActiveFocus();
            }
        }
    }
}
