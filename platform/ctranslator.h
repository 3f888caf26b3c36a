// CTranslator: the process-wide translator through which the screens switch their text
// catalogue. It is installed on the application at start-up and published to QML.
#pragma once

#include <QTranslator>

#include "ctrace.h"

class CTranslator : public QTranslator
{
    Q_OBJECT

public:
    // The one instance, created without a parent on first request and kept for the life of
    // the process.
    static CTranslator *instance();

public slots:
    // Loads the catalogue ":/<filename>" from the resources. languageChanged() follows
    // whatever the result, so the screens re-read their texts either way; a catalogue that
    // cannot be loaded leaves the source texts in place.
    bool load(const QString &filename);

signals:
    void languageChanged();

private:
    CTranslator();

    CTrace m_trace{"CTranslator"};
};
