// Core's contact path under load, with real SQLite files in a temporary directory:
// - one contact's presence notice among 2,000 registered contacts;
// - a full address-book reply (36, about 2,600 entries in one 64 KB frame) and a presence
//   reply (11) naming 2,000 of them as registered, through the packet layer, both workers,
//   the store and the index rebuild until "contactModel" is published;
// - a cloud address book of 10,000 entries in 100 download chunks (61) until it is stored and
//   "netcontactModel" is published.
// Besides the wall time, each reports gui_max_ms: the longest stretch the GUI thread spent
// without returning to its event loop (a 1 ms timer measures the gaps between its ticks), and
// gui_max_cpu_ms: the most CPU time the GUI thread used in one such stretch.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QQmlContext>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

#include "caes.h"
#include "cdatabase.h"
#include "cfieldwriter.h"
#include "cnetcontactsync.h"
#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "guistepmeter.h"
#include "protocol.h"

namespace {

constexpr quint32 kMe = 1234567;
constexpr int kBookEntries = 2600;
constexpr int kRegistered = 2000;
constexpr int kCloudEntries = 10000;
constexpr int kCloudChunk = 100;

const QString kSurnames = QStringLiteral("张王李赵钱孙周吴郑冯陈褚卫蒋沈韩杨朱秦尤许何吕施");
const QString kGiven = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂");

QString personName(int i)
{
    return QString(kSurnames.at(i % kSurnames.size())) + kGiven.at((i / 7) % kGiven.size()) +
           kGiven.at((i / 13) % kGiven.size()) + kGiven.at((i / 3) % kGiven.size());
}

QString phone(int i)
{
    return QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'));
}

class CoreFixture
{
public:
    CoreFixture()
    {
        QDir::setCurrent(m_dir.path());
        m_pCore = std::make_unique<Core>();
        m_pCore->setRootContext(m_engine.rootContext());
        m_pCore->initialize();
        signInAsMe();
    }
    ~CoreFixture() { QDir::setCurrent(QDir::tempPath()); }

    void signInAsMe()
    {
        CSessionState &s = sessionState();
        s.iZpid = kMe;
        s.strZpid = QString::number(kMe);
        s.strPhone = QStringLiteral("13900000000");
        m_pCore->database()->setLoginZpid(kMe);
        m_pCore->database()->setLoginPhone(s.strPhone);
    }

    // Hands the packet to the packet layer from the event loop, as the socket would.
    void receive(const QByteArray &arPacket)
    {
        Protocol *pProtocol = m_pCore->protocol();
        QMetaObject::invokeMethod(
            pProtocol,
            [pProtocol, arPacket] {
                pProtocol->slot_onParseProtocol(arPacket, QStringLiteral("127.0.0.1"), 4666);
            },
            Qt::QueuedConnection);
    }

    void receiveInTurns(const QList<QByteArray> &packets, int iNext = 0)
    {
        if (iNext >= packets.size())
            return;
        receive(packets.at(iNext));
        QTimer::singleShot(0, m_pCore.get(),
                           [this, packets, iNext] { receiveInTurns(packets, iNext + 1); });
    }

    Core &core() { return *m_pCore; }
    QQmlContext *context() { return m_engine.rootContext(); }

private:
    QTemporaryDir m_dir;
    QQmlEngine m_engine;
    std::unique_ptr<Core> m_pCore;
};

// Runs the event loop until the signal arrives (or 30 s pass).
template <typename Signal> void waitFor(Core &core, Signal signal)
{
    QEventLoop loop;
    QObject::connect(&core, signal, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    loop.exec();
}

// The address-book reply (36) of kBookEntries people.
QByteArray bookPacket()
{
    QStringList records;
    for (int i = 0; i < kBookEntries; ++i)
        records << phone(i) + u';' + personName(i);
    CFieldWriter book;
    book.u8(36).u32(kMe).u8(0).u32(0).blob32(encryptText(records.join(u':')));
    return book.packet();
}

// The Zpid of the i-th registered contact.
quint32 registeredZpid(int i)
{
    return quint32(2000000 + i);
}

// The presence reply (11): kRegistered of the book's people are registered, those below
// iOnline signed in.
QByteArray presencePacket(int iOnline = 0)
{
    QStringList online;
    QStringList offline;
    for (int i = 0; i < kRegistered; ++i)
        (i < iOnline ? online : offline)
            << phone(i * kBookEntries / kRegistered) << QString::number(registeredZpid(i));
    CFieldWriter presence;
    presence.u8(11)
        .u8(0)
        .u32(quint32(kRegistered))
        .u8(0)
        .blob32(encryptText(online.join(u':')))
        .u8(0)
        .blob32(encryptText(offline.join(u':')));
    return presence.packet();
}

void BM_AddressBookToPublishedList(benchmark::State &state)
{
    CoreFixture fixture;
    const QByteArray arBook = bookPacket();
    const QByteArray arPresence = presencePacket();
    state.counters["frame_kb"] = double(arBook.size()) / 1024;

    GuiStepMeter meter;
    double dMaxStep = 0;
    double dMaxCpuStep = 0;
    qsizetype iRows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        fixture.core().database()->clearContact();
        state.ResumeTiming();
        meter.start();
        fixture.receive(arBook);
        waitFor(fixture.core(), &Core::sig_getAllUserState);
        fixture.receive(arPresence);
        waitFor(fixture.core(), &Core::sig_updateContact);
        meter.stop();
        dMaxStep = qMax(dMaxStep, meter.maxMs());
        dMaxCpuStep = qMax(dMaxCpuStep, meter.maxCpuMs());
        iRows = fixture.context()
                    ->contextProperty(QStringLiteral("contactModel"))
                    .value<QList<QObject *>>()
                    .size();
    }
    state.counters["gui_max_ms"] = dMaxStep;
    state.counters["gui_max_cpu_ms"] = dMaxCpuStep;
    state.counters["rows"] = double(iRows);
}
BENCHMARK(BM_AddressBookToPublishedList)->Unit(benchmark::kMillisecond)->Iterations(5);

// One contact's presence notice (120) with the 2,000 registered contacts listed and half of
// them signed in, from the packet layer through Core to every listener of the presence
// signal: one per registered contact, each asking Core again as a row's mark does (more than
// a list view has, which makes rows only for what it shows).
void BM_PresenceChange(benchmark::State &state)
{
    CoreFixture fixture;
    Core &core = fixture.core();
    fixture.receive(bookPacket());
    waitFor(core, &Core::sig_getAllUserState);
    fixture.receive(presencePacket(kRegistered / 2));
    waitFor(core, &Core::sig_updateContact);

    std::vector<std::unique_ptr<QObject>> marks;
    qint64 iAsked = 0;
    for (int i = 0; i < kRegistered; ++i) {
        marks.push_back(std::make_unique<QObject>());
        const QString strZpid = QString::number(registeredZpid(i));
        QObject::connect(&core, &Core::sig_updatePresence, marks.back().get(),
                         [&core, &iAsked, strZpid](const QString &strChanged, bool) {
                             if (strChanged.isEmpty() || strChanged == strZpid) {
                                 benchmark::DoNotOptimize(core.isOnline(strZpid));
                                 ++iAsked;
                             }
                         });
    }
    Protocol *pProtocol = core.protocol();
    bool bOnline = false;
    for (auto _ : state) {
        bOnline = !bOnline;
        CFieldWriter notice;
        notice.u8(Codes::CmdPresence)
            .u32(kMe)
            .u32(registeredZpid(kRegistered - 1))
            .u8(bOnline ? Codes::PresenceOnline : Codes::PresenceOffline);
        pProtocol->slot_onParseProtocol(notice.packet(), QStringLiteral("127.0.0.1"), 4666);
    }
    state.counters["contacts"] = double(kRegistered);
    // Marks that asked Core again per notice: only the one of the person who changed.
    state.counters["marks_asked"] = double(iAsked) / double(state.iterations());
}
BENCHMARK(BM_PresenceChange)->Unit(benchmark::kMicrosecond);

void BM_CloudDownloadStored(benchmark::State &state)
{
    CoreFixture fixture;
    QList<QByteArray> chunks;
    for (int c = 0; c < kCloudEntries / kCloudChunk; ++c) {
        QStringList records;
        for (int i = c * kCloudChunk; i < (c + 1) * kCloudChunk; ++i)
            records << phone(i) + u';' + personName(i) + u';' + QStringLiteral("同事");
        CFieldWriter reply;
        reply.u8(61)
            .u32(kMe)
            .u8(0)
            .u32(kCloudEntries)
            .u32(kCloudChunk)
            .blob32(encryptText(records.join(u':')));
        chunks << reply.packet();
    }
    GuiStepMeter meter;
    double dMaxStep = 0;
    double dMaxCpuStep = 0;
    qsizetype iRows = 0;
    for (auto _ : state) {
        netContactSync().resetDownload();
        meter.start();
        // One chunk per turn of the event loop, as reads from the socket deliver them.
        fixture.receiveInTurns(chunks);
        waitFor(fixture.core(), &Core::sig_updateNetContact);
        meter.stop();
        dMaxStep = qMax(dMaxStep, meter.maxMs());
        dMaxCpuStep = qMax(dMaxCpuStep, meter.maxCpuMs());
        iRows = fixture.context()
                    ->contextProperty(QStringLiteral("netcontactModel"))
                    .value<QList<QObject *>>()
                    .size();
    }
    state.counters["gui_max_ms"] = dMaxStep;
    state.counters["gui_max_cpu_ms"] = dMaxCpuStep;
    state.counters["rows"] = double(iRows);
}
BENCHMARK(BM_CloudDownloadStored)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
