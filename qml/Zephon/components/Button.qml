import QtQuick

// Push button drawn from up to three pictures (normal, pressed, hovered); without pictures it
// draws a rounded face in the accent colour. With checkable set it works as a toggle.
Item {
    id: button

    property string label: ""
    property bool checkable: false
    property bool checked: false
    property string normalImage: ""
    property string pressedImage: ""
    property string hoveredImage: ""
    property color color: "#2b7de9"
    property color textColor: "white"
    property int fontSize: 14
    property int radius: 4
    readonly property bool pressed: mouse.pressed
    readonly property bool hovered: mouse.containsMouse
    // What a screen reader says for the button; a button without a label needs one.
    property string accessibleName: ""

    signal clicked
    signal doubleClicked
    signal pressAndHold
    signal toggled(bool checked)

    // The mouse and the keyboard (Space, Enter) press the button the same way.
    function activate() {
        if (!button.enabled)
            return;
        if (button.checkable) {
            button.checked = !button.checked;
            button.toggled(button.checked);
        }
        button.clicked();
    }

    activeFocusOnTab: true
    Accessible.role: button.checkable ? Accessible.CheckBox : Accessible.Button
    Accessible.name: button.accessibleName !== "" ? button.accessibleName : button.label
    Accessible.checkable: button.checkable
    Accessible.checked: button.checked
    Accessible.onPressAction: button.activate()
    Accessible.onToggleAction: button.activate()
    Keys.onPressed: function (event) {
        if (event.key === Qt.Key_Space || event.key === Qt.Key_Return || event.key === Qt.Key_Enter) {
            event.accepted = true;
            if (!event.isAutoRepeat)
                button.activate();
        }
    }

    implicitWidth: Math.max(60, caption.implicitWidth + 24)
    implicitHeight: 32
    opacity: enabled ? 1.0 : 0.5

    function currentImage() {
        if ((button.pressed || button.checked) && button.pressedImage !== "")
            return button.pressedImage;
        if (button.hovered && button.hoveredImage !== "")
            return button.hoveredImage;
        return button.normalImage;
    }

    Rectangle {
        anchors.fill: parent
        visible: button.normalImage === ""
        radius: button.radius
        color: (button.pressed || button.checked) ? Qt.darker(button.color, 1.2)
                                                  : button.hovered ? Qt.lighter(button.color, 1.1)
                                                                   : button.color
    }

    Image {
        anchors.fill: parent
        visible: button.normalImage !== ""
        source: button.currentImage()
        fillMode: Image.Stretch
    }

    Text {
        id: caption
        anchors.centerIn: parent
        text: button.label
        textFormat: Text.PlainText
        color: button.textColor
        font.pixelSize: button.fontSize
        elide: Text.ElideRight
        width: Math.min(implicitWidth, button.width - 4)
        horizontalAlignment: Text.AlignHCenter
    }

    FocusFrame {
        objectName: "focusFrame"
        anchors.margins: -2
        radius: button.radius + 2
    }

    MouseArea {
        id: mouse
        anchors.fill: parent
        hoverEnabled: true
        enabled: button.enabled
        onClicked: button.activate()
        onDoubleClicked: button.doubleClicked()
        onPressAndHold: button.pressAndHold()
    }
}
