pragma ComponentBehavior: Bound

import QtQuick
import "FocusChain.js" as FocusChain

// Drop-down list of entries (ListEntry children: icon and text), 46 pixels each.
Rectangle {
    id: popupMenu

    default property list<QtObject> entries
    property int entryHeight: 46

    signal menuClicked(int index)
    // Escape on an entry: the owner hides the menu.
    signal closed

    // The keyboard works in the menu while it is up: its first entry takes the focus, Tab goes
    // round the entries, Escape hides it, and the focus goes back when it is hidden.
    property Item returnFocus: null
    property Item focusInside: null
    Connections {
        target: popupMenu.visible ? popupMenu.Window.window : null
        function onActiveFocusItemChanged() {
            popupMenu.focusInside = FocusChain.keep(popupMenu, popupMenu.focusInside, popupMenu.Window.activeFocusItem);
        }
    }
    onClosed: popupMenu.visible = false
    onVisibleChanged: {
        if (popupMenu.visible) {
            popupMenu.returnFocus = popupMenu.Window.activeFocusItem;
            FocusChain.move(popupMenu, popupMenu, true);
        } else {
            popupMenu.focusInside = null;
            if (popupMenu.returnFocus)
                popupMenu.returnFocus.forceActiveFocus();
            popupMenu.returnFocus = null;
        }
    }
    Accessible.role: Accessible.PopupMenu

    width: 160
    height: column.height + 8
    radius: 6
    color: "white"
    border.color: "#dfe3ea"
    z: 800

    Column {
        id: column
        y: 4
        width: parent.width

        Repeater {
            model: popupMenu.entries

            delegate: Rectangle {
                id: row
                required property var modelData
                required property int index
                objectName: "entry_" + index
                width: column.width
                height: modelData.visible === false ? 0 : popupMenu.entryHeight
                visible: modelData.visible !== false
                activeFocusOnTab: true
                Accessible.role: Accessible.MenuItem
                Accessible.name: row.modelData.title || ""
                Accessible.onPressAction: popupMenu.menuClicked(row.index)
                Keys.onSpacePressed: popupMenu.menuClicked(row.index)
                Keys.onReturnPressed: popupMenu.menuClicked(row.index)
                Keys.onEnterPressed: popupMenu.menuClicked(row.index)
                Keys.onEscapePressed: popupMenu.closed()

                FocusFrame {}
                color: mouse.containsMouse ? "#e8f1fd" : "white"

                Image {
                    id: icon
                    anchors.left: parent.left
                    anchors.leftMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    width: row.modelData.icon ? 22 : 0
                    height: 22
                    source: row.modelData.icon || ""
                    fillMode: Image.PreserveAspectFit
                }
                Text {
                    anchors.left: icon.right
                    anchors.leftMargin: 10
                    anchors.right: parent.right
                    anchors.rightMargin: 10
                    anchors.verticalCenter: parent.verticalCenter
                    text: row.modelData.title || ""
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: "#333333"
                    font.pixelSize: 14
                }
                MouseArea {
                    id: mouse
                    anchors.fill: parent
                    hoverEnabled: true
                    onClicked: popupMenu.menuClicked(row.index)
                }
            }
        }
    }
}
