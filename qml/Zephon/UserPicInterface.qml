pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"

// Choosing the own picture: a picture file is shown under a 173 x 173 frame; the user drags
// it until the frame holds the part wanted, and saving has Core cut exactly that square out
// of the window, keep it as the own picture and send it to the server.
FocusScope {
    id: picScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface
    property string strFile: ""
    property bool saving: false
    readonly property int frameSize: 173
    readonly property alias frame: frame
    readonly property alias picture: picture

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: picScreen.closed()

    function choose() {
        const strChosen = published.controller.chooseImage();
        // A cancelled dialog gives the bare "file:///".
        if (strChosen.length > 8)
            picScreen.strFile = strChosen;
    }

    function save() {
        if (picScreen.strFile === "")
            return;
        // grabImage takes the top-left corner of the square in window coordinates.
        const corner = frame.mapToItem(null, 0, 0);
        picScreen.saving = true;
        published.controller.grabImage(Math.round(corner.x), Math.round(corner.y));
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: picScreen.resource.textChoosePicture
        btnRight: picScreen.strFile !== ""
        titleRight: picScreen.resource.textSave
        onBtnLeftClicked: picScreen.closed()
        onBtnRightClicked: picScreen.save()
    }

    Item {
        id: area
        anchors.top: title.bottom
        anchors.bottom: chooseButton.top
        anchors.bottomMargin: 10
        width: parent.width
        clip: true

        Image {
            id: picture
            objectName: "picture"
            source: picScreen.strFile
            x: (area.width - width) / 2
            y: (area.height - height) / 2
            fillMode: Image.PreserveAspectFit
            asynchronous: true

            MouseArea {
                anchors.fill: parent
                drag.target: picture
                cursorShape: Qt.SizeAllCursor
            }
        }

        Rectangle {
            id: frame
            objectName: "frame"
            anchors.centerIn: parent
            width: picScreen.frameSize
            height: picScreen.frameSize
            color: "transparent"
            border.color: "white"
            border.width: 1
        }
    }

    Button {
        id: chooseButton
        objectName: "btnChoose"
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 12
        anchors.horizontalCenter: parent.horizontalCenter
        width: 140
        height: 34
        label: picScreen.resource.textChoosePicture
        onClicked: picScreen.choose()
    }

    Connections {
        target: published.controller
        function onSig_saveCardPic(iRet) {
            if (!picScreen.saving)
                return;
            picScreen.saving = false;
            if (iRet === Codes.ReplyOk) {
                picScreen.background.showAlert(picScreen.resource.textSaveOk);
                picScreen.closed();
            } else {
                picScreen.background.showAlert(picScreen.resource.textSaveFailed);
            }
        }
    }

    Published {
        id: published
    }
}
