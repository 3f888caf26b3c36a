import QtQuick

// Outline drawn around its parent while the target (the parent unless set) has the keyboard
// focus, so that the item that Space and Enter act on can be seen. An item inside a scrolled
// area is scrolled into view when it takes the focus, as Tab may land on one out of sight.
Rectangle {
    id: frame

    property Item target: parent

    // Scrolls the nearest enclosing Flickable so that the target lies inside its view.
    function reveal() {
        for (let area = frame.target.parent; area; area = area.parent) {
            if (!(area instanceof Flickable))
                continue;
            const flickable = area as Flickable;
            const top = frame.target.mapToItem(flickable.contentItem, 0, 0).y;
            const bottom = top + frame.target.height;
            const lowest = Math.max(flickable.originY, flickable.originY + flickable.contentHeight - flickable.height);
            let contentY = flickable.contentY;
            if (top < contentY)
                contentY = top - 4;
            else if (bottom > contentY + flickable.height)
                contentY = bottom - flickable.height + 4;
            flickable.contentY = Math.max(flickable.originY, Math.min(lowest, contentY));
            return;
        }
    }

    anchors.fill: parent
    anchors.margins: -1
    z: 50
    visible: frame.target !== null && frame.target.activeFocus
    radius: 3
    color: "transparent"
    border.width: 2
    border.color: "#f5a623"

    Connections {
        target: frame.target
        function onActiveFocusChanged() {
            if (frame.target.activeFocus)
                frame.reveal();
        }
    }
}
