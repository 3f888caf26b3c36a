pragma ComponentBehavior: Bound

import QtQuick
import "components"
import "delegate"

// Results of a search: users ("searchuserModel") and circles ("searchcircleModel"). A user
// opens their card, which is asked of the server first; a circle opens its facts.
FocusScope {
    id: results

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property alias userList: userList
    readonly property alias circleList: circleList
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: results.closed()

    function showUser(row) {
        results.mainInterface.strCard = "";
        results.mainInterface.strCardZpid = row.strZpid;
        published.controller.getStrangeCard(row.strZpid);
        stack.open(Qt.resolvedUrl("CardInterface.qml"), {
            "bAsked": true
        });
    }

    // A circle found opens its facts: a circle the user is not in offers to apply.
    function showCircle(row) {
        results.mainInterface.selectCircle(row);
        stack.open(Qt.resolvedUrl("CircleManagement.qml"));
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: results.resource.textSearch
        onBtnLeftClicked: results.closed()
    }

    Column {
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        width: parent.width

        Text {
            x: 10
            height: 24
            verticalAlignment: Text.AlignVCenter
            visible: userList.count > 0
            text: results.resource.textUsers
            color: "#8a94a6"
            font.pixelSize: 12
        }

        ListView {
            id: userList
            // One stop of Tab for the list: the focus goes to the current row, Up and Down go
            // through the rows.
            activeFocusOnTab: userList.count > 0
            Accessible.role: Accessible.List
            Accessible.name: results.resource.textUsers
            onActiveFocusChanged: {
                if (userList.activeFocus && userList.currentIndex < 0 && userList.count > 0)
                    userList.currentIndex = 0;
            }
            objectName: "userList"
            width: parent.width
            height: Math.min(userList.contentHeight, parent.height / 2)
            clip: true
            interactive: userList.contentHeight > userList.height
            model: published.searchUsers
            delegate: SearchUserDelegate {
                id: userRow
                onDoubleClicked: results.showUser(userRow.modelData)
                onUserPicClicked: results.showUser(userRow.modelData)
            }
        }

        Text {
            x: 10
            height: 24
            verticalAlignment: Text.AlignVCenter
            visible: circleList.count > 0
            text: results.resource.textCircles
            color: "#8a94a6"
            font.pixelSize: 12
        }

        ListView {
            id: circleList
            // One stop of Tab for the list: the focus goes to the current row, Up and Down go
            // through the rows.
            activeFocusOnTab: circleList.count > 0
            Accessible.role: Accessible.List
            Accessible.name: results.resource.textCircles
            onActiveFocusChanged: {
                if (circleList.activeFocus && circleList.currentIndex < 0 && circleList.count > 0)
                    circleList.currentIndex = 0;
            }
            objectName: "circleList"
            width: parent.width
            height: Math.min(circleList.contentHeight, parent.height / 2)
            clip: true
            interactive: circleList.contentHeight > circleList.height
            model: published.searchCircles
            delegate: SearchCircleDelegate {
                id: circleRow
                creatorText: results.resource.textCircleCreator
                onDoubleClicked: results.showCircle(circleRow.modelData)
                onUserPicClicked: results.showCircle(circleRow.modelData)
            }
        }
    }

    ScreenStack {
        id: stack
        background: results.background
        resource: results.resource
        mainInterface: results.mainInterface
    }

    Published {
        id: published
    }
}
