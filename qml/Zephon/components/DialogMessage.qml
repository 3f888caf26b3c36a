import QtQuick
import "FocusChain.js" as FocusChain

// Modal message box. Its one to three buttons (OK, middle, cancel) share one 200-pixel row;
// type 1 shows the OK button only.
Rectangle {
    id: dialog

    property string btnOkLabel: qsTr("确定")
    property string btnCancelLabel: qsTr("取消")
    property string btnMiddleLabel: ""
    // Free for the caller: which question the box is answering.
    property int index: 0
    property int type: 0
    property int btnCount: 2
    property string title: ""
    property string message: ""
    property int msgAlignment: Text.AlignHCenter
    readonly property int buttonRowWidth: 200
    readonly property int buttonSpacing: 10
    readonly property int shownButtons: dialog.type === 1 ? 1 : Math.max(1, Math.min(3, dialog.btnCount))
    readonly property real buttonWidth: (dialog.buttonRowWidth - (dialog.shownButtons - 1) * dialog.buttonSpacing) / dialog.shownButtons

    signal btnOKClicked
    signal btnCancelClicked
    signal btnMiddleClicked
    signal linkActivated(string link)

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
            okButton.forceActiveFocus();
        } else {
            dialog.focusInside = null;
            if (dialog.returnFocus)
                dialog.returnFocus.forceActiveFocus();
            dialog.returnFocus = null;
        }
    }
    Component.onCompleted: {
        if (dialog.visible)
            okButton.forceActiveFocus();
    }
    Keys.onEscapePressed: dialog.shownButtons >= 2 ? dialog.btnCancelClicked() : dialog.btnOKClicked()
    Accessible.role: Accessible.Dialog
    Accessible.name: dialog.title !== "" ? dialog.title : dialog.message
    anchors.fill: parent
    color: "#66000000"
    z: 900

    // Swallows clicks so nothing under the box reacts while it is up.
    MouseArea {
        anchors.fill: parent
        acceptedButtons: Qt.AllButtons
        onWheel: function (wheel) {
            wheel.accepted = true;
        }
    }

    Rectangle {
        id: box
        anchors.centerIn: parent
        width: 240
        height: column.height + 32
        radius: 8
        color: "white"

        Column {
            id: column
            anchors.top: parent.top
            anchors.topMargin: 16
            anchors.horizontalCenter: parent.horizontalCenter
            width: dialog.buttonRowWidth
            spacing: 14

            Text {
                width: parent.width
                visible: dialog.title !== ""
                text: dialog.title
                textFormat: Text.PlainText
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
                color: "#333333"
                font.pixelSize: 16
                font.bold: true
            }

            Text {
                objectName: "message"
                width: parent.width
                text: dialog.message
                textFormat: Text.StyledText
                horizontalAlignment: dialog.msgAlignment
                wrapMode: Text.Wrap
                color: "#555555"
                font.pixelSize: 14
                onLinkActivated: function (link) {
                    dialog.linkActivated(link);
                }
            }

            Row {
                objectName: "buttonRow"
                width: dialog.buttonRowWidth
                spacing: dialog.buttonSpacing

                Button {
                    id: okButton
                    objectName: "btnOk"
                    width: dialog.buttonWidth
                    label: dialog.btnOkLabel
                    onClicked: dialog.btnOKClicked()
                }
                Button {
                    objectName: "btnMiddle"
                    visible: dialog.shownButtons === 3
                    width: dialog.buttonWidth
                    label: dialog.btnMiddleLabel
                    onClicked: dialog.btnMiddleClicked()
                }
                Button {
                    objectName: "btnCancel"
                    visible: dialog.shownButtons >= 2
                    width: dialog.buttonWidth
                    label: dialog.btnCancelLabel
                    color: "#8a94a6"
                    onClicked: dialog.btnCancelClicked()
                }
            }
        }
    }
}
