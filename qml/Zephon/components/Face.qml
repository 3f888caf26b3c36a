pragma ComponentBehavior: Bound

import QtQuick

// Emoticon picker over "faceModel"; a pick reports the emoticon's id.
Rectangle {
    id: face

    property int cellSize: 34

    signal clicked(string strId)

    implicitWidth: 280
    implicitHeight: 160
    color: "white"
    border.color: "#dfe3ea"

    GridView {
        id: grid
        anchors.fill: parent
        anchors.margins: 4
        clip: true
        cellWidth: face.cellSize
        cellHeight: face.cellSize
        model: published.faces
        boundsBehavior: Flickable.StopAtBounds

        delegate: Item {
            id: cell
            required property var modelData
            width: grid.cellWidth
            height: grid.cellHeight
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: published.controller ? published.controller.getSign(cell.modelData.strId) : cell.modelData.strId
            Accessible.onPressAction: face.clicked(cell.modelData.strId)
            Keys.onSpacePressed: face.clicked(cell.modelData.strId)
            Keys.onReturnPressed: face.clicked(cell.modelData.strId)
            Keys.onEnterPressed: face.clicked(cell.modelData.strId)

            FocusFrame {}

            Rectangle {
                anchors.fill: parent
                anchors.margins: 1
                radius: 4
                color: mouse.containsMouse ? "#e8f1fd" : "transparent"
            }
            Image {
                anchors.centerIn: parent
                width: 24
                height: 24
                source: "images/face/face_" + cell.modelData.strId + ".png"
            }
            MouseArea {
                id: mouse
                anchors.fill: parent
                hoverEnabled: true
                onClicked: face.clicked(cell.modelData.strId)
            }
        }
    }

    ScrollBar {
        scrollArea: grid
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.bottom: parent.bottom
    }

    Published {
        id: published
    }
}
