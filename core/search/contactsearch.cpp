#include "contactsearch.h"

#include "ctrace.h"
#include "pinyin.h"
#include "searchcontactmodel.h"

#include <memory>

namespace {

const CTrace g_trace("ContactSearch");

const QLatin1String kFontOpen("<font color='#0080ff'>");
const QLatin1String kFontClose("</font>");

void appendEscaped(QString &out, QChar ch)
{
    switch (ch.unicode()) {
    case '&':
        out += QLatin1String("&amp;");
        break;
    case '<':
        out += QLatin1String("&lt;");
        break;
    case '>':
        out += QLatin1String("&gt;");
        break;
    case '"':
        out += QLatin1String("&quot;");
        break;
    case '\'':
        out += QLatin1String("&#39;");
        break;
    default:
        out += ch;
    }
}

void appendEscaped(QString &out, QStringView text)
{
    for (QChar ch : text)
        appendEscaped(out, ch);
}

bool needsCharacterMode(const QString &strKey)
{
    for (QChar ch : strKey) {
        const char16_t u = ch.unicode();
        if ((u >= 0x4E00 && u <= 0x9FFF) || u >= 0xFF00)
            return true;
    }
    return false;
}

constexpr int kPrefetchDistance = 8;

// Asks for the cache lines of a row that a search result reads and writes.
void prefetchObject(const QObject *pObject)
{
    if (!pObject)
        return;
    const char *p = reinterpret_cast<const char *>(pObject);
    for (size_t at = 0; at < sizeof(SearchContactModel); at += 64)
        __builtin_prefetch(p + at, 1);
}

bool passesFilter(int iFilter, int iType)
{
    switch (iFilter) {
    case CS_FILTER_NO_ASSISTANT:
        return iType != 1;
    case CS_FILTER_USERS:
        return iType == 1 || iType == 2;
    default:
        return true;
    }
}

// The marked-up texts of one search, made from the index's texts when a row's text is read: a
// keystroke can hit tens of thousands of rows, of which the screens show a screenful.
class MarkedUpTexts final : public SearchContactModel::TextMaker
{
public:
    MarkedUpTexts(QList<QString> listTexts, QString strKey)
        : m_listTexts(std::move(listTexts)), m_strKey(std::move(strKey))
    {}
    QString make(qint32 iText, quint64 iMask) const override
    {
        return markUp(m_listTexts.value(iText), m_strKey, iMask);
    }

private:
    const QList<QString> m_listTexts;
    const QString m_strKey;
};

} // namespace

cs_reader csDefaultReader()
{
    return cs_reader{charReadings, syllableName};
}

cs_list *createIndex(const QList<QObject *> &listSource)
{
    QList<QStringList> listRows;
    listRows.reserve(listSource.size());
    for (QObject *pObject : listSource) {
        if (const auto *pRow = qobject_cast<SearchContactModel *>(pObject))
            listRows.append(QStringList{pRow->strName(), pRow->strPhone()});
        else
            listRows.append(QStringList{QString(), QString()});
    }
    return createIndex(listRows, csDefaultReader());
}

cs_list *searchContact(cs_list *pIndex, const QString &strKey, int iMode)
{
    if (strKey.isEmpty())
        return pIndex;
    if (iMode == CS_MODE_CHARS || needsCharacterMode(strKey))
        return searchIndex(pIndex, strKey.utf16(), int(strKey.size()), CS_MODE_CHARS);
    const QByteArray arKey = strKey.toUtf8();
    return searchIndex(pIndex, arKey.constData(), int(arKey.size()), iMode);
}

QList<QObject *> buildResults(const QList<QObject *> &listSource, cs_list *pIndex,
                              const QString &strKey, cs_list *pResult, int iFilter)
{
    QList<QObject *> listOut;
    if (!pResult)
        return listOut;
    listOut.reserve(pResult->count);
    const auto pTexts = std::make_shared<const MarkedUpTexts>(listTexts(pResult), strKey);
    // Hits come by weight while the rows lie in memory in source order, so each row is a cache
    // miss: the rows a few hits ahead are fetched while this one is worked on.
    const cs_item *ahead = pResult->first;
    for (int k = 0; k < kPrefetchDistance && ahead; ++k)
        ahead = ahead->next;
    for (const cs_item *item = pResult->first; item; item = item->next) {
        if (ahead) {
            prefetchObject(listSource.value(ahead->number));
            ahead = ahead->next;
        }
        // Unlike qobject_cast, dynamic_cast reads only the object itself, not its private data
        // elsewhere in memory: with tens of thousands of hits that is one cache miss less each.
        auto *pRow = dynamic_cast<SearchContactModel *>(listSource.value(item->number));
        if (!pRow) {
            g_trace.traceNumber("search hit without a source row", item->number);
            continue;
        }
        const int iType = pRow->iType();
        if (!passesFilter(iFilter, iType))
            continue;
        if (const cs_entry *name = item->first; name && name->next) {
            pRow->setTextsLater(pTexts, {name->text, name->weight}, {name->next->text, 0});
        }
        if (!strKey.isEmpty() || iType > 1)
            listOut.append(pRow);
        else
            listOut.prepend(pRow);
    }
    if (pResult != pIndex)
        freeIndex(pResult);
    return listOut;
}

QString markUp(const QString &strText, const QString &strKey, quint64 iMask)
{
    QString strOut;
    if (strKey.isEmpty()) {
        strOut.reserve(strText.size());
        appendEscaped(strOut, strText);
        return strOut;
    }
    if (iMask != 0) {
        const qsizetype n = qMin<qsizetype>(strText.size(), kCsMaskPositions);
        strOut.reserve(n + qPopulationCount(iMask) * (kFontOpen.size() + kFontClose.size()));
        for (qsizetype p = 0; p < n; ++p) {
            if (iMask & csPositionBit(int(p))) {
                strOut += kFontOpen;
                appendEscaped(strOut, strText.at(p));
                strOut += kFontClose;
            } else {
                appendEscaped(strOut, strText.at(p));
            }
        }
        return strOut;
    }
    strOut.reserve(strText.size());
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = strText.indexOf(strKey, from, Qt::CaseSensitive);
        if (at < 0)
            break;
        appendEscaped(strOut, QStringView(strText).mid(from, at - from));
        strOut += kFontOpen;
        appendEscaped(strOut, strKey);
        strOut += kFontClose;
        from = at + strKey.size();
    }
    appendEscaped(strOut, QStringView(strText).mid(from));
    return strOut;
}

QString plainText(const QString &strText)
{
    if (!strText.contains(QLatin1Char('<')) && !strText.contains(QLatin1Char('&')))
        return strText;
    QString str = strText;
    str.remove(kFontOpen).remove(kFontClose);
    str.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&#39;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return str;
}
