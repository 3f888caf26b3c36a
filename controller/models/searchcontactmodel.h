// SearchContactModel: one address-book entry of the contact list and of its search results; the
// contact search rewrites strName and strPhone with highlight markup. Created without a parent; the
// list that holds it decides its lifetime.
//
// A keystroke can mark up tens of thousands of hits while the screens read a screenful, so the
// search may hand over a text as a recipe (setTextsLater): the text is made when it is first read,
// or at once when something listens to its notify signal, which is then emitted only for a real
// change.
#pragma once

#include "rowproperty.h"

#include <atomic>
#include <memory>

class SearchContactModel : public QObject
{
    Q_OBJECT
    ZEPHON_ROW_PROPERTY(QString, strId, setStrId, idChanged)
    ZEPHON_ROW_PROPERTY(QString, strZpid, setStrZpid, zpidChanged)
    Q_PROPERTY(QString strName READ strName WRITE setStrName NOTIFY nameChanged)
    Q_PROPERTY(QString strPhone READ strPhone WRITE setStrPhone NOTIFY phoneChanged)
    ZEPHON_ROW_PROPERTY(int, iType, setIType, typeChanged)

public:
    // Makes a text to show from one of the texts it holds and a mask; one serves many rows.
    class TextMaker
    {
    public:
        virtual ~TextMaker() = default;
        virtual QString make(qint32 iText, quint64 iMask) const = 0;
    };
    struct LaterText
    {
        qint32 iText;
        quint64 iMask;
    };

    SearchContactModel(const QString &strId, const QString &strZpid, const QString &strName,
                       const QString &strPhone, int iType, QObject *parent = nullptr);

    QString strName() const;
    void setStrName(const QString &strName);
    QString strPhone() const;
    void setStrPhone(const QString &strPhone);

    // Sets strName and strPhone to what pMaker makes of name and phone.
    void setTextsLater(std::shared_ptr<const TextMaker> pMaker, LaterText name, LaterText phone);

Q_SIGNALS:
    void nameChanged();
    void phoneChanged();

protected:
    void connectNotify(const QMetaMethod &signal) override;
    void disconnectNotify(const QMetaMethod &signal) override;

private:
    // A text property whose value may still be a recipe of m_pMaker.
    struct Text
    {
        QString strValue;
        LaterText later{0, 0};
        bool bLater = false;
    };

    const QString &resolve(Text &text) const;
    bool isListened(const QMetaMethod &signal, const std::atomic<int> &iListeners) const;
    void setText(Text &text, const QString &strValue, void (SearchContactModel::*notify)());

    mutable Text m_name;
    mutable Text m_phone;
    mutable std::shared_ptr<const TextMaker> m_pMaker;
    // Connections to nameChanged and phoneChanged, counted as they are made and removed (QML
    // bindings included), so that a search asks the row itself and not its private data, which
    // lies elsewhere in memory. Disconnecting every signal at once does not say which, and
    // leaves the counts to the meta-object system from then on. Connections may be made from
    // any thread.
    std::atomic<int> m_iNameListeners{0};
    std::atomic<int> m_iPhoneListeners{0};
    std::atomic<bool> m_bListenersUncounted{false};
};
