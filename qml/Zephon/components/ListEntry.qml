import QtQuick

// One entry of a PopupMenu or a RoundedList, written as a child of it.
QtObject {
    id: entry

    property string title: ""
    property alias text: entry.title
    property string icon: ""
    property bool showCheckBox: false
    property bool checked: false
    property bool visible: true
}
