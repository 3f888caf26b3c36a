pragma ComponentBehavior: Bound

import QtQuick

// Drop-down list of texts. The editable variant lets the user type a text of their own
// (the account box of the sign-in screen); picking an entry reports its index.
Item {
    id: combo

    property bool editable: false
    property bool showBorder: false
    property int selectedIndex: -1
    property var items: []
    property string selectedItem: ""
    property string placeholderText: ""
    // What a screen reader says for the box; the placeholder text when empty.
    property string accessibleName: ""
    property int itemHeight: 30
    property int maxVisibleItems: 5
    property alias validator: editor.validator
    // The text field, for screens that move the focus into it.
    readonly property alias input: editor.input
    readonly property bool expanded: popup.visible

    signal comboClicked(int index)

    function itemCount() {
        if (!combo.items)
            return 0;
        return combo.items.length !== undefined ? combo.items.length : (combo.items.count || 0);
    }

    function itemText(index) {
        if (index < 0 || index >= combo.itemCount())
            return "";
        const entry = combo.items.length !== undefined ? combo.items[index] : combo.items.get(index);
        return entry === undefined || entry === null ? "" : String(entry);
    }

    function select(index) {
        if (index < 0 || index >= combo.itemCount())
            return;
        combo.selectedIndex = index;
        combo.selectedItem = combo.itemText(index);
        popup.visible = false;
        combo.comboClicked(index);
    }

    function toggle() {
        popup.visible = !popup.visible && combo.itemCount() > 0;
    }

    // The keyboard: Up and Down pick the entry above or below, Space and Enter open or close
    // the list of a box that is not editable, Escape closes it.
    function step(delta) {
        const count = combo.itemCount();
        if (count === 0)
            return;
        const index = Math.max(0, Math.min(count - 1, combo.selectedIndex + delta));
        const open = popup.visible;
        combo.select(index);
        popup.visible = open;
    }

    activeFocusOnTab: !combo.editable
    Accessible.role: Accessible.ComboBox
    Accessible.name: combo.accessibleName !== "" ? combo.accessibleName : combo.placeholderText
    Accessible.description: combo.selectedItem
    Accessible.onPressAction: combo.toggle()
    Keys.onPressed: function (event) {
        if (event.key === Qt.Key_Down || event.key === Qt.Key_Up) {
            event.accepted = true;
            combo.step(event.key === Qt.Key_Down ? 1 : -1);
        } else if (event.key === Qt.Key_Escape && popup.visible) {
            event.accepted = true;
            popup.visible = false;
        } else if (!combo.editable && (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter)) {
            event.accepted = true;
            combo.toggle();
        }
    }

    implicitWidth: 220
    implicitHeight: 32
    z: popup.visible ? 100 : 0
    onSelectedItemChanged: {
        if (editor.text !== combo.selectedItem)
            editor.text = combo.selectedItem;
    }

    Rectangle {
        anchors.fill: parent
        radius: 4
        color: "white"
        border.width: combo.showBorder ? 1 : 0
        border.color: "#dfe3ea"
    }

    FocusFrame {
        objectName: "focusFrame"
        anchors.margins: 0
        target: combo.editable ? editor.input : combo
    }

    TextInputWithHint {
        id: editor
        anchors.left: parent.left
        anchors.leftMargin: 8
        anchors.right: arrow.left
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        readOnly: !combo.editable
        hint: combo.placeholderText
        accessibleName: combo.accessibleName
        showFocusFrame: false
        Component.onCompleted: text = combo.selectedItem
        onTextChanged: {
            if (combo.editable && text !== combo.selectedItem) {
                combo.selectedItem = text;
                combo.selectedIndex = -1;
            }
        }
    }

    MouseArea {
        anchors.fill: editor
        visible: !combo.editable
        onClicked: combo.toggle()
    }

    Item {
        id: arrow
        objectName: "arrow"
        anchors.right: parent.right
        width: 28
        height: parent.height

        Text {
            anchors.centerIn: parent
            text: popup.visible ? "\u25b4" : "\u25be"
            color: "#8a94a6"
            font.pixelSize: 14
        }
        MouseArea {
            anchors.fill: parent
            onClicked: combo.toggle()
        }
    }

    Rectangle {
        id: popup
        visible: false
        y: combo.height
        width: combo.width
        height: Math.min(combo.itemCount(), combo.maxVisibleItems) * combo.itemHeight + 2
        color: "white"
        border.color: "#dfe3ea"
        clip: true

        ListView {
            id: list
            anchors.fill: parent
            anchors.margins: 1
            model: combo.items
            boundsBehavior: Flickable.StopAtBounds
            delegate: Rectangle {
                id: entry
                required property int index
                width: list.width
                height: combo.itemHeight
                color: entryMouse.containsMouse ? "#e8f1fd" : "white"

                Text {
                    anchors.left: parent.left
                    anchors.leftMargin: 8
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - 16
                    text: combo.itemText(entry.index)
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: "#333333"
                    font.pixelSize: 14
                }
                MouseArea {
                    id: entryMouse
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: combo.select(entry.index)
                }
            }
        }
    }
}
