#include "ctranslator.h"

CTranslator::CTranslator() : QTranslator(nullptr) {}

CTranslator *CTranslator::instance()
{
    static CTranslator *s_pInstance = new CTranslator;
    return s_pInstance;
}

bool CTranslator::load(const QString &filename)
{
    const bool bLoaded = QTranslator::load(QStringLiteral(":/") + filename);
    if (bLoaded)
        m_trace.traceText("loaded", filename);
    else
        m_trace.traceError("cannot load " + filename);
    emit languageChanged();
    return bLoaded;
}
