import QtQuick

// A user's picture: the stored one when there is one, otherwise the placeholder for the
// kind of user, with the last character of the name printed on the plain placeholder.
Item {
    id: userPic

    property int iType: 2
    property int iSubType: 0
    property string strZpid: ""
    property string strName: ""
    // Size word of the placeholder pictures: "small", "middle" or "large".
    property string strType: "small"
    // Whether the picture carries the mark of a person who is signed in now.
    property bool showPresence: false
    property string strLastName: published.controller ? published.controller.getLastName(userPic.strName) : ""
    // Bumped when a picture for strZpid arrives, so hasUserPic is asked again.
    property int revision: 0
    property bool hasUserPic: userPic.revision >= 0 && published.controller !== null
                              && userPic.strZpid !== "" && published.controller.hasUserPic(userPic.strZpid)
    readonly property string placeholder: published.controller
        ? published.controller.getUserPic(userPic.iType, userPic.iSubType, userPic.strLastName, userPic.strType) : ""
    readonly property alias source: picture.source

    signal clicked

    implicitWidth: userPic.strType === "small" ? 40 : userPic.strType === "middle" ? 56 : 100
    implicitHeight: implicitWidth
    opacity: enabled ? 1.0 : 0.6

    // The provider's address stays the same for a new picture, so the source is cleared and
    // set again to make the image ask for it anew.
    function reload() {
        userPic.revision++;
        picture.source = "";
        picture.source = Qt.binding(function () {
            return userPic.hasUserPic ? "image://userpic/" + userPic.strZpid : userPic.placeholder;
        });
    }

    Image {
        id: picture
        objectName: "picture"
        anchors.fill: parent
        cache: false
        smooth: true
        fillMode: Image.PreserveAspectCrop
        sourceSize.width: 173
        sourceSize.height: 173
        source: userPic.hasUserPic ? "image://userpic/" + userPic.strZpid : userPic.placeholder
    }

    Text {
        objectName: "lastName"
        anchors.centerIn: parent
        visible: !userPic.hasUserPic && userPic.placeholder.endsWith("-bg.png")
        text: userPic.strLastName
        textFormat: Text.PlainText
        color: "white"
        font.pixelSize: userPic.height * 0.45
    }

    PresenceMark {
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        strZpid: userPic.showPresence ? userPic.strZpid : ""
    }

    MouseArea {
        anchors.fill: parent
        enabled: userPic.enabled
        cursorShape: Qt.PointingHandCursor
        onClicked: userPic.clicked()
    }

    Connections {
        target: published.controller
        function onSig_updateCardPic(strZpid) {
            if (strZpid === userPic.strZpid)
                userPic.reload();
        }
    }

    Published {
        id: published
    }
}
