#include "searchcontactmodel.h"

#include <QMetaMethod>

namespace {

const QMetaMethod &nameSignal()
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&SearchContactModel::nameChanged);
    return signal;
}

const QMetaMethod &phoneSignal()
{
    static const QMetaMethod signal = QMetaMethod::fromSignal(&SearchContactModel::phoneChanged);
    return signal;
}

} // namespace

SearchContactModel::SearchContactModel(const QString &strId, const QString &strZpid,
                                       const QString &strName, const QString &strPhone, int iType,
                                       QObject *parent)
    : QObject(parent), m_strId(strId), m_strZpid(strZpid), m_iType(iType)
{
    m_name.strValue = strName;
    m_phone.strValue = strPhone;
}

QString SearchContactModel::strName() const
{
    return resolve(m_name);
}

void SearchContactModel::setStrName(const QString &strName)
{
    setText(m_name, strName, &SearchContactModel::nameChanged);
}

QString SearchContactModel::strPhone() const
{
    return resolve(m_phone);
}

void SearchContactModel::setStrPhone(const QString &strPhone)
{
    setText(m_phone, strPhone, &SearchContactModel::phoneChanged);
}

void SearchContactModel::setTextsLater(std::shared_ptr<const TextMaker> pMaker, LaterText name,
                                       LaterText phone)
{
    // A text that something listens to is made now, so that the listener is told of a real
    // change only; the rest is made when it is read.
    const bool bNameNow = isListened(nameSignal(), m_iNameListeners);
    const bool bPhoneNow = isListened(phoneSignal(), m_iPhoneListeners);
    if (!bNameNow && !bPhoneNow) {
        m_name.later = name;
        m_name.bLater = true;
        m_phone.later = phone;
        m_phone.bLater = true;
        m_pMaker = std::move(pMaker);
        return;
    }
    // Texts shown now are compared with what was shown, which the old maker may still have to
    // make, and made before any listener runs.
    if (bNameNow)
        resolve(m_name);
    if (bPhoneNow)
        resolve(m_phone);
    const QString strName = bNameNow ? pMaker->make(name.iText, name.iMask) : QString();
    const QString strPhone = bPhoneNow ? pMaker->make(phone.iText, phone.iMask) : QString();
    m_name.later = name;
    m_name.bLater = !bNameNow;
    m_phone.later = phone;
    m_phone.bLater = !bPhoneNow;
    m_pMaker = bNameNow && bPhoneNow ? nullptr : std::move(pMaker);
    if (bNameNow)
        setText(m_name, strName, &SearchContactModel::nameChanged);
    if (bPhoneNow)
        setText(m_phone, strPhone, &SearchContactModel::phoneChanged);
}

const QString &SearchContactModel::resolve(Text &text) const
{
    if (text.bLater) {
        text.strValue = m_pMaker->make(text.later.iText, text.later.iMask);
        text.bLater = false;
        if (!m_name.bLater && !m_phone.bLater)
            m_pMaker.reset();
    }
    return text.strValue;
}

void SearchContactModel::setText(Text &text, const QString &strValue,
                                 void (SearchContactModel::*notify)())
{
    if (resolve(text) == strValue)
        return;
    text.strValue = strValue;
    Q_EMIT(this->*notify)();
}

bool SearchContactModel::isListened(const QMetaMethod &signal,
                                    const std::atomic<int> &iListeners) const
{
    if (m_bListenersUncounted.load(std::memory_order_relaxed))
        return isSignalConnected(signal);
    return iListeners.load(std::memory_order_relaxed) > 0;
}

void SearchContactModel::connectNotify(const QMetaMethod &signal)
{
    if (signal == nameSignal())
        ++m_iNameListeners;
    else if (signal == phoneSignal())
        ++m_iPhoneListeners;
}

void SearchContactModel::disconnectNotify(const QMetaMethod &signal)
{
    if (!signal.isValid())
        m_bListenersUncounted = true;
    else if (signal == nameSignal())
        --m_iNameListeners;
    else if (signal == phoneSignal())
        --m_iPhoneListeners;
}
