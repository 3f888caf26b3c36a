pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Feedback is a message to the assistant: the text goes out like any message, and the
// conversation with the assistant opens, where its answer arrives.
FocusScope {
    id: feedback

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strAssistant: "800"
    readonly property alias input: input

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: feedback.closed()

    function send() {
        const strText = input.text.trim();
        if (strText === "") {
            feedback.background.showAlert(feedback.resource.textFeedbackEmpty);
            return;
        }
        feedback.background.sendMsg(strText, feedback.strAssistant);
        input.text = "";
        feedback.background.showAlert(feedback.resource.textFeedbackSent);
        const strName = published.controller.getContactNameByZpid(feedback.strAssistant);
        feedback.mainInterface.openChat(feedback.strAssistant, "", strName !== "" ? strName : feedback.resource.textFeedback,
                                        Codes.ZpidAssistant);
        feedback.closed();
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: feedback.resource.textFeedback
        btnRight: true
        titleRight: feedback.resource.textSend
        onBtnLeftClicked: feedback.closed()
        onBtnRightClicked: feedback.send()
    }

    Rectangle {
        anchors.top: title.bottom
        anchors.topMargin: 12
        anchors.horizontalCenter: parent.horizontalCenter
        width: parent.width - 24
        height: 200
        radius: 4
        color: "white"
        border.color: input.activeFocus ? "#2b7de9" : "#dfe3ea"

        TextEdit {
            id: input
            objectName: "feedbackInput"
            anchors.fill: parent
            anchors.margins: 8
            focus: true
            wrapMode: TextEdit.Wrap
            textFormat: TextEdit.PlainText
            font.pixelSize: 14
            color: "#333333"
            selectByMouse: true

            Text {
                anchors.fill: parent
                visible: input.text === "" && !input.activeFocus
                text: feedback.resource.textFeedbackHint
                color: "#a0a8b5"
                font.pixelSize: 14
                wrapMode: Text.Wrap
            }
        }
    }

    Published {
        id: published
    }
}
