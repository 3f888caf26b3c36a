import QtQuick
import "../components"

// Common ground of the list rows: the row object in modelData, hover and selection colours,
// and the left, right and double click signals. A click makes the row the view's current one.
Rectangle {
    id: row

    required property var modelData
    required property int index
    readonly property bool isCurrent: ListView.isCurrentItem

    // What a screen reader says for the row: the name of the person or circle it shows.
    property string accessibleName: row.modelData && row.modelData.strName !== undefined ? String(row.modelData.strName) : ""

    signal leftClicked
    signal rightClicked
    signal doubleClicked
    signal currentChanged

    function select() {
        if (row.ListView.view)
            row.ListView.view.currentIndex = row.index;
        row.currentChanged();
    }

    function rightClick() {
        row.select();
        row.rightClicked();
    }

    // The keyboard: Space picks the row as a click does, Enter opens it as a double click does.
    // A row of a list that is a stop of Tab itself gets the focus from the list.
    activeFocusOnTab: !(row.ListView.view && row.ListView.view.activeFocusOnTab)
    Accessible.role: Accessible.ListItem
    Accessible.name: row.accessibleName
    Accessible.selected: row.isCurrent
    Accessible.onPressAction: row.doubleClicked()
    Keys.onPressed: function (event) {
        if (event.key === Qt.Key_Space) {
            row.select();
            row.leftClicked();
        } else if (event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            row.select();
            row.doubleClicked();
        } else {
            return;
        }
        event.accepted = true;
    }
    width: ListView.view ? ListView.view.width : 280
    height: 60
    color: row.isCurrent ? "#e8f1fd" : rowMouse.containsMouse ? "#f4f6f9" : "white"

    FocusFrame {
        anchors.margins: 1
    }

    MouseArea {
        id: rowMouse
        anchors.fill: parent
        hoverEnabled: true
        onClicked: {
            row.select();
            row.leftClicked();
        }
        onDoubleClicked: row.doubleClicked()
    }

    Rectangle {
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.leftMargin: 60
        anchors.right: parent.right
        height: 1
        color: "#eceff3"
    }
}
