// The map page of a shared location, opened in a real browser (headless Chromium): the page's
// own script runs and centres the map on the coordinates we wrote, while a place text built to
// break out of the title runs nothing. The map library is a stand-in loaded from a local file
// that records on the page what the page asked of it. Last, the page loads the plain map that
// zephond serves when no map provider is configured, and shows the place with it.
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core.h"
#include "zephondprocess.h"

namespace {

const char kChromium[] = "/usr/bin/chromium";

// Marks the page's root with what the page asked the map library for.
const char kLibrary[] = R"(var BMap = {
  Map: function (id) {
    document.documentElement.setAttribute("data-map", id);
    this.centerAndZoom = function (point, zoom) {
      document.documentElement.setAttribute("data-point", point.lng + "," + point.lat + "," + zoom);
    };
    this.addOverlay = function () {};
    this.addControl = function () {};
    this.enableScrollWheelZoom = function () {};
  },
  Point: function (lng, lat) { this.lng = lng; this.lat = lat; },
  Marker: function () {},
  NavigationControl: function () {},
  ScaleControl: function () {},
  OverviewMapControl: function () {},
  MapTypeControl: function () {}
};
)";

// What a script smuggled in through the place text would do.
const QString kPayload =
    QStringLiteral("document.documentElement.setAttribute('data-pwned','yes')");

} // namespace

class TestMapBrowser : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pageInBrowser_data();
    void pageInBrowser();
    void plainMapFromTheService();

private:
    // The page's document as the browser has it after its scripts ran.
    QString renderedDom(const QString &strPage);

    QTemporaryDir m_dir;
    QString m_strLoader;
};

void TestMapBrowser::initTestCase()
{
    if (!QFileInfo::exists(QString::fromLatin1(kChromium)))
        QSKIP("Chromium is not installed (package chromium)");
    QVERIFY(m_dir.isValid());
    QFile library(m_dir.filePath(QStringLiteral("library.js")));
    QVERIFY(library.open(QIODevice::WriteOnly));
    library.write(kLibrary);
    library.close();
    m_strLoader = QUrl::fromLocalFile(library.fileName()).toString();
}

QString TestMapBrowser::renderedDom(const QString &strPage)
{
    static int s_iPage = 0;
    QFile file(m_dir.filePath(QStringLiteral("map%1.html").arg(++s_iPage)));
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(strPage.toUtf8());
    file.close();
    QProcess browser;
    browser.start(QString::fromLatin1(kChromium),
                  {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"),
                   QStringLiteral("--disable-gpu"),
                   QStringLiteral("--allow-file-access-from-files"),
                   QStringLiteral("--user-data-dir=") + m_dir.filePath(QStringLiteral("profile")),
                   QStringLiteral("--dump-dom"), QUrl::fromLocalFile(file.fileName()).toString()});
    if (!browser.waitForFinished(60000)) {
        browser.kill();
        browser.waitForFinished();
        return QString();
    }
    return QString::fromUtf8(browser.readAllStandardOutput());
}

void TestMapBrowser::pageInBrowser_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("point");
    QTest::newRow("plain place") << QStringLiteral("五四广场:36.1:120.3") << "120.3,36.1,16";
    QTest::newRow("closes the title")
        << QStringLiteral("</title><script>%1</script>:36.1:120.3").arg(kPayload)
        << "120.3,36.1,16";
    QTest::newRow("event handler")
        << QStringLiteral("<img src=x onerror=\"%1\">:1:2").arg(kPayload) << "2,1,16";
    QTest::newRow("closes the script")
        << QStringLiteral("</script><script>%1</script>:-1.5:-2.5").arg(kPayload) << "-2.5,-1.5,16";
}

void TestMapBrowser::pageInBrowser()
{
    QFETCH(QString, address);
    QFETCH(QString, point);
    const QString strPage = Core::mapPage(address, m_strLoader);
    QVERIFY(!strPage.isEmpty());
    const QString strDom = renderedDom(strPage);
    QVERIFY2(!strDom.isEmpty(), "the browser gave no page");
    // The page's own script ran, with our coordinates...
    QVERIFY2(strDom.contains(QStringLiteral("data-map=\"allmap\"")), qPrintable(strDom.left(2000)));
    QVERIFY(strDom.contains(QStringLiteral("data-point=\"%1\"").arg(point)));
    // ... and nothing the place text held.
    QVERIFY(!strDom.contains(QStringLiteral("data-pwned=\"yes\"")));
}

void TestMapBrowser::plainMapFromTheService()
{
    ZephondProcess service;
    QVERIFY2(service.start(m_dir.filePath(QStringLiteral("service"))),
             qPrintable(service.errorText()));
    const QString strLoader =
        QStringLiteral("http://127.0.0.1:%1/api?v=1.5&ak=").arg(service.updatePort());
    const QString strDom =
        renderedDom(Core::mapPage(QStringLiteral("五四广场 <b>:36.1:120.3"), strLoader));
    QVERIFY2(strDom.contains(QStringLiteral("五四广场 &lt;b&gt;  36.10000, 120.30000")),
             qPrintable(strDom.left(3000)));
    QVERIFY(strDom.contains(QStringLiteral("<canvas")));
    QCOMPARE(service.stop(), 0);
}

QTEST_GUILESS_MAIN(TestMapBrowser)
#include "tst_mapbrowser.moc"
