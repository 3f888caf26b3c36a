import QtQuick

// Message input bar of a conversation: text field, emoticon and "more" buttons, send button,
// and below it either the emoticon picker or the panel of further functions.
Rectangle {
    id: bottomBar

    property bool showFace: false
    property bool expand: false
    property bool showBtnAdd: true
    property alias textInput: input.input
    property alias text: input.text
    property string sendLabel: qsTr("发送")
    property string placeholderText: ""
    // What a screen reader says for the picture-only buttons.
    property string faceName: qsTr("表情")
    property string moreName: qsTr("更多")
    property string inputName: qsTr("消息")

    signal btnSendClicked(string strMsg)
    signal btnCardClicked
    signal btnFaceClicked
    signal btnPicClicked
    signal btnFileClicked
    signal btnScreenClicked

    // Sends what was typed; an empty or blank text is not sent.
    function send() {
        const strMsg = input.text;
        if (strMsg.trim().length === 0)
            return;
        input.text = "";
        bottomBar.btnSendClicked(strMsg);
    }

    function toggleFaces() {
        bottomBar.showFace = !bottomBar.showFace;
        if (bottomBar.showFace)
            bottomBar.expand = false;
        bottomBar.btnFaceClicked();
    }
    function toggleMore() {
        bottomBar.expand = !bottomBar.expand;
        if (bottomBar.expand)
            bottomBar.showFace = false;
    }
    function appendFace(strId) {
        const sign = published.controller ? published.controller.getSign(strId) : "";
        if (sign)
            input.insertText(sign);
        bottomBar.showFace = false;
        input.forceActiveFocus();
    }

    width: 280
    height: bar.height + (faces.visible ? faces.height : 0) + (funcs.visible ? funcs.height : 0)
    color: "#f4f6f9"

    Item {
        id: bar
        width: parent.width
        height: 46

        Text {
            id: faceButton
            objectName: "btnFace"
            anchors.left: parent.left
            anchors.leftMargin: 6
            anchors.verticalCenter: parent.verticalCenter
            width: 28
            horizontalAlignment: Text.AlignHCenter
            text: "\u263a"
            color: bottomBar.showFace ? "#2b7de9" : "#8a94a6"
            font.pixelSize: 24
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: bottomBar.faceName
            Accessible.onPressAction: bottomBar.toggleFaces()
            Keys.onSpacePressed: bottomBar.toggleFaces()
            Keys.onReturnPressed: bottomBar.toggleFaces()
            Keys.onEnterPressed: bottomBar.toggleFaces()

            FocusFrame {}
            MouseArea {
                anchors.fill: parent
                onClicked: bottomBar.toggleFaces()
            }
        }

        Rectangle {
            anchors.fill: input
            anchors.margins: -1
            radius: 4
            color: "white"
            border.color: input.input.activeFocus ? "#2b7de9" : "#dfe3ea"
        }

        MessageInput {
            id: input
            objectName: "input"
            anchors.left: faceButton.right
            anchors.leftMargin: 12
            anchors.right: addButton.visible ? addButton.left : sendButton.left
            anchors.rightMargin: 10
            anchors.verticalCenter: parent.verticalCenter
            height: 30
            hint: bottomBar.placeholderText
            accessibleName: bottomBar.placeholderText !== "" ? bottomBar.placeholderText : bottomBar.inputName
            focus: true
            onAccepted: bottomBar.send()
        }

        Text {
            id: addButton
            objectName: "btnAdd"
            visible: bottomBar.showBtnAdd
            anchors.right: sendButton.left
            anchors.rightMargin: 4
            anchors.verticalCenter: parent.verticalCenter
            width: 28
            horizontalAlignment: Text.AlignHCenter
            text: "\u2295"
            color: bottomBar.expand ? "#2b7de9" : "#8a94a6"
            font.pixelSize: 24
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: bottomBar.moreName
            Accessible.onPressAction: bottomBar.toggleMore()
            Keys.onSpacePressed: bottomBar.toggleMore()
            Keys.onReturnPressed: bottomBar.toggleMore()
            Keys.onEnterPressed: bottomBar.toggleMore()

            FocusFrame {}
            MouseArea {
                anchors.fill: parent
                onClicked: bottomBar.toggleMore()
            }
        }

        Button {
            id: sendButton
            objectName: "btnSend"
            anchors.right: parent.right
            anchors.rightMargin: 6
            anchors.verticalCenter: parent.verticalCenter
            width: 52
            height: 30
            label: bottomBar.sendLabel
            onClicked: bottomBar.send()
        }
    }

    Face {
        id: faces
        objectName: "facePanel"
        anchors.top: bar.bottom
        width: parent.width
        visible: bottomBar.showFace
        onClicked: function (strId) {
            bottomBar.appendFace(strId);
        }
    }

    FuncPanel {
        id: funcs
        objectName: "funcPanel"
        anchors.top: bar.bottom
        width: parent.width
        visible: bottomBar.expand && bottomBar.showBtnAdd
        onClicked: function (index) {
            bottomBar.expand = false;
            switch (index) {
            case 0:
                bottomBar.btnCardClicked();
                break;
            case 1:
                bottomBar.btnPicClicked();
                break;
            case 2:
                bottomBar.btnFileClicked();
                break;
            case 3:
                bottomBar.btnScreenClicked();
                break;
            }
        }
    }

    Published {
        id: published
    }
}
