import QtQuick
import NativeQuickWidgets 1.0

// The platform's check-box indicator with a label beside it.
Item {
    id: checkBox

    property bool checkable: true
    property bool checked: false
    property string label: ""
    property color textColor: "#333333"

    signal clicked
    signal toggled(bool checked)

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

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        enabled: checkBox.enabled
        onClicked: {
            if (checkBox.checkable) {
                checkBox.checked = !checkBox.checked;
                checkBox.toggled(checkBox.checked);
            }
            checkBox.clicked();
        }
    }
}
