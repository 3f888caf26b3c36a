// Core's circle path under load, with real SQLite files in a temporary directory: a circle
// list reply (93) of 500 circles, every one new or changed, through the packet layer and the
// circle worker until "circleModel" is published; then the 500 member replies (94) of 40
// members each that Core asks for, one per turn of the event loop as the socket delivers
// them, through the member worker until "circlememberModel" is published again for the circle
// the screens show.
// Besides the wall time, it reports gui_max_ms: the longest stretch the GUI thread spent
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

#include <functional>
#include <memory>

#include "caes.h"
#include "cdatabase.h"
#include "cfieldwriter.h"
#include "codes.h"
#include "core.h"
#include "csessionstate.h"
#include "guistepmeter.h"
#include "protocol.h"

namespace {

constexpr quint32 kMe = 1234567;
constexpr int kCircles = 500;
constexpr int kMembers = 40;
constexpr quint32 kFirstCircle = 100000;

const QString kSurnames = QStringLiteral("张王李赵钱孙周吴郑冯陈褚卫蒋沈韩杨朱秦尤许何吕施");
const QString kGiven = QStringLiteral("伟芳娜秀英敏静丽强磊军洋勇艳杰娟涛明超兰霞平刚桂");

QString personName(int i)
{
    return QString(kSurnames.at(i % kSurnames.size())) + kGiven.at((i / 7) % kGiven.size()) +
           kGiven.at((i / 13) % kGiven.size());
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
        CSessionState &s = sessionState();
        s.iZpid = kMe;
        s.strZpid = QString::number(kMe);
        s.strPhone = QStringLiteral("13900000000");
        m_pCore->database()->setLoginZpid(kMe);
        m_pCore->database()->setLoginPhone(s.strPhone);
    }
    ~CoreFixture() { QDir::setCurrent(QDir::tempPath()); }

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

    // The rows published under the name.
    QList<QObject *> list(const char *pName) const
    {
        return m_engine.rootContext()
            ->contextProperty(QLatin1String(pName))
            .value<QList<QObject *>>();
    }

    Core &core() { return *m_pCore; }

private:
    QTemporaryDir m_dir;
    QQmlEngine m_engine;
    std::unique_ptr<Core> m_pCore;
};

// Runs the event loop until the condition holds (checked every millisecond) or 60 s pass.
void waitUntil(const std::function<bool()> &condition)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    poll.start();
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray circleReply(quint32 iVersion)
{
    CFieldWriter list;
    list.u32(kCircles);
    for (int c = 0; c < kCircles; ++c)
        list.u8(0)
            .u32(kFirstCircle + quint32(c))
            .u32(iVersion)
            .enc8(QStringLiteral("圈子%1").arg(c))
            .u8(1)
            .u8(0)
            .u32(2000000)
            .f64(45352.5)
            .u8(2)
            .u32(kMembers)
            .str8(QStringLiteral("每周一聚"));
    CFieldWriter reply;
    reply.u8(Codes::CmdCircle).u32(kMe).u8(0).u8(0).u32(0).tail(list.packet());
    return reply.packet();
}

QList<QByteArray> memberReplies()
{
    QList<QByteArray> replies;
    for (int c = 0; c < kCircles; ++c) {
        CFieldWriter members;
        members.u32(kMembers);
        for (int m = 0; m < kMembers; ++m) {
            const QString strCard = QStringLiteral("%1:%2:经理:公司%3:北京:138%4:::::::30:")
                                        .arg(personName(c * kMembers + m))
                                        .arg(m % 2)
                                        .arg(c)
                                        .arg(c * kMembers + m, 8, 10, QLatin1Char('0'));
            members.u8(0)
                .u32(0)
                .u32(2000000 + quint32(m))
                .u8(m == 0 ? 1 : 0)
                .blob32(encryptText(strCard));
        }
        CFieldWriter reply;
        reply.u8(Codes::CmdCircleMember)
            .u32(kMe)
            .u8(0)
            .u32(kFirstCircle + quint32(c))
            .u8(0)
            .u32(0)
            .tail(members.packet());
        replies << reply.packet();
    }
    return replies;
}

void BM_CirclesAndMembersToPublishedList(benchmark::State &state)
{
    CoreFixture fixture;
    const QList<QByteArray> members = memberReplies();
    // The screens show the last circle's members.
    fixture.core().getCircleMember(QString::number(kFirstCircle + kCircles - 1));

    GuiStepMeter meter;
    double dMaxStep = 0;
    double dMaxCpuStep = 0;
    qsizetype iRows = 0;
    quint32 iVersion = 0;
    // Until the circles are shown.
    double dCircleMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Every circle changes, so every member list is asked for again.
        const QByteArray arCircles = circleReply(++iVersion);
        const QList<QObject *> circlesBefore = fixture.list("circleModel");
        const QList<QObject *> membersBefore = fixture.list("circlememberModel");
        state.ResumeTiming();
        meter.start();
        QElapsedTimer phase;
        phase.start();
        fixture.receive(arCircles);
        waitUntil([&] {
            const QList<QObject *> rows = fixture.list("circleModel");
            return rows.size() == kCircles && rows != circlesBefore;
        });
        dCircleMs += double(phase.nsecsElapsed()) / 1e6;
        fixture.receiveInTurns(members);
        waitUntil([&] {
            const QList<QObject *> rows = fixture.list("circlememberModel");
            return rows.size() == kMembers && rows != membersBefore;
        });
        meter.stop();
        dMaxStep = qMax(dMaxStep, meter.maxMs());
        dMaxCpuStep = qMax(dMaxCpuStep, meter.maxCpuMs());
        iRows = fixture.core().getCircleMemberCount(QString::number(kFirstCircle));
    }
    state.counters["gui_max_ms"] = dMaxStep;
    state.counters["gui_max_cpu_ms"] = dMaxCpuStep;
    state.counters["members_of_first"] = double(iRows);
    state.counters["circles_ms"] = dCircleMs / double(state.iterations());
}
BENCHMARK(BM_CirclesAndMembersToPublishedList)->Unit(benchmark::kMillisecond)->Iterations(5);

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
