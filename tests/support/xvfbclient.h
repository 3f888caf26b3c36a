// XvfbClient: one copy of the real client on a private X display, driven the way a user
// drives it: its window found among the display's, the keyboard, clicks on the controls of
// the skinned window by name, and what the window shows read back as an image. There is no
// window manager on the display, so the client raises and focuses its window itself.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QString>

#include "xvfbdisplay.h"
#include "zephonprocess.h"

class XvfbClient
{
public:
    // Places in the default, skinned window, each named after the QML item it is; see
    // area() for where they lie.
    enum class Place
    {
        MinimizeButton,      // main.qml "minimizeButton"
        CloseButton,         // main.qml "closeButton"
        TitleStrip,          // the skin's strip left of the window buttons, over "dragArea"
        ContactTab,          // the second header button of MainInterface.qml's "tabs"
        ContactSearch,       // MainInterface.qml "contactSearch"
        FirstContact,        // the first row of MainInterface.qml "contactList"
        FirstContactPicture, // the picture of that row (ContactDelegate's UserPic)
        CardPicture,         // the picture of the card a contact row opens (CardInterface.qml)
    };

    explicit XvfbClient(const XvfbDisplay &display);
    XvfbClient(const XvfbClient &) = delete;
    XvfbClient &operator=(const XvfbClient &) = delete;

    // Variables for the client's environment beyond the defaults (see start()).
    void setEnvironment(const QString &strName, const QString &strValue);

    // Starts the client in strWorkDir with single-instance keys of its own and the session
    // layer's trace, and waits until it has started and shown a window that was not on the
    // display before. False, with the reason in errorText(), otherwise.
    bool start(const QString &strWorkDir);

    ZephonProcess &zephon() { return m_process; }
    QProcess &process() { return m_process.process(); }
    // Everything the client wrote to stderr so far (its trace).
    QByteArray output() const { return m_process.output(); }
    QString window() const { return m_strWindow; }
    QString errorText() const { return m_strError; }

    // Raises the window and gives it the keyboard.
    bool focus() const;
    // Types into, or presses keys in, the window that has the keyboard.
    bool type(const QString &strText, int iDelayMs = 20) const;
    bool key(const QString &strKeys) const;
    // Fills the sign-in screen from the keyboard (each field replaced whole, so a saved
    // account is typed over) and presses Return. Keys that reach the screen before it takes
    // input are lost, so the form is filled again until the client starts signing in.
    bool signIn(const QString &strId, const QString &strPassword);

    // The window's top-left corner on the display.
    QPoint position() const;
    // Clicks at a point in window coordinates, or the centre of a named place.
    bool click(QPoint point, int iClicks = 1) const;
    bool click(Place place, int iClicks = 1) const;
    // The rectangle of a place in window coordinates.
    static QRect area(Place place);

    // True when ImageMagick's import, which grab() uses, is installed.
    static bool canGrab();
    // The window as the display shows it; a null image when it cannot be read.
    QImage grab() const;

    // The visible client windows of the display.
    static QStringList windows(const XvfbDisplay &display);

private:
    const XvfbDisplay &m_display;
    ZephonProcess m_process;
    QString m_strWindow;
    QString m_strError;
};
