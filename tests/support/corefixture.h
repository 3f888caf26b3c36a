// CoreFixture: Core in the test's own process, wired the way the entry wires it: a QML engine
// whose root context Core publishes its lists on, a root item that declares the signals of
// main.qml's root that Core connects to, and Core initialised over them. Core and the session
// layer keep part of their state in process-wide objects rather than in Core; resetGlobals()
// brings all of it back to a fresh process's, so one test's session never leaks into the next.
#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <memory>

#include "fakeservice.h"

// The form in which Core publishes its lists.
Q_DECLARE_METATYPE(QList<QObject *>)

class Core;
class QQmlContext;
class QQmlEngine;

class CoreFixture
{
public:
    CoreFixture();
    CoreFixture(const CoreFixture &) = delete;
    CoreFixture &operator=(const CoreFixture &) = delete;
    // Stops Core when a test left it running.
    ~CoreFixture();

    // The session state with its timers and pending-resend table, the call in progress, the
    // message tracker and message-id counter, the cloud address book's transfers, the user
    // pictures and the pinyin map: everything Core and the session layer share per process.
    static void resetGlobals();

    // Makes strPath (created when missing) the working directory, where Core keeps its stores
    // and settings file, and its "xdg" folder the home of the autostart entry.
    static bool enterFolder(const QString &strPath);

    // Starts the fake service on loopback with the account and points Core at it
    // (ZEPHON_SERVER, read when Core connects).
    static bool serve(FakeService &service, const FakeService::Account &account);

    // Resets the globals, then builds the engine, the root item and Core and initialises
    // Core in the working directory. Fails the running test when the root does not load.
    void start();
    // Destroys Core, the root item and the engine in that order, then resets the globals.
    void stop();
    bool isRunning() const { return m_pCore != nullptr; }

    Core *core() const { return m_pCore.get(); }
    QObject *root() const { return m_pRoot.get(); }
    QQmlEngine *engine() const { return m_pEngine.get(); }
    QQmlContext *context() const;
    // A list Core published on the root context under its name.
    QList<QObject *> list(const char *pName) const;

    // Emits the root item's login signal, as the sign-in screen does.
    void login(const QString &strId, const QString &strPassword);
    // Signs in and waits for the answer, which must be success.
    void signIn(const QString &strId, const QString &strPassword, int iTimeoutMs = 5000);

private:
    std::unique_ptr<QQmlEngine> m_pEngine;
    std::unique_ptr<QObject> m_pRoot;
    std::unique_ptr<Core> m_pCore;
};
