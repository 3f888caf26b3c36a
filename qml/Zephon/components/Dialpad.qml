pragma ComponentBehavior: Bound

import QtQuick

// Number pad: a number field, keys 1 to 9 and 0 (a long press on 0 gives "+"), a delete key
// and the message and call buttons. The field takes at most one leading "+" and 30 digits.
Item {
    id: dialpad

    // Text of the number field; every change shows as phoneNumChanged.
    property string phoneNum: ""
    property alias field: field
    readonly property var numberPattern: /^\+{0,1}[0-9]{0,30}$/

    // What a screen reader says for the keys that show pictures only.
    property string fieldName: qsTr("号码")
    property string deleteName: qsTr("删除")
    property string msgName: qsTr("发送消息")
    property string callName: qsTr("拨打电话")

    signal btnMsgClicked
    signal btnCallClicked

    // Puts `strText` at the cursor and the cursor after it, unless the result would not be
    // a number the field accepts.
    function insertAtCursor(strText) {
        const pos = field.cursorPosition;
        const candidate = field.text.slice(0, pos) + strText + field.text.slice(pos);
        if (!dialpad.numberPattern.test(candidate))
            return false;
        field.text = candidate;
        field.cursorPosition = pos + strText.length;
        return true;
    }

    function insertDigit(digit) {
        return dialpad.insertAtCursor(String(digit));
    }

    function insertPlus() {
        if (field.text.length !== 0)
            return false;
        return dialpad.insertAtCursor("+");
    }

    function backspace() {
        const pos = field.cursorPosition;
        if (pos <= 0)
            return;
        field.text = field.text.slice(0, pos - 1) + field.text.slice(pos);
        field.cursorPosition = pos - 1;
    }

    implicitWidth: 280
    implicitHeight: 300
    onPhoneNumChanged: {
        if (field.text !== dialpad.phoneNum)
            field.text = dialpad.phoneNum;
    }

    Rectangle {
        id: display
        anchors.top: parent.top
        width: parent.width
        height: 48
        color: "white"
        border.color: "#dfe3ea"

        TextInput {
            id: field
            objectName: "phoneField"
            anchors.left: parent.left
            anchors.leftMargin: 12
            anchors.right: del.left
            anchors.verticalCenter: parent.verticalCenter
            horizontalAlignment: TextInput.AlignHCenter
            font.pixelSize: 24
            color: "#333333"
            clip: true
            focus: true
            activeFocusOnTab: true
            Accessible.role: Accessible.EditableText
            Accessible.name: dialpad.fieldName
            selectByMouse: true
            inputMethodHints: Qt.ImhDialableCharactersOnly
            validator: RegularExpressionValidator {
                regularExpression: /\+{0,1}[0-9]{0,30}/
            }
            onAccepted: dialpad.btnCallClicked()
            onTextChanged: {
                if (dialpad.phoneNum !== text)
                    dialpad.phoneNum = text;
            }
            Component.onCompleted: text = dialpad.phoneNum
        }

        Item {
            id: del
            objectName: "btnDelete"
            anchors.right: parent.right
            width: 44
            height: parent.height
            visible: field.text.length > 0
            activeFocusOnTab: true
            Accessible.role: Accessible.Button
            Accessible.name: dialpad.deleteName
            Accessible.onPressAction: dialpad.backspace()
            Keys.onSpacePressed: dialpad.backspace()
            Keys.onReturnPressed: dialpad.backspace()
            Keys.onEnterPressed: dialpad.backspace()

            FocusFrame {}

            Text {
                anchors.centerIn: parent
                text: "\u232b"
                color: "#8a94a6"
                font.pixelSize: 20
            }
            MouseArea {
                anchors.fill: parent
                onClicked: dialpad.backspace()
                onPressAndHold: field.text = ""
            }
        }
    }

    Grid {
        id: keys
        anchors.top: display.bottom
        anchors.bottom: parent.bottom
        width: parent.width
        columns: 3

        Repeater {
            model: ["1", "2", "3", "4", "5", "6", "7", "8", "9", "msg", "0", "call"]

            delegate: Rectangle {
                id: key
                required property string modelData
                readonly property bool isDigit: modelData !== "msg" && modelData !== "call"
                objectName: "key_" + modelData
                width: keys.width / 3
                height: keys.height / 4
                color: keyMouse.pressed ? "#e8f1fd" : "#f7f8fa"
                border.color: "#eceff3"
                // The digits are typed into the number field; the message and call keys are
                // reached with Tab.
                activeFocusOnTab: !key.isDigit
                Accessible.role: Accessible.Button
                Accessible.name: key.modelData === "msg" ? dialpad.msgName : key.modelData === "call" ? dialpad.callName : key.modelData
                Accessible.onPressAction: key.press()
                Keys.onSpacePressed: key.press()
                Keys.onReturnPressed: key.press()
                Keys.onEnterPressed: key.press()

                function press() {
                    if (key.modelData === "msg")
                        dialpad.btnMsgClicked();
                    else if (key.modelData === "call")
                        dialpad.btnCallClicked();
                    else
                        dialpad.insertDigit(key.modelData);
                }

                FocusFrame {}

                Text {
                    anchors.centerIn: parent
                    visible: key.isDigit
                    text: key.modelData
                    color: "#333333"
                    font.pixelSize: 22
                }
                Text {
                    anchors.horizontalCenter: parent.horizontalCenter
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 3
                    visible: key.modelData === "0"
                    text: "+"
                    color: "#8a94a6"
                    font.pixelSize: 11
                }
                Rectangle {
                    anchors.centerIn: parent
                    visible: !key.isDigit
                    width: parent.width * 0.7
                    height: parent.height * 0.7
                    radius: height / 2
                    color: key.modelData === "call" ? "#2fbf71" : "#2b7de9"

                    Text {
                        anchors.centerIn: parent
                        text: key.modelData === "call" ? "\u260e" : "\u2709"
                        color: "white"
                        font.pixelSize: 20
                    }
                }

                MouseArea {
                    id: keyMouse
                    anchors.fill: parent
                    onClicked: {
                        key.press();
                        field.forceActiveFocus();
                    }
                    onDoubleClicked: {
                        if (key.isDigit)
                            dialpad.insertDigit(key.modelData);
                    }
                    onPressAndHold: {
                        if (key.modelData === "0")
                            dialpad.insertPlus();
                    }
                }
            }
        }
    }
}
