import QtQuick

// Common ground of the list rows: the row object in modelData, hover and selection colours,
// and the left, right and double click signals. A click makes the row the view's current one.
Rectangle {
    id: row

    required property var modelData
    required property int index
    readonly property bool isCurrent: ListView.isCurrentItem

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

    width: ListView.view ? ListView.view.width : 280
    height: 60
    color: row.isCurrent ? "#e8f1fd" : rowMouse.containsMouse ? "#f4f6f9" : "white"

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
