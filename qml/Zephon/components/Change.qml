import QtQuick

// Page that edits one line of text and saves it.
Rectangle {
    id: change

    property string title: ""
    property alias text: input.text
    property alias placeholderText: input.placeholderText
    property alias validator: input.validator
    property string saveLabel: qsTr("保存")

    signal closed
    signal completed(string strText)

    width: 280
    height: 510
    color: "#f4f6f9"

    MouseArea {
        anchors.fill: parent
    }

    TitleBar {
        id: titleBar
        width: parent.width
        title: change.title
        btnRight: true
        titleRight: change.saveLabel
        onBtnLeftClicked: change.closed()
        onBtnRightClicked: change.completed(input.text)
    }

    InputBox {
        id: input
        objectName: "input"
        anchors.top: titleBar.bottom
        anchors.topMargin: 16
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 24
        height: 36
        bShowClear: true
        focus: true
        onAccepted: change.completed(input.text)
    }
}
