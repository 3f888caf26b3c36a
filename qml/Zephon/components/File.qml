import QtQuick
import Zephon.Codes
import "TransferFilter.js" as TransferFilter

// Bubble of a file message: kind icon, name and size, receive and cancel for an incoming
// file, and the progress of the running transfer.
Rectangle {
    id: file

    property int iMsgId: 0
    property int iType: 0
    property int iMsgState: 0
    property bool bSend: false
    // md5:name:size:date:suffix
    property string fileinfo: ""
    property string filepath: ""
    property string strZpid: ""

    readonly property var fields: String(file.fileinfo).split(":")
    readonly property string md5: file.fields.length > 0 ? file.fields[0] : ""
    readonly property string fileName: file.fields.length > 1 ? file.fields[1] : ""
    readonly property string fileSize: file.fields.length > 2 ? file.fields[2] : ""
    readonly property string fileDate: file.fields.length > 3 ? file.fields[3] : ""
    readonly property string suffix: file.fields.length > 4 ? file.fields[4].toLowerCase() : ""
    property bool transferring: file.bSend && file.iMsgState === Codes.TransferQueued
    property bool finished: false
    property int progress: 0

    property string receiveLabel: qsTr("接收")
    property string cancelLabel: qsTr("取消")
    property string receivedLabel: qsTr("已接收")
    property string sentLabel: qsTr("已发送")
    property string cancelledLabel: qsTr("已取消")
    property string failedLabel: qsTr("发送失败")

    readonly property var kinds: ({
        "jpg": "picture", "jpeg": "picture", "png": "picture", "bmp": "picture", "gif": "picture",
        "mp3": "audio", "wav": "audio", "wma": "audio", "amr": "audio", "aac": "audio",
        "ogg": "audio", "flac": "audio",
        "mp4": "video", "avi": "video", "rmvb": "video", "rm": "video", "mkv": "video",
        "wmv": "video", "mov": "video", "3gp": "video", "flv": "video",
        "doc": "document", "docx": "document", "xls": "document", "xlsx": "document",
        "ppt": "document", "pptx": "document", "pdf": "document", "txt": "document",
        "wps": "document"
    })

    function kindOf(strSuffix) {
        return file.kinds[strSuffix] || "other";
    }

    function receive() {
        if (!published.pending)
            return;
        const path = published.controller.chooseDir(file.fileName, file.suffix);
        if (!path)
            return;
        file.transferring = true;
        published.controller.downloadFile(file.md5, path, file.strZpid, file.iMsgId, file.iType);
    }

    function cancel() {
        if (!published.pending)
            return;
        file.transferring = false;
        published.controller.cancelRecvFile(file.filepath, file.strZpid, !file.bSend, file.iMsgId);
    }

    function statusText() {
        if (file.finished || file.iMsgState === Codes.TransferDone)
            return file.bSend ? file.sentLabel : file.receivedLabel;
        if (file.iMsgState === Codes.TransferCancelled)
            return file.cancelledLabel;
        if (file.iMsgState === Codes.TransferFailed)
            return file.failedLabel;
        return "";
    }

    width: 220
    height: 78
    radius: 6
    color: "white"
    border.color: "#dfe3ea"

    Image {
        id: icon
        objectName: "fileIcon"
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.top: parent.top
        anchors.topMargin: 10
        width: 36
        height: 44
        source: "images/file-" + file.kindOf(file.suffix) + ".png"
    }

    Column {
        anchors.left: icon.right
        anchors.leftMargin: 10
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.top: icon.top
        spacing: 4

        Text {
            objectName: "fileName"
            width: parent.width
            text: file.fileName
            textFormat: Text.PlainText
            elide: Text.ElideMiddle
            color: "#333333"
            font.pixelSize: 14
        }
        Text {
            width: parent.width
            text: file.fileSize
            textFormat: Text.PlainText
            color: "#8a94a6"
            font.pixelSize: 12
        }
    }

    Row {
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 6
        spacing: 12

        BusyIndicator {
            objectName: "progress"
            width: 20
            height: 20
            on: file.transferring && !file.finished && file.iMsgState === Codes.TransferQueued
            progress: file.progress
        }
        Text {
            objectName: "status"
            text: file.statusText()
            textFormat: Text.PlainText
            visible: text !== ""
            color: "#8a94a6"
            font.pixelSize: 12
        }
        Text {
            objectName: "btnReceive"
            visible: !file.bSend && file.iMsgState === Codes.TransferQueued && !file.transferring && !file.finished
            text: file.receiveLabel
            color: "#2b7de9"
            font.pixelSize: 13
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: text
            Accessible.onPressAction: file.receive()
            Keys.onSpacePressed: file.receive()
            Keys.onReturnPressed: file.receive()
            Keys.onEnterPressed: file.receive()
            FocusFrame {}
            MouseArea {
                anchors.fill: parent
                onClicked: file.receive()
            }
        }
        Text {
            objectName: "btnCancel"
            visible: file.iMsgState === Codes.TransferQueued && !file.finished
            text: file.cancelLabel
            color: "#2b7de9"
            font.pixelSize: 13
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: text
            Accessible.onPressAction: file.cancel()
            Keys.onSpacePressed: file.cancel()
            Keys.onReturnPressed: file.cancel()
            Keys.onEnterPressed: file.cancel()
            FocusFrame {}
            MouseArea {
                anchors.fill: parent
                onClicked: file.cancel()
            }
        }
    }

    Connections {
        target: published.controller
        function onSig_progress(strProgress, download, iMsgId, iType) {
            if (!TransferFilter.matches(file.bSend, file.iMsgId, file.iType, file.iMsgState,
                                        download, iMsgId, iType))
                return;
            file.transferring = true;
            file.progress = TransferFilter.percent(strProgress);
        }
        function onSig_success(filename, strZpid, download, iMsgId, iType) {
            if (!TransferFilter.matches(file.bSend, file.iMsgId, file.iType, file.iMsgState,
                                        download, iMsgId, iType))
                return;
            file.finished = true;
            file.transferring = false;
        }
        // A failed download offers "接收" again; a failed upload shows its state once the
        // conversation is read again.
        function onSig_failed(strZpid, download, iMsgId, iType) {
            if (!TransferFilter.matches(file.bSend, file.iMsgId, file.iType, file.iMsgState,
                                        download, iMsgId, iType))
                return;
            file.transferring = false;
            file.progress = 0;
        }
    }

    Published {
        id: published
    }
}
