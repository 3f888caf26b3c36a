pragma ComponentBehavior: Bound

import QtQuick
import "components"

// The user's preferences, one switch each, bound to the settings object; auto-start and
// staying on top are applied by core at once, the others are read where they matter. The
// password change opens from here.
FocusScope {
    id: settingScreen

    required property var background
    required property Resource resource
    required property MainInterface mainInterface

    readonly property alias switches: switches
    readonly property alias stack: stack

    signal closed

    // Escape goes back, as the title bar's back button does.
    Keys.onEscapePressed: settingScreen.closed()

    // Index in the switch list -> the settings property it stands for.
    readonly property var properties: ["bAutoStartup", "bStaysOnTop", "bCallPrompt", "bMsgPrompt", "bAutoUpdate"]

    function setSwitch(index, checked) {
        const settings = published.settings;
        if (!settings)
            return;
        settings[settingScreen.properties[index]] = checked;
        if (index === 0)
            published.controller.setAutoStartup(checked);
        else if (index === 1)
            published.controller.setStaysOnTop(checked);
    }

    focus: true

    Rectangle {
        anchors.fill: parent
        color: "#eef1f5"
    }

    TitleBar {
        id: title
        width: parent.width
        title: settingScreen.resource.textSystemSetting
        onBtnLeftClicked: settingScreen.closed()
    }

    Column {
        anchors.top: title.bottom
        anchors.topMargin: 12
        anchors.horizontalCenter: parent.horizontalCenter
        spacing: 12

        RoundedList {
            id: switches
            objectName: "switches"
            onToggled: function (checked, index) {
                settingScreen.setSwitch(index, checked);
            }
            ListEntry {
                title: settingScreen.resource.textAutoStartup
                showCheckBox: true
                checked: published.settings ? published.settings.bAutoStartup : false
            }
            ListEntry {
                title: settingScreen.resource.textStaysOnTop
                showCheckBox: true
                checked: published.settings ? published.settings.bStaysOnTop : false
            }
            ListEntry {
                title: settingScreen.resource.textCallPrompt
                showCheckBox: true
                checked: published.settings ? published.settings.bCallPrompt : false
            }
            ListEntry {
                title: settingScreen.resource.textMsgPrompt
                showCheckBox: true
                checked: published.settings ? published.settings.bMsgPrompt : false
            }
            ListEntry {
                title: settingScreen.resource.textAutoUpdate
                showCheckBox: true
                checked: published.settings ? published.settings.bAutoUpdate : false
            }
        }

        RoundedList {
            objectName: "passwordEntry"
            onClicked: stack.open(Qt.resolvedUrl("ChangePasswordInterface.qml"))
            ListEntry {
                title: settingScreen.resource.textChangePassword
            }
        }
    }

    ScreenStack {
        id: stack
        background: settingScreen.background
        resource: settingScreen.resource
        mainInterface: settingScreen.mainInterface
    }

    Published {
        id: published
    }
}
