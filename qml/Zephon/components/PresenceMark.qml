import QtQuick

// A green dot shown while the person strZpid is signed in, as the service last told the
// controller; it asks again whenever that person's presence, or everyone's, changed.
Rectangle {
    id: mark

    property string strZpid: ""
    // Bumped by the controller's presence notices, so isOnline is asked again.
    property int revision: 0
    readonly property bool online: mark.revision >= 0 && published.controller !== null
                                   && mark.strZpid !== "" && published.controller.isOnline(mark.strZpid)

    objectName: "presence"
    width: 10
    height: 10
    radius: 5
    color: "#3cb371"
    border.color: "white"
    border.width: 1.5
    visible: mark.online
    Accessible.role: Accessible.Indicator
    Accessible.name: qsTr("在线")

    Connections {
        target: published.controller
        function onSig_updatePresence(strZpid, bOnline) {
            if (strZpid === "" || strZpid === mark.strZpid)
                mark.revision++;
        }
    }

    Published {
        id: published
    }
}
