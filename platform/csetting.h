// CSetting: the five user preferences, published to the screens as "setting" and kept in
// the five-line text file "config" in the working directory.
#pragma once

#include <QObject>
#include <QString>

class CSetting : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool bAutoStartup READ autoStartup WRITE setAutoStartup NOTIFY autoStartupChanged)
    Q_PROPERTY(bool bStaysOnTop READ staysOnTop WRITE setStaysOnTop NOTIFY staysOnTopChanged)
    Q_PROPERTY(bool bCallPrompt READ callPrompt WRITE setCallPrompt NOTIFY callPromptChanged)
    Q_PROPERTY(bool bMsgPrompt READ msgPrompt WRITE setMsgPrompt NOTIFY msgPromptChanged)
    Q_PROPERTY(bool bAutoUpdate READ autoUpdate WRITE setAutoUpdate NOTIFY autoUpdateChanged)

public:
    CSetting(bool bAutoStartup, bool bStaysOnTop, bool bCallPrompt, bool bMsgPrompt,
             bool bAutoUpdate, QObject *parent = nullptr);

    // The process-wide instance, holding the defaults until load() runs.
    static CSetting *instance();

    // Reads the settings file; a missing file keeps every value, a short one clears the rest.
    void load(const QString &strFileName = QStringLiteral("config"));
    // Writes the settings file; returns false when it could not be written.
    bool save(const QString &strFileName = QStringLiteral("config")) const;

    bool autoStartup() const { return m_bAutoStartup; }
    bool staysOnTop() const { return m_bStaysOnTop; }
    bool callPrompt() const { return m_bCallPrompt; }
    bool msgPrompt() const { return m_bMsgPrompt; }
    bool autoUpdate() const { return m_bAutoUpdate; }

    void setAutoStartup(bool bValue);
    void setStaysOnTop(bool bValue);
    void setCallPrompt(bool bValue);
    void setMsgPrompt(bool bValue);
    void setAutoUpdate(bool bValue);

Q_SIGNALS:
    void autoStartupChanged();
    void staysOnTopChanged();
    void callPromptChanged();
    void msgPromptChanged();
    void autoUpdateChanged();

private:
    bool m_bAutoStartup;
    bool m_bStaysOnTop;
    bool m_bCallPrompt;
    bool m_bMsgPrompt;
    bool m_bAutoUpdate;
};
