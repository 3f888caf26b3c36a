pragma ComponentBehavior: Bound

import QtQuick
import Zephon.Codes
import "components"
import "components/CardFields.js" as CardFields

// A person's business card. The card is the one handed over on the main screen (strCard), or
// the one Core holds for strCardZpid; a person Core has no card of is asked for, and the
// answer shows when it arrives. The own card can be edited and sent to contacts; another
// person's card offers a card exchange and a conversation.
FocusScope {
    id: cardScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property string strZpid: cardScreen.mainInterface.strCardZpid
    readonly property bool own: cardScreen.strZpid !== "" && published.controller !== null
                                && published.controller.getZpidType(cardScreen.strZpid) === Codes.ZpidOwn
    // The ":"-separated card shown; a stranger's card (the server's answer) keeps its fields
    // at other places.
    property string strCard: ""
    property bool bStrange: false
    // The opener has already asked the server for this person's card.
    property bool bAsked: false
    // The own card as last sent for saving, shown once the server confirms it.
    property string strSavingCard: ""
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: cardScreen.closed()

    function field(index) {
        return published.controller ? published.controller.parseCard(cardScreen.strCard, index) : "";
    }

    function load() {
        cardScreen.bStrange = false;
        if (cardScreen.mainInterface.strCard !== "") {
            cardScreen.strCard = cardScreen.mainInterface.strCard;
            return;
        }
        if (cardScreen.own && published.personalCard !== "") {
            cardScreen.strCard = published.personalCard;
            return;
        }
        if (cardScreen.bAsked || cardScreen.strZpid === "") {
            cardScreen.strCard = "";
            return;
        }
        // An unknown key makes Core ask the server; the answer is sig_getStrangeCard.
        cardScreen.strCard = published.controller.getCard(cardScreen.strZpid, 0);
    }

    // A field as a person reads it: the sex as a word rather than its code.
    function shown(index) {
        const value = cardScreen.field(index);
        return index === cardScreen.sexIndex
            ? CardFields.sexText(value, cardScreen.resource.textMale, cardScreen.resource.textFemale) : value;
    }

    readonly property int sexIndex: cardScreen.bStrange ? 2 : 1
    // Shown rows: caption and card field; a stranger's card has name, sex, company and mobile,
    // the short card name, sex, address and company, and nothing else of it is shown.
    readonly property var rows: cardScreen.bStrange
        ? [[cardScreen.resource.textSex, 2], [cardScreen.resource.textCompany, 3], [cardScreen.resource.textMobile, 5]]
        : CardFields.isShortCard(cardScreen.strCard)
        ? [[cardScreen.resource.textSex, 1], [cardScreen.resource.textAddress, 2], [cardScreen.resource.textCompany, 3]]
        : [[cardScreen.resource.textNickname, 13], [cardScreen.resource.textSex, 1], [cardScreen.resource.textAge, 12],
           [cardScreen.resource.textPost, 2], [cardScreen.resource.textCompany, 3], [cardScreen.resource.textProfession, 9],
           [cardScreen.resource.textMobile, 5], [cardScreen.resource.textTel, 6], [cardScreen.resource.textFax, 11],
           [cardScreen.resource.textEmail, 7], [cardScreen.resource.textHomepage, 10], [cardScreen.resource.textAddress, 4],
           [cardScreen.resource.textSignature, 8]]

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: cardScreen.own ? cardScreen.resource.textPersonalCard : cardScreen.resource.textCard
        btnRight: cardScreen.own
        titleRight: cardScreen.resource.textEdit
        onBtnLeftClicked: cardScreen.closed()
        onBtnRightClicked: stack.open(Qt.resolvedUrl("CardEditInterface.qml"), {
            "strCard": cardScreen.strCard
        })
    }

    Flickable {
        anchors.top: title.bottom
        anchors.bottom: buttons.top
        width: parent.width
        contentHeight: column.height + 20
        clip: true
        boundsBehavior: Flickable.StopAtBounds

        Column {
            id: column
            y: 10
            x: 12
            width: parent.width - 24
            spacing: 6

            Row {
                spacing: 12
                UserPic {
                    strType: "middle"
                    iType: cardScreen.own ? Codes.ZpidOwn : Codes.ZpidRegistered
                    strZpid: cardScreen.strZpid
                    strName: cardScreen.field(0)
                    showPresence: !cardScreen.own
                }
                Column {
                    anchors.verticalCenter: parent.verticalCenter
                    Text {
                        objectName: "cardName"
                        text: cardScreen.field(0) !== "" ? cardScreen.field(0) : cardScreen.field(5)
                        textFormat: Text.PlainText
                        color: "#333333"
                        font.pixelSize: 18
                    }
                    Text {
                        objectName: "cardZpid"
                        text: cardScreen.strZpid
                        textFormat: Text.PlainText
                        color: "#8a94a6"
                        font.pixelSize: 12
                    }
                }
            }

            Text {
                objectName: "waiting"
                visible: cardScreen.strCard === "" && cardScreen.strZpid !== ""
                text: cardScreen.resource.textWaitingCard
                color: "#8a94a6"
                font.pixelSize: 13
            }

            Repeater {
                model: cardScreen.rows
                delegate: Row {
                    id: fieldRow
                    required property var modelData
                    readonly property string value: cardScreen.shown(fieldRow.modelData[1])
                    objectName: "field" + fieldRow.modelData[1]
                    visible: fieldRow.value !== ""
                    spacing: 8
                    Text {
                        width: 64
                        text: fieldRow.modelData[0]
                        color: "#8a94a6"
                        font.pixelSize: 13
                    }
                    Text {
                        objectName: "value"
                        width: column.width - 72
                        text: fieldRow.value
                        textFormat: Text.PlainText
                        wrapMode: Text.Wrap
                        color: "#333333"
                        font.pixelSize: 13
                    }
                }
            }
        }
    }

    Row {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 10
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 10

        Button {
            objectName: "btnSendCard"
            visible: cardScreen.own
            width: 120
            height: 34
            label: cardScreen.resource.textSendCard
            onClicked: {
                published.controller.getSelect(2, "");
                stack.open(Qt.resolvedUrl("SelectInterface.qml"), {
                    "mode": "sendTo"
                });
            }
        }
        Button {
            objectName: "btnExchange"
            visible: !cardScreen.own && cardScreen.strZpid !== ""
            width: 120
            height: 34
            label: cardScreen.resource.textExchangeCard
            onClicked: {
                published.controller.exchangeCardRequest(cardScreen.strZpid);
                cardScreen.background.showAlert(cardScreen.resource.textRequestSent);
            }
        }
        Button {
            objectName: "btnChat"
            visible: !cardScreen.own && cardScreen.strZpid !== ""
            width: 120
            height: 34
            label: cardScreen.resource.textChat
            onClicked: cardScreen.mainInterface.openChat(cardScreen.strZpid, cardScreen.field(5),
                                                         cardScreen.field(0),
                                                         published.controller.getZpidType(cardScreen.strZpid))
        }
    }

    ScreenStack {
        id: stack
        background: cardScreen.background
        resource: cardScreen.resource
        mainInterface: cardScreen.mainInterface
    }

    Connections {
        target: published.controller
        function onSig_getStrangeCard(strZpid, strCard) {
            if (strZpid !== cardScreen.strZpid || cardScreen.strCard !== "")
                return;
            cardScreen.bStrange = true;
            cardScreen.strCard = strCard;
        }
        function onSig_saveCard(iRet) {
            if (iRet === Codes.ReplyOk && cardScreen.own && cardScreen.strSavingCard !== "")
                cardScreen.strCard = cardScreen.strSavingCard;
            cardScreen.strSavingCard = "";
        }
    }

    Connections {
        target: cardScreen.background
        function onSavePersonalCard(strCard) {
            cardScreen.strSavingCard = strCard;
        }
    }

    // Core publishes the own card anew once the server has it.
    Connections {
        target: published
        function onPersonalCardChanged() {
            if (cardScreen.own && cardScreen.mainInterface.strCard === "")
                cardScreen.load();
        }
    }

    Published {
        id: published
    }

    Component.onCompleted: cardScreen.load()
}
