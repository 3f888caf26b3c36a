import QtQuick
import "../components"

// Row of a selection list: a click ticks or unticks the person (bChecked of the row).
PersonRow {
    id: person

    function toggle() {
        person.modelData.bChecked = !person.modelData.bChecked;
    }

    onLeftClicked: person.toggle()
    Accessible.checkable: true
    Accessible.checked: person.modelData.bChecked === true

    CheckBox {
        objectName: "check"
        anchors.right: parent.right
        anchors.rightMargin: 14
        anchors.verticalCenter: parent.verticalCenter
        checkable: false
        // Space on the row ticks it; the box is not a stop of its own.
        activeFocusOnTab: false
        accessibleName: person.accessibleName
        checked: person.modelData.bChecked === true
        onClicked: {
            person.select();
            person.leftClicked();
        }
    }
}
