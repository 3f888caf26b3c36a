import QtQuick
import "FocusChain.js" as FocusChain

// Modal form with one to three input rows; with one row the caption is left out.
Rectangle {
    id: dialog

    property int type: 2
    property string btnOkLabel: qsTr("确定")
    property string btnCancelLabel: qsTr("取消")
    property string title: ""
    property string title1: ""
    property string title2: ""
    property string title3: ""
    property alias input1: field1.text
    property alias input2: field2.text
    property alias input3: field3.text
    property alias placeholder1: field1.placeholderText
    property alias placeholder2: field2.placeholderText
    property alias placeholder3: field3.placeholderText
    property bool input2Enabled: true
    property alias input1Validator: field1.validator
    property alias input2Validator: field2.validator
    property alias input3Validator: field3.validator
    property alias echoMode2: field2.echoMode
    property alias echoMode3: field3.echoMode

    signal btnOKClicked
    signal btnCancelClicked

    // The keyboard works in the box while it is up: it takes the focus when shown, Tab goes
    // round its own stops, Escape cancels, and the focus goes back when it is hidden.
    property Item returnFocus: null
    property Item focusInside: null
    Connections {
        target: dialog.visible ? dialog.Window.window : null
        function onActiveFocusItemChanged() {
            dialog.focusInside = FocusChain.keep(dialog, dialog.focusInside, dialog.Window.activeFocusItem);
        }
    }
    onVisibleChanged: {
        if (dialog.visible) {
            dialog.returnFocus = dialog.Window.activeFocusItem;
            field1.forceActiveFocus();
        } else {
            dialog.focusInside = null;
            if (dialog.returnFocus)
                dialog.returnFocus.forceActiveFocus();
            dialog.returnFocus = null;
        }
    }
    Component.onCompleted: {
        if (dialog.visible)
            field1.forceActiveFocus();
    }
    Keys.onEscapePressed: dialog.btnCancelClicked()
    Accessible.role: Accessible.Dialog
    Accessible.name: dialog.title
    anchors.fill: parent
    color: "#66000000"
    z: 900

    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        onWheel: function (wheel) {
            wheel.accepted = true;
        }
    }

    Rectangle {
        anchors.centerIn: parent
        width: 250
        height: column.height + 32
        radius: 8
        color: "white"

        Column {
            id: column
            anchors.top: parent.top
            anchors.topMargin: 16
            anchors.horizontalCenter: parent.horizontalCenter
            width: parent.width - 30
            spacing: 10

            Text {
                width: parent.width
                visible: dialog.title !== ""
                text: dialog.title
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                color: "#333333"
                font.pixelSize: 16
                font.bold: true
            }

            Row {
                objectName: "row1"
                spacing: 6
                Text {
                    width: dialog.type > 1 ? 60 : 0
                    visible: dialog.type > 1
                    anchors.verticalCenter: parent.verticalCenter
                    text: dialog.title1
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: "#555555"
                    font.pixelSize: 14
                }
                InputBox {
                    id: field1
                    width: column.width - (dialog.type > 1 ? 66 : 0)
                    focus: true
                }
            }
            Row {
                objectName: "row2"
                visible: dialog.type >= 2
                spacing: 6
                Text {
                    width: 60
                    anchors.verticalCenter: parent.verticalCenter
                    text: dialog.title2
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: "#555555"
                    font.pixelSize: 14
                }
                InputBox {
                    id: field2
                    width: column.width - 66
                    enabled: dialog.input2Enabled
                    readOnly: !dialog.input2Enabled
                    opacity: dialog.input2Enabled ? 1.0 : 0.6
                }
            }
            Row {
                objectName: "row3"
                visible: dialog.type >= 3
                spacing: 6
                Text {
                    width: 60
                    anchors.verticalCenter: parent.verticalCenter
                    text: dialog.title3
                    textFormat: Text.PlainText
                    elide: Text.ElideRight
                    color: "#555555"
                    font.pixelSize: 14
                }
                InputBox {
                    id: field3
                    width: column.width - 66
                }
            }

            Row {
                anchors.horizontalCenter: parent.horizontalCenter
                spacing: 10
                Button {
                    objectName: "btnOk"
                    width: 95
                    label: dialog.btnOkLabel
                    onClicked: dialog.btnOKClicked()
                }
                Button {
                    objectName: "btnCancel"
                    width: 95
                    label: dialog.btnCancelLabel
                    color: "#8a94a6"
                    onClicked: dialog.btnCancelClicked()
                }
            }
        }
    }
}
