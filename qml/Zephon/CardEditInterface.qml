pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "components/CardFields.js" as CardFields

// Editing the own card: one box per card field, the picture (chosen on its own screen), and
// saving, which sends the whole card as one ":"-separated text and waits for the server's
// answer. A ":" typed into a field would split it in two and shift every field after it, so
// it is saved as the full-width "：". Sex is chosen from two, never typed, and saved as its
// code ("0" male, "1" female).
FocusScope {
    id: editScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface
    // The card being edited, as shown on the card screen.
    property string strCard: ""
    property bool saving: false
    readonly property int fieldCount: 14
    readonly property alias fields: fields
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: editScreen.closed()

    function field(index) {
        return published.controller ? published.controller.parseCard(editScreen.strCard, index) : "";
    }

    // The card text of what is typed, field by field in card order.
    function cardText() {
        const values = [];
        for (let i = 0; i < editScreen.fieldCount; ++i) {
            const box = fields.itemAt(i);
            values.push(box ? String(box.value).replace(/:/g, "\uff1a") : "");
        }
        return values.join(":");
    }

    function save() {
        editScreen.saving = true;
        editScreen.background.savePersonalCard(editScreen.cardText());
    }

    // Captions in card order: name, sex, post, company, address, mobile, tel, email,
    // signature, profession, homepage, fax, age, nickname.
    readonly property var captions: [editScreen.resource.textName, editScreen.resource.textSex, editScreen.resource.textPost,
        editScreen.resource.textCompany, editScreen.resource.textAddress, editScreen.resource.textMobile,
        editScreen.resource.textTel, editScreen.resource.textEmail, editScreen.resource.textSignature,
        editScreen.resource.textProfession, editScreen.resource.textHomepage, editScreen.resource.textFax,
        editScreen.resource.textAge, editScreen.resource.textNickname]
    readonly property int sexIndex: 1

    component FieldBox: Row {
        id: box
        required property int index
        required property string modelData
        readonly property bool isSex: box.index === editScreen.sexIndex
        property string sex: CardFields.sexValue(editScreen.field(box.index), editScreen.resource.textMale,
                                                 editScreen.resource.textFemale)
        readonly property string value: box.isSex ? box.sex : input.text
        spacing: 8
        Text {
            width: 64
            anchors.verticalCenter: parent.verticalCenter
            text: box.modelData
            color: "#8a94a6"
            font.pixelSize: 13
        }
        InputBox {
            id: input
            objectName: "input" + box.index
            accessibleName: box.modelData
            visible: !box.isSex
            width: column.width - 72
            height: 30
            text: box.isSex ? "" : editScreen.field(box.index)
        }
        Row {
            visible: box.isSex
            spacing: 8
            Repeater {
                model: box.isSex ? [["0", editScreen.resource.textMale, "sexMale"],
                                    ["1", editScreen.resource.textFemale, "sexFemale"]] : []
                delegate: Button {
                    id: choice
                    required property var modelData
                    objectName: choice.modelData[2]
                    width: 56
                    height: 30
                    label: choice.modelData[1]
                    color: box.sex === choice.modelData[0] ? "#2b7de9" : "#c5ccd8"
                    onClicked: box.sex = choice.modelData[0]
                }
            }
        }
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: editScreen.resource.textPersonalCard
        btnRight: true
        titleRight: editScreen.resource.textSave
        onBtnLeftClicked: editScreen.closed()
        onBtnRightClicked: editScreen.save()
    }

    Flickable {
        anchors.top: title.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        contentHeight: column.height + 20
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        Column {
            id: column
            x: 12
            y: 10
            width: parent.width - 24
            spacing: 6

            UserPic {
                objectName: "userPic"
                strType: "middle"
                iType: Codes.ZpidOwn
                strZpid: editScreen.background.strSelfZpid
                strName: editScreen.field(0)
                onClicked: stack.open(Qt.resolvedUrl("UserPicInterface.qml"))
            }

            Repeater {
                id: fields
                model: editScreen.captions
                delegate: FieldBox {}
            }
        }
    }

    ScreenStack {
        id: stack
        background: editScreen.background
        resource: editScreen.resource
        mainInterface: editScreen.mainInterface
    }

    Connections {
        target: published.controller
        function onSig_saveCard(iRet) {
            if (!editScreen.saving)
                return;
            editScreen.saving = false;
            if (iRet === Codes.ReplyOk) {
                editScreen.background.showAlert(editScreen.resource.textSaveOk);
                editScreen.closed();
            } else {
                editScreen.background.showAlert(editScreen.resource.textSaveFailed);
            }
        }
    }

    Published {
        id: published
    }
}
