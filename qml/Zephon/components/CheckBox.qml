import QtQuick
import NativeQuickWidgets 1.0

// The platform's check-box indicator with a label beside it.
Item {
    id: checkBox

    property bool checkable: true
    property bool checked: false
    property string label: ""
    // What a screen reader says for a box without a label.
    property string accessibleName: ""
    property color textColor: "#333333"

    signal clicked
    signal toggled(bool checked)

    function activate() {
        if (!checkBox.enabled)
            return;
        if (checkBox.checkable) {
            checkBox.checked = !checkBox.checked;
            checkBox.toggled(checkBox.checked);
        }
        checkBox.clicked();
    }

    activeFocusOnTab: true
    Accessible.role: Accessible.CheckBox
    Accessible.name: checkBox.accessibleName !== "" ? checkBox.accessibleName : checkBox.label
    Accessible.checkable: checkBox.checkable
    Accessible.checked: checkBox.checked
    Accessible.onPressAction: checkBox.activate()
    Accessible.onToggleAction: checkBox.activate()
    Keys.onPressed: function (event) {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            event.accepted = true;
            if (!event.isAutoRepeat)
                checkBox.activate();
        }
    }

    implicitWidth: indicator.width + 6 + caption.implicitWidth
    implicitHeight: Math.max(indicator.height, caption.implicitHeight)

    DeclarativeCheckBox {
        id: indicator
        width: 16
        height: 16
        anchors.verticalCenter: parent.verticalCenter
        checked: checkBox.checked
        hovered: mouse.containsMouse
        widgetEnabled: checkBox.enabled
    }

    Text {
        id: caption
        anchors.left: indicator.right
        anchors.leftMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        text: checkBox.label
        textFormat: Text.PlainText
        color: checkBox.enabled ? checkBox.textColor : "#a0a8b5"
        font.pixelSize: 14
    }

    FocusFrame {
        objectName: "focusFrame"
        anchors.margins: -2
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        enabled: checkBox.enabled
        onClicked: checkBox.activate()
    }
}
