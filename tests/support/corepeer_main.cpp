// zephon_corepeer: one client, Core with its session layer and its own store in its own
// process, driven line by line on stdin, so a test can run several signed-in clients at once
// (Core keeps per-process state, so one process holds one client). Requests and answers are
// tab-separated fields, one line each:
//   signin <id> <password>          -> ok | error <why>
//   invoke <method> <arg>...        -> ok <return value> | error <why>   (a Core method)
//   emit <signal> <arg>...          -> ok | error <why>                  (a root item signal)
//   network <slot> <arg>...         -> ok | error <why>   (a session manager slot, for what the
//                                     screens' operations would not send)
//   wait <signal> <ms> [<i>=<v>]... -> ok <args> | timeout    (a Core signal since the last
//                                     one taken, whose argument i reads v)
//   list <name>                     -> ok <JSON array of the published rows' properties>
//   dialog <path>                   -> ok        (what the next file dialog answers; "" cancels)
//   opened                          -> ok <the URLs the client asked to open, comma-separated>
//   quit                            -> signs out and ends
// A test shortens the session's re-send, re-login and heartbeat intervals with the variables
// ZEPHON_PEER_RESEND_MS, ZEPHON_PEER_RELOGIN_MS and ZEPHON_PEER_HEART_MS (ms).
#include <QApplication>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaMethod>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <cstdio>
#include <map>
#include <memory>
#include <utility>

#include "cnetwork.h"
#include "core.h"
#include "corefixture.h"
#include "csessionstate.h"
#include "scripteddesktop.h"

namespace {

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

void answer(const QStringList &fields)
{
    // A field never holds the separators the test splits at.
    QStringList clean;
    for (QString strField : fields)
        clean << strField.replace(QLatin1Char('\t'), QLatin1Char(' '))
                     .replace(QLatin1Char('\n'), QLatin1Char(' '));
    out() << clean.join(QLatin1Char('\t')) << '\n';
    out().flush();
}

QString text(const QVariant &value)
{
    // A list of texts (as the organisation and department lists come) is joined with commas.
    if (value.metaType().id() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1Char(','));
    if (value.canConvert<QList<QObject *>>() && value.metaType().id() != QMetaType::QString)
        return QStringLiteral("[list]");
    return value.toString();
}

// Calls the first method of pObject named strName that takes as many arguments, each text
// converted to its parameter's type; a text in brackets for a QVariant parameter is a JSON
// array and is passed as a list.
bool call(QObject *pObject, const QString &strName, const QStringList &args, QString &strResult)
{
    const QMetaObject *pMeta = pObject->metaObject();
    for (int i = 0; i < pMeta->methodCount(); ++i) {
        const QMetaMethod method = pMeta->method(i);
        if (QString::fromLatin1(method.name()) != strName || method.parameterCount() != args.size())
            continue;
        QList<QVariant> values;
        for (int p = 0; p < args.size(); ++p) {
            const QMetaType type = method.parameterMetaType(p);
            QVariant value(args.at(p));
            if (type.id() == QMetaType::QVariant && args.at(p).startsWith(QLatin1Char('['))) {
                const QJsonDocument list = QJsonDocument::fromJson(args.at(p).toUtf8());
                if (list.isArray())
                    value = list.array().toVariantList();
            } else if (type.id() != QMetaType::QVariant && !value.convert(type)) {
                strResult = QStringLiteral("argument %1 is no %2").arg(p).arg(type.name());
                return false;
            }
            values.append(value);
        }
        QGenericArgument generic[10];
        for (int p = 0; p < values.size(); ++p)
            generic[p] = method.parameterMetaType(p).id() == QMetaType::QVariant
                             ? QGenericArgument("QVariant", &values[p])
                             : QGenericArgument(method.parameterTypeName(p).constData(),
                                                values[p].constData());
        QVariant returned(method.returnMetaType(), nullptr);
        QGenericReturnArgument ret;
        if (method.returnMetaType().id() != QMetaType::Void)
            ret = QGenericReturnArgument(method.typeName(), returned.data());
        const bool bOk = method.invoke(pObject, Qt::DirectConnection, ret, generic[0], generic[1],
                                       generic[2], generic[3], generic[4], generic[5], generic[6],
                                       generic[7], generic[8], generic[9]);
        strResult = bOk ? text(returned) : QStringLiteral("call failed");
        return bOk;
    }
    strResult = QStringLiteral("no method %1 with %2 arguments").arg(strName).arg(args.size());
    return false;
}

class Peer : public QObject
{
public:
    explicit Peer(CoreFixture &fixture) : m_fixture(fixture)
    {
        // Nothing is ever shown or opened: the dialogs answer what the test said last.
        auto pDesktop = std::make_unique<ScriptedDesktop>();
        m_pDesktop = pDesktop.get();
        m_fixture.core()->setDesktop(std::move(pDesktop));
        // Every signal of Core is recorded from the start, so none is missed between requests.
        const QMetaObject *pMeta = m_fixture.core()->metaObject();
        for (int i = pMeta->methodOffset(); i < pMeta->methodCount(); ++i) {
            const QMetaMethod method = pMeta->method(i);
            if (method.methodType() == QMetaMethod::Signal)
                m_spies[QString::fromLatin1(method.name())] =
                    std::make_unique<QSignalSpy>(m_fixture.core(), method);
        }
        m_pNotifier = new QSocketNotifier(fileno(stdin), QSocketNotifier::Read, this);
        connect(m_pNotifier, &QSocketNotifier::activated, this, &Peer::readLine);
    }

private:
    void readLine()
    {
        char buffer[65536];
        if (!std::fgets(buffer, sizeof buffer, stdin)) {
            quit();
            return;
        }
        // The next request waits until this one is answered.
        m_pNotifier->setEnabled(false);
        handle(QString::fromUtf8(buffer).chopped(1).split(QLatin1Char('\t')));
        m_pNotifier->setEnabled(true);
    }

    void handle(const QStringList &fields)
    {
        const QString strVerb = fields.value(0);
        const QStringList args = fields.mid(2);
        QString strResult;
        if (strVerb == QLatin1String("signin")) {
            QSignalSpy state(m_fixture.core(), &Core::sig_loginState);
            m_fixture.login(fields.value(1), fields.value(2));
            const bool bIn = state.wait(20000) && state.first().at(0).toInt() == 0;
            answer({bIn ? QStringLiteral("ok") : QStringLiteral("error")});
        } else if (strVerb == QLatin1String("invoke") || strVerb == QLatin1String("emit") ||
                   strVerb == QLatin1String("network")) {
            QObject *pTarget = strVerb == QLatin1String("invoke") ? m_fixture.core()
                               : strVerb == QLatin1String("emit")
                                   ? m_fixture.root()
                                   : static_cast<QObject *>(m_fixture.core()->network());
            const bool bOk = call(pTarget, fields.value(1), args, strResult);
            answer({bOk ? QStringLiteral("ok") : QStringLiteral("error"), strResult});
        } else if (strVerb == QLatin1String("wait")) {
            // After the signal's name and the time limit come the conditions.
            wait(fields.value(1), fields.value(2).toInt(), fields.mid(3));
        } else if (strVerb == QLatin1String("list")) {
            QJsonArray rows;
            for (QObject *pRow : m_fixture.list(fields.value(1).toUtf8().constData())) {
                QJsonObject row;
                const QMetaObject *pMeta = pRow->metaObject();
                for (int i = pMeta->propertyOffset(); i < pMeta->propertyCount(); ++i)
                    row.insert(QString::fromLatin1(pMeta->property(i).name()),
                               QJsonValue::fromVariant(pMeta->property(i).read(pRow)));
                rows.append(row);
            }
            answer({QStringLiteral("ok"),
                    QString::fromUtf8(QJsonDocument(rows).toJson(QJsonDocument::Compact))});
        } else if (strVerb == QLatin1String("dialog")) {
            m_pDesktop->answers << fields.value(1);
            answer({QStringLiteral("ok")});
        } else if (strVerb == QLatin1String("opened")) {
            QStringList opened;
            for (const QUrl &url : std::as_const(m_pDesktop->opened))
                opened << url.toString();
            answer({QStringLiteral("ok"), opened.join(QLatin1Char(','))});
        } else if (strVerb == QLatin1String("quit")) {
            quit();
        } else {
            answer({QStringLiteral("error"), QStringLiteral("unknown request")});
        }
    }

    void wait(const QString &strSignal, int iTimeoutMs, const QStringList &conditions)
    {
        auto it = m_spies.find(strSignal);
        if (it == m_spies.end()) {
            answer({QStringLiteral("error"), QStringLiteral("no signal %1").arg(strSignal)});
            return;
        }
        QSignalSpy &spy = *it->second;
        const auto matches = [&](const QList<QVariant> &emitted) {
            for (const QString &strCondition : conditions) {
                const int iIndex = strCondition.section(QLatin1Char('='), 0, 0).toInt();
                if (text(emitted.value(iIndex)) != strCondition.section(QLatin1Char('='), 1))
                    return false;
            }
            return true;
        };
        QDeadlineTimer deadline(iTimeoutMs);
        for (;;) {
            while (!spy.isEmpty()) {
                const QList<QVariant> emitted = spy.takeFirst();
                if (!matches(emitted))
                    continue;
                QStringList fields{QStringLiteral("ok")};
                for (const QVariant &value : emitted)
                    fields << text(value);
                answer(fields);
                return;
            }
            if (deadline.hasExpired() || !spy.wait(int(qMax<qint64>(1, deadline.remainingTime()))))
                break;
        }
        answer({QStringLiteral("timeout")});
    }

    void quit()
    {
        if (m_fixture.isRunning())
            m_fixture.core()->logout();
        // The sign-out leaves before the process goes.
        QTimer::singleShot(300, qApp, &QCoreApplication::quit);
        m_pNotifier->setEnabled(false);
    }

    CoreFixture &m_fixture;
    ScriptedDesktop *m_pDesktop = nullptr;
    std::map<QString, std::unique_ptr<QSignalSpy>> m_spies;
    QSocketNotifier *m_pNotifier = nullptr;
};

// A test that waits for re-sends or an automatic sign-in shortens their intervals through the
// environment (ZEPHON_PEER_RESEND_MS, ZEPHON_PEER_RELOGIN_MS, ZEPHON_PEER_HEART_MS).
void shortenIntervals()
{
    CSessionState &session = sessionState();
    const std::pair<const char *, int *> intervals[] = {
        {"ZEPHON_PEER_RESEND_MS", &session.iResendMs},
        {"ZEPHON_PEER_RELOGIN_MS", &session.iReLoginMs},
        {"ZEPHON_PEER_HEART_MS", &session.iHeartMs},
    };
    for (const auto &[pName, pValue] : intervals) {
        bool bOk = false;
        const int iMs = qEnvironmentVariableIntValue(pName, &bOk);
        if (bOk && iMs > 0)
            *pValue = iMs;
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // A peer on a test's X display (the screenshot tool, the hot key) keeps it; others draw
    // nowhere.
    if (qEnvironmentVariable("QT_QPA_PLATFORM") != QLatin1String("xcb"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (app.arguments().size() < 2 || !CoreFixture::enterFolder(app.arguments().at(1))) {
        std::fprintf(stderr, "usage: zephon_corepeer <folder>\n");
        return 2;
    }
    CoreFixture fixture;
    fixture.start();
    if (!fixture.isRunning())
        return 1;
    shortenIntervals();
    Peer peer(fixture);
    answer({QStringLiteral("ready")});
    const int iCode = app.exec();
    fixture.stop();
    return iCode;
}
