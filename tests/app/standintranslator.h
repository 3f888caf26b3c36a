#pragma once

#include <QObject>

// Stands in for "ctranslator": only the signal the texts listen to.
class StandInTranslator : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void languageChanged();
};
