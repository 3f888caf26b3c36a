import QtQuick
import Zephon.Codes
import "components"

// The call screen over all tabs: who, what the call is doing (dialling, ringing, talking with
// its running time), answer and refuse for an incoming call, hang-up, and the silence button
// that mutes the microphone. The call's end comes back from core as sig_updateCall, on which
// the main screen closes this one.
Rectangle {
    id: callInterface

    required property var background
    required property Resource resource
    required property var mainInterface

    signal closed

    color: "#24344d"
    focus: true

    readonly property bool ringing: callInterface.mainInterface.iCallState === Codes.PhaseRinging
    readonly property bool talking: callInterface.mainInterface.iCallState === Codes.PhaseTalking

    function answer() {
        const controller = published.controller;
        if (controller) {
            controller.stopRing();
            controller.startAudio();
        }
        callInterface.mainInterface.iCallState = Codes.PhaseTalking;
        callInterface.background.agree(callInterface.mainInterface.call_strZpid);
    }

    function hangUp() {
        if (callInterface.ringing)
            callInterface.background.refuse(callInterface.mainInterface.call_strZpid);
        else
            callInterface.background.hangup(callInterface.mainInterface.call_strZpid);
    }

    Published {
        id: published
    }

    Connections {
        target: published.controller
        function onSig_updateCall(iState, strZpid) {
            if (iState === Codes.CallAnswered && strZpid === callInterface.mainInterface.call_strZpid)
                callInterface.mainInterface.iCallState = Codes.PhaseTalking;
        }
    }

    Timer {
        id: clock
        objectName: "clock"
        interval: 1000
        repeat: true
        running: callInterface.talking
        onTriggered: callInterface.mainInterface.iCallTime += 1
    }

    Column {
        anchors.top: parent.top
        anchors.topMargin: 60
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12

        UserPic {
            anchors.horizontalCenter: parent.horizontalCenter
            strZpid: callInterface.mainInterface.call_strZpid
            strName: callInterface.mainInterface.call_strName
            strType: "middle"
            enabled: false
        }
        Text {
            objectName: "peerName"
            anchors.horizontalCenter: parent.horizontalCenter
            width: callInterface.width - 40
            horizontalAlignment: Text.AlignHCenter
            text: callInterface.mainInterface.call_strName
            textFormat: Text.PlainText
            elide: Text.ElideRight
            color: "white"
            font.pixelSize: 20
        }
        Text {
            objectName: "peerPhone"
            anchors.horizontalCenter: parent.horizontalCenter
            text: callInterface.mainInterface.call_strPhone
            textFormat: Text.PlainText
            color: "#b8c4d6"
            font.pixelSize: 14
        }
        Text {
            objectName: "callState"
            anchors.horizontalCenter: parent.horizontalCenter
            text: callInterface.talking
                  ? (published.controller ? published.controller.formatTime(callInterface.mainInterface.iCallTime) : "")
                  : callInterface.ringing ? callInterface.resource.textIncomingCall
                                          : callInterface.resource.textCalling
            textFormat: Text.PlainText
            color: "#b8c4d6"
            font.pixelSize: 14
        }
    }

    Button {
        id: silence
        objectName: "silence"
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: buttons.top
        anchors.bottomMargin: 24
        width: 110
        height: 36
        visible: callInterface.talking
        checkable: true
        label: callInterface.resource.textMute
        color: silence.checked ? "#e8a33d" : "#3b4d6b"
        onToggled: function (checked) {
            if (published.controller)
                published.controller.setMute(checked);
        }
    }

    Row {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 40
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 30

        Button {
            objectName: "answer"
            width: 100
            height: 40
            visible: callInterface.ringing
            label: callInterface.resource.textAnswer
            color: "#2fbf71"
            onClicked: callInterface.answer()
        }
        Button {
            objectName: "hangup"
            width: 100
            height: 40
            label: callInterface.resource.textHangup
            color: "#e84a3d"
            onClicked: callInterface.hangUp()
        }
    }

    Keys.onEscapePressed: callInterface.hangUp()
    // Enter takes a ringing call.
    Keys.onReturnPressed: {
        if (callInterface.ringing)
            callInterface.answer();
    }
    Keys.onEnterPressed: {
        if (callInterface.ringing)
            callInterface.answer();
    }
}
