pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "delegate"

// Choosing people from "selectModel" (Core fills it before the screen opens). What the
// chosen rows are for depends on `mode`: "recipient" adds them to the mass-message
// recipients, "card" sends each chosen contact's card to the open conversation's person
// (strZpid), "massCard" sends each chosen card to every mass-message recipient, and "sendTo"
// sends the user's own card to each chosen person, "member" adds the chosen contacts to the
// circle strCircleId, "recommend" recommends them to that circle, and "employee" adds them
// as employees of department strDeptNo of organisation strOrgId.
FocusScope {
    id: select

    required property var background
    required property Resource resource
    required property MainInterface mainInterface
    property string mode: "recipient"
    property string strZpid: ""
    property string strCircleId: ""
    property string strCircleName: ""
    property int iCircleType: 0
    property string strOrgId: ""
    property string strDeptNo: ""
    property bool allChecked: false
    readonly property alias list: list

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: select.closed()
    signal completed

    // Row numbers of the ticked rows, in list order.
    function checkedRows() {
        const rows = [];
        const model = published.selects;
        if (!model)
            return rows;
        for (let i = 0; i < model.length; ++i) {
            if (model[i].bChecked === true)
                rows.push(i);
        }
        return rows;
    }

    function confirm() {
        const rows = select.checkedRows();
        if (select.mode === "recipient") {
            published.controller.addMassContact();
        } else if (select.mode === "member") {
            // Nobody ticked: no request that would change nothing.
            if (rows.length > 0)
                published.controller.modifyCircleMember(Codes.MemberAddContacts, select.strCircleId, "", "", "", "");
        } else if (select.mode === "employee") {
            if (rows.length > 0)
                published.controller.addEmpFromContact(select.strOrgId, select.strDeptNo);
        } else if (select.mode === "recommend") {
            if (rows.length > 0)
                published.controller.recommendFromContact(select.strCircleId, select.strCircleName, select.iCircleType);
        } else {
            for (let i = 0; i < rows.length; ++i) {
                if (select.mode === "card")
                    published.controller.sendCard(rows[i], select.strZpid);
                else if (select.mode === "massCard")
                    published.controller.sendMassCard(rows[i]);
                else if (select.mode === "sendTo")
                    published.controller.sendCardTo(rows[i]);
            }
        }
        select.completed();
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: select.mode === "recipient" ? select.resource.textRecipients
             : select.mode === "member" || select.mode === "employee" ? select.resource.textAddFromContacts
             : select.mode === "recommend" ? select.resource.textRecommend : select.resource.textSendCard
        btnRight: true
        titleRight: select.resource.textOk
        onBtnLeftClicked: select.closed()
        onBtnRightClicked: select.confirm()
    }

    CheckBox {
        id: allBox
        objectName: "allBox"
        anchors.top: title.bottom
        anchors.topMargin: 6
        x: 12
        label: select.resource.textSelectAll
        checked: select.allChecked
        onToggled: function (checked) {
            select.allChecked = checked;
            published.controller.allSelect(checked);
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
        objectName: "selectList"
        anchors.top: allBox.bottom
        anchors.topMargin: 6
        anchors.bottom: parent.bottom
        width: parent.width
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        model: published.selects
        delegate: SelectDelegate {}

        ScrollBar {
            scrollArea: list
            anchors.right: parent.right
            height: parent.height
        }
    }

    Published {
        id: published
    }
}
