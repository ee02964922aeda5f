#include "app/PipeAppConnectorClient.h"

#include "app/ClientWorker.h"
#include "app/PipeAppConnectorServer.h"
#include "app/PipeMessage.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QMutex>
#include <QRandomGenerator>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <chrono>

namespace {

constexpr int kKeyLength = 10;

QMutex g_mutex;
std::unique_ptr<PipeAppConnectorClient> g_client;

bool onMainThread()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

PipeAppConnectorClient::PipeAppConnectorClient(const QString& hubPipeName, QObject* parent)
    : QObject(parent), m_hubPipeName(hubPipeName), m_key(generateKey(hubPipeName)),
      m_thread(std::make_unique<QThread>()), m_worker(std::make_unique<ClientWorker>(m_key, hubPipeName))
{
    m_thread->setObjectName(QStringLiteral("PipeAppConnectorClient"));
    m_worker->moveToThread(m_thread.get());
    connect(m_thread.get(), &QThread::started, m_worker.get(), &ClientWorker::slotCreatePipe);
    connect(m_worker.get(), &ClientWorker::signalPipeCreated, this, &PipeAppConnectorClient::slotRegister,
            Qt::QueuedConnection);
    connect(m_worker.get(), &ClientWorker::signalDataReceived, this,
            &PipeAppConnectorClient::slotDataReceived, Qt::QueuedConnection);
    m_thread->start();
}

PipeAppConnectorClient::~PipeAppConnectorClient()
{
    stop();
}

PipeAppConnectorClient* PipeAppConnectorClient::instance()
{
    QMutexLocker locker(&g_mutex);
    if (!g_client) {
        g_client = std::make_unique<PipeAppConnectorClient>(PipeAppConnectorServer::serverKey());
        // Its slots must run on a thread with an event loop, whoever asked first.
        if (QCoreApplication::instance())
            g_client->moveToThread(QCoreApplication::instance()->thread());
    }
    return g_client.get();
}

void PipeAppConnectorClient::destroyInstance()
{
    std::unique_ptr<PipeAppConnectorClient> client;
    {
        QMutexLocker locker(&g_mutex);
        client = std::move(g_client);
    }
    if (client)
        client->stop();
}

QString PipeAppConnectorClient::generateKey(const QString& hubPipeName)
{
    // Seeded from the processor clock, so two participants started together differ.
    QRandomGenerator random(
        static_cast<quint32>(std::chrono::high_resolution_clock::now().time_since_epoch().count()) ^
        QRandomGenerator::system()->generate());
    QString key = hubPipeName;
    for (int i = 0; i < kKeyLength; ++i) {
        const int pick = static_cast<int>(random.bounded(2));
        key += pick == 0 ? QChar(u'a' + static_cast<char16_t>(random.bounded(26)))
                         : QChar(u'0' + static_cast<char16_t>(random.bounded(10)));
    }
    return key;
}

void PipeAppConnectorClient::slotRegister()
{
    const bool ok = sendMessage(QStringLiteral("register"), QString());
    m_registered = true;
    Q_EMIT signalRegistered(ok);
}

bool PipeAppConnectorClient::sendMessage(const QString& msg, const QString& param)
{
    if (m_stopped) {
        qDebug() << "PipeAppConnectorClient already stopped";
        return false;
    }
    qDebug() << "PipeAppConnectorClient::sendMessage" << msg << param << "threadid-"
             << QThread::currentThreadId();
    const QByteArray text = PipeMessage{m_key, msg, param, QString()}.toBytes();
    struct Outcome
    {
        std::atomic<bool> sent = false;
        QSemaphore done;
    };
    auto outcome = std::make_shared<Outcome>();
    // The caller may be the thread that serves the hub: it waits in its event loop, so
    // the hub keeps reading, and the send's end wakes it at once.
    std::unique_ptr<QEventLoop> loop;
    if (onMainThread())
        loop = std::make_unique<QEventLoop>();
    QEventLoop* const waiting = loop.get();
    QThreadPool::globalInstance()->start([outcome, hub = m_hubPipeName, text, waiting] {
        outcome->sent = ClientWorker::sendToHub(hub, text);
        // Queued before the release: the waiter cannot leave (and destroy the loop)
        // before the call is posted, and a posted quit reaches the loop even when it
        // arrives before exec().
        if (waiting)
            QMetaObject::invokeMethod(waiting, &QEventLoop::quit, Qt::QueuedConnection);
        outcome->done.release();
    });
    // The quit comes just before the release, so after exec() the release is at most
    // a moment away (exec() also ends early when the application quits).
    const bool doneAlready = waiting && outcome->done.tryAcquire();
    if (waiting && !doneAlready)
        waiting->exec();
    if (!doneAlready)
        outcome->done.acquire();
    qDebug() << "PipeAppConnectorClient::sendMessage finished" << (outcome->sent ? "true" : "false");
    return outcome->sent;
}

void PipeAppConnectorClient::slotDataReceived(const QByteArray& text)
{
    const std::optional<PipeMessage> message = PipeMessage::parse(text);
    if (!message)
        return;
    Q_EMIT messageReceived(message->msg, message->param);
    Q_EMIT messageReceived(message->msg, message->param, message->key);
    if (message->msg == QLatin1String("removed") && message->param == m_key && !m_stopped) {
        qDebug() << "PipeAppConnectorClient was removed from the hub, registers again";
        slotRegister();
    }
}

void PipeAppConnectorClient::stop()
{
    m_stopped = true;
    if (!m_thread)
        return;
    if (m_thread->isRunning()) {
        if (QThread::currentThread() == m_thread.get())
            m_worker->slotClosePipe();
        else
            QMetaObject::invokeMethod(m_worker.get(), &ClientWorker::slotClosePipe,
                                      Qt::BlockingQueuedConnection);
        m_thread->quit();
        m_thread->wait();
    }
    m_worker.reset();
    m_thread.reset();
}
