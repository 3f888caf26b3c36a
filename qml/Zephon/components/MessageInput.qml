import QtQuick
import "../delegate/RichText.js" as RichText

// One-line message edit that shows emoticons as their pictures. `text` is the message as it is
// sent, each picture as its code; the edit's own rich text is made from it and read back into
// it by the controller. A paste inserts the clipboard's plain text only, so nothing pasted can
// bring markup or pictures from elsewhere.
FocusScope {
    id: box

    property string hint: ""
    // What a screen reader says for the field; the hint when empty.
    property string accessibleName: ""
    property string text: ""
    readonly property alias input: edit
    // Set while one side is being made from the other.
    property bool syncing: false

    signal accepted

    // Inserts a message text (codes shown as pictures) where the cursor is.
    function insertText(strText) {
        edit.insert(edit.cursorPosition, box.richOf(strText));
    }

    function richOf(strText) {
        return RichText.message(published.controller ? published.controller.renderFaces(strText) : strText, 0);
    }

    implicitWidth: 200
    implicitHeight: 30

    onTextChanged: {
        if (box.syncing)
            return;
        box.syncing = true;
        edit.text = box.richOf(box.text);
        edit.cursorPosition = edit.length;
        box.syncing = false;
    }

    Text {
        anchors.fill: edit
        verticalAlignment: Text.AlignVCenter
        visible: edit.length === 0 && !edit.inputMethodComposing
        text: box.hint
        textFormat: Text.PlainText
        color: "#a0a8b5"
        font: edit.font
        elide: Text.ElideRight
    }

    TextEdit {
        id: edit
        objectName: "messageEdit"
        anchors.fill: parent
        verticalAlignment: TextEdit.AlignVCenter
        focus: true
        activeFocusOnTab: true
        Accessible.role: Accessible.EditableText
        Accessible.name: box.accessibleName !== "" ? box.accessibleName : box.hint
        clip: true
        selectByMouse: true
        textFormat: TextEdit.RichText
        wrapMode: TextEdit.NoWrap
        color: "#333333"
        font.pixelSize: 14
        Keys.onPressed: function (event) {
            if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
                event.accepted = true;
                box.accepted();
            } else if (event.key === Qt.Key_Tab || event.key === Qt.Key_Backtab) {
                // A one-line message has no use for tab characters: Tab moves on.
                event.accepted = true;
                const next = edit.nextItemInFocusChain(event.key === Qt.Key_Tab);
                if (next)
                    next.forceActiveFocus(event.key === Qt.Key_Tab ? Qt.TabFocusReason : Qt.BacktabFocusReason);
            } else if (event.matches(StandardKey.Paste)) {
                event.accepted = true;
                if (published.controller)
                    edit.insert(edit.cursorPosition, RichText.escape(published.controller.clipboardText()).replace(/\r?\n/g, " "));
            }
        }
        onTextChanged: {
            if (box.syncing)
                return;
            box.syncing = true;
            box.text = published.controller ? published.controller.inputText(edit.text) : edit.getText(0, edit.length);
            box.syncing = false;
        }
    }

    Published {
        id: published
    }
}
