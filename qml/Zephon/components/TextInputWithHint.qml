import QtQuick

// Text input that shows a grey hint while it is empty.
FocusScope {
    id: scope

    property string hint: ""
    // What a screen reader says for the field; the hint when empty.
    property string accessibleName: ""
    // Whether the field draws the focus outline itself; off where the box around it does.
    property bool showFocusFrame: true
    property alias text: input.text
    property alias validator: input.validator
    property alias echoMode: input.echoMode
    property alias readOnly: input.readOnly
    property alias maximumLength: input.maximumLength
    property alias font: input.font
    property alias color: input.color
    property alias cursorPosition: input.cursorPosition
    property alias input: input

    signal accepted

    implicitWidth: 200
    implicitHeight: 30

    Text {
        anchors.fill: input
        verticalAlignment: Text.AlignVCenter
        visible: input.text.length === 0 && !input.inputMethodComposing
        text: scope.hint
        textFormat: Text.PlainText
        color: "#a0a8b5"
        font: input.font
        elide: Text.ElideRight
    }

    FocusFrame {
        anchors.margins: -3
        target: input
        visible: scope.showFocusFrame && input.activeFocus
    }

    TextInput {
        id: input
        anchors.fill: parent
        verticalAlignment: TextInput.AlignVCenter
        focus: true
        // A read-only field shows a value that something else edits (a closed combo box).
        activeFocusOnTab: !input.readOnly
        Accessible.role: Accessible.EditableText
        Accessible.name: scope.accessibleName !== "" ? scope.accessibleName : scope.hint
        clip: true
        selectByMouse: true
        color: "#333333"
        font.pixelSize: 14
        onAccepted: scope.accepted()
    }
}
