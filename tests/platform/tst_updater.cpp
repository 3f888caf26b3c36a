// The update check against the service's update host and against a scripted HTTP peer on
// loopback: a newer version prompts once with its description as plain text and, on yes,
// opens the download page and asks to quit; the same or an older version, a failed, oversized,
// malformed or silent answer prompts never and ends the check.
#include <QDesktopServices>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "updater.h"
#include "zephondprocess.h"

namespace {

constexpr char kClientVersion[] = "3.1.0508";

// Records the pages the desktop was asked to open.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl &url) { opened << url; }
};

// An HTTP peer that answers every request with the script's bytes, written in the given
// pieces with a pause between them; an empty script never answers.
class ScriptedHttp : public QObject
{
public:
    explicit ScriptedHttp(QList<QByteArray> pieces) : m_pieces(std::move(pieces))
    {
        m_server.listen(QHostAddress::LocalHost);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            QTcpSocket *pSocket = m_server.nextPendingConnection();
            ++iRequests;
            connect(pSocket, &QTcpSocket::readyRead, this, [this, pSocket] {
                if (!pSocket->readAll().contains("\r\n\r\n"))
                    return;
                for (int i = 0; i < m_pieces.size(); ++i)
                    QTimer::singleShot(30 * i, pSocket, [pSocket, arPiece = m_pieces.at(i)] {
                        pSocket->write(arPiece);
                        pSocket->flush();
                    });
                if (!m_pieces.isEmpty())
                    QTimer::singleShot(30 * int(m_pieces.size()), pSocket,
                                       [pSocket] { pSocket->disconnectFromHost(); });
            });
        });
    }
    QString base() const
    {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
    }
    int iRequests = 0;

private:
    QTcpServer m_server;
    QList<QByteArray> m_pieces;
};

QByteArray response(int iStatus, const QByteArray &arBody)
{
    return "HTTP/1.1 " + QByteArray::number(iStatus) + " X\r\nContent-Type: application/xml\r\n" +
           "Connection: close\r\n\r\n" + arBody;
}

struct Outcome
{
    QStringList prompts;
    QList<bool> checked;
    int iQuits = 0;
    QString strVersion;
    QString strDescription;
};

// Runs one check against strBase, asked for twice as a start may; the prompt answers bYes.
Outcome runCheck(const QString &strBase, bool bYes, int iTimeoutMs = 5000)
{
    Updater updater(QString::fromLatin1(kClientVersion), nullptr, strBase);
    Outcome outcome;
    updater.setTimeout(iTimeoutMs);
    updater.setPrompt([&outcome, bYes](const QString &strText) {
        outcome.prompts << strText;
        return bYes;
    });
    QSignalSpy checked(&updater, &Updater::sig_checked);
    QSignalSpy quit(&updater, &Updater::sig_quitRequested);
    updater.check();
    updater.check();
    checked.wait(iTimeoutMs + 5000);
    QTest::qWait(100);
    for (const QList<QVariant> &args : checked)
        outcome.checked << args.at(0).toBool();
    outcome.iQuits = int(quit.size());
    outcome.strVersion = updater.serverVersion();
    outcome.strDescription = updater.description();
    return outcome;
}

} // namespace

class TestUpdater : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void versionsCompareByParts_data();
    void versionsCompareByParts();
    void serviceAnnouncement_data();
    void serviceAnnouncement();
    void answerInPieces();
    void brokenAnswersNeverPrompt_data();
    void brokenAnswersNeverPrompt();

private:
    UrlSink m_urls;
};

void TestUpdater::initTestCase()
{
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &m_urls, "open");
}

void TestUpdater::versionsCompareByParts_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<int>("sign");
    QTest::newRow("shorter but newer") << "3.2" << kClientVersion << 1;
    QTest::newRow("later build") << "3.1.0600" << kClientVersion << 1;
    QTest::newRow("same") << kClientVersion << kClientVersion << 0;
    QTest::newRow("earlier build") << "3.1.0500" << kClientVersion << -1;
    QTest::newRow("trailing zero part") << "3.1.0"
                                        << "3.1" << 0;
    QTest::newRow("leading zeros") << "3.01"
                                   << "3.1" << 0;
    QTest::newRow("major") << "10.0"
                           << "9.9.9" << 1;
    QTest::newRow("not digits") << "3.x" << kClientVersion << -1;
    QTest::newRow("empty") << "" << kClientVersion << -1;
    QTest::newRow("empty part") << "3..1"
                                << "3.0.1" << -1;
    QTest::newRow("sign") << "-3.1" << kClientVersion << -1;
    QTest::newRow("huge part") << "3.99999999999999999999" << kClientVersion << -1;
}

void TestUpdater::versionsCompareByParts()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(int, sign);
    const int iResult = Updater::compareVersions(a, b);
    QCOMPARE((iResult > 0) - (iResult < 0), sign);
    const int iReverse = Updater::compareVersions(b, a);
    QCOMPARE((iReverse > 0) - (iReverse < 0), -sign);
}

void TestUpdater::serviceAnnouncement_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("bYes");
    QTest::addColumn<bool>("bPrompt");
    QTest::newRow("newer, yes") << "3.1.0600" << true << true;
    QTest::newRow("newer, no") << "3.2" << false << true;
    QTest::newRow("same") << kClientVersion << true << false;
    QTest::newRow("older") << "3.1.0400" << true << false;
}

void TestUpdater::serviceAnnouncement()
{
    QFETCH(QString, version);
    QFETCH(bool, bYes);
    QFETCH(bool, bPrompt);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    ZephondProcess service;
    const QString strDescription = QStringLiteral("<b>修复</b> & 更快");
    service.setExtraArguments({QStringLiteral("--update-version"), version,
                               QStringLiteral("--update-description"), strDescription});
    QVERIFY2(service.start(dir.path()), qPrintable(service.errorText()));
    QVERIFY(service.updatePort() != 0);
    m_urls.opened.clear();

    const QString strBase = QStringLiteral("http://127.0.0.1:%1").arg(service.updatePort());
    const Outcome outcome = runCheck(strBase, bYes, 10000);
    QCOMPARE(outcome.checked, QList<bool>{bPrompt});
    QCOMPARE(outcome.strVersion, version);
    QCOMPARE(outcome.strDescription, strDescription);
    QCOMPARE(outcome.prompts.size(), bPrompt ? 1 : 0);
    if (bPrompt)
        QCOMPARE(outcome.prompts.first(),
                 QStringLiteral("发现新版本，是否更新？\r\n") + strDescription);
    // Yes opens the download page and asks to quit; anything else does neither.
    const bool bUpdate = bPrompt && bYes;
    QCOMPARE(outcome.iQuits, bUpdate ? 1 : 0);
    QCOMPARE(m_urls.opened, bUpdate
                                ? QList<QUrl>{QUrl(strBase + QLatin1String(Updater::DOWNLOAD_PATH))}
                                : QList<QUrl>{});
}

void TestUpdater::answerInPieces()
{
    const QByteArray arDocument = QStringLiteral("<RootNode><MainVersion>3.1.0600</MainVersion>"
                                                 "<description>修复：中文</description></RootNode>")
                                      .toUtf8();
    const QByteArray arWhole = response(200, arDocument);
    // Cut inside the closing tag and inside a three-byte character.
    const int iInTag = int(arWhole.indexOf("</RootNode>")) + 4;
    const int iInChar = int(arWhole.indexOf(QStringLiteral("中").toUtf8())) + 1;
    QVERIFY(iInChar < iInTag);
    ScriptedHttp peer(
        {arWhole.left(iInChar), arWhole.mid(iInChar, iInTag - iInChar), arWhole.mid(iInTag)});
    const Outcome outcome = runCheck(peer.base(), false);
    QCOMPARE(outcome.checked, QList<bool>{true});
    QCOMPARE(outcome.prompts, QStringList{QStringLiteral("发现新版本，是否更新？\r\n修复：中文")});
    QCOMPARE(peer.iRequests, 1);
}

void TestUpdater::brokenAnswersNeverPrompt_data()
{
    const QByteArray arNewer =
        "<RootNode><MainVersion>9.0</MainVersion><description>x</description></RootNode>";
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::newRow("not found") << QList<QByteArray>{response(404, arNewer)};
    QTest::newRow("ten megabytes")
        << QList<QByteArray>{response(200, arNewer + QByteArray(10 * 1024 * 1024, ' '))};
    QTest::newRow("children swapped") << QList<QByteArray>{response(
        200, "<RootNode><description>x</description><MainVersion>9.0</MainVersion></RootNode>")};
    QTest::newRow("not a document") << QList<QByteArray>{response(200, "9.0")};
    QTest::newRow("cut short") << QList<QByteArray>{response(200, arNewer).left(60)};
    QTest::newRow("never answers") << QList<QByteArray>{};
}

void TestUpdater::brokenAnswersNeverPrompt()
{
    QFETCH(QList<QByteArray>, pieces);
    ScriptedHttp peer(pieces);
    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = runCheck(peer.base(), true, 1500);
    QCOMPARE(outcome.checked, QList<bool>{false});
    QVERIFY(outcome.prompts.isEmpty());
    QVERIFY(clock.elapsed() < 6000);
}

QTEST_MAIN(TestUpdater)
#include "tst_updater.moc"
