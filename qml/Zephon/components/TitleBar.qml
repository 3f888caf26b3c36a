import QtQuick

// Title bar of a page: back button on the left, centred title, optional button on the right.
Rectangle {
    id: titleBar

    property string title: ""
    property bool btnLeft: true
    property bool btnRight: false
    property string titleRight: ""
    property string rightNormalImage: ""
    property string rightPressedImage: ""
    property string rightHoveredImage: ""
    // What a screen reader says for the back button.
    property string backName: qsTr("返回")
    // What a screen reader says for a right button that shows only a picture.
    property string rightName: ""

    signal btnLeftClicked
    signal btnRightClicked

    width: 280
    height: 40
    color: "#2b7de9"

    Item {
        id: back
        objectName: "btnLeft"
        visible: titleBar.btnLeft
        width: 40
        height: parent.height
        activeFocusOnTab: true
        Accessible.role: Accessible.Button
        Accessible.name: titleBar.backName
        Accessible.onPressAction: titleBar.btnLeftClicked()
        Keys.onSpacePressed: titleBar.btnLeftClicked()
        Keys.onReturnPressed: titleBar.btnLeftClicked()
        Keys.onEnterPressed: titleBar.btnLeftClicked()

        FocusFrame {}

        Text {
            anchors.centerIn: parent
            text: "\u2039"
            color: "white"
            font.pixelSize: 28
            opacity: backMouse.pressed ? 0.6 : 1.0
        }
        MouseArea {
            id: backMouse
            anchors.fill: parent
            onClicked: titleBar.btnLeftClicked()
        }
    }

    Text {
        objectName: "title"
        anchors.centerIn: parent
        width: parent.width - 2 * Math.max(back.width, right.width) - 8
        horizontalAlignment: Text.AlignHCenter
        text: titleBar.title
        textFormat: Text.PlainText
        elide: Text.ElideRight
        color: "white"
        font.pixelSize: 20
    }

    Button {
        id: right
        objectName: "btnRight"
        visible: titleBar.btnRight
        anchors.right: parent.right
        anchors.rightMargin: 6
        anchors.verticalCenter: parent.verticalCenter
        height: 28
        label: titleBar.titleRight
        accessibleName: titleBar.rightName !== "" ? titleBar.rightName : titleBar.titleRight
        color: Qt.darker("#2b7de9", 1.15)
        normalImage: titleBar.rightNormalImage
        pressedImage: titleBar.rightPressedImage
        hoveredImage: titleBar.rightHoveredImage
        onClicked: titleBar.btnRightClicked()
    }
}
