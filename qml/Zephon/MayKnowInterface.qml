pragma ComponentBehavior: Bound

import QtQuick
import "components"
import "delegate"

// People the user may know ("mayknowModel", filled by Core before the screen opens and
// completed as their cards arrive), filtered by all, female or male; a person opens their
// card.
FocusScope {
    id: mayKnow

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    // "" everybody, otherwise the sex text a person's card must show.
    property string strSex: ""
    readonly property alias list: list
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: mayKnow.closed()

    function showCard(row) {
        mayKnow.mainInterface.strCard = "";
        mayKnow.mainInterface.strCardZpid = row.strZpid;
        stack.open(Qt.resolvedUrl("CardInterface.qml"));
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: mayKnow.resource.textMayKnow
        onBtnLeftClicked: mayKnow.closed()
    }

    Row {
        id: filters
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.horizontalCenter: parent.horizontalCenter

        Repeater {
            model: [["", mayKnow.resource.textAll], [mayKnow.resource.textFemale, mayKnow.resource.textFemale],
                [mayKnow.resource.textMale, mayKnow.resource.textMale]]
            delegate: Button {
                id: filterButton
                required property var modelData
                required property int index
                objectName: "filter" + filterButton.index
                width: 80
                height: 28
                label: filterButton.modelData[1]
                color: mayKnow.strSex === filterButton.modelData[0] ? "#2b7de9" : "white"
                textColor: mayKnow.strSex === filterButton.modelData[0] ? "white" : "#2b7de9"
                onClicked: mayKnow.strSex = filterButton.modelData[0]
            }
        }
    }

    ListView {
        id: list
        // One stop of Tab for the list: the focus goes to the current row, Up and Down go
        // through the rows.
        activeFocusOnTab: list.count > 0
        Accessible.role: Accessible.List
        Accessible.name: title.title
        onActiveFocusChanged: {
            if (list.activeFocus && list.currentIndex < 0 && list.count > 0)
                list.currentIndex = 0;
        }
        objectName: "mayKnowList"
        anchors.top: filters.bottom
        anchors.topMargin: 8
        anchors.bottom: parent.bottom
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.mayKnow
        delegate: MayKnowDelegate {
            id: row
            readonly property bool shown: mayKnow.strSex === "" || row.modelData.strSex === mayKnow.strSex
            visible: row.shown
            height: row.shown ? 60 : 0
            onDoubleClicked: mayKnow.showCard(row.modelData)
            onUserPicClicked: mayKnow.showCard(row.modelData)
        }

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    ScreenStack {
        id: stack
        background: mayKnow.background
        resource: mayKnow.resource
        mainInterface: mayKnow.mainInterface
    }

    Published {
        id: published
    }
}
