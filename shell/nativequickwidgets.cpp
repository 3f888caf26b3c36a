#include "nativequickwidgets.h"

#include <QtQml>

#include "declarativecheckbox.h"
#include "declarativecursorarea.h"
#include "declarativemenu.h"
#include "declarativemenuaction.h"

void registerNativeQuickWidgets()
{
    static bool bRegistered = false;
    if (bRegistered)
        return;
    bRegistered = true;
    const char *uri = "NativeQuickWidgets";
    qmlRegisterType<DeclarativeCheckBox>(uri, 1, 0, "DeclarativeCheckBox");
    qmlRegisterType<DeclarativeCursorArea>(uri, 1, 0, "CursorArea");
    qmlRegisterType<DeclarativeMenuAction>(uri, 1, 0, "MenuAction");
    qmlRegisterType<DeclarativeMenu>(uri, 1, 0, "Menu");
}
