#include "qmlcodes.h"

#include "codes.h"

#include <QQmlEngine>

void registerQmlCodes()
{
    qmlRegisterUncreatableMetaObject(Codes::staticMetaObject, "Zephon.Codes", 1, 0, "Codes",
                                     QStringLiteral("Codes holds named numbers only"));
}
