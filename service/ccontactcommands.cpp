#include "ccontactcommands.h"

#include "caes.h"
#include "cfieldwriter.h"
#include "cservicecontext.h"
#include "cservicecounters.h"
#include "cservicestore.h"

using namespace Codes;

namespace {

// The card field that holds the address.
constexpr int CARD_ADDRESS = 4;

bool hasSeparator(const QString &strField)
{
    return strField.contains(QLatin1Char(':')) || strField.contains(QLatin1Char(';'));
}

} // namespace

void CContactCommands::install(CDispatcher &dispatcher)
{
    using D = CDispatcher;
    dispatcher.add(CmdContact, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onContact(request); });
    dispatcher.add(CmdCard, D::OnTcp, D::SessionNoField,
                   [this](CRequest &request) { onCard(request); });
    dispatcher.add(CmdSaveCard, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onSaveCard(request); });
    dispatcher.add(CmdStrangeCard, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onStrangeCard(request); });
    dispatcher.add(CmdMayKnow, D::OnTcp, D::SenderField,
                   [this](CRequest &request) { onMayKnow(request); });
}

QString CContactCommands::addressBookText(const QList<CAddressBookTable::Entry> &entries)
{
    QStringList records;
    for (const CAddressBookTable::Entry &entry : entries)
        records << entry.strPhone + QLatin1Char(';') + entry.strName;
    return records.join(QLatin1Char(':'));
}

bool CContactCommands::addressBookFits(const QList<CAddressBookTable::Entry> &entries)
{
    for (const CAddressBookTable::Entry &entry : entries) {
        if (entry.strPhone.isEmpty() || hasSeparator(entry.strPhone) || hasSeparator(entry.strName))
            return false;
    }
    // The ciphertext is the UTF-8 text padded to the next whole block.
    return addressBookText(entries).toUtf8().size() + 16 <= MAX_BOOK_CIPHER_BYTES;
}

bool CContactCommands::cardFits(const QString &strCard)
{
    return strCard.toUtf8().size() <= MAX_CARD_BYTES;
}

void CContactCommands::onContact(CRequest &request)
{
    // The request repeats the login password; the session already proves who is asking.
    const quint32 iZpid = request.session()->iZpid;
    const QString strBook = addressBookText(m_service.store().addressBooks().entries(iZpid));
    m_service.reply(
        request,
        CFieldWriter(CmdContact).zpid(iZpid).u8(0).u32(0).blob32(encryptText(strBook)).packet());
}

void CContactCommands::onCard(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iOwner = r.u32();
    const quint8 iKind = r.u8();
    if (iOwner != request.session()->iZpid && !m_service.allowLookup(request))
        return;
    const auto account = m_service.store().accounts().byZpid(iOwner);
    QByteArray arData;
    if (account && iKind == CardItemText && !account->strCard.isEmpty())
        arData = encryptText(account->strCard);
    else if (account && iKind == CardItemPicture)
        arData = account->arPicture;
    m_service.reply(request, CFieldWriter(CmdCard)
                                 .zpid(iOwner)
                                 .u8(arData.isEmpty() ? 1 : 0)
                                 .u8(iKind)
                                 .u32(0)
                                 .blob32(arData)
                                 .packet());
}

void CContactCommands::onSaveCard(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iZpid = request.session()->iZpid;
    const quint8 iKind = r.u8();
    const QByteArray arData = r.blob32();
    bool bSaved = false;
    if (iKind == CardItemText) {
        const QString strCard = decryptText(arData);
        bSaved = cardFits(strCard) && m_service.store().accounts().setCard(iZpid, strCard);
    } else if (iKind == CardItemPicture) {
        bSaved = !arData.isEmpty() && arData.size() <= MAX_PICTURE_BYTES &&
                 m_service.store().accounts().setPicture(iZpid, arData);
    }
    if (!bSaved)
        m_service.counters().drop(CServiceCounters::DropBadField);
    m_service.reply(request,
                    CFieldWriter(CmdSaveCard).zpid(iZpid).u8(iKind).u8(bSaved ? 0 : 1).packet());
}

QString CContactCommands::mayKnowText(quint32 iZpid, const QString &strPhone,
                                      const QString &strName, const QString &strAddress)
{
    QStringList parts{QString(), QString::number(iZpid), strPhone, strName, QString(), strAddress};
    for (QString &strPart : parts)
        strPart.replace(QLatin1Char(';'), QChar(0xFF1B));
    return parts.join(QLatin1Char(';'));
}

void CContactCommands::onStrangeCard(CRequest &request)
{
    CFieldReader &r = request.fields();
    const quint32 iZpid = r.u32();
    const auto account = m_service.store().accounts().byZpid(iZpid);
    const bool bKnown = account && !account->strCard.isEmpty();
    m_service.reply(request, CFieldWriter(CmdStrangeCard)
                                 .zpid(request.session()->iZpid)
                                 .u32(iZpid)
                                 .u8(bKnown ? 0 : 1)
                                 .u8(0)
                                 .blob32(bKnown ? encryptText(account->strCard) : QByteArray())
                                 .packet());
}

void CContactCommands::onMayKnow(CRequest &request)
{
    const quint32 iSelf = request.session()->iZpid;
    CServiceStore &store = m_service.store();
    const auto self = store.accounts().byZpid(iSelf);
    QSet<QString> known;
    for (const CAddressBookTable::Entry &entry : store.addressBooks().entries(iSelf))
        known.insert(entry.strPhone);
    CFieldWriter entries;
    int iCount = 0;
    const QList<quint32> owners =
        self ? store.addressBooks().ownersOf(self->strMobile) : QList<quint32>();
    for (quint32 iOwner : owners) {
        if (iCount >= MAX_MAY_KNOW)
            break;
        const auto account = iOwner == iSelf ? std::nullopt : store.accounts().byZpid(iOwner);
        if (!account || known.contains(account->strMobile))
            continue;
        const QString strAddress = account->strCard.split(QLatin1Char(':')).value(CARD_ADDRESS);
        entries
            .blob32(mayKnowText(account->iZpid, account->strMobile, account->strName, strAddress)
                        .toUtf8())
            .blob32(QByteArray());
        ++iCount;
    }
    m_service.reply(request, CFieldWriter(CmdMayKnow)
                                 .zpid(iSelf)
                                 .u32(0)
                                 .u8(0)
                                 .u32(0)
                                 .u32(quint32(iCount))
                                 .u32(0)
                                 .tail(entries.packet())
                                 .packet());
}
