import QtQuick
import Zephon.Codes
import "TransferFilter.js" as TransferFilter

// Picture message: the picture itself, with a spinner while it is still being transferred.
Item {
    id: picture

    property int iMsgId: 0
    property int iType: 0
    property int iMsgState: 0
    property bool bSend: false
    property string picname: ""
    // Of a received picture: md5:name:size:date:suffix, and the sender.
    property string fileinfo: ""
    property string strZpid: ""
    property bool failed: false
    property bool finished: false
    property int progress: 0
    property int maxSide: 160
    // What a screen reader says for the picture.
    property string accessibleName: qsTr("图片")

    signal clicked

    function reload() {
        image.source = "";
        image.source = Qt.binding(function () {
            return TransferFilter.toUrl(picture.picname);
        });
    }

    width: image.status === Image.Ready ? image.paintedWidth : 100
    height: image.status === Image.Ready ? image.paintedHeight : 80

    Rectangle {
        anchors.fill: parent
        visible: image.status !== Image.Ready
        radius: 6
        color: "#eceff3"
    }

    Image {
        id: image
        objectName: "image"
        width: Math.min(picture.maxSide, sourceSize.width)
        height: Math.min(picture.maxSide, sourceSize.height)
        fillMode: Image.PreserveAspectFit
        cache: false
        asynchronous: true
        source: TransferFilter.toUrl(picture.picname)
    }

    BusyIndicator {
        objectName: "progress"
        anchors.centerIn: parent
        on: picture.iMsgState === Codes.TransferQueued && !picture.finished && !picture.failed
        progress: picture.progress
    }

    Text {
        id: receiveText
        objectName: "btnReceive"
        anchors.centerIn: parent
        visible: picture.failed && !picture.bSend
        text: qsTr("接收")
        color: "#2b7de9"
        font.pixelSize: 13
    }

    // Opens the picture, or fetches it again when its transfer failed.
    function press() {
        if (!picture.failed || picture.bSend || !published.pending) {
            picture.clicked();
            return;
        }
        const fields = String(picture.fileinfo).split(":");
        picture.failed = false;
        published.controller.downloadFile(fields[0], fields.length > 1 ? fields[1] : "",
                                       picture.strZpid, picture.iMsgId, picture.iType);
    }

    activeFocusOnTab: true
    Accessible.role: Accessible.Graphic
    Accessible.name: picture.failed && !picture.bSend ? receiveText.text : picture.accessibleName
    Accessible.onPressAction: picture.press()
    Keys.onSpacePressed: picture.press()
    Keys.onReturnPressed: picture.press()
    Keys.onEnterPressed: picture.press()

    FocusFrame {}

    MouseArea {
        anchors.fill: parent
        onClicked: picture.press()
    }

    Connections {
        target: published.controller
        function onSig_progress(strProgress, download, iMsgId, iType) {
            if (TransferFilter.matches(picture.bSend, picture.iMsgId, picture.iType,
                                       picture.iMsgState, download, iMsgId, iType))
                picture.progress = TransferFilter.percent(strProgress);
        }
        function onSig_success(filename, strZpid, download, iMsgId, iType) {
            if (!TransferFilter.matches(picture.bSend, picture.iMsgId, picture.iType,
                                        picture.iMsgState, download, iMsgId, iType))
                return;
            picture.finished = true;
            picture.reload();
        }
        function onSig_failed(strZpid, download, iMsgId, iType) {
            if (TransferFilter.matches(picture.bSend, picture.iMsgId, picture.iType,
                                       picture.iMsgState, download, iMsgId, iType))
                picture.failed = true;
        }
    }

    Published {
        id: published
    }
}
