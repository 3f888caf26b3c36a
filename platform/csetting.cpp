#include "csetting.h"

#include <QFile>
#include <QSaveFile>

namespace {

// Stores the value and notifies only on a change, as the screens bind to these properties.
template <typename Signal> void assign(CSetting *pSetting, bool &bField, bool bValue, Signal signal)
{
    if (bField == bValue)
        return;
    bField = bValue;
    Q_EMIT(pSetting->*signal)();
}

} // namespace

CSetting::CSetting(bool bAutoStartup, bool bStaysOnTop, bool bCallPrompt, bool bMsgPrompt,
                   bool bAutoUpdate, QObject *parent)
    : QObject(parent), m_bAutoStartup(bAutoStartup), m_bStaysOnTop(bStaysOnTop),
      m_bCallPrompt(bCallPrompt), m_bMsgPrompt(bMsgPrompt), m_bAutoUpdate(bAutoUpdate)
{}

CSetting *CSetting::instance()
{
    static CSetting setting(false, false, true, true, true);
    return &setting;
}

void CSetting::load(const QString &strFileName)
{
    QFile file(strFileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A line that is missing or not a number reads as 0.
    const auto next = [&file]() {
        QString strLine = QString::fromUtf8(file.readLine());
        strLine.remove(QLatin1Char('\n'));
        return strLine.toInt(nullptr, 10) != 0;
    };
    setAutoStartup(next());
    setStaysOnTop(next());
    setCallPrompt(next());
    setMsgPrompt(next());
    setAutoUpdate(next());
}

bool CSetting::save(const QString &strFileName) const
{
    // Written through a temporary file so that a failed write leaves the old file intact.
    QSaveFile file(strFileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (bool bValue : {m_bAutoStartup, m_bStaysOnTop, m_bCallPrompt, m_bMsgPrompt, m_bAutoUpdate})
        file.write(bValue ? "1\n" : "0\n");
    return file.commit();
}

void CSetting::setAutoStartup(bool bValue)
{
    assign(this, m_bAutoStartup, bValue, &CSetting::autoStartupChanged);
}

void CSetting::setStaysOnTop(bool bValue)
{
    assign(this, m_bStaysOnTop, bValue, &CSetting::staysOnTopChanged);
}

void CSetting::setCallPrompt(bool bValue)
{
    assign(this, m_bCallPrompt, bValue, &CSetting::callPromptChanged);
}

void CSetting::setMsgPrompt(bool bValue)
{
    assign(this, m_bMsgPrompt, bValue, &CSetting::msgPromptChanged);
}

void CSetting::setAutoUpdate(bool bValue)
{
    assign(this, m_bAutoUpdate, bValue, &CSetting::autoUpdateChanged);
}
