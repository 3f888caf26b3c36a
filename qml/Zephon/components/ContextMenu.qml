import QtQuick
import NativeQuickWidgets 1.0

// Right-click menu over its parent: the actions written inside it become the entries of a
// native pop-up menu opened at the cursor. An empty menu only reports the click.
Item {
    id: contextMenu

    default property alias actions: menu.actions
    property alias menu: menu

    signal rightClicked

    function exec() {
        menu.exec();
    }

    function execAt(x, y, item) {
        menu.execAt(x, y, item);
    }

    anchors.fill: parent

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.RightButton
        onClicked: {
            contextMenu.rightClicked();
            if (menu.actions.length > 0)
                menu.exec();
        }
    }

    Menu {
        id: menu
    }
}
