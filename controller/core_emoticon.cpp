// Core's emoticons: the emoticon table, the picker's list and the rendering of message texts,
// which turns each known code between two carets into the picture's tag.
#include "core.h"

#include "facemodel.h"
#include "publishedlist.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextImageFormat>

namespace {

struct Face
{
    const char *pSign;
    const char *pName;
};

// In id order: the id of an entry is its position + 1, which is also its picture's number.
const Face kFaces[] = {
    {"^wx^", QT_TRANSLATE_NOOP("Core", "微笑")},    {"^pz^", QT_TRANSLATE_NOOP("Core", "撇嘴")},
    {"^se^", QT_TRANSLATE_NOOP("Core", "色")},      {"^fd^", QT_TRANSLATE_NOOP("Core", "发呆")},
    {"^dy^", QT_TRANSLATE_NOOP("Core", "得意")},    {"^ll^", QT_TRANSLATE_NOOP("Core", "流泪")},
    {"^bz^", QT_TRANSLATE_NOOP("Core", "美眉")},    {"^dz^", QT_TRANSLATE_NOOP("Core", "呆子")},
    {"^shui^", QT_TRANSLATE_NOOP("Core", "睡觉")},  {"^fn^", QT_TRANSLATE_NOOP("Core", "发怒")},
    {"^tp^", QT_TRANSLATE_NOOP("Core", "调皮")},    {"^cy^", QT_TRANSLATE_NOOP("Core", "呲牙")},
    {"^jy^", QT_TRANSLATE_NOOP("Core", "惊讶")},    {"^js^", QT_TRANSLATE_NOOP("Core", "难过")},
    {"^zato^", QT_TRANSLATE_NOOP("Core", "耍酷")},  {"^cm^", QT_TRANSLATE_NOOP("Core", "害羞")},
    {"^wn^", QT_TRANSLATE_NOOP("Core", "抓狂")},    {"^tu^", QT_TRANSLATE_NOOP("Core", "吐")},
    {"^tx^", QT_TRANSLATE_NOOP("Core", "偷笑")},    {"^ka^", QT_TRANSLATE_NOOP("Core", "可爱")},
    {"^o^", QT_TRANSLATE_NOOP("Core", "白眼")},     {"^jz^", QT_TRANSLATE_NOOP("Core", "傲慢")},
    {"^konb^", QT_TRANSLATE_NOOP("Core", "饥饿")},  {"^kun^", QT_TRANSLATE_NOOP("Core", "困")},
    {"^jk^", QT_TRANSLATE_NOOP("Core", "惊恐")},    {"^han^", QT_TRANSLATE_NOOP("Core", "流汗")},
    {"^hha^", QT_TRANSLATE_NOOP("Core", "憨笑")},   {"^hk^", QT_TRANSLATE_NOOP("Core", "大兵")},
    {"^fend^", QT_TRANSLATE_NOOP("Core", "奋斗")},  {"^zhm^", QT_TRANSLATE_NOOP("Core", "咒骂")},
    {"^yi^", QT_TRANSLATE_NOOP("Core", "疑问")},    {"^xu^", QT_TRANSLATE_NOOP("Core", "嘘")},
    {"^yun^", QT_TRANSLATE_NOOP("Core", "晕")},     {"^tk^", QT_TRANSLATE_NOOP("Core", "折磨")},
    {"^sui^", QT_TRANSLATE_NOOP("Core", "哀")},     {"^qiao^", QT_TRANSLATE_NOOP("Core", "敲打")},
    {"^zj^", QT_TRANSLATE_NOOP("Core", "再见")},    {"^dh^", QT_TRANSLATE_NOOP("Core", "大汗")},
    {"^kb^", QT_TRANSLATE_NOOP("Core", "抠鼻")},    {"^gz^", QT_TRANSLATE_NOOP("Core", "鼓掌")},
    {"^qd^", QT_TRANSLATE_NOOP("Core", "糗大了")},  {"^hx^", QT_TRANSLATE_NOOP("Core", "坏笑")},
    {"^zuo^", QT_TRANSLATE_NOOP("Core", "左哼哼")}, {"^you^", QT_TRANSLATE_NOOP("Core", "右哼哼")},
    {"^hq^", QT_TRANSLATE_NOOP("Core", "哈欠")},    {"^bs^", QT_TRANSLATE_NOOP("Core", "鄙视")},
    {"^wq^", QT_TRANSLATE_NOOP("Core", "委屈")},    {"^kk^", QT_TRANSLATE_NOOP("Core", "快哭了")},
    {"^hh^", QT_TRANSLATE_NOOP("Core", "阴险")},    {"^qq^", QT_TRANSLATE_NOOP("Core", "亲亲")},
    {"^xia^", QT_TRANSLATE_NOOP("Core", "吓")},     {"^kel^", QT_TRANSLATE_NOOP("Core", "可怜")},
    {"^cd^", QT_TRANSLATE_NOOP("Core", "菜刀")},    {"^pj^", QT_TRANSLATE_NOOP("Core", "啤酒")},
    {"^pp^", QT_TRANSLATE_NOOP("Core", "乒乓")},    {"^kf^", QT_TRANSLATE_NOOP("Core", "咖啡")},
    {"^fan^", QT_TRANSLATE_NOOP("Core", "饭")},     {"^zt^", QT_TRANSLATE_NOOP("Core", "猪头")},
    {"^mg^", QT_TRANSLATE_NOOP("Core", "玫瑰")},    {"^dx^", QT_TRANSLATE_NOOP("Core", "凋谢")},
    {"^sa^", QT_TRANSLATE_NOOP("Core", "示爱")},    {"^xin^", QT_TRANSLATE_NOOP("Core", "爱心")},
    {"^dg^", QT_TRANSLATE_NOOP("Core", "蛋糕")},    {"^zhd^", QT_TRANSLATE_NOOP("Core", "炸弹")},
    {"^zq^", QT_TRANSLATE_NOOP("Core", "足球")},    {"^pch^", QT_TRANSLATE_NOOP("Core", "瓢虫")},
    {"^bb^", QT_TRANSLATE_NOOP("Core", "便便")},    {"^yl^", QT_TRANSLATE_NOOP("Core", "月亮")},
    {"^ty^", QT_TRANSLATE_NOOP("Core", "太阳")},    {"^lw^", QT_TRANSLATE_NOOP("Core", "礼物")},
    {"^ren^", QT_TRANSLATE_NOOP("Core", "拥抱")},   {"^qiang^", QT_TRANSLATE_NOOP("Core", "强")},
    {"^ruo^", QT_TRANSLATE_NOOP("Core", "弱")},     {"^ws^", QT_TRANSLATE_NOOP("Core", "握手")},
    {"^yeah^", QT_TRANSLATE_NOOP("Core", "胜利")},  {"^pf^", QT_TRANSLATE_NOOP("Core", "抱拳")},
    {"^cj^", QT_TRANSLATE_NOOP("Core", "差劲")},    {"^hd^", QT_TRANSLATE_NOOP("Core", "OK")},
};
constexpr int kFaceCount = int(sizeof kFaces / sizeof kFaces[0]);
static_assert(kFaceCount == 78, "one entry per face picture");

// Face id by code, built once: rendering looks up every candidate between two carets.
const QHash<QString, int> &faceIds()
{
    static const QHash<QString, int> ids = [] {
        QHash<QString, int> map;
        for (int i = 0; i < kFaceCount; ++i)
            map.insert(QString::fromLatin1(kFaces[i].pSign), i + 1);
        return map;
    }();
    return ids;
}

} // namespace

struct Core::Emoticon
{
    explicit Emoticon(ListPublisher &lists) : face(lists, "faceModel") {}

    PublishedList face;
};

void Core::AreaDeleter::operator()(Emoticon *pArea) const
{
    delete pArea;
}

void Core::makeEmoticon()
{
    m_pEmoticon.reset(new Emoticon(lists()));
}

void Core::publishFaces()
{
    QList<QObject *> rows;
    rows.reserve(kFaceCount);
    for (int i = 0; i < kFaceCount; ++i)
        rows.append(new FaceModel(QString::number(i + 1),
                                  QCoreApplication::translate("Core", kFaces[i].pName),
                                  QString::fromLatin1(kFaces[i].pSign)));
    m_pEmoticon->face.replace(rows);
}

QVariant Core::getSign(QVariant varId)
{
    bool bOk = false;
    const int iId = varId.toString().toInt(&bOk);
    // Only the canonical text of an id names an entry ("01" or " 1" does not).
    if (!bOk || iId < 1 || iId > kFaceCount || QString::number(iId) != varId.toString())
        return QString();
    return QString::fromLatin1(kFaces[iId - 1].pSign);
}

QString Core::inputText(QString strHtml)
{
    // Only the emoticon pictures the input box itself inserts become codes; any other picture
    // is dropped, and all text is taken as text.
    static const QRegularExpression facePicture(
        QStringLiteral("(?:^|/)images/face/face_([1-9][0-9]?)\\.png$"));
    QTextDocument document;
    document.setHtml(strHtml);
    QStringList lines;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString strLine;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                const QRegularExpressionMatch match =
                    facePicture.match(format.toImageFormat().name());
                // One fragment holds the same picture repeated.
                const QString strSign =
                    match.hasMatch() ? getSign(match.captured(1)).toString() : QString();
                if (!strSign.isEmpty())
                    strLine += strSign.repeated(fragment.length());
                continue;
            }
            QString strText = fragment.text();
            strText.replace(QChar::LineSeparator, QLatin1Char('\n'))
                .replace(QChar::Nbsp, QLatin1Char(' '))
                .remove(QChar::ObjectReplacementCharacter);
            strLine += strText;
        }
        lines << strLine;
    }
    return lines.join(QLatin1Char('\n'));
}

QString Core::renderFaces(QString strText)
{
    return renderText(strText);
}

QString Core::clipboardText()
{
    const QClipboard *pClipboard = QGuiApplication::clipboard();
    return pClipboard ? pClipboard->text() : QString();
}

QString Core::renderText(const QString &strText)
{
    // Text that is not a code is copied as it stands, so it is appended in whole runs: a long
    // text of unmatched carets costs one copy.
    const QChar caret = QLatin1Char('^');
    const QStringView text(strText);
    QString strResult;
    qsizetype iCopied = 0; // text before this position is in the result
    qsizetype iPos = 0;    // where the next candidate may open
    for (;;) {
        const qsizetype iOpen = text.indexOf(caret, iPos);
        const qsizetype iClose = iOpen < 0 ? -1 : text.indexOf(caret, iOpen + 1);
        if (iClose < 0)
            break;
        // Codes, carets included, are 3 to 7 characters: any other candidate needs no lookup.
        const qsizetype iLength = iClose - iOpen + 1;
        const int iId =
            iLength >= 3 && iLength <= 7 ? faceIds().value(text.mid(iOpen, iLength).toString()) : 0;
        if (!iId) {
            // The closing caret may open the next code.
            iPos = iClose;
            continue;
        }
        if (strResult.isEmpty())
            strResult.reserve(strText.size() + 64);
        strResult.append(text.mid(iCopied, iOpen - iCopied));
        strResult.append(QLatin1String(
            "<img width=\"20\" height = \"20\" source = \"../components/images/face/face_"));
        strResult.append(QString::number(iId));
        strResult.append(QLatin1String(".png\">"));
        iPos = iCopied = iClose + 1;
    }
    if (iCopied == 0)
        return strText;
    strResult.append(text.mid(iCopied));
    return strResult;
}
